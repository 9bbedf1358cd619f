// Text operations with 1-based positions. Out-of-range starts and counts are
// clamped by fixed rules, never reported; position 0 means "not found".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace relabel {

// Position of the first occurrence of `needle` in `subject`; 0 when there is
// none, when either is empty, or when the needle is the longer.
std::int32_t find_text(std::string_view needle, std::string_view subject);

// `count` characters from `start`; a start below 1 copies from 1 without
// shortening the count.
std::string copy_text(std::string_view text, std::int32_t start,
                      std::int32_t count);

// Removes `count` characters from `start`; a start below 1 removes nothing.
void delete_text(std::string& text, std::int32_t start, std::int32_t count);

void append_text(std::string& text, std::string_view tail);

// memcmp-like: 0 when the `n` bytes are equal, else the sign of the first
// differing byte taken as unsigned.
int compare_bytes(const void* a, const void* b, std::size_t n);

}  // namespace relabel
