// parse_board_entry on the line shapes a board file can hold: which fields
// a parse reaches, and what the ones it does not reach keep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/board_entry.h"

namespace relabel::testing {
namespace {

struct Case {
  const char* what;
  std::string line;
  std::string name;
  std::vector<std::int32_t> numbers;
};

TEST(BoardEntryNumbers, ParseFillsOnlyWhatItReaches) {
  const std::string six = "    (\"R12\" 150 230 0 1 0 0)";
  const std::string three = "    (\"10k\" 150 245 2)";
  const std::vector<Case> cases = {
      {"six integers", six, "R12", {150, 230, 0, 1, 0, 0}},
      {"three integers and the closing 0", three, "10k", {150, 245, 2, 0, 5, 6}},
      {"negative", "    (\"R12\" -25 230 0 1 0 0)", "R12", {-25, 230, 0, 1, 0, 0}},
      {"text after )", six + " word", "R12", {150, 230, 0, 1, 0, 0}},
      {"a further )", three + " (7)", "10k", {150, 245, 2, 0, 0, 0}},
      {"no double quote", "    (R12 150 230)", "old", {1, 2, 3, 4, 5, 6}},
      {"no integers", "    (\"R12\")", "R12", {0, 2, 3, 4, 5, 6}},
      {"name with blank and )", "    (\"a b)c\" 1 2)", "a b)c", {1, 2, 0, 4, 5, 6}},
      {"no ) after the name", "    (\"R12\" 150 230", "R12", {0, 2, 3, 4, 5, 6}},
      {"doubled blank", "    (\"R12\" 150  230 0)", "R12", {150, 0, 230, 0, 0, 6}},
      {"no blank after the quote", "    (\"R12\"150 230 0)", "R12", {50, 230, 0, 0, 5, 6}},
      {"no closing quote", "    (\"R12 150 230 0)", "", {12, 150, 230, 0, 0, 6}},
      {"malformed tokens", "    (\"X\" 12a abc 7)", "X", {12, 0, 7, 0, 5, 6}},
      {"more than six", "    (\"X\" 1 2 3 4 5 6 7 8)", "X", {1, 2, 3, 4, 5, 6}},
      {"wide numbers", "    (\"X\" 2147483647 -2147483648 1234567890 -999999999)", "X",
       {2147483647, -2147483647 - 1, 1234567890, -999999999, 0, 6}},
      {"tokens the short path leaves to parse_int", "    (\"X\" 9999999999 -12a - -7)", "X",
       {999999999, 12, 0, -7, 0, 6}},
      {"long name", "    (\"" + std::string(80, 'n') + "\" 9 8)", std::string(72, 'n'),
       {9, 8, 0, 4, 5, 6}},
      {"a blank before the )", "    (\"R1\" 150 230 )", "R1", {150, 230, 0, 0, 5, 6}},
      {"tokens of one to eight digits with the line going on",
       "    (\"X\" 1234567 12345678 -7654321 00000012 9 -8) and more", "X",
       {1234567, 12345678, -7654321, 12, 9, -8}},
      {"the bytes just past the digits, with the line going on",
       "    (\"X\" 12:3 4/5 -6: 7 8 9) and more", "X", {12, 4, 6, 7, 8, 9}},
      {"six tokens and a ) far behind them", "    (\"X\" 1 2 3 4 5 6 7 8 9)", "X",
       {1, 2, 3, 4, 5, 6}},
      {"six tokens and no ) behind them", "    (\"X\" 1 2) 3 4 5 6 7", "X",
       {1, 2, 0, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    // A parse asked for the first `wanted` numbers gives those numbers what
    // the whole parse gives them and leaves the others as they were.
    for (std::size_t wanted = 6; wanted >= 1; --wanted) {
      SCOPED_TRACE(std::string(c.what) + ", wanted " + std::to_string(wanted));
      BoardEntry entry;
      to_counted_text(entry.name, "old");
      for (int i = 0; i < 6; ++i) entry.numbers[i] = i + 1;
      parse_board_entry(c.line, entry, wanted);
      EXPECT_EQ(entry.name.view(), c.name);
      std::vector<std::int32_t> expected = c.numbers;
      for (std::size_t i = wanted; i < 6; ++i) expected[i] = static_cast<std::int32_t>(i + 1);
      EXPECT_EQ(std::vector<std::int32_t>(entry.numbers, entry.numbers + 6), expected);
    }
  }
}

}  // namespace
}  // namespace relabel::testing
