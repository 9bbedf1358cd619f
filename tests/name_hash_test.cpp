// The keyed name hash: every byte of a name, its length and both halves of
// the key must reach the hash, or names that differ there would collide
// whatever the key.
#include "convert/name_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace relabel::testing {
namespace {

TEST(NameHash, EveryByteTheLengthAndTheKeyChangeTheHash) {
  const NameHashKey key{0x0706050403020100ULL, 0x0F0E0D0C0B0A0908ULL};
  for (std::size_t length = 0; length <= 72; ++length) {
    std::string name;
    for (std::size_t i = 0; i < length; ++i) name += static_cast<char>('A' + i % 26);
    SCOPED_TRACE(name);
    const std::uint64_t hash = name_hash(name, key);
    for (std::size_t i = 0; i < length; ++i) {
      for (const char flip : {'\x01', '\x80'}) {
        std::string changed = name;
        changed[i] = static_cast<char>(changed[i] ^ flip);
        EXPECT_NE(name_hash(changed, key), hash) << "byte " << i;
      }
    }
    EXPECT_NE(name_hash(name + '\0', key), hash) << "one byte longer";
    EXPECT_NE(name_hash(name, {key.k0 ^ 1, key.k1}), hash) << "first key half";
    EXPECT_NE(name_hash(name, {key.k0, key.k1 ^ 1}), hash) << "second key half";
  }
}

}  // namespace
}  // namespace relabel::testing
