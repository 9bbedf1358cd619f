#include "convert/parts_list.h"

#include <functional>

namespace relabel {

namespace {

std::size_t hash_name(std::string_view name) {
  return std::hash<std::string_view>{}(name);
}

}  // namespace

PartsEntry& PartsList::append(const PartsTexts& texts) {
  if (!entries_) entries_.emplace();
  PartsEntry& entry = entries_->emplace_back();
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
  if (2 * size() > index_.size()) grow_index();
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash_name(entry.name.view()) & mask;; i = (i + 1) & mask) {
    if (index_[i] == nullptr) {
      index_[i] = &entry;
      break;
    }
    if (index_[i]->name.view() == entry.name.view()) break;  // keeps the earlier
  }
  return entry;
}

void PartsList::grow_index() {
  std::vector<const PartsEntry*> old = std::move(index_);
  index_.assign(old.empty() ? 64 : 2 * old.size(), nullptr);
  const std::size_t mask = index_.size() - 1;
  for (const PartsEntry* e : old) {
    if (e == nullptr) continue;
    std::size_t i = hash_name(e->name.view()) & mask;
    while (index_[i] != nullptr) i = (i + 1) & mask;
    index_[i] = e;
  }
}

const PartsEntry* PartsList::find(std::string_view name) const {
  if (index_.empty()) return nullptr;
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash_name(name) & mask;; i = (i + 1) & mask) {
    const PartsEntry* e = index_[i];
    if (e == nullptr || e->name.view() == name) return e;
  }
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
