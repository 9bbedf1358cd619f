// Integer text in and out, with the exact edge rules the board files rely on.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
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

// Decimal digits with "-" before a negative value; 1 to 11 characters.
std::string format_int(std::int32_t value);

// The number of decimal digits of `magnitude`: 1 to 10. The bit width
// times log10(2) (1233 / 4096) is the digit count or one less; one
// comparison with a power of ten tells which.
inline std::size_t decimal_digits(std::uint32_t magnitude) {
  constexpr std::uint32_t kPowers[] = {1,      10,      100,      1000,      10000,
                                       100000, 1000000, 10000000, 100000000, 1000000000};
  const std::uint32_t m = magnitude | 1;  // 0 has one digit, like 1
  const std::size_t t = (static_cast<std::size_t>(std::bit_width(m)) * 1233) >> 12;
  return t + (m >= kPowers[t] ? 1 : 0);
}

// The length of the decimal text of `value`: 1 to 11.
inline std::size_t int_text_length(std::int32_t value) {
  const std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                            : static_cast<std::uint32_t>(value);
  return (value < 0 ? 1 : 0) + decimal_digits(magnitude);
}

// Writes the decimal text of `value`, whose length int_text_length gave,
// into `out`: the digits go straight to their places, two at a time from
// the last pair back.
inline void put_int_text(std::int32_t value, char* out, std::size_t length) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  if (value < 0) out[0] = '-';
  char* p = out + length;
  while (magnitude >= 100) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (magnitude % 100), 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    std::memcpy(p - 2, kPairs + 2 * magnitude, 2);
  } else {
    p[-1] = static_cast<char>('0' + magnitude);
  }
}

// Writes the decimal text of `value` into `out` (at least 11 bytes) and
// returns its length. Allocation-free, for failure reports too.
inline std::size_t format_int_to(std::int32_t value, char* out) {
  const std::size_t length = int_text_length(value);
  put_int_text(value, out, length);
  return length;
}

}  // namespace relabel
