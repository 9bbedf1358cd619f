// System calls that answer as a test asks, in the real program: the POSIX
// library preloaded into it and the Windows build whose import table points
// at wrappers both follow the setting RELABEL_IO_FAULT = "KIND N ANSWER CODE".
//   KIND    open, read, write (to a file), console (a write to standard
//           output) or close
//   ANSWER  fail        call N of KIND fails with CODE
//           part        call N moves half the bytes asked (at least one)
//           zero        call N reports success and moves nothing
//           eintr       call N is interrupted before it does anything
//           eagain      call N finds its descriptor not ready, and so does
//                       every later call on it until a poll for it is made
//           poll-eintr  as eagain, and that poll is interrupted first
//           full        the disk takes N more bytes of KIND: the write that
//                       reaches the end moves what fits, later ones fail
//                       with CODE
// RELABEL_IO_LOG names a file that gets the kind of every call, a line each.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace relabel::testing {

enum Kind { kOpen, kRead, kWrite, kConsole, kClose, kKinds };
enum class Answer { pass, fail, part, zero, eintr, eagain, poll_eintr, full };

inline constexpr const char* kKindNames[] = {"open", "read", "write", "console", "close"};
inline constexpr const char* kAnswerNames[] = {"pass",  "fail",   "part",       "zero",
                                               "eintr", "eagain", "poll-eintr", "full"};

struct Decision {
  Answer answer = Answer::pass;
  unsigned long bytes = 0;  // part: the bytes to move
  long code = 0;            // fail: the code to fail with
};

class FaultPlan {
 public:
  FaultPlan() {
    if (const char* log = std::getenv("RELABEL_IO_LOG")) log_ = std::fopen(log, "ab");
    const char* setting = std::getenv("RELABEL_IO_FAULT");
    char kind[16], answer[16];
    if (setting == nullptr ||
        std::sscanf(setting, "%15s %lu %15s %ld", kind, &n_, answer, &code_) < 3)
      return;
    for (int i = 0; i < kKinds; ++i)
      if (std::strcmp(kind, kKindNames[i]) == 0) kind_ = i;
    for (int i = 0; i <= static_cast<int>(Answer::full); ++i)
      if (std::strcmp(answer, kAnswerNames[i]) == 0) answer_ = static_cast<Answer>(i);
  }

  // The answer to a call of `kind` that asks to move `size` bytes.
  Decision next(Kind kind, unsigned long size) {
    if (log_ != nullptr) {
      std::fprintf(log_, "%s\n", kKindNames[kind]);
      std::fflush(log_);
    }
    if (kind != kind_) return {};
    if (answer_ == Answer::full) {
      if (n_ >= size) {
        n_ -= size;
        return {};
      }
      const Decision d =
          n_ == 0 ? Decision{Answer::fail, 0, code_} : Decision{Answer::part, n_, 0};
      n_ = 0;
      return d;
    }
    if (++calls_ != n_) return {};
    return {answer_, (size + 1) / 2, code_};
  }

 private:
  std::FILE* log_ = nullptr;
  int kind_ = kKinds;
  unsigned long n_ = 0;
  Answer answer_ = Answer::pass;
  long code_ = 0;
  unsigned long calls_ = 0;
};

}  // namespace relabel::testing
