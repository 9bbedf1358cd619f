// Board entry lines: what a parse stores in a reused record, and the exact
// bytes a record is written back as.
#include "convert/board_entry.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "fake_platform.h"
#include "runtime/run_end.h"

namespace relabel::testing {
namespace {

using Numbers = std::array<std::int32_t, 6>;

const std::string kPrefix = "    (\"";

// A record as the run leaves it between lines: earlier values everywhere.
BoardEntry used_record() {
  BoardEntry entry;
  to_counted_text(entry.name, "OLD");
  for (int i = 0; i < 6; ++i) entry.numbers[i] = i + 1;
  return entry;
}

Numbers numbers_of(const BoardEntry& entry) {
  Numbers n;
  for (int i = 0; i < 6; ++i) n[i] = entry.numbers[i];
  return n;
}

struct ParseCase {
  const char* what;
  std::string line;
  std::string name;
  Numbers numbers;
};

TEST(ParseBoardEntry, StoresOnlyWhatTheLineReaches) {
  const std::string name80(80, 'n');
  const std::string far(300, 'x');
  const ParseCase cases[] = {
      {"six integers",
       kPrefix + "R12\" 150 230 0 1 0 0)",
       "R12",
       {150, 230, 0, 1, 0, 0}},
      {"three integers",
       kPrefix + "10k\" 150 245 2)",
       "10k",
       {150, 245, 2, 0, 5, 6}},
      {"negative",
       kPrefix + "R12\" -25 230 0 1 0 0)",
       "R12",
       {-25, 230, 0, 1, 0, 0}},
      {"text after )",
       kPrefix + "R12\" 150 230 0 1 0 0) rotated",
       "R12",
       {150, 230, 0, 1, 0, 0}},
      {"further )",
       kPrefix + "10k\" 150 245 2) (7)",
       "10k",
       {150, 245, 2, 0, 0, 0}},
      {"no double quote", "    (R12 150 230 0)", "OLD", {1, 2, 3, 4, 5, 6}},
      {"empty line", "", "OLD", {1, 2, 3, 4, 5, 6}},
      {"no integers", kPrefix + "R12\")", "R12", {0, 2, 3, 4, 5, 6}},
      {"name with blanks and )",
       kPrefix + "a b) c\" 7)",
       "a b) c",
       {7, 0, 3, 4, 5, 6}},
      {"no ) after the name",
       kPrefix + "R12\" 150 230",
       "R12",
       {0, 2, 3, 4, 5, 6}},
      {"doubled blank",
       kPrefix + "R12\" 150  230 0)",
       "R12",
       {150, 0, 230, 0, 0, 6}},
      {"no blank after the quote",
       kPrefix + "R12\"150 230 0)",
       "R12",
       {50, 230, 0, 0, 5, 6}},
      {"no closing quote",
       kPrefix + "R12 150 230 0)",
       "",
       {12, 150, 230, 0, 0, 6}},
      {"80-character name",
       kPrefix + name80 + "\" 9 8)",
       name80.substr(0, 72),
       {9, 8, 0, 4, 5, 6}},
      {"malformed tokens",
       kPrefix + "R12\" 12a abc)",
       "R12",
       {12, 0, 0, 4, 5, 6}},
      {"more than six integers",
       kPrefix + "R\" 11 12 13 14 15 16 17 18)",
       "R",
       {11, 12, 13, 14, 15, 16}},
      {"quote beyond position 300",
       far + kPrefix + "R5\" 7 8)",
       "R5",
       {7, 8, 0, 4, 5, 6}},
      {"integers beyond position 300",
       kPrefix + far + "\" 7 8 9)",
       far.substr(0, 72),
       {7, 8, 9, 0, 5, 6}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.what);
    BoardEntry entry = used_record();
    parse_board_entry(c.line, entry);
    EXPECT_EQ(entry.name.view(), c.name);
    EXPECT_EQ(numbers_of(entry), c.numbers);
  }
}

TEST(ParseBoardEntry, HugeLinesParseInLinearTime) {
  // A parse that kept deleting one character per pass from a copy would
  // take hours on these.
  const std::size_t n = 1'000'000;
  BoardEntry parens = used_record();
  parse_board_entry(kPrefix + "R\"" + std::string(n, ')'), parens);
  EXPECT_EQ(numbers_of(parens), (Numbers{0, 0, 0, 0, 0, 0}));

  BoardEntry blanks = used_record();
  parse_board_entry(kPrefix + "R\" " + std::string(n, ' ') + "1)", blanks);
  EXPECT_EQ(numbers_of(blanks), (Numbers{0, 0, 0, 0, 0, 0}));

  BoardEntry unclosed = used_record();
  parse_board_entry(kPrefix + "R\" " + std::string(n, ' '), unclosed);
  EXPECT_EQ(numbers_of(unclosed), (Numbers{0, 2, 3, 4, 5, 6}));
}

class WriteBoardEntry : public ::testing::Test {
 protected:
  void SetUp() override { start_runtime(fake_); }
  void TearDown() override { set_platform(nullptr); }

  // The bytes that reach a file when `entry` is written with `n` numbers.
  std::string written(const BoardEntry& entry, std::uint8_t n) {
    TextFile out;
    text_assign(out, "out.pcb");
    text_rewrite(out);
    write_board_entry(out, entry, n);
    text_close(out);
    EXPECT_EQ(io_result, 0);
    return fake_.files["out.pcb"];
  }

  static BoardEntry parsed(const std::string& line) {
    BoardEntry entry = used_record();
    parse_board_entry(line, entry);
    return entry;
  }

  FakePlatform fake_;
};

TEST_F(WriteBoardEntry, WritesPrefixNameAndTheFirstNNumbers) {
  const BoardEntry six = parsed(kPrefix + "R12\" 150 230 0 1 0 0)");
  EXPECT_EQ(written(six, 6), kPrefix + "R12\" 150 230 0 1 0 0)\r\n");
  EXPECT_EQ(written(six, 3), kPrefix + "R12\" 150 230 0)\r\n");

  // Numbers left from an earlier line are written like the others.
  const BoardEntry three = parsed(kPrefix + "10k\" 150 245 2)");
  EXPECT_EQ(written(three, 6), kPrefix + "10k\" 150 245 2 0 5 6)\r\n");

  const BoardEntry negative = parsed(kPrefix + "R12\" -25 230 0 1 0 0)");
  EXPECT_EQ(written(negative, 6), kPrefix + "R12\" -25 230 0 1 0 0)\r\n");

  BoardEntry extremes = used_record();
  extremes.numbers[0] = INT32_MIN;
  extremes.numbers[1] = INT32_MAX;
  EXPECT_EQ(written(extremes, 3),
            kPrefix + "OLD\" -2147483648 2147483647 3)\r\n");

  BoardEntry unnamed = used_record();
  unnamed.name.length = 0;
  EXPECT_EQ(written(unnamed, 3), kPrefix + "\" 1 2 3)\r\n");
}

TEST_F(WriteBoardEntry, WellFormedLinesSurviveARoundTrip) {
  const std::string lines[] = {
      kPrefix + "R12\" 150 230 0 1 0 0)",
      kPrefix + "a b) c\" -1 0 -2147483648 2147483647 7 8)",
      kPrefix + std::string(72, 'w') + "\" 1 2 3 4 5 6)",
      kPrefix + "\" 0 0 0 0 0 0)",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    EXPECT_EQ(written(parsed(line), 6), line + "\r\n");
  }
}

}  // namespace
}  // namespace relabel::testing
