// Fills the message formats (%s, %d, %x, %p) into a fixed buffer, without
// allocating, so that failures can be reported when memory is exhausted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace relabel {

struct FormatArg {
  enum class Kind { text, decimal, hex, pointer } kind;
  std::string_view text;
  std::int64_t number;
};

inline FormatArg text_arg(std::string_view t) { return {FormatArg::Kind::text, t, 0}; }
inline FormatArg decimal_arg(std::int32_t v) { return {FormatArg::Kind::decimal, {}, v}; }
inline FormatArg hex_arg(std::uint32_t v) {
  return {FormatArg::Kind::hex, {}, static_cast<std::int64_t>(v)};
}
inline FormatArg pointer_arg(std::uintptr_t v) {
  return {FormatArg::Kind::pointer, {}, static_cast<std::int64_t>(v)};
}

// Each % and the character after it are replaced by the next argument in
// its own kind's form, whatever that character is (the formats write %s,
// %d, %x and %p only to tell the reader the kind: "[%s] [%d]" with a
// decimal 42 and a text "txt" gives "[42] [txt]"). A text is written as it
// is, a decimal as a decimal number, a hex in upper-case hexadecimal
// without leading zeros, a pointer as exactly eight upper-case hexadecimal
// digits: the reports have a fixed 32-bit address form, so a 64-bit address
// shows its low 32 bits. A % with no argument left adds nothing; a % at the
// very end is written as it is. The result is cut to `capacity` bytes; its
// length is returned.
std::size_t format_message(char* out, std::size_t capacity, std::string_view format,
                           std::initializer_list<FormatArg> args);

}  // namespace relabel
