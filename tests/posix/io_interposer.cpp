// Preloaded into the real program (glibc) so that its open, read, write,
// close and poll answer as RELABEL_IO_FAULT asks (see io_faults.h). What is
// done is done by the kernel itself, with the bytes the answer allows.
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <ctime>

#include "io_faults.h"

namespace {

using relabel::testing::Answer;
using relabel::testing::Kind;

relabel::testing::FaultPlan plan;
int not_ready = -1;  // the descriptor that answers EAGAIN until polled
short awaited = 0;   // the readiness the poll must ask about
bool interrupt_poll = false;
int refusals = 0;

// The bytes a call of `kind` on `fd` that asks for `size` may move, or -1
// with errno set when it is to fail.
long answer(Kind kind, int fd, unsigned long size, short ready_for) {
  if (fd >= 0 && fd == not_ready) {
    // Tried again without a wait: still not ready. A caller that never
    // waits meets a failure at last, so that a busy loop ends.
    errno = ++refusals > 100 ? EIO : EAGAIN;
    return -1;
  }
  const relabel::testing::Decision d = plan.next(kind, size);
  switch (d.answer) {
    case Answer::part: return static_cast<long>(d.bytes);
    case Answer::zero: return 0;
    case Answer::fail: errno = static_cast<int>(d.code); return -1;
    case Answer::eintr: errno = EINTR; return -1;
    case Answer::eagain:
    case Answer::poll_eintr:
      not_ready = fd;
      awaited = ready_for;
      interrupt_poll = d.answer == Answer::poll_eintr;
      errno = EAGAIN;
      return -1;
    default: return static_cast<long>(size);
  }
}

}  // namespace

extern "C" int open(const char* name, int flags, ...) {
  unsigned mode = 0;
  if ((flags & O_CREAT) != 0) {
    va_list rest;
    va_start(rest, flags);
    mode = va_arg(rest, unsigned);
    va_end(rest);
  }
  if (answer(relabel::testing::kOpen, -1, 1, 0) < 0) return -1;
  return static_cast<int>(::syscall(SYS_openat, AT_FDCWD, name, flags, mode));
}

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  const long n = answer(relabel::testing::kRead, fd, size, POLLIN);
  return n <= 0 ? n : ::syscall(SYS_read, fd, buffer, n);
}

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  const long n = answer(fd == 1 ? relabel::testing::kConsole : relabel::testing::kWrite,
                        fd, size, POLLOUT);
  return n <= 0 ? n : ::syscall(SYS_write, fd, data, n);
}

// Linux frees the descriptor even when close reports a failure.
extern "C" int close(int fd) {
  const long n = answer(relabel::testing::kClose, fd, 0, 0);
  const int e = errno;
  const long closed = ::syscall(SYS_close, fd);
  if (n >= 0) return static_cast<int>(closed);
  errno = e;
  return -1;
}

// glibc marks the array of poll as written only; this one reads it first.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
extern "C" int poll(struct pollfd* fds, nfds_t count, int timeout) {
  for (nfds_t i = 0; i < count; ++i) {
    if (fds[i].fd != not_ready || (fds[i].events & awaited) == 0) continue;
    if (interrupt_poll) {
      interrupt_poll = false;
      errno = EINTR;
      return -1;
    }
    not_ready = -1;
  }
  const timespec wait = {timeout / 1000, (timeout % 1000) * 1000000L};
  return ::ppoll(fds, count, timeout < 0 ? nullptr : &wait, nullptr);
}
