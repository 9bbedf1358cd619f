#include "convert/parts_list.h"

#include <algorithm>
#include <new>

namespace relabel {
namespace {

// An entry never straddles two chunks, so its offset is its chunk's number
// above kChunkBits and its place in the chunk below. Offsets are 32 bits.
constexpr unsigned kChunkBits = 16;
constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
constexpr std::size_t kMaxChunks = (std::size_t{1} << (32 - kChunkBits)) - 1;

}  // namespace

PartsEntry PartsList::entry_at(std::uint32_t ref) const {
  const std::uint32_t offset = ref - 1;
  const char* p = chunks_[offset >> kChunkBits].data() + (offset & (kChunkSize - 1));
  const auto n0 = static_cast<unsigned char>(p[0]);
  const auto n1 = static_cast<unsigned char>(p[1]);
  const auto n2 = static_cast<unsigned char>(p[2]);
  p += 3;
  return {{p, n0}, {p + n0, n1}, {p + n0 + n1, n2}};
}

std::size_t PartsList::slot_of(std::string_view name, std::uint32_t hash) const {
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = index_[i];
    if (slot.ref == 0 || (slot.hash == hash && entry_at(slot.ref).name == name)) return i;
  }
}

void PartsList::grow_index() {
  const std::size_t size = index_.empty() ? 64 : 2 * index_.size();
  std::vector<Slot> old(size);
  old.swap(index_);
  for (const Slot& slot : old) {
    if (slot.ref == 0) continue;
    std::size_t i = slot.hash & (size - 1);
    while (index_[i].ref != 0) i = (i + 1) & (size - 1);
    index_[i] = slot;
  }
}

void PartsList::append(const PartsTexts& texts) {
  ++appended_;
  if (index_.empty()) key_ = random_name_hash_key();
  if (2 * (names_ + 1) > index_.size()) grow_index();
  const std::string_view name = texts[0].view();
  const auto hash = static_cast<std::uint32_t>(name_hash(name, key_));
  Slot& slot = index_[slot_of(name, hash)];
  if (slot.ref != 0) return;  // the earlier entry of this name wins

  const std::string_view value = (texts[3].length != 0 ? texts[3] : texts[1]).view();
  const std::string_view second = texts[2].view();
  char entry[3 + 3 * ShortText72::capacity];
  char* end = entry;
  for (std::string_view text : {name, value, second})
    *end++ = static_cast<char>(text.size());
  for (std::string_view text : {name, value, second})
    end = std::copy(text.begin(), text.end(), end);
  const auto size = static_cast<std::size_t>(end - entry);
  if (chunks_.empty() || chunks_.back().size() + size > kChunkSize) {
    if (chunks_.size() == kMaxChunks) throw std::bad_alloc();  // as operator new would
    chunks_.emplace_back().reserve(kChunkSize);
  }
  std::string& chunk = chunks_.back();
  const std::size_t offset = ((chunks_.size() - 1) << kChunkBits) | chunk.size();
  slot = {static_cast<std::uint32_t>(offset + 1), hash};
  chunk.append(entry, size);
  ++names_;
}

std::optional<PartsEntry> PartsList::find(std::string_view name) const {
  if (index_.empty()) return std::nullopt;
  const Slot& slot =
      index_[slot_of(name, static_cast<std::uint32_t>(name_hash(name, key_)))];
  if (slot.ref == 0) return std::nullopt;
  return entry_at(slot.ref);
}

}  // namespace relabel
