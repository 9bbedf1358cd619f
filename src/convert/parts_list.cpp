#include "convert/parts_list.h"

#include <new>
#include <utility>

namespace relabel {

namespace {

// An entry in the arena: three length bytes, then name, value text and
// second text. Entries never straddle a chunk, so an offset's chunk and
// position are its high and low bits.
constexpr unsigned kChunkBits = 16;
constexpr std::uint32_t kChunkSize = std::uint32_t{1} << kChunkBits;
constexpr std::uint32_t kHeader = 3;
constexpr std::uint32_t kMaxEntry = kHeader + 3 * 72;
static_assert(kMaxEntry < kChunkSize);
// Offsets are 32 bits and 0 marks an empty slot: the arena stops one chunk
// short of 4 GiB.
constexpr std::size_t kMaxChunks = (std::size_t{1} << (32 - kChunkBits)) - 1;
constexpr std::size_t kFirstIndexSize = 64;
// Where a chunk's entries end short of its end, this stands in the place of
// a first length byte (names are at most 72 bytes).
constexpr char kChunkEnd = '\xff';

}  // namespace

std::uint32_t PartsList::hash_of(std::string_view name) const {
  return static_cast<std::uint32_t>(name_hash(name, key_));
}

PartsEntry PartsList::entry_at(std::uint32_t ref) const {
  const std::uint32_t offset = ref - 1;
  const char* p = chunks_[offset >> kChunkBits].get() + (offset & (kChunkSize - 1));
  const auto n0 = static_cast<unsigned char>(p[0]);
  const auto n1 = static_cast<unsigned char>(p[1]);
  const auto n2 = static_cast<unsigned char>(p[2]);
  p += kHeader;
  return {{p, n0}, {p + n0, n1}, {p + n0 + n1, n2}};
}

std::size_t PartsList::probe(std::string_view name, std::uint32_t hash) const {
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = index_[i];
    if (slot.ref == 0) return i;
    if (slot.hash == hash && same_text(entry_at(slot.ref).name, name)) return i;
  }
}

std::uint32_t PartsList::store(const ShortText72& name, const ShortText72& value_text,
                               const ShortText72& second_text) {
  const ShortText72* const texts[] = {&name, &value_text, &second_text};
  const std::uint32_t size =
      kHeader + name.length + value_text.length + second_text.length;
  if (chunks_.empty() || chunk_used_ + size > kChunkSize) {
    // As operator new does when memory runs out.
    if (chunks_.size() == kMaxChunks) throw std::bad_alloc();
    if (!chunks_.empty() && chunk_used_ < kChunkSize)
      chunks_.back()[chunk_used_] = kChunkEnd;
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
    chunk_used_ = 0;
  }
  const auto offset =
      static_cast<std::uint32_t>(((chunks_.size() - 1) << kChunkBits) | chunk_used_);
  char* p = chunks_.back().get() + chunk_used_;
  for (const ShortText72* text : texts) *p++ = static_cast<char>(text->length);
  // With 16 bytes to spare in the chunk a short text goes as one piece;
  // what lands past it is overwritten by the next text or entry.
  const bool spare = chunk_used_ + size + 16 <= kChunkSize;
  for (const ShortText72* text : texts) {
    copy_short_text(p, text->slots, text->length, spare);
    p += text->length;
  }
  chunk_used_ += size;
  return offset + 1;
}

void PartsList::append_name(const PartsTexts& texts) {
  const ShortText72& name = texts[0];
  if (index_.empty()) key_ = random_name_hash_key();
  if (2 * (std::size_t{names_} + 1) > index_.size()) grow_index();
  const std::uint32_t hash = hash_of(name.view());
  Slot& slot = index_[probe(name.view(), hash)];
  if (slot.ref == 0) {
    slot.ref = store(name, texts[3].length != 0 ? texts[3] : texts[1], texts[2]);
    slot.hash = hash;
    ++names_;
  }
  // Otherwise the earlier entry of this name wins.
  last_name_ = entry_at(slot.ref).name;
  has_last_name_ = true;
}

void PartsList::grow_index() {
  const std::size_t size = index_.empty() ? kFirstIndexSize : 2 * index_.size();
  if (size > index_.max_size()) throw std::bad_alloc();
  std::vector<Slot> old = std::move(index_);
  index_.assign(size, Slot{});
  const std::size_t mask = size - 1;
  for (const Slot& s : old) {
    if (s.ref == 0) continue;
    std::size_t i = s.hash & mask;
    while (index_[i].ref != 0) i = (i + 1) & mask;
    index_[i] = s;
  }
}

std::uint32_t PartsList::ref_after(std::uint32_t ref, const PartsEntry& entry) const {
  std::uint32_t next =
      ref - 1 + kHeader +
      static_cast<std::uint32_t>(entry.name.size() + entry.value_text.size() +
                                 entry.second_text.size());
  const auto used =
      static_cast<std::uint32_t>(((chunks_.size() - 1) << kChunkBits) | chunk_used_);
  if (next >= used) return 0;
  if (chunks_[next >> kChunkBits][next & (kChunkSize - 1)] == kChunkEnd)
    next = ((next >> kChunkBits) + 1) << kChunkBits;
  return next + 1;
}

std::optional<PartsEntry> PartsList::find(std::string_view name) const {
  // Tried while it keeps hitting; after a few misses in a row, only now
  // and then, so that a list in another order pays next to nothing.
  if (last_found_ != 0 && (misses_ < 4 || misses_ % 64 == 0)) {
    const std::uint32_t next = ref_after(last_found_, entry_at(last_found_));
    if (next != 0) {
      const PartsEntry guessed = entry_at(next);
      if (same_text(guessed.name, name)) {
        last_found_ = next;
        misses_ = 0;
        return guessed;
      }
    }
  }
  ++misses_;
  if (index_.empty()) return std::nullopt;
  const Slot& slot = index_[probe(name, hash_of(name))];
  if (slot.ref == 0) return std::nullopt;
  last_found_ = slot.ref;
  return entry_at(slot.ref);
}

}  // namespace relabel
