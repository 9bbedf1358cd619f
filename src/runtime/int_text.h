// Integer text in and out, with the exact edge rules the board files rely on.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace relabel {

struct ParsedInt {
  std::int32_t value = 0;
  // 0 on success; otherwise the 1-based position where the conversion failed
  // (the text's length + 1, or the position of a NUL, when it met the end).
  std::int32_t error_position = 0;
};

// Leading blanks, an optional sign, decimal digits, or hexadecimal after "$",
// "x", "X" or "0x". A failed conversion still yields a value: the magnitude
// read before the offending character.
ParsedInt parse_int(std::string_view text);

// Writes the decimal text of `value` so that it ends just before `end`,
// and returns where it starts: the digits come out last first, two at a
// time, so their number need not be known beforehand.
inline char* put_int_text_before(std::int32_t value, char* end) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  while (magnitude >= 100) {
    end -= 2;
    std::memcpy(end, kPairs + 2 * (magnitude % 100), 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    end -= 2;
    std::memcpy(end, kPairs + 2 * magnitude, 2);
  } else {
    *--end = static_cast<char>('0' + magnitude);
  }
  if (value < 0) *--end = '-';
  return end;
}

}  // namespace relabel
