#include "runtime/platform.h"

namespace relabel {
namespace {
Platform* current = nullptr;
Platform* native = nullptr;
}  // namespace

Platform& platform() { return *current; }

void set_platform(Platform* replacement) {
  current = replacement ? replacement : native;
}

// Called by native_platform() in the platform file of the build.
void register_native_platform(Platform& p) {
  native = &p;
  if (current == nullptr) current = &p;
}

}  // namespace relabel
