#include "convert/board_entry.h"

#include <bit>
#include <cstring>

#include "runtime/byte_scan.h"
#include "runtime/int_text.h"

namespace relabel {
namespace {

// "0" in every byte of a word, and what takes every byte above "9" to 0x80.
constexpr std::uint64_t kZeros = 0x3030303030303030ULL;
constexpr std::uint64_t kAboveNine = 0x4646464646464646ULL;

// The value of the `n` decimal digits (1 to 7) at the start of `w`, whose
// lowest byte is the first: the digits move to the top, with zeros (as
// leading zeros) below them, and are combined pairwise into two-digit,
// four-digit and eight-digit values.
std::int32_t digits_value(std::uint64_t w, unsigned n) {
  std::uint64_t x = (w - kZeros) << (8 * (8 - n));
  x = (x * 10 + (x >> 8)) & 0x00FF00FF00FF00FFULL;
  x = (x * 100 + (x >> 16)) & 0x0000FFFF0000FFFFULL;
  x = (x * 10000 + (x >> 32)) & 0xFFFFFFFFULL;
  return static_cast<std::int32_t>(x);
}

// The token at `p` ends at the first blank or ")" before `end`; the result
// is that position, or `end` when neither comes. A plain decimal of up to
// nine digits after an optional minus (nearly every number in a board file,
// and none can overflow) is read on the way into `value`; a token of any
// other form is given to parse_int whole. Where the line holds eight more
// bytes, the digits are found eight at a time (a byte is a digit when
// adding kAboveNine does not reach 0x80 and subtracting "0" does not wrap),
// and a number's own decimal text (no leading zero, not "-0") is kept in
// `text` unread, since the rewrite mostly copies it back.
const char* read_token(const char* p, const char* end, std::int32_t& value,
                       std::uint64_t& text) {
  const char* q = p;
  const bool minus = q != end && *q == '-';
  if (minus) ++q;
  if (end - q >= 8) {
    const std::uint64_t w = load_le64(q);
    const std::uint64_t not_digits = ((w + kAboveNine) | (w - kZeros)) & kTopBits;
    const unsigned n = static_cast<unsigned>(std::countr_zero(not_digits)) / 8;
    const unsigned after = n < 8 ? static_cast<unsigned>(w >> (8 * n)) & 0xFF : 0;
    if (n != 0 && (after == ' ' || after == ')')) {
      if ((w & 0xFF) != '0' || (n == 1 && !minus)) {
        text = w << (8 * (8 - n));
        if (minus) text |= std::uint64_t{'-'} << (8 * (7 - n));
      } else {
        const std::int32_t v = digits_value(w, n);
        value = minus ? -v : v;
        text = 0;
      }
      return q + n;
    }
  }
  const char* const digits = q;
  std::uint32_t v = 0;  // wraps harmlessly past nine digits, which are not used
  unsigned digit;
  while (q != end && (digit = static_cast<unsigned char>(*q) - unsigned{'0'}) <= 9) {
    v = v * 10 + digit;
    ++q;
  }
  if (q != end && (*q == ' ' || *q == ')') && q != digits && q - digits <= 9) {
    value = minus ? -static_cast<std::int32_t>(v) : static_cast<std::int32_t>(v);
    text = 0;
    return q;
  }
  while (q != end && *q != ' ' && *q != ')') ++q;
  if (q != end) {
    value = parse_int(std::string_view(p, static_cast<std::size_t>(q - p))).value;
    text = 0;
  }
  return q;
}

}  // namespace

std::int32_t BoardEntry::number(std::size_t i) const {
  const std::uint64_t text = texts[i];
  if (text == 0) return numbers[i];
  const unsigned size = 8 - static_cast<unsigned>(std::countr_zero(text)) / 8;
  const unsigned digits = size - (((text >> (8 * (8 - size))) & 0xFF) == '-' ? 1 : 0);
  const std::int32_t v = digits_value(text >> (8 * (8 - digits)), digits);
  return digits < size ? -v : v;
}

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
  to_counted_text(entry.name,
                  std::string_view(p, closed ? static_cast<std::size_t>(close - p) : 0));
  // The closing quote goes, and the one character after it; without a
  // closing quote, the first character after the opening one.
  if (closed) p = close + 1;
  if (p != end) ++p;

  // Tokens end at a blank or ")"; a token counts while a ")" follows at or
  // after its start, and the first token that none follows stores 0 and
  // ends the parse. One pass reads the tokens, and each ")" confirms the
  // tokens before it.
  if (wanted > 6) wanted = 6;
  std::int32_t* const numbers = entry.numbers;
  std::uint64_t* const texts = entry.texts;
  std::int32_t kept[6];  // what the numbers held, for tokens no ")" follows
  std::uint64_t kept_texts[6];
  std::memcpy(kept, numbers, sizeof kept);
  std::memcpy(kept_texts, texts, sizeof kept_texts);
  std::size_t read = 0;       // tokens read, at most `wanted`
  std::size_t confirmed = 0;  // of those, the ones a ")" follows
  while (read < wanted) {
    const char* const stop = read_token(p, end, numbers[read], texts[read]);
    if (stop == end) break;  // no blank or ")" follows: nor does a ")"
    ++read;
    if (*stop == ')') confirmed = read;
    p = stop + 1;
  }
  // All wanted tokens read: the rest of the line tells whether a ")"
  // follows them.
  if (read == wanted && confirmed < wanted && find_byte(p, end, ')') != end)
    confirmed = wanted;
  if (confirmed < read) {
    for (std::size_t i = confirmed; i < read; ++i) {
      numbers[i] = kept[i];
      texts[i] = kept_texts[i];
    }
  }
  if (confirmed < wanted) entry.set_number(confirmed, 0);
  // Tokens beyond the sixth number have no place in the record.
}

std::string_view format_board_entry(const BoardEntry& entry, unsigned n,
                                    char (&out)[kBoardLineCapacity]) {
  // Made from its end back, each number's digits last first, so that no
  // length has to be worked out beforehand.
  char* const end = out + kBoardLineCapacity;
  char* p = end;
  *--p = ')';
  for (unsigned i = n < 6 ? n : 6; i-- > 0;) {
    // A kept text goes as 8 bytes ending at `p`; what lands before it is
    // overwritten by the pieces made after it.
    const std::uint64_t text = entry.texts[i];
    if (text != 0) {
      store_le64(p - 8, text);
      p -= 8 - std::countr_zero(text) / 8;
    } else {
      p = put_int_text_before(entry.numbers[i], p);
    }
    *--p = ' ';
  }
  *--p = '"';
  const std::string_view name = entry.name.view();
  p -= name.size();
  copy_bytes(p, name.data(), name.size());
  p -= kEntryMarker.size();
  std::memcpy(p, kEntryMarker.data(), kEntryMarker.size());
  return {p, static_cast<std::size_t>(end - p)};
}

}  // namespace relabel
