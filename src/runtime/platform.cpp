#include "runtime/platform.h"

namespace relabel {
namespace {
Platform* installed = nullptr;  // a test's platform, or none
}  // namespace

Platform& platform() { return installed ? *installed : native_platform(0, nullptr); }

void set_platform(Platform* replacement) { installed = replacement; }

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
