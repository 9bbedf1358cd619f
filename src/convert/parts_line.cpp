#include "convert/parts_line.h"

#include "runtime/byte_scan.h"

namespace relabel {

void parse_quoted_texts(std::string_view line, PartsTexts& texts) {
  const char* p = line.data();
  const char* const end = p + line.size();
  for (ShortText72& text : texts) {
    // The opening quote: in a well-formed line the next byte or the one
    // after it, so it is looked for one byte at a time.
    while (p != end && *p != '"') ++p;
    if (p == end) return;
    const char* const begin = ++p;
    p = find_byte(p, end, '"');
    if (p == end) return;  // an unclosed text stays empty
    // One trailing blank goes, then the text keeps its first 72 characters.
    const char* const last = p != begin && p[-1] == ' ' ? p - 1 : p;
    std::size_t n = static_cast<std::size_t>(last - begin);
    if (n > text.capacity) n = text.capacity;
    // The line may hold fewer than 16 bytes from the text's start on.
    copy_short_text(text.slots, begin, n, end - begin >= 16);
    text.length = static_cast<std::uint8_t>(n);
    ++p;
  }
}

}  // namespace relabel
