// The test program's plain operator new, counting its calls.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::size_t allocations = 0;
}  // namespace

namespace relabel::testing {
std::size_t allocation_count() { return allocations; }
}  // namespace relabel::testing

void* operator new(std::size_t n) {
  ++allocations;
  for (;;) {
    if (void* p = std::malloc(n != 0 ? n : 1)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
