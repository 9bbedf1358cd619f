// Board entry lines read and written the slow, literal way: a working copy of
// the line, 1-based positions, find, take and delete, each step as the rule
// states it. The fast forms in the program are checked against these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/int_text.h"

namespace relabel::testing {

struct LiteralEntry {
  std::string name;
  std::int32_t numbers[6] = {};
};

// The 1-based position of the first `c` in `text`, or 0.
inline std::size_t find_position(const std::string& text, char c) {
  const std::size_t at = text.find(c);
  return at == std::string::npos ? 0 : at + 1;
}

// Removes the first `p` characters: nothing for 0, all beyond the end.
inline void delete_through(std::string& text, std::size_t p) {
  text.erase(0, p < text.size() ? p : text.size());
}

// The parse; a caller that wants only the first `wanted` numbers keeps the
// others as they were.
inline void literal_parse(std::string text, LiteralEntry& entry, std::size_t wanted = 6) {
  const std::size_t open = find_position(text, '"');
  if (open == 0) return;
  delete_through(text, open);
  const std::size_t q = find_position(text, '"');
  entry.name = text.substr(0, q == 0 ? 0 : q - 1).substr(0, 72);
  delete_through(text, q + 1);
  for (std::size_t k = 0;; ++k) {
    const std::size_t b = find_position(text, ' ');
    const std::size_t e = find_position(text, ')');
    const std::size_t p = b != 0 && e >= b ? b : e;
    const std::string token = p > 1 ? text.substr(0, p - 1) : std::string();
    if (k < 6 && k < wanted) entry.numbers[k] = parse_int(token).value;
    delete_through(text, p);
    if (p == 0) return;
  }
}

// The line written for the first `n` numbers, without its line end.
inline std::string literal_format(const LiteralEntry& entry, unsigned n) {
  std::string line = "    (\"" + entry.name + "\"";
  for (unsigned i = 0; i < n; ++i) line += " " + std::to_string(entry.numbers[i]);
  return line + ")";
}

}  // namespace relabel::testing
