#include "convert/parts_line.h"

#include <algorithm>

namespace relabel {

void parse_parts_line(std::string_view line, PartsTexts& texts) {
  for (ShortText72& t : texts) t.length = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  for (ShortText72& t : texts) {
    const char* const open = std::find(p, end, '"');
    if (open == end) return;
    const char* const close = std::find(open + 1, end, '"');
    if (close == end) return;  // an unclosed text stays empty
    std::string_view text(open + 1, static_cast<std::size_t>(close - open - 1));
    if (text.ends_with(' ')) text.remove_suffix(1);
    to_counted_text(t, text);
    p = close + 1;
  }
}

}  // namespace relabel
