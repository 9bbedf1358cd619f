#include "runtime/fixed_format.h"

#include "runtime/int_text.h"

namespace relabel {

std::size_t format_message(char* out, std::size_t capacity, std::string_view format,
                           std::initializer_list<FormatArg> args) {
  std::size_t length = 0;
  const auto put = [&](std::string_view text) {
    for (const char c : text)
      if (length < capacity) out[length++] = c;
  };
  const FormatArg* next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      put(format.substr(i, 1));
      continue;
    }
    ++i;                               // the argument's own kind decides its form
    if (next == args.end()) continue;  // a missing argument adds nothing
    const FormatArg& a = *next++;
    if (a.kind == FormatArg::Kind::text) {
      put(a.text);
      continue;
    }
    // Numbers are made from their last digit back.
    char digits[16];
    char* const end = digits + sizeof digits;
    char* p = end;
    if (a.kind == FormatArg::Kind::decimal) {
      p = put_int_text_before(static_cast<std::int32_t>(a.number), end);
    } else {
      const bool pointer = a.kind == FormatArg::Kind::pointer;
      std::uint64_t v = pointer ? static_cast<std::uint32_t>(a.number)
                                : static_cast<std::uint64_t>(a.number);
      do {
        *--p = "0123456789ABCDEF"[v & 15];
        v >>= 4;
      } while (v != 0 || (pointer && end - p < 8));
    }
    put({p, static_cast<std::size_t>(end - p)});
  }
  return length;
}

}  // namespace relabel
