#include "runtime/text_ops.h"

#include <cstring>

namespace relabel {

std::int32_t find_text(std::string_view needle, std::string_view subject) {
  if (needle.empty() || subject.empty() || needle.size() > subject.size())
    return 0;
  const std::size_t at = subject.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at + 1);
}

std::string copy_text(std::string_view text, std::int32_t start,
                      std::int32_t count) {
  const std::int64_t length = static_cast<std::int64_t>(text.size());
  if (length == 0) return {};
  if (start < 1) start = 1;
  if (start > length || count <= 0) return {};
  std::int64_t n = count;
  if (n > length - start + 1) n = length - start + 1;
  return std::string(text.substr(static_cast<std::size_t>(start - 1),
                                 static_cast<std::size_t>(n)));
}

void delete_text(std::string& text, std::int32_t start, std::int32_t count) {
  const std::int64_t length = static_cast<std::int64_t>(text.size());
  if (length == 0 || start < 1 || start > length || count <= 0) return;
  std::int64_t n = count;
  if (n > length - start + 1) n = length - start + 1;
  text.erase(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n));
}

void append_text(std::string& text, std::string_view tail) {
  text.append(tail);
}

int compare_bytes(const void* a, const void* b, std::size_t n) {
  if (n == 0) return 0;
  const int r = std::memcmp(a, b, n);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace relabel
