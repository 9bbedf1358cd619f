#include "runtime/platform.h"

namespace relabel {
namespace {
Platform* current = nullptr;
Platform* native = nullptr;
}  // namespace

Platform& platform() { return *current; }

void set_platform(Platform* replacement) { current = replacement ? replacement : native; }

// Called by native_platform() in the platform file of the build.
void register_native_platform(Platform& p) {
  native = &p;
  if (current == nullptr) current = &p;
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
