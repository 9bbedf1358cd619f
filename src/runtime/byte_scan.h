// Scanning and copying short stretches of bytes, for the line parsers and
// the text layer: the stretches are a few dozen bytes, where a library call
// costs more in its call than in its work.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace relabel {

// Eight bytes as a number whose lowest byte is the first.
inline std::uint64_t load_le64(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i, w >>= 8) swapped = (swapped << 8) | (w & 0xFF);
    w = swapped;
  }
  return w;
}

// Stores `w` as eight bytes, its lowest byte first.
inline void store_le64(char* p, std::uint64_t w) {
  if constexpr (std::endian::native == std::endian::big)
    w = load_le64(reinterpret_cast<const char*>(&w));
  std::memcpy(p, &w, sizeof w);
}

// The bytes [p, p + n), n at most 8, as a number whose lowest byte is the
// first and with 0 above them. Four bytes or more are read as two 4-byte
// pieces that may overlap, fewer as up to three bytes, which again may
// overlap: a byte read twice lands on its own place both times.
inline std::uint64_t load_le_upto8(const char* p, std::size_t n) {
  const auto piece = [](const char* q) {
    std::uint32_t w;
    std::memcpy(&w, q, sizeof w);
    if constexpr (std::endian::native == std::endian::big)
      w = (w >> 24) | ((w >> 8) & 0xFF00) | ((w << 8) & 0xFF0000) | (w << 24);
    return std::uint64_t{w};
  };
  const auto byte = [p](std::size_t i) {
    return std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  };
  if (n >= 4) return piece(p) | piece(p + n - 4) << (8 * (n - 4));
  if (n == 0) return 0;
  return byte(0) | byte(n / 2) | byte(n - 1);
}

inline constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
inline constexpr std::uint64_t kTopBits = 0x8080808080808080ULL;

// The first `c` in [p, end), or end. In a word XORed with `c` in every
// byte, a byte equal to `c` is 0; subtracting 1 from each byte sets the top
// bit of a 0 byte, and of the bytes above it only, so the lowest top bit
// set marks the first match.
inline const char* find_byte(const char* p, const char* end, char c) {
  const std::uint64_t pattern = kEachByte * static_cast<unsigned char>(c);
  for (; end - p >= 8; p += 8) {
    const std::uint64_t x = load_le64(p) ^ pattern;
    const std::uint64_t zero = (x - kEachByte) & ~x & kTopBits;
    if (zero != 0) return p + std::countr_zero(zero) / 8;
  }
  while (p != end && *p != c) ++p;
  return p;
}

// Copies `n` bytes between areas that do not overlap. Up to 32 bytes go as
// two pieces that may overlap each other, without a library call: names,
// label texts and most lines are that short.
inline void copy_bytes(char* to, const char* from, std::size_t n) {
  if (n > 32) {
    std::memcpy(to, from, n);
  } else if (n >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n != 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

// copy_bytes for a short text, where `room` says that 16 bytes may be read
// at `from` and written at `to`: a text of up to 16 bytes then goes as one
// 16-byte piece, and the bytes past its end carry no meaning.
inline void copy_short_text(char* to, const char* from, std::size_t n, bool room) {
  if (room && n <= 16) {
    std::memcpy(to, from, 16);
  } else {
    copy_bytes(to, from, n);
  }
}

// Whether two texts are equal, byte for byte. Up to 16 bytes are compared as
// two pieces that may overlap, without a library call.
inline bool same_text(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  const char* const x = a.data();
  const char* const y = b.data();
  const auto piece = [](const char* p, auto size_tag) {
    decltype(size_tag) v;
    std::memcpy(&v, p, sizeof v);
    return v;
  };
  if (n < 4)
    return n == 0 || (x[0] == y[0] && x[n / 2] == y[n / 2] && x[n - 1] == y[n - 1]);
  if (n < 8)
    return piece(x, std::uint32_t{}) == piece(y, std::uint32_t{}) &&
           piece(x + n - 4, std::uint32_t{}) == piece(y + n - 4, std::uint32_t{});
  if (n <= 16)
    return piece(x, std::uint64_t{}) == piece(y, std::uint64_t{}) &&
           piece(x + n - 8, std::uint64_t{}) == piece(y + n - 8, std::uint64_t{});
  return std::memcmp(x, y, n) == 0;
}

}  // namespace relabel
