#include "convert/name_hash.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <random>

namespace relabel {
namespace {

constexpr std::uint64_t rotl(std::uint64_t x, int b) {
  return (x << b) | (x >> (64 - b));
}

struct SipState {
  std::uint64_t v0, v1, v2, v3;

  // One SipHash round, in its usual four lines.
  // clang-format off
  void round() {
    v0 += v1; v1 = rotl(v1, 13); v1 ^= v0; v0 = rotl(v0, 32);
    v2 += v3; v3 = rotl(v3, 16); v3 ^= v2;
    v0 += v3; v3 = rotl(v3, 21); v3 ^= v0;
    v2 += v1; v1 = rotl(v1, 17); v1 ^= v2; v2 = rotl(v2, 32);
  }
  // clang-format on
  void absorb(std::uint64_t m) {
    v3 ^= m;
    round();
    v0 ^= m;
  }
};

std::uint64_t mix(std::uint64_t x) {  // a finaliser for the fallback key
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  return x ^ (x >> 33);
}

}  // namespace

std::uint64_t name_hash(std::string_view name, const NameHashKey& key) {
  SipState s{key.k0 ^ 0x736f6d6570736575ULL, key.k1 ^ 0x646f72616e646f6dULL,
             key.k0 ^ 0x6c7967656e657261ULL, key.k1 ^ 0x7465646279746573ULL};
  // Whole words, then the last 0 to 7 bytes, the first lowest, with the
  // length in the top byte.
  const std::size_t whole = name.size() / 8 * 8;
  std::uint64_t m;
  for (std::size_t i = 0; i < whole; i += 8) {
    std::memcpy(&m, name.data() + i, 8);
    s.absorb(m);
  }
  m = std::uint64_t{name.size() & 0xff} << 56;
  for (std::size_t i = whole; i < name.size(); ++i)
    m |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * (i - whole));
  s.absorb(m);
  s.v2 ^= 0xff;
  s.round();
  s.round();
  s.round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

NameHashKey random_name_hash_key() {
  NameHashKey key;
  try {
    std::random_device source;
    key.k0 = (std::uint64_t{source()} << 32) ^ source();
    key.k1 = (std::uint64_t{source()} << 32) ^ source();
  } catch (const std::exception&) {
    // No random source: the key below still changes with every run.
  }
  const auto now = static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  const auto here = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&key));
  key.k0 ^= mix(now);
  key.k1 ^= mix(here ^ rotl(now, 29));
  return key;
}

}  // namespace relabel
