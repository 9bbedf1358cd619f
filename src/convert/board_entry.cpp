#include "convert/board_entry.h"

#include <cstring>

#include "runtime/byte_scan.h"
#include "runtime/failure.h"
#include "runtime/int_text.h"

namespace relabel {
namespace {

// The token at `p` ends at the first blank or ")" before `end`; the result
// is that position, or `end` when neither comes. A plain decimal of up to
// nine digits after an optional minus (nearly every number in a board file,
// and none can overflow) is read on the way into `value`; a token of any
// other form is given to parse_int whole.
const char* read_token(const char* p, const char* end, std::int32_t& value) {
  const char* q = p;
  const bool minus = q != end && *q == '-';
  if (minus) ++q;
  const char* const digits = q;
  std::uint32_t v = 0;  // wraps harmlessly past nine digits, which are not used
  unsigned digit;
  while (q != end && (digit = static_cast<unsigned char>(*q) - unsigned{'0'}) <= 9) {
    v = v * 10 + digit;
    ++q;
  }
  if (q != end && (*q == ' ' || *q == ')') && q != digits && q - digits <= 9) {
    value = minus ? -static_cast<std::int32_t>(v) : static_cast<std::int32_t>(v);
    return q;
  }
  while (q != end && *q != ' ' && *q != ')') ++q;
  if (q != end) value = parse_int(std::string_view(p, static_cast<std::size_t>(q - p))).value;
  return q;
}

}  // namespace

void parse_board_entry(std::string_view line, BoardEntry& entry, std::size_t wanted) {
  const char* p = line.data();
  const char* const end = p + line.size();

  // The name: from the first double quote to the next; none, and the record
  // stays as it was. Nearly every line starts with the entry marker, whose
  // quote is the first.
  if (line.starts_with(kEntryMarker)) {
    p += kEntryMarker.size();
  } else {
    p = find_byte(p, end, '"');
    if (p == end) return;
    ++p;
  }
  const char* const close = find_byte(p, end, '"');
  const bool closed = close != end;
  to_counted_text(entry.name, std::string_view(p, closed ? static_cast<std::size_t>(close - p) : 0));
  // The closing quote goes, and the one character after it; without a
  // closing quote, the first character after the opening one.
  if (closed) p = close + 1;
  if (p != end) ++p;

  // Tokens end at a blank or ")"; a token counts while a ")" follows at or
  // after its start, and the first token that none follows stores 0 and
  // ends the parse. One pass reads the tokens, and each ")" confirms the
  // tokens before it.
  if (wanted > 6) wanted = 6;
  std::int32_t values[6] = {};
  std::size_t read = 0;       // tokens read, at most `wanted`
  std::size_t confirmed = 0;  // of those, the ones a ")" follows
  while (read < wanted) {
    const char* const stop = read_token(p, end, values[read]);
    if (stop == end) break;  // no blank or ")" follows: nor does a ")"
    ++read;
    if (*stop == ')') confirmed = read;
    p = stop + 1;
  }
  // All wanted tokens read: the rest of the line tells whether a ")"
  // follows them.
  if (read == wanted && confirmed < wanted && find_byte(p, end, ')') != end) confirmed = wanted;
  for (std::size_t i = 0; i < confirmed; ++i) entry.numbers[i] = values[i];
  if (confirmed < wanted) entry.numbers[confirmed] = 0;
  // Tokens beyond the sixth number have no place in the record.
}

void write_board_entry(TextFile& out, const BoardEntry& entry, std::uint8_t n) {
  if (n > 6) n = 6;
  const std::string_view name = entry.name.view();
  std::size_t lengths[6];
  std::size_t length = kEntryMarker.size() + name.size() + 1 + 1;  // name, quote, ")"
  for (std::uint8_t i = 0; i < n; ++i) {
    lengths[i] = int_text_length(entry.numbers[i]);
    length += 1 + lengths[i];
  }
  // The line is made in the output buffer when it fits there, otherwise
  // here and written as one text: the same bytes, pushed at the same
  // 128-byte points, as writing it piece by piece, and a push that fails
  // anywhere in it ends the run at the check below, before anything else is
  // written.
  char local[6 + 72 + 1 + 6 * 12 + 1];
  char* const claimed = text_claim_line(out, length + 2);
  char* p = claimed != nullptr ? claimed : local;
  std::memcpy(p, kEntryMarker.data(), kEntryMarker.size());
  p += kEntryMarker.size();
  std::memcpy(p, name.data(), name.size());
  p += name.size();
  *p++ = '"';
  for (std::uint8_t i = 0; i < n; ++i) {
    *p++ = ' ';
    put_int_text(entry.numbers[i], p, lengths[i]);
    p += lengths[i];
  }
  *p++ = ')';
  if (claimed != nullptr) {
    p[0] = '\r';
    p[1] = '\n';
  } else {
    text_write_line(out, std::string_view(local, length));
  }
  io_check();
}

}  // namespace relabel
