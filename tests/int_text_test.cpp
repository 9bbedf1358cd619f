// Integer text in and out: every outcome the board-file parsers can meet,
// failures included, since a failed conversion's value is still stored.
#include "runtime/int_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace relabel::testing {
namespace {

struct ParseCase {
  std::string text;
  std::int32_t value;
  std::int32_t error_position;
  std::size_t beyond = 0;  // bytes at the end that are not part of the view
};

const std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

std::string text_of(std::int32_t value) {
  char text[11];
  return std::string(put_int_text_before(value, text + sizeof text), text + sizeof text);
}

TEST(ParseInt, OutcomeTable) {
  using namespace std::string_literals;
  const ParseCase cases[] = {
      {"", 0, 1},
      {"   ", 0, 4},
      {"0", 0, 0},
      {"150", 150, 0},
      {"-25", -25, 0},
      {"999999999", 999999999, 0},
      {"-999999999", -999999999, 0},
      {"1234567890", 1234567890, 0},
      {"  12", 12, 0},
      {" 7", 7, 0},
      {"+5", 5, 0},
      {"+7", 7, 0},
      {"-0", 0, 0},
      {"007", 7, 0},
      {"12a", 12, 3},
      {"12 ", 12, 3},
      {"7 ", 7, 2},
      {"1-2", 1, 2},
      {"-12a", 12, 4},
      {"-", 0, 2},
      {"+", 0, 2},
      {"--1", 0, 2},
      {"- 12", 0, 2},
      {"\t12", 0, 1},
      {"abc", 0, 1},
      {"1e3", 1, 2},
      {"0a", 0, 2},
      {"2147483647", 2147483647, 0},
      {"2147483648", kMin, 11},
      {"2147483649", -2147483647, 11},
      {"2147483650", 214748365, 10},
      {"-2147483648", kMin, 0},
      {"-2147483649", 2147483647, 12},
      {"$FF", 255, 0},
      {"$ff", 255, 0},
      {"0xff", 255, 0},
      {"0XFF", 255, 0},
      {"0x1F", 31, 0},
      {"xFF", 255, 0},
      {"XFF", 255, 0},
      {"$FFFFFFFF", -1, 0},
      {"$80000000", kMin, 0},
      {"$123456789", 305419896, 10},
      {"$1G", 1, 3},
      {"$", 0, 2},
      {"0x", 0, 3},
      {"-0x10", 0, 3},
      {"-$10", 0, 2},
      // Leading zeros before eight hexadecimal digits still fit.
      {"$000FFFFFFFF", -1, 0},
      // Every digit and letter at both ends of its range.
      {"$09", 9, 0},
      {"x90af", 37039, 0},
      {"$AF", 175, 0},
      {"$9g", 9, 3},
      // The text ends at a NUL (\000) or after its last byte, even when more
      // bytes of its buffer follow: nothing beyond the end is looked at.
      {"12\00034"s, 12, 0},
      {"12\0005"s, 12, 0},
      {"\0007"s, 0, 1},  // the end is met at the NUL's position
      {"-\0005"s, 0, 2},
      {"  \0001"s, 0, 3},
      {"$F\000F"s, 15, 0},
      {"12a\000x"s, 12, 3},
      // The first bytes of a longer buffer; the next is a digit, letter or NUL.
      {"123", 12, 0, 1},
      {"12a", 12, 0, 1},
      {"12\0"s, 12, 0, 1},
      {"$F9", 15, 0, 1},
      {"-7", 0, 2, 1},
      {"  5", 0, 3, 1},
      {"7", 0, 1, 1},
  };
  for (const ParseCase& c : cases) {
    const std::string_view text(c.text.data(), c.text.size() - c.beyond);
    SCOPED_TRACE(::testing::PrintToString(c.text) + " less " + std::to_string(c.beyond));
    const ParsedInt got = parse_int(text);
    EXPECT_EQ(got.value, c.value);
    EXPECT_EQ(got.error_position, c.error_position);
  }
}

// Every digit count and sign, both ends of the range, and a stride across it:
// each value is written as std::to_string writes it and parses back.
TEST(FormatInt, RoundTripsThroughParseInt) {
  std::vector<std::int32_t> values = {0, 7, kMin, kMax};
  for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
    const auto p = static_cast<std::int32_t>(power);
    values.insert(values.end(), {p - 1, p, -p, 1 - p});
  }
  // A stride that is prime to 10 reaches every digit count and sign.
  for (std::int64_t v = kMin; v <= kMax; v += 4294967 + 311)
    values.push_back(static_cast<std::int32_t>(v));
  for (const std::int32_t value : values) {
    const std::string text = text_of(value);
    ASSERT_EQ(text, std::to_string(value));
    const ParsedInt back = parse_int(text);
    ASSERT_EQ(back.value, value) << text;
    ASSERT_EQ(back.error_position, 0) << text;
  }
}

}  // namespace
}  // namespace relabel::testing
