#include "convert/parts_list.h"

namespace relabel {

PartsEntry& PartsList::append(const PartsTexts& texts) {
  PartsEntry& entry = entries_.emplace_back();
  entry.name = texts[0];
  entry.value_text = texts[1];
  entry.second_text = texts[2];
  entry.fourth_text = texts[3];
  if (tail_ != nullptr) {
    tail_->next = &entry;
  } else {
    head_ = &entry;
  }
  tail_ = &entry;
  by_name_.emplace(entry.name.view(), &entry);  // keeps an earlier entry
  return entry;
}

const PartsEntry* PartsList::find(std::string_view name) const {
  const auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

namespace {

void store_text(ShortText72& destination, std::string_view text) {
  if (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  to_counted_text(destination, text);
}

}  // namespace

void parse_parts_line(std::string_view line, PartsTexts& texts) {
  for (ShortText72& t : texts) t.length = 0;
  const std::size_t first = line.find('"');
  if (first == std::string_view::npos) return;
  std::string_view rest = line.substr(first + 1);
  for (ShortText72& text : texts) {
    const std::size_t close = rest.find('"');
    if (close == std::string_view::npos) return;  // the text stays empty
    store_text(text, rest.substr(0, close));
    rest.remove_prefix(close + 1);
    const std::size_t open = rest.find('"');
    if (open == std::string_view::npos) return;
    rest.remove_prefix(open + 1);
  }
}

}  // namespace relabel
