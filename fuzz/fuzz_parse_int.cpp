// Integer text: the result depends only on the text up to its first NUL, the
// error position lies within the text or just past it, a success formats back
// to a text that parses to the same value, and every 32-bit value survives
// being written in decimal (with blanks, sign and zeros) or hexadecimal.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "check.h"
#include "runtime/int_text.h"

namespace {

using relabel::parse_int;
using relabel::ParsedInt;

std::string decimal_of(std::int32_t value) {
  char text[11];
  return std::string(relabel::put_int_text_before(value, text + sizeof text),
                     text + sizeof text);
}

bool same(ParsedInt a, ParsedInt b) {
  return a.value == b.value && a.error_position == b.error_position;
}

void check_writes_back(std::int32_t value) {
  const std::string decimal = decimal_of(value);
  FUZZ_CHECK(decimal.size() >= 1 && decimal.size() <= 11);
  FUZZ_CHECK(same(parse_int(decimal), {value, 0}));
  FUZZ_CHECK(same(parse_int("   " + decimal), {value, 0}));
  if (value >= 0) {
    FUZZ_CHECK(same(parse_int("+" + decimal), {value, 0}));
    FUZZ_CHECK(same(parse_int("000" + decimal), {value, 0}));
  }
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (int shift = 28; shift >= 0; shift -= 4)
    hex += kHex[(static_cast<std::uint32_t>(value) >> shift) & 15];
  FUZZ_CHECK(same(parse_int("$" + hex), {value, 0}));
  FUZZ_CHECK(same(parse_int(" 0X" + hex), {value, 0}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ParsedInt r = parse_int(text);
  FUZZ_CHECK(same(r, parse_int(text)));
  FUZZ_CHECK(r.error_position >= 0);
  FUZZ_CHECK(static_cast<std::size_t>(r.error_position) <= size + 1);

  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    // Nothing after a NUL is looked at: the NUL is the end.
    FUZZ_CHECK(same(r, parse_int(std::string_view(text).substr(0, nul))));
    FUZZ_CHECK(static_cast<std::size_t>(r.error_position) <= nul + 1);
  }
  if (r.error_position == 0) {
    FUZZ_CHECK(same(parse_int(decimal_of(r.value)), {r.value, 0}));
  } else if (static_cast<std::size_t>(r.error_position) <= text.size() &&
             text[r.error_position - 1] != '\0') {
    // A failure at a character: whatever follows it is never read.
    std::string changed = text.substr(0, r.error_position);
    changed += "junk 123";
    FUZZ_CHECK(same(parse_int(changed), r));
  }

  if (size >= 4) {
    std::int32_t value;
    std::memcpy(&value, data, sizeof value);
    check_writes_back(value);
  }
  return 0;
}
