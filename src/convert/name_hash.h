// The keyed hash of parts-list names. With a secret key drawn per run, a
// list cannot be made whose names pile up in a few slots of the index.
#pragma once

#include <cstdint>
#include <string_view>

namespace relabel {

struct NameHashKey {
  std::uint64_t k0 = 0;
  std::uint64_t k1 = 0;
};

// SipHash-1-3 of `name` under `key`: 64 bits that an observer without the
// key cannot predict, at a few nanoseconds for a short name.
std::uint64_t name_hash(std::string_view name, const NameHashKey& key);

// A fresh key from the system's random source; when that is unavailable,
// from the clock and an address, which still differ from run to run.
NameHashKey random_name_hash_key();

}  // namespace relabel
