// The run's state is built before the banner is printed, when nothing may
// allocate yet: an empty parts list and the state holding it allocate
// nothing; the list's first entry does.
#include "convert/run_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>

namespace {
std::size_t allocations = 0;  // calls of the plain operator new
}  // namespace

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

namespace relabel::testing {
namespace {

TEST(RunState, AnEmptyStateAllocatesNothingUntilTheFirstEntry) {
  alignas(RunState) static unsigned char room[sizeof(RunState)];
  const std::size_t before = allocations;
  RunState* state = new (room) RunState;
  EXPECT_EQ(allocations, before);
  EXPECT_FALSE(state->parts.find("R1"));
  EXPECT_EQ(state->parts.memory_bytes(), 0u);
  EXPECT_EQ(allocations, before);

  to_counted_text(state->parts_line[0], "R1");
  state->parts.append(state->parts_line);
  EXPECT_GT(allocations, before);
  EXPECT_TRUE(state->parts.find("R1"));
  state->~RunState();
}

}  // namespace
}  // namespace relabel::testing
