// What many tests share: the console's fixed texts, the failure report's
// form, and a platform installed for the length of a scope.
#pragma once

#include <regex>
#include <string>
#include <string_view>

#include "runtime/platform.h"

namespace relabel::testing {

inline const std::string kBanner =
    "Prevod popisu soucastek v *.PCB podle *.PNL QUORANT 4.2 ZT'02 V2.1";
inline const std::string kBannerLine = kBanner + "\r\n";
inline const std::string kKeepModeLine =
    "Zmena napisu (souradnice zustanou zachovany.)\r\n";

// The console's count of `count` parts-list entries: the dots, then the
// total line.
inline std::string total(int count) {
  return std::string(static_cast<std::size_t>(count), '.') +
         "\r\nCelkem nalezeno: " + std::to_string(count) + " soucastek.\r\n";
}

// Inputs are written with LF; everything the program writes ends in CR LF.
inline std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A line in board-entry form, `    ("name" numbers)`, with an LF.
inline std::string line(const std::string& name, const std::string& numbers) {
  return "    (\"" + name + "\" " + numbers + ")\n";
}

// True when `output` is `before`, byte for byte, then the two-line report of
// a failure of `failure_class` with `message` (as printed, its period
// included) and CR LF. The address varies from build to build; the module
// is any name, or one that matches the pattern `module`.
inline bool is_report_after(const std::string& output, const std::string& before,
                            const std::string& message,
                            const std::string& failure_class = "EInOutError",
                            const std::string& module = "[^ \\n]+") {
  if (output.compare(0, before.size(), before) != 0) return false;
  const std::string head = "Exception " + failure_class + " in module ";
  const std::string rest = output.substr(before.size());
  const std::regex module_and_address(module + " at [0-9A-F]{8}\\.\\n");
  std::smatch m;
  return rest.starts_with(head) && rest.ends_with(message + "\r\n") &&
         std::regex_search(rest.cbegin() + static_cast<std::ptrdiff_t>(head.size()),
                           rest.cend(), m, module_and_address,
                           std::regex_constants::match_continuous) &&
         head.size() + static_cast<std::size_t>(m.length(0)) + message.size() + 2 ==
             rest.size();
}

// Installs `p` as the platform until the scope ends, then the native one
// again, also when a failed assertion leaves the test early.
class PlatformScope {
 public:
  explicit PlatformScope(Platform& p) { set_platform(&p); }
  ~PlatformScope() { set_platform(nullptr); }
  PlatformScope(const PlatformScope&) = delete;
  PlatformScope& operator=(const PlatformScope&) = delete;
};

// The module names in the reports of the program and of the fault helper,
// as patterns (Windows adds ".exe").
inline const std::string kProgramModule = "relabel(?:\\.exe)?";
inline const std::string kHelperModule = "relabel_fault_helper(?:\\.exe)?";

}  // namespace relabel::testing
