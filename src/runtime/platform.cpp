#include "runtime/platform.h"

namespace relabel {
Platform* current_platform = nullptr;

void set_platform(Platform* replacement) {
  current_platform = replacement ? replacement : &native_platform(0, nullptr);
}

std::string_view file_name_of(std::string_view path) {
#ifdef _WIN32
  constexpr const char* kSeparators = "\\/";
#else
  constexpr const char* kSeparators = "/";
#endif
  const std::size_t cut = path.find_last_of(kSeparators);
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace relabel
