// Texts with a length byte and room for 72 characters: the form in which
// every name and label text is stored, cut to its first 72 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace relabel {

struct ShortText72 {
  static constexpr std::size_t capacity = 72;

  std::uint8_t length = 0;
  char slots[capacity] = {};  // those past `length` carry no meaning

  std::string_view view() const { return {slots, length}; }
};

// The destination receives the text's first characters, at most 72.
inline void to_counted_text(ShortText72& destination, std::string_view text) {
  const std::size_t n =
      text.size() < ShortText72::capacity ? text.size() : ShortText72::capacity;
  std::memcpy(destination.slots, text.data(), n);
  destination.length = static_cast<std::uint8_t>(n);
}

}  // namespace relabel
