#include "convert/board_entry.h"

#include <cstring>

#include "runtime/failure.h"
#include "runtime/int_text.h"

namespace relabel {

void parse_board_entry(std::string_view line, BoardEntry& entry) {
  const std::size_t open = line.find('"');
  if (open == std::string_view::npos) return;
  std::string_view rest = line.substr(open + 1);

  // q: 1-based position of the closing quote, 0 when there is none.
  const std::size_t close = rest.find('"');
  const std::size_t q = close == std::string_view::npos ? 0 : close + 1;
  to_counted_text(entry.name, q == 0 ? std::string_view{} : rest.substr(0, q - 1));
  // The closing quote goes, and the one character after it.
  rest.remove_prefix(q + 1 < rest.size() ? q + 1 : rest.size());

  // Each pass takes the token up to the first blank or ")"; passes go on
  // while a ")" remains, and the pass that finds none stores 0 and ends.
  const std::size_t last_paren = rest.rfind(')');
  std::size_t at = 0;
  for (std::int32_t& number : entry.numbers) {
    if (last_paren == std::string_view::npos || at > last_paren) {
      number = 0;
      return;
    }
    // Read a plain decimal while looking for the token's end; a token of
    // any other form goes to parse_int whole.
    std::size_t end = at;
    const bool minus = rest[end] == '-';
    if (minus) ++end;
    std::int32_t value = 0;
    // Nine digits cannot overflow; a tenth leaves the token to parse_int.
    const std::size_t limit = end + 9;
    unsigned digit;
    while (end < limit &&
           (digit = static_cast<unsigned char>(rest[end]) - unsigned{'0'}) <= 9) {
      value = value * 10 + static_cast<std::int32_t>(digit);
      ++end;
    }
    const char stop = rest[end];
    if ((stop == ' ' || stop == ')') && end > at + (minus ? 1 : 0)) {
      number = minus ? -value : value;
    } else {
      while (rest[end] != ' ' && rest[end] != ')') ++end;  // stops at last_paren
      number = parse_int(rest.substr(at, end - at)).value;
    }
    at = end + 1;
  }
  // Tokens beyond the sixth number have no place in the record.
}

void write_board_entry(TextFile& out, const BoardEntry& entry, std::uint8_t n) {
  // The line is made here and written as one text: the same bytes, pushed
  // at the same 128-byte points, as writing it piece by piece, and a push
  // that fails anywhere in it ends the run at the check below, before
  // anything else is written.
  char line[6 + 72 + 1 + 6 * 12 + 1 + 2];
  std::size_t length = 0;
  for (char c : std::string_view("    (\"")) line[length++] = c;
  const std::string_view name = entry.name.view();
  std::memcpy(line + length, name.data(), name.size());
  length += name.size();
  line[length++] = '"';
  for (std::uint8_t i = 0; i < n && i < 6; ++i) {
    line[length++] = ' ';
    length += format_int_to(entry.numbers[i], line + length);
  }
  line[length++] = ')';
  text_write(out, std::string_view(line, length));
  text_write_line_end(out);
  io_check();
}

}  // namespace relabel
