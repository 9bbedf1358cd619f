// The parts list: for each component name, the texts its labels get.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "convert/name_hash.h"
#include "convert/parts_line.h"
#include "runtime/byte_scan.h"
#include "runtime/counted_text.h"

namespace relabel {

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

  // Counts the entry of a parts-list line, and stores its texts unless its
  // name is stored already: the name, the value text (the fourth text when
  // it is not empty, otherwise the second) and the third text. A name that
  // repeats the one appended last (as a run of empty lines does) is known
  // to be a later entry at once.
  void append(const PartsTexts& texts) {
    ++appended_;
    if (has_last_name_ && same_text(texts[0].view(), last_name_)) return;
    append_name(texts);
  }
  // The first entry whose name has the same length and bytes. The entry
  // stored after the one found last is tried first: where the list follows
  // the board's order, that spares the hash and the index's memory misses.
  std::optional<PartsEntry> find(std::string_view name) const;
  // Entries appended, every one counted.
  std::uint64_t size() const { return appended_; }

 private:
  struct Slot {
    std::uint32_t ref = 0;   // arena offset + 1; 0 is an empty slot
    std::uint32_t hash = 0;  // the name hash's low 32 bits
  };

  void append_name(const PartsTexts& texts);
  std::uint32_t hash_of(std::string_view name) const;
  // The index of the slot holding `name`, or of the empty slot where it
  // would go.
  std::size_t probe(std::string_view name, std::uint32_t hash) const;
  PartsEntry entry_at(std::uint32_t ref) const;
  // The reference of the entry stored after `entry` (at `ref`), or 0.
  std::uint32_t ref_after(std::uint32_t ref, const PartsEntry& entry) const;
  std::uint32_t store(const ShortText72& name, const ShortText72& value_text,
                      const ShortText72& second_text);
  void grow_index();

  std::vector<std::unique_ptr<char[]>> chunks_;
  std::uint32_t chunk_used_ = 0;  // bytes used in the last chunk
  std::vector<Slot> index_;       // size a power of two, or empty
  std::uint32_t names_ = 0;
  std::uint64_t appended_ = 0;
  // The stored name of the last entry appended: a line that repeats it (as
  // a run of empty lines does) is known to be a later entry without a hash.
  std::string_view last_name_;
  bool has_last_name_ = false;
  NameHashKey key_;  // drawn on the first append
  // The entry found last, and the lookups since the entry after it was
  // last found as the one asked for.
  mutable std::uint32_t last_found_ = 0;
  mutable std::uint32_t misses_ = 0;
};

}  // namespace relabel
