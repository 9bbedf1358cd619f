// Command-line arguments: the splitting of one command-line string, and the
// arguments as the platform hands them over.
#include "runtime/args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line_cases.h"
#include "fake_platform.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

using namespace std::string_literals;
using Args = std::vector<std::string>;

// Every argument of `line` up to the first empty one, which ends the list.
// The step on a system without double-byte code pages.
std::size_t single_byte_step(std::string_view, std::size_t place) { return place + 1; }

Args split(std::string_view line, CharStep step = single_byte_step) {
  Args all;
  std::size_t place = 0;
  for (std::string a = next_arg(line, place, step); !a.empty();
       a = next_arg(line, place, step))
    all.push_back(a);
  return all;
}

TEST(NextArg, SplitsACommandLine) {
  struct Case {
    std::string line;
    Args args;
  };
  // Those that only a line of its own can show; the rest are shared.
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"prog\rc\nd", {"prog", "c", "d"}},
      {"\"\"\"a b", {"a b"}},     // a pair is dropped, the third opens
      {"a b\0c d"s, {"a", "b"}},  // a NUL ends the line
      {"\"a\0b\" c"s, {"a"}},     // also inside a quoted stretch
  };
  for (const CommandLineCase& c : kCommandLineCases) {
    Args args = c.args;
    args.insert(args.begin(), "prog");
    EXPECT_EQ(split("prog" + c.tail), args) << '[' << c.tail << ']';
  }
  for (const Case& c : cases) EXPECT_EQ(split(c.line), c.args) << '[' << c.line << ']';
}

TEST(NextArg, LeavesTheSeparatorForTheNextCall) {
  const std::string line = "ab  \"c d\"\te";
  const std::pair<std::string, std::size_t> calls[] = {
      {"ab", 2}, {"c d", 9}, {"e", line.size()}, {"", line.size()}};
  std::size_t place = 0;
  for (const auto& [arg, after] : calls) {
    EXPECT_EQ(next_arg(line, place, single_byte_step), arg);
    EXPECT_EQ(place, after);
  }
}

// A double-byte code page in which 0x81 leads a two-byte character.
std::size_t lead_0x81_step(std::string_view line, std::size_t place) {
  return place + (static_cast<unsigned char>(line[place]) == 0x81 ? 2 : 1);
}

TEST(NextArg, SecondByteOfADoubleByteCharacterIsNeverAQuoteOrSeparator) {
  struct Case {
    std::string line;
    Args double_byte, single_byte;
  };
  const Case cases[] = {
      {"a\x81\" b", {"a\x81\"", "b"}, {"a\x81 b"}},
      {"a\x81 b", {"a\x81 b"}, {"a\x81", "b"}},
      {"\"\x81\"x\" y", {"\x81\"x", "y"}, {"\x81x y"}},
      {"\x81\x01 z", {"\x81\x01", "z"}, {"\x81", "z"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(split(c.line, lead_0x81_step), c.double_byte) << c.line;
    EXPECT_EQ(split(c.line), c.single_byte) << c.line;
  }
}

// The arguments as the platform hands them over, already split: taken as
// they are, empty ones dropped, indexes outside them empty; arg(0) is the
// program's path. Each call asks the platform again.
TEST(Args, FromThePlatform) {
  struct Case {
    std::vector<std::string> given;
    Args args;
  };
  const Case cases[] = {
      {{"", "in", "", "", "out", ""}, {"in", "out"}},
      {{"a b", "\"q\""}, {"a b", "\"q\""}},
      {{}, {}},
  };
  FakePlatform fake;
  const PlatformScope scope(fake);
  fake.exe_path = "/usr/local/bin/relabel";
  for (const Case& c : cases) {
    fake.args = c.given;
    ASSERT_EQ(arg_count(), static_cast<std::int32_t>(c.args.size()));
    EXPECT_EQ(arg(0), "/usr/local/bin/relabel");
    for (std::size_t i = 0; i < c.args.size(); ++i)
      EXPECT_EQ(arg(static_cast<std::int32_t>(i + 1)), c.args[i]);
    for (std::int32_t n : {-1, -2147483647 - 1, arg_count() + 1, 2147483647})
      EXPECT_EQ(arg(n), "") << n;
  }
}

}  // namespace
}  // namespace relabel::testing
