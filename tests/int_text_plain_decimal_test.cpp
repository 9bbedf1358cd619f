// parse_int around the edges of its short path for plain decimal text:
// both paths must give the same value and error position.
#include <gtest/gtest.h>

#include "runtime/int_text.h"

namespace relabel::testing {
namespace {

TEST(ParseIntPlainDecimal, ValuesAndErrorPositions) {
  struct Case {
    const char* text;
    std::int32_t value;
    std::int32_t error_position;
  };
  const Case cases[] = {
      {"0", 0, 0},
      {"-0", 0, 0},
      {"007", 7, 0},
      {"150", 150, 0},
      {"-25", -25, 0},
      {"999999999", 999999999, 0},
      {"-999999999", -999999999, 0},
      {"1234567890", 1234567890, 0},
      {"2147483647", 2147483647, 0},
      {"-2147483648", -2147483647 - 1, 0},
      {"+7", 7, 0},
      {" 7", 7, 0},
      {"0x1F", 31, 0},
      {"", 0, 1},
      {"-", 0, 2},
      {"12a", 12, 3},
      {"1-2", 1, 2},
      {"--1", 0, 2},
      {"7 ", 7, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedInt r = parse_int(c.text);
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.error_position, c.error_position);
  }
}

TEST(ParseIntPlainDecimal, NulEndsTheText) {
  // A NUL ends the text for the conversion: what follows is not read.
  const ParsedInt r = parse_int(std::string_view("12\0" "5", 4));
  EXPECT_EQ(r.value, 12);
  EXPECT_EQ(r.error_position, 0);
}

}  // namespace
}  // namespace relabel::testing
