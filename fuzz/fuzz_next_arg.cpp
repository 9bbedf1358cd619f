// Command-line splitting: each call moves forward, only the last argument is
// empty, arguments hold no double quote, and the arguments written back, each
// in double quotes, split into the same arguments again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "runtime/args.h"

namespace {

// Splits the whole line; checks the walk as it goes.
std::vector<std::string> split(std::string_view line) {
  std::vector<std::string> args;
  std::size_t place = 0;
  for (;;) {
    const std::size_t before = place;
    std::string a = relabel::next_arg(
        line, place, [](std::string_view, std::size_t p) { return p + 1; });
    FUZZ_CHECK(place >= before);
    FUZZ_CHECK(place <= line.size());
    if (a.empty()) {
      // Only at the end of the line, which a NUL also marks.
      FUZZ_CHECK(place == line.size() || line[place] == '\0');
      return args;
    }
    FUZZ_CHECK(place > before);
    FUZZ_CHECK(a.size() <= place - before);
    FUZZ_CHECK(a.find('"') == std::string::npos);
    // The argument ends at the line's end or at a separator.
    FUZZ_CHECK(place == line.size() || static_cast<unsigned char>(line[place]) <= 32);
    args.push_back(std::move(a));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const std::string original = line;

  const std::vector<std::string> args = split(line);
  FUZZ_CHECK(line == original);
  FUZZ_CHECK(split(line) == args);

  // Nothing after a NUL is looked at.
  const std::size_t nul = line.find('\0');
  if (nul != std::string::npos)
    FUZZ_CHECK(split(std::string_view(line).substr(0, nul)) == args);

  // Arguments without a NUL survive being quoted and joined by blanks.
  bool quotable = true;
  for (const std::string& a : args) quotable &= a.find('\0') == std::string::npos;
  if (quotable) {
    std::string joined = "\t";
    for (const std::string& a : args) joined += "\"" + a + "\" ";
    FUZZ_CHECK(split(joined) == args);
  }
  return 0;
}
