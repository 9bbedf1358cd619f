#include "runtime/platform.h"

namespace relabel {
namespace {
Platform* current = nullptr;
Platform* native = nullptr;
}  // namespace

Platform& platform() { return *current; }

std::size_t Platform::copy_executable_path(char* buffer, std::size_t size) {
  const std::string path = executable_path();
  const std::size_t n = path.size() < size ? path.size() : size;
  path.copy(buffer, n);
  return n;
}

void set_platform(Platform* replacement) {
  current = replacement ? replacement : native;
}

// Called by native_platform() in the platform file of the build.
void register_native_platform(Platform& p) {
  native = &p;
  if (current == nullptr) current = &p;
}

}  // namespace relabel
