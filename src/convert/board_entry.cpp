#include "convert/board_entry.h"

#include <algorithm>
#include <charconv>

#include "runtime/int_text.h"

namespace relabel {

void parse_board_entry(std::string_view line, BoardEntry& entry, std::size_t wanted) {
  // The name: from the first double quote to the next; none, and the record
  // stays as it was.
  const std::size_t open = line.find('"');
  if (open == std::string_view::npos) return;
  line.remove_prefix(open + 1);
  const std::size_t close = line.find('"');
  const bool closed = close != std::string_view::npos;
  to_counted_text(entry.name, line.substr(0, closed ? close : 0));
  // The closing quote goes, and the one character after it; without a
  // closing quote, the first character after the opening one.
  line.remove_prefix(std::min(closed ? close + 2 : 1, line.size()));

  // Tokens end at a blank or ")" and count while a ")" follows at or after
  // their start; the first token that none follows stores 0 and ends the
  // parse. Tokens beyond the sixth number have no place in the record.
  const std::size_t last_paren = line.rfind(')');
  std::size_t at = 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(wanted, 6); ++i) {
    if (last_paren == std::string_view::npos || at > last_paren) {
      entry.numbers[i] = 0;
      return;
    }
    std::size_t stop = at;
    while (line[stop] != ' ' && line[stop] != ')') ++stop;
    entry.numbers[i] = parse_int(line.substr(at, stop - at)).value;
    at = stop + 1;
  }
}

std::string_view format_board_entry(const BoardEntry& entry, unsigned n,
                                    char (&out)[kBoardLineCapacity]) {
  char* const end = out + kBoardLineCapacity;
  const std::string_view name = entry.name.view();
  char* p = std::copy(kEntryMarker.begin(), kEntryMarker.end(), out);
  p = std::copy(name.begin(), name.end(), p);
  *p++ = '"';
  for (unsigned i = 0; i < std::min(n, 6u); ++i) {
    *p++ = ' ';
    p = std::to_chars(p, end, entry.numbers[i]).ptr;
  }
  *p++ = ')';
  return {out, static_cast<std::size_t>(p - out)};
}

}  // namespace relabel
