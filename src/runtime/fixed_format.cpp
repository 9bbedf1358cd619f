#include "runtime/fixed_format.h"

#include "runtime/int_text.h"

namespace relabel {
namespace {

class Sink {
 public:
  Sink(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}
  void put(char c) {
    if (length_ < capacity_) out_[length_++] = c;
  }
  void put(std::string_view text) {
    for (char c : text) put(c);
  }
  void put_hex(std::uint64_t value, int min_digits) {
    char digits[16];
    int n = 0;
    do {
      digits[n++] = "0123456789ABCDEF"[value & 15];
      value >>= 4;
    } while (value != 0);
    for (int i = n; i < min_digits; ++i) put('0');
    while (n > 0) put(digits[--n]);
  }
  std::size_t length() const { return length_; }

 private:
  char* out_;
  std::size_t capacity_;
  std::size_t length_ = 0;
};

}  // namespace

std::size_t format_message(char* out, std::size_t capacity, std::string_view format,
                           std::initializer_list<FormatArg> args) {
  Sink sink(out, capacity);
  const FormatArg* next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      sink.put(c);
      continue;
    }
    const char kind = format[++i];
    if (kind == '%') {
      sink.put('%');
      continue;
    }
    if (next == args.end()) continue;  // a missing argument adds nothing
    const FormatArg& a = *next++;
    switch (a.kind) {
      case FormatArg::Kind::text:
        sink.put(a.text);
        break;
      case FormatArg::Kind::decimal: {
        char digits[11];
        sink.put({digits, format_int_to(static_cast<std::int32_t>(a.number), digits)});
        break;
      }
      case FormatArg::Kind::hex:
        sink.put_hex(static_cast<std::uint64_t>(a.number), 1);
        break;
      case FormatArg::Kind::pointer:
        sink.put_hex(static_cast<std::uint32_t>(a.number), 8);
        break;
    }
  }
  return sink.length();
}

}  // namespace relabel
