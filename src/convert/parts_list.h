// The parts list: for each component name, the texts its labels get.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/name_hash.h"
#include "convert/parts_line.h"

namespace relabel {

// What a lookup answers: the texts of the first entry of a name. The views
// stay valid as long as the list.
struct PartsEntry {
  std::string_view name;
  std::string_view value_text;  // the second quoted text, or the fourth if set
  std::string_view second_text;
};

// Only the first entry of a name can ever be found, so only that entry is
// stored: three length bytes, then its name, value text and second text,
// appended to an arena of 64 KiB chunks. The index is an open-addressing
// table with linear probing, at most half full, of arena offsets with 32 bits
// of the name's hash under a key drawn per run, so that no list can make its
// names pile up.
// - The budget is 4 MiB plus 1.5 times the list's file size. A standard
//   map of strings takes 2.4 times that on a board of 500,000 components
//   (56 MiB against 23.4), one arena copied as it grows, with this index,
//   1.1 times (26 MiB).
// - The hash kept in the slot spares reading and rehashing every name as
//   the index grows: 23% of the CPU time on 500,000 distinct names.
// An empty list allocates nothing; the first append does.
class PartsList {
 public:
  // Counts the entry of a parts-list line, and stores its texts unless its
  // name is stored already: the name, the value text (the fourth text when
  // it is not empty, otherwise the second) and the third text.
  void append(const PartsTexts& texts);
  // The first entry whose name has the same length and bytes.
  std::optional<PartsEntry> find(std::string_view name) const;
  // Entries appended, every one counted.
  std::uint64_t size() const { return appended_; }

 private:
  struct Slot {
    std::uint32_t ref = 0;   // arena offset + 1; 0 is an empty slot
    std::uint32_t hash = 0;  // the name hash's low 32 bits
  };

  PartsEntry entry_at(std::uint32_t ref) const;
  // The slot holding the entry of `name`, or the empty slot where it goes.
  std::size_t slot_of(std::string_view name, std::uint32_t hash) const;
  void grow_index();

  std::vector<std::string> chunks_;  // the arena: chunks that never move
  std::vector<Slot> index_;          // size a power of two, or empty
  std::size_t names_ = 0;
  std::uint64_t appended_ = 0;
  NameHashKey key_;  // drawn on the first append
};

}  // namespace relabel
