// The parts list: for each component name, the texts its labels get.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/counted_text.h"

namespace relabel {

// The quoted texts of one parts-list line, in order: name, value text,
// second text, fourth text.
using PartsTexts = std::array<ShortText72, 4>;

struct PartsEntry {
  ShortText72 name;
  ShortText72 value_text;  // the second quoted text, or the fourth if set
  ShortText72 second_text;
  ShortText72 fourth_text;
  PartsEntry* next = nullptr;
};

// Entries in file order, linked from head to tail, plus a hash index by name
// in which the first entry of a name wins. Entries never move or go away.
// The index is an open-addressing table of entry pointers, at most half
// full: no allocation per entry beyond the entry itself.
class PartsList {
 public:
  PartsList() = default;
  PartsList(const PartsList&) = delete;
  PartsList& operator=(const PartsList&) = delete;

  PartsEntry& append(const PartsTexts& texts);
  // The first entry whose name has the same length and bytes, or nullptr.
  const PartsEntry* find(std::string_view name) const;
  const PartsEntry* head() const { return head_; }
  std::size_t size() const { return entries_ ? entries_->size() : 0; }

 private:
  void grow_index();

  // Made on the first entry: an empty list allocates nothing, so the run
  // needs no memory before its banner.
  std::optional<std::deque<PartsEntry>> entries_;
  PartsEntry* head_ = nullptr;
  PartsEntry* tail_ = nullptr;
  std::vector<const PartsEntry*> index_;  // size a power of two, or empty
};

// Reads a line as its quoted texts: between the first and second double
// quote, the third and fourth, and so on, at most four. One trailing blank is
// dropped from each text, then the text keeps its first 72 characters.
void parse_parts_line(std::string_view line, PartsTexts& texts);

}  // namespace relabel
