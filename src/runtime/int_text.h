// Integer text in and out, with the exact edge rules the board files rely on.
#pragma once

#include <cstdint>
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
// and returns where it starts: the digits come out last first, so their
// number need not be known beforehand.
inline char* put_int_text_before(std::int32_t value, char* end) {
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                      : static_cast<std::uint32_t>(value);
  do {
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--end = '-';
  return end;
}

}  // namespace relabel
