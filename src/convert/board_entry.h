// Board entry lines: `    ("NAME" n1 n2 ... n6)`, the form of a component
// entry and of its two label lines in the board's "Components" section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/counted_text.h"

namespace relabel {

struct BoardEntry {
  ShortText72 name;
  std::int32_t numbers[6] = {};
};

// The marker of an entry line, and the start of every line written.
inline constexpr std::string_view kEntryMarker = "    (\"";

// Reads `line` into `entry`, changing only the fields the parse reaches: a
// line without a double quote leaves the record as it was. The name runs to
// the next double quote; the one character after that quote is skipped; then
// tokens ending at a blank or ")" become numbers (parse_int) while a ")"
// remains, and the pass that finds no ")" stores 0 and ends. Never fails.
// A caller that reads only the first `wanted` numbers of the record says
// so: those get what the whole parse gives them, and the parse ends there.
void parse_board_entry(std::string_view line, BoardEntry& entry, std::size_t wanted = 6);

// Room for the longest line format_board_entry makes: the marker, a name of
// 72 characters, a double quote, six numbers of up to 11 characters after
// a blank each, and ")".
inline constexpr std::size_t kBoardLineCapacity = 6 + 72 + 1 + 6 * 12 + 1;

// The line of `entry` with its first `n` numbers (1 to 6): the marker, the
// name, a double quote, each number after one blank, and ")". Made in
// `out`; the result views it.
std::string_view format_board_entry(const BoardEntry& entry, unsigned n,
                                    char (&out)[kBoardLineCapacity]);

}  // namespace relabel
