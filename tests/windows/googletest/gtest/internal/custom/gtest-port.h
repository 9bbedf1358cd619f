// GoogleTest's place for a port's own pieces, found before its empty one in
// the Windows cross builds (cmake/mingw-w64-common.cmake). Their compiler's
// win32 thread model has no std::mutex or std::condition_variable, which
// GoogleTest's Notification is built on; this one is a flag. Only
// GoogleTest's own thread helpers wait on it, and the tests start no threads,
// so a waiter spins. No <windows.h> here: it would reach every test through
// gtest.h, with its macros.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
