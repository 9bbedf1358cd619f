// Fixed-capacity texts with a length byte: the form in which names and label
// texts are stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/byte_scan.h"

namespace relabel {

template <std::size_t Capacity>
struct CountedText {
  static_assert(Capacity >= 1 && Capacity <= 255);
  static constexpr std::size_t capacity = Capacity;

  std::uint8_t length = 0;
  char slots[Capacity] = {};

  std::string_view view() const { return {slots, length}; }
};

// Every stored name and label text keeps at most its first 72 characters.
using ShortText72 = CountedText<72>;

// The destination receives the first min(text length, capacity) characters.
template <std::size_t N>
void to_counted_text(CountedText<N>& destination, std::string_view text) {
  const std::size_t n = text.size() < N ? text.size() : N;
  copy_bytes(destination.slots, text.data(), n);
  destination.length = static_cast<std::uint8_t>(n);
}

}  // namespace relabel
