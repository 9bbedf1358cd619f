#include "runtime/int_text.h"

namespace relabel {
namespace {

constexpr int kEnd = -1;

// Reads the text one character at a time; past its last character or at a
// NUL the reader sees the end.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  int current() const {
    if (index_ >= text_.size() || text_[index_] == '\0') return kEnd;
    return static_cast<unsigned char>(text_[index_]);
  }
  int advance() {
    ++index_;
    return current();
  }
  // 1-based position of the current character (or of the end).
  std::int32_t position() const { return static_cast<std::int32_t>(index_ + 1); }

 private:
  std::string_view text_;
  std::size_t index_ = 0;
};

ParsedInt fail(std::uint32_t value, const Reader& r) {
  return {static_cast<std::int32_t>(value), r.position()};
}

ParsedInt parse_hex(Reader& r) {
  int c = r.advance();
  if (c == kEnd) return fail(0, r);
  std::uint32_t v = 0;
  for (;;) {
    if (c >= 'a' && c <= 'f') c -= 'a' - 'A';
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return fail(v, r);
    }
    if (v > 268435455u) return fail(v, r);
    v = v * 16 + static_cast<std::uint32_t>(digit);
    c = r.advance();
    if (c == kEnd) return {static_cast<std::int32_t>(v), 0};
  }
}

ParsedInt parse_decimal(Reader& r, int c, bool minus) {
  if (c == kEnd) return fail(0, r);
  std::uint32_t v = 0;
  for (;;) {
    if (c < '0' || c > '9') return fail(v, r);
    if (v > 214748364u) return fail(v, r);
    v = v * 10 + static_cast<std::uint32_t>(c - '0');
    c = r.advance();
    if (c == kEnd) break;
  }
  if (minus) {
    if (v <= 2147483648u)
      return {static_cast<std::int32_t>(-static_cast<std::int64_t>(v)), 0};
    return {2147483647, r.position()};
  }
  if (v <= 2147483647u) return {static_cast<std::int32_t>(v), 0};
  return fail(v, r);  // 2^31 and 2^31 + 1 read as signed
}

}  // namespace

ParsedInt parse_int(std::string_view text) {
  Reader r(text);
  int c = r.current();
  while (c == ' ') c = r.advance();
  switch (c) {
    case '-': return parse_decimal(r, r.advance(), true);
    case '+': return parse_decimal(r, r.advance(), false);
    case '$':
    case 'x':
    case 'X': return parse_hex(r);
    case '0':
      c = r.advance();
      if (c == 'x' || c == 'X') return parse_hex(r);
      if (c == kEnd) return {0, 0};
      return parse_decimal(r, c, false);
    default: return parse_decimal(r, c, false);
  }
}

}  // namespace relabel
