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

// True when `output` is `before`, byte for byte, then the two-line report of
// a failure of `failure_class` with `message` (as printed, its period
// included) and CR LF. The module and the address vary from build to build.
inline bool is_report_after(const std::string& output, const std::string& before,
                            const std::string& message,
                            const std::string& failure_class = "EInOutError") {
  if (output.compare(0, before.size(), before) != 0) return false;
  const std::string head = "Exception " + failure_class + " in module ";
  const std::string rest = output.substr(before.size());
  static const std::regex module_and_address("[^ \\n]+ at [0-9A-F]{8}\\.\\n");
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

}  // namespace relabel::testing
