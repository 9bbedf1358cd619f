// Integer text in and out, with the exact edge rules the board files rely on.
#pragma once

#include <cstdint>
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

// Writes the decimal text of `value` into `out` (at least 11 bytes) and
// returns its length. Allocation-free, for failure reports.
std::size_t format_int_to(std::int32_t value, char* out);

}  // namespace relabel
