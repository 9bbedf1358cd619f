// A library the tests preload into the real program to make its allocations
// fail on purpose (glibc). RELABEL_FAIL_MALLOC=N fails the Nth call of
// malloc, counted from the process's first; N+ fails that call and every
// later one, as memory that has run out stays out.
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t size);

namespace {
long calls = 0;
long fail_at = 0;
bool from_then_on = false;
bool ready = false;

void read_setting() {
  ready = true;
  const char* setting = std::getenv("RELABEL_FAIL_MALLOC");  // does not allocate
  if (setting == nullptr) return;
  char* end = nullptr;
  fail_at = std::strtol(setting, &end, 10);
  from_then_on = end != nullptr && *end == '+';
}
}  // namespace

extern "C" void* malloc(std::size_t size) {
  if (!ready) read_setting();
  ++calls;
  if (fail_at > 0 && (calls == fail_at || (from_then_on && calls > fail_at)))
    return nullptr;
  return __libc_malloc(size);
}
