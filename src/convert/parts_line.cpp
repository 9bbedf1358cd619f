#include "convert/parts_line.h"

namespace relabel {

void parse_parts_line(std::string_view line, PartsTexts& texts) {
  for (ShortText72& t : texts) t.length = 0;
  std::size_t from = 0;
  for (ShortText72& t : texts) {
    const std::size_t open = line.find('"', from);
    if (open == std::string_view::npos) return;
    const std::size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return;  // an unclosed text stays empty
    std::string_view text = line.substr(open + 1, close - open - 1);
    if (text.ends_with(' ')) text.remove_suffix(1);
    to_counted_text(t, text);
    from = close + 1;
  }
}

}  // namespace relabel
