// The byte-scan helpers against the library: every length from 0 to 40 at
// every offset from 0 to 15 in a buffer, so that each piece size and each
// alignment is met, with 0x00, 0x80 and 0xFF among the bytes.
#include "runtime/byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace relabel::testing {
namespace {

constexpr std::size_t kOffsets = 16;
constexpr std::size_t kLengths = 41;
constexpr std::size_t kRoom = kOffsets + kLengths + 8;

// Bytes that change from one to the next and repeat with no short period.
std::string varied(std::size_t seed) {
  static const unsigned char kBytes[] = {0x00, 0x80, 0xFF, 0x7F, 0x01, 0xFE, 0x81,
                                         'A',  ' ',  '\n', 0x1A, 0xC3, 0x3C};
  std::string s(kRoom, '\0');
  for (std::size_t i = seed; i < seed + kRoom; ++i)
    s[i - seed] = static_cast<char>(kBytes[i % sizeof kBytes] + i / sizeof kBytes);
  return s;
}

TEST(ByteScan, CopyBytesMatchesMemcpy) {
  const std::string from = varied(0);
  for (std::size_t offset = 0; offset < kOffsets; ++offset) {
    for (std::size_t n = 0; n < kLengths; ++n) {
      std::string to = varied(7);
      std::string want = to;
      copy_bytes(to.data() + offset, from.data() + kOffsets - 1 - offset, n);
      std::memcpy(want.data() + offset, from.data() + kOffsets - 1 - offset, n);
      ASSERT_EQ(to, want) << n << " bytes to offset " << offset;
      // A short text copy gives the same bytes; with room, up to 16 bytes
      // land past a shorter text, and nothing beyond them changes.
      for (const bool room : {false, true}) {
        std::string text = varied(7);
        copy_short_text(text.data() + offset, from.data() + kOffsets - 1 - offset, n,
                        room);
        const std::size_t touched = offset + (room && n <= 16 ? 16 : n);
        ASSERT_EQ(text.substr(0, offset + n), want.substr(0, offset + n)) << n;
        ASSERT_EQ(text.substr(touched), want.substr(touched)) << n << ", room " << room;
      }
    }
  }
}

TEST(ByteScan, SameTextMatchesMemcmp) {
  const std::string a = varied(0);
  for (std::size_t offset = 0; offset < kOffsets; ++offset) {
    for (std::size_t n = 0; n < kLengths; ++n) {
      const std::string_view x(a.data() + offset, n);
      ASSERT_FALSE(same_text(x, std::string_view(x.data(), n + 1)));
      // The same bytes elsewhere, among other neighbours; unless differ == n,
      // the byte at differ is changed.
      const std::size_t at = kOffsets - 1 - offset;
      for (std::size_t differ = 0; differ <= n; ++differ) {
        std::string b = varied(5);
        std::memcpy(b.data() + at, x.data(), n);
        if (differ < n) b[at + differ] ^= differ % 2 ? 0x80 : 0x01;
        const std::string_view y(b.data() + at, n);
        ASSERT_EQ(same_text(x, y), std::memcmp(x.data(), y.data(), n) == 0)
            << n << " bytes at offset " << offset << ", change at " << differ;
      }
    }
  }
}

TEST(ByteScan, FindByteMatchesMemchr) {
  for (const char c : {'\x00', '\x80', '\xFF', '\x01', 'A'}) {
    // The varied bytes with c changed to c ^ 1: no match, but near misses.
    std::string bytes = varied(3);
    std::replace(bytes.begin(), bytes.end(), c, static_cast<char>(c ^ 1));
    for (std::size_t offset = 0; offset < kOffsets; ++offset) {
      for (std::size_t n = 0; n < kLengths; ++n) {
        // first == n: no match; otherwise a match there, and after an odd
        // first a second one 1 to 9 bytes later if there is room.
        for (std::size_t first = 0; first <= n; ++first) {
          std::string s = bytes;
          s[offset + n] = c;  // just past the end
          if (first < n) s[offset + first] = c;
          if (first % 2 == 1 && first + first % 9 + 1 < n)
            s[offset + first + first % 9 + 1] = c;
          const char* const p = s.data() + offset;
          const void* const hit = std::memchr(p, c, n);
          ASSERT_EQ(find_byte(p, p + n, c),
                    hit != nullptr ? static_cast<const char*>(hit) : p + n)
              << int{c} << " in " << n << " bytes at offset " << offset << ", first at "
              << first;
        }
      }
    }
  }
}

TEST(ByteScan, LoadsComposeTheBytesLowestFirst) {
  const std::string s = varied(0);
  for (std::size_t offset = 0; offset < kOffsets; ++offset) {
    const char* const p = s.data() + offset;
    std::uint64_t want = 0;  // the bytes [p, p + n)
    for (std::size_t n = 0; n <= 8; ++n) {
      ASSERT_EQ(load_le_upto8(p, n), want) << n << " bytes at offset " << offset;
      if (n < 8) want |= std::uint64_t{static_cast<unsigned char>(p[n])} << (8 * n);
    }
    ASSERT_EQ(load_le64(p), want) << "offset " << offset;
  }
}

}  // namespace
}  // namespace relabel::testing
