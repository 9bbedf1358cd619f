#include "convert/parts_list.h"

#include <cstring>
#include <new>
#include <utility>

#include "runtime/byte_scan.h"

namespace relabel {

namespace {

// An entry in the arena: three length bytes, then name, value text and
// second text. Entries never straddle a chunk, so an offset's chunk and
// position are its high and low bits.
constexpr unsigned kChunkBits = 16;
constexpr std::uint32_t kChunkSize = std::uint32_t{1} << kChunkBits;
constexpr std::uint32_t kHeader = 3;
constexpr std::uint32_t kMaxEntry = kHeader + 3 * 72;
// Offsets are 32 bits and 0 marks an empty slot: the arena stops one chunk
// short of 4 GiB.
constexpr std::size_t kMaxChunks = (std::size_t{1} << (32 - kChunkBits)) - 1;
constexpr std::size_t kFirstIndexSize = 64;

// What operator new does when memory runs out: the runtime's handler turns
// it into the out-of-memory report.
[[noreturn]] void memory_exhausted() {
  if (std::new_handler handler = std::get_new_handler()) handler();
  throw std::bad_alloc();
}

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

const PartsList::Slot& PartsList::probe(std::string_view name,
                                        std::uint32_t hash) const {
  const std::size_t mask = index_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = index_[i];
    if (slot.ref == 0) return slot;
    if (slot.hash == hash && same_text(entry_at(slot.ref).name, name)) return slot;
  }
}

PartsList::Slot& PartsList::probe(std::string_view name, std::uint32_t hash) {
  return const_cast<Slot&>(std::as_const(*this).probe(name, hash));
}

std::uint32_t PartsList::store(const PartsTexts& texts) {
  const std::uint32_t size =
      kHeader + texts[0].length + texts[1].length + texts[2].length;
  if (chunks_.empty() || chunk_used_ + size > kChunkSize) {
    if (chunks_.size() == kMaxChunks) memory_exhausted();
    std::unique_ptr<char[]> chunk(new char[kChunkSize]);
    chunks_.push_back(std::move(chunk));
    chunk_used_ = 0;
  }
  const auto offset = static_cast<std::uint32_t>(
      ((chunks_.size() - 1) << kChunkBits) | chunk_used_);
  char* p = chunks_.back().get() + chunk_used_;
  *p++ = static_cast<char>(texts[0].length);
  *p++ = static_cast<char>(texts[1].length);
  *p++ = static_cast<char>(texts[2].length);
  // With 16 bytes to spare in the chunk a short text goes as one 16-byte
  // piece of its slots; what lands past it is overwritten by the next text
  // or entry.
  const bool spare = chunk_used_ + size + 16 <= kChunkSize;
  for (int t = 0; t < 3; ++t) {
    const ShortText72& text = texts[t];
    if (spare && text.length <= 16) {
      std::memcpy(p, text.slots, 16);
    } else {
      copy_bytes(p, text.slots, text.length);
    }
    p += text.length;
  }
  chunk_used_ += size;
  return offset + 1;
}

void PartsList::append_name(const PartsTexts& texts) {
  static_assert(kMaxEntry < kChunkSize);
  const std::string_view name = texts[0].view();
  if (index_.empty()) key_ = random_name_hash_key();
  if (2 * (std::size_t{names_} + 1) > index_.size()) grow_index();
  const std::uint32_t hash = hash_of(name);
  Slot& slot = probe(name, hash);
  if (slot.ref == 0) {
    slot.ref = store(texts);
    slot.hash = hash;
    ++names_;
  }
  // Otherwise the earlier entry of this name wins.
  last_name_ = entry_at(slot.ref).name;
  has_last_name_ = true;
}

void PartsList::grow_index() {
  const std::size_t size = index_.empty() ? kFirstIndexSize : 2 * index_.size();
  if (size > index_.max_size()) memory_exhausted();
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

std::optional<PartsEntry> PartsList::find(std::string_view name) const {
  if (index_.empty()) return std::nullopt;
  const Slot& slot = probe(name, hash_of(name));
  if (slot.ref == 0) return std::nullopt;
  return entry_at(slot.ref);
}

std::size_t PartsList::memory_bytes() const {
  return chunks_.size() * std::size_t{kChunkSize} +
         chunks_.capacity() * sizeof(chunks_[0]) +
         index_.capacity() * sizeof(Slot);
}
// The lengths are 0 already.
void parse_quoted_texts(std::string_view line, PartsTexts& texts) {
  const char* p = line.data();
  const char* const end = p + line.size();
  for (ShortText72& text : texts) {
    // The opening quote: in a well-formed line the next byte or the one
    // after it, so it is looked for one byte at a time.
    while (p != end && *p != '"') ++p;
    if (p == end) return;
    const char* const begin = ++p;
    p = find_byte(p, end, '"');
    if (p == end) return;  // an unclosed text stays empty
    // One trailing blank goes, then the text keeps its first 72 characters.
    const char* const last = p != begin && p[-1] == ' ' ? p - 1 : p;
    std::size_t n = static_cast<std::size_t>(last - begin);
    if (n > text.capacity) n = text.capacity;
    // A short text goes as one 16-byte piece when the line holds that many
    // bytes from its start; the slots after its length carry no meaning.
    if (n <= 16 && end - begin >= 16) {
      std::memcpy(text.slots, begin, 16);
    } else {
      copy_bytes(text.slots, begin, n);
    }
    text.length = static_cast<std::uint8_t>(n);
    ++p;
  }
}

}  // namespace relabel
