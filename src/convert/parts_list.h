// The parts list: for each component name, the texts its labels get.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "convert/name_hash.h"
#include "runtime/byte_scan.h"
#include "runtime/counted_text.h"

namespace relabel {

// The quoted texts of one parts-list line, in order: name, value text,
// second text, fourth text.
using PartsTexts = std::array<ShortText72, 4>;

// What a lookup answers: the texts of the first entry of a name. The views
// stay valid as long as the list.
struct PartsEntry {
  std::string_view name;
  std::string_view value_text;  // the second quoted text, or the fourth if set
  std::string_view second_text;
};

// Only the first entry of a name can ever be found, so only that entry is
// stored: its name, value text and second text, at their real lengths, one
// after the other in an arena of fixed-size chunks that never move. Later
// entries of a name are counted and cost nothing else. The index is an
// open-addressing table, at most half full, of 8-byte slots: the entry's
// arena offset and 32 bits of its name's keyed hash, so that a probe rarely
// touches the arena and growing the index never rehashes a name.
// An empty list allocates nothing; the first append does.
class PartsList {
 public:
  PartsList() = default;
  PartsList(const PartsList&) = delete;
  PartsList& operator=(const PartsList&) = delete;

  // Stores the name (texts[0]), value text (texts[1]) and second text
  // (texts[2]) unless the name is stored already. A line that repeats the
  // name appended last (as a run of empty lines does) is known to be a
  // later entry at once.
  void append(const PartsTexts& texts) {
    ++appended_;
    if (has_last_name_ && same_text(texts[0].view(), last_name_)) return;
    append_name(texts);
  }
  // The first entry whose name has the same length and bytes.
  std::optional<PartsEntry> find(std::string_view name) const;
  // Entries appended, every one counted.
  std::uint64_t size() const { return appended_; }
  // Distinct names stored.
  std::uint32_t names() const { return names_; }
  // Bytes the arena and the index hold (their capacity, not their use).
  std::size_t memory_bytes() const;

 private:
  struct Slot {
    std::uint32_t ref = 0;   // arena offset + 1; 0 is an empty slot
    std::uint32_t hash = 0;  // the name hash's low 32 bits
  };

  void append_name(const PartsTexts& texts);
  std::uint32_t hash_of(std::string_view name) const;
  // The slot holding `name`, or the empty slot where it would go.
  Slot& probe(std::string_view name, std::uint32_t hash);
  const Slot& probe(std::string_view name, std::uint32_t hash) const;
  PartsEntry entry_at(std::uint32_t ref) const;
  std::uint32_t store(const PartsTexts& texts);
  void grow_index();

  std::vector<std::unique_ptr<char[]>> chunks_;
  std::uint32_t chunk_used_ = 0;  // bytes used in the last chunk
  std::vector<Slot> index_;  // size a power of two, or empty
  std::uint32_t names_ = 0;
  std::uint64_t appended_ = 0;
  // The stored name of the last entry appended: a line that repeats it (as
  // a run of empty lines does) is known to be a later entry without a hash.
  std::string_view last_name_;
  bool has_last_name_ = false;
  NameHashKey key_;  // drawn on the first append
};

void parse_quoted_texts(std::string_view line, PartsTexts& texts);

// Reads a line as its quoted texts: between the first and second double
// quote, the third and fourth, and so on, at most four. One trailing blank is
// dropped from each text, then the text keeps its first 72 characters.
inline void parse_parts_line(std::string_view line, PartsTexts& texts) {
  for (ShortText72& t : texts) t.length = 0;
  if (!line.empty()) parse_quoted_texts(line, texts);
}

}  // namespace relabel
