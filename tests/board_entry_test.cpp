// Board entry lines: what a parse stores in a reused record, and the exact
// bytes a record is written back as.
#include "convert/board_entry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace relabel::testing {
namespace {

using Numbers = std::vector<std::int32_t>;

const std::string kPrefix = "    (\"";

// A record as the run leaves it between lines: earlier values everywhere.
BoardEntry used_record() {
  BoardEntry entry;
  to_counted_text(entry.name, "old");
  for (std::size_t i = 0; i < 6; ++i) entry.numbers[i] = static_cast<std::int32_t>(i + 1);
  return entry;
}

Numbers numbers_of(const BoardEntry& entry) {
  Numbers numbers;
  for (std::size_t i = 0; i < 6; ++i) numbers.push_back(entry.numbers[i]);
  return numbers;
}

struct ParseCase {
  const char* what;
  std::string line;
  std::string name;
  Numbers numbers;
};

TEST(ParseBoardEntry, StoresOnlyWhatTheLineReaches) {
  const std::string six = kPrefix + "R12\" 150 230 0 1 0 0)";
  const std::string three = kPrefix + "10k\" 150 245 2)";
  const std::string far(300, 'x');
  const std::string many(1'000'000, ')'), blanks(1'000'000, ' ');
  const ParseCase cases[] = {
      {"six integers", six, "R12", {150, 230, 0, 1, 0, 0}},
      {"three integers and the closing 0", three, "10k", {150, 245, 2, 0, 5, 6}},
      {"negative", kPrefix + "R12\" -25 230 0 1 0 0)", "R12", {-25, 230, 0, 1, 0, 0}},
      {"text after )", six + " word", "R12", {150, 230, 0, 1, 0, 0}},
      {"a further )", three + " (7)", "10k", {150, 245, 2, 0, 0, 0}},
      {"no double quote", "    (R12 150 230)", "old", {1, 2, 3, 4, 5, 6}},
      {"empty line", "", "old", {1, 2, 3, 4, 5, 6}},
      {"no integers", kPrefix + "R12\")", "R12", {0, 2, 3, 4, 5, 6}},
      {"name with blank and )", kPrefix + "a b)c\" 1 2)", "a b)c", {1, 2, 0, 4, 5, 6}},
      {"no ) after the name", kPrefix + "R12\" 150 230", "R12", {0, 2, 3, 4, 5, 6}},
      {"doubled blank", kPrefix + "R12\" 150  230 0)", "R12", {150, 0, 230, 0, 0, 6}},
      {"no blank after the quote",
       kPrefix + "R12\"150 230 0)",
       "R12",
       {50, 230, 0, 0, 5, 6}},
      {"no closing quote", kPrefix + "R12 150 230 0)", "", {12, 150, 230, 0, 0, 6}},
      {"malformed tokens", kPrefix + "X\" 12a abc 7)", "X", {12, 0, 7, 0, 5, 6}},
      {"malformed token before )",
       kPrefix + "R12\" 12a abc)",
       "R12",
       {12, 0, 0, 4, 5, 6}},
      {"more than six", kPrefix + "X\" 1 2 3 4 5 6 7 8)", "X", {1, 2, 3, 4, 5, 6}},
      {"wide numbers",
       kPrefix + "X\" 2147483647 -2147483648 1234567890 -999999999)",
       "X",
       {2147483647, -2147483647 - 1, 1234567890, -999999999, 0, 6}},
      {"signs, leading zeros and hexadecimal",
       kPrefix + "X\" -0 05 -05 +5 $1F 0x1F)",
       "X",
       {0, 5, -5, 5, 31, 31}},
      {"past the integer range, a tab, a lone minus",
       kPrefix + "X\" 2147483648 -2147483649 \t5 - 1x2)",
       "X",
       {-2147483647 - 1, 2147483647, 0, 0, 1, 0}},
      {"a ten-digit token and malformed ones",
       kPrefix + "X\" 9999999999 -12a - -7)",
       "X",
       {999999999, 12, 0, -7, 0, 6}},
      {"long name",
       kPrefix + std::string(80, 'n') + "\" 9 8)",
       std::string(72, 'n'),
       {9, 8, 0, 4, 5, 6}},
      {"a blank before the )", kPrefix + "R1\" 150 230 )", "R1", {150, 230, 0, 0, 5, 6}},
      {"tokens of one to eight digits with the line going on",
       kPrefix + "X\" 1234567 12345678 -7654321 00000012 9 -8) and more",
       "X",
       {1234567, 12345678, -7654321, 12, 9, -8}},
      {"the bytes just past the digits, with the line going on",
       kPrefix + "X\" 12:3 4/5 -6: 7 8 9) and more",
       "X",
       {12, 4, 6, 7, 8, 9}},
      {"six tokens and a ) far behind them",
       kPrefix + "X\" 1 2 3 4 5 6 7 8 9)",
       "X",
       {1, 2, 3, 4, 5, 6}},
      {"six tokens and no ) behind them",
       kPrefix + "X\" 1 2) 3 4 5 6 7",
       "X",
       {1, 2, 0, 4, 5, 6}},
      {"quote beyond position 300",
       far + kPrefix + "R5\" 7 8)",
       "R5",
       {7, 8, 0, 4, 5, 6}},
      {"integers beyond position 300",
       kPrefix + far + "\" 7 8 9)",
       far.substr(0, 72),
       {7, 8, 9, 0, 5, 6}},
      // A parse that kept deleting one character per pass from a copy would
      // take hours on these.
      {"a million )", kPrefix + "R\"" + many, "R", {0, 0, 0, 0, 0, 0}},
      {"a million blanks", kPrefix + "R\" " + blanks + "1)", "R", {0, 0, 0, 0, 0, 0}},
      {"a million blanks, no )", kPrefix + "R\" " + blanks, "R", {0, 2, 3, 4, 5, 6}},
  };
  for (const ParseCase& c : cases) {
    // A parse asked for the first `wanted` numbers gives those numbers what
    // the whole parse gives them and leaves the others as they were.
    for (std::size_t wanted = 6; wanted >= 1; --wanted) {
      SCOPED_TRACE(std::string(c.what) + ", wanted " + std::to_string(wanted));
      BoardEntry entry = used_record();
      parse_board_entry(c.line, entry, wanted);
      EXPECT_EQ(entry.name.view(), c.name);
      Numbers expected = c.numbers;
      for (std::size_t i = wanted; i < 6; ++i)
        expected[i] = static_cast<std::int32_t>(i + 1);
      EXPECT_EQ(numbers_of(entry), expected);
    }
  }
}

std::string formatted(const BoardEntry& entry, unsigned n) {
  char out[kBoardLineCapacity];
  return std::string(format_board_entry(entry, n, out));
}

BoardEntry parsed(const std::string& line) {
  BoardEntry entry = used_record();
  parse_board_entry(line, entry);
  return entry;
}

TEST(FormatBoardEntry, PrefixNameAndTheFirstNNumbers) {
  BoardEntry extremes = used_record();
  extremes.numbers[0] = INT32_MIN;
  extremes.numbers[1] = INT32_MAX;
  BoardEntry unnamed = used_record();
  unnamed.name.length = 0;
  BoardEntry widest;
  to_counted_text(widest.name, std::string(72, 'w'));
  for (std::size_t i = 0; i < 6; ++i) widest.numbers[i] = INT32_MIN;
  const std::string min = " -2147483648";
  const std::string round[] = {kPrefix + "a b) c\" -1 0 -2147483648 2147483647 7 8)",
                               kPrefix + std::string(72, 'w') + "\" 1 2 3 4 5 6)",
                               kPrefix + "\" 0 0 0 0 0 0)"};
  const struct {
    BoardEntry entry;
    unsigned n;
    std::string line;
  } cases[] = {
      {parsed(kPrefix + "R12\" 150 230 0 1 0 0)"), 6, kPrefix + "R12\" 150 230 0 1 0 0)"},
      {parsed(kPrefix + "R12\" 150 230 0 1 0 0)"), 3, kPrefix + "R12\" 150 230 0)"},
      // Numbers left from an earlier line are written like the others.
      {parsed(kPrefix + "10k\" 150 245 2)"), 6, kPrefix + "10k\" 150 245 2 0 5 6)"},
      {parsed(kPrefix + "R12\" -25 230 0 1 0 0)"), 6, kPrefix + "R12\" -25 230 0 1 0 0)"},
      {extremes, 3, kPrefix + "old\" -2147483648 2147483647 3)"},
      {unnamed, 3, kPrefix + "\" 1 2 3)"},
      {used_record(), 1, kPrefix + "old\" 1)"},
      {widest, 6,
       kPrefix + std::string(72, 'w') + "\"" + min + min + min + min + min + min + ")"},
      // Numbers are written in their plain decimal form.
      {parsed(kPrefix + "X\" -0 05 +5 $1F 0x1F -05)"), 6,
       kPrefix + "X\" 0 5 5 31 31 -5)"},
      // Well-formed lines come back as they were.
      {parsed(round[0]), 6, round[0]},
      {parsed(round[1]), 6, round[1]},
      {parsed(round[2]), 6, round[2]},
  };
  for (const auto& c : cases) EXPECT_EQ(formatted(c.entry, c.n), c.line);
}

}  // namespace
}  // namespace relabel::testing
