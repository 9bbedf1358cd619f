// Each system call that the platform layer makes on the way of the
// example's conversion, made to fail or to answer in part in turn, in the
// real program (io_faults.h: on POSIX a preloaded library, on Windows a
// build of the program whose import table points at wrappers). A call that
// answers in part, is interrupted or finds its descriptor not ready at
// first leaves the console, the board and the exit code of the clean run;
// a failure ends the run with its report after a part of the clean console
// and a part of the clean board.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

#include "io_faults.h"
#include "process_runner.h"
#include "test_support.h"

#ifndef RELABEL_IO_FAULTS
#define RELABEL_IO_FAULTS ""  // none in this build: the tests skip themselves
#endif

namespace relabel::testing {
namespace {

class PlatformFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(RELABEL_IO_FAULTS).empty())
      GTEST_SKIP() << "the preloaded library needs glibc and no sanitizer";
  }
};

struct FaultedRun {
  ProcessResult r;
  std::string board;
  int calls[kKinds] = {};
};

// The code a fault setting names for a report's code: on POSIX the errno
// that the layer maps to it.
int setting_code(int code) {
#ifdef _WIN32
  return code;
#else
  return code >= 10000 ? code - 10000 : code == 5 ? EACCES : code == 112 ? ENOSPC : EPIPE;
#endif
}

std::string message(int code) {
  return code == 5 ? "File access denied." : "I/O error " + std::to_string(code) + ".";
}

// The example converted with `fault` set; its calls counted by kind.
FaultedRun run(const std::string& fault) {
  TempDir dir;
  dir.write("demo.pnl", file_contents(RELABEL_EXAMPLES "/demo.pnl"));
  dir.write("demo.pcb", file_contents(RELABEL_EXAMPLES "/demo.pcb"));
  ProcessOptions options{dir.path()};
  options.environment = {"RELABEL_IO_FAULT=" + fault,
                         "RELABEL_IO_LOG=" + dir.file("log")};
#ifdef _WIN32
  const std::string program = RELABEL_IO_FAULTS;
#else
  const std::string program = RELABEL_EXE;
  options.environment.push_back("LD_PRELOAD=" RELABEL_IO_FAULTS);
#endif
  FaultedRun run{run_process({program, "demo", "out"}, options), dir.read("out.pcb")};
  std::istringstream log(dir.read("log"));
  for (std::string kind; std::getline(log, kind);)
    for (int k = 0; k < kKinds; ++k) run.calls[k] += kind == kKindNames[k];
  return run;
}

// True when `got` is a part of `clean` and then the report of `code`.
bool report_after_part(const FaultedRun& got, const FaultedRun& clean, int code) {
  const std::string before = got.r.output.substr(0, got.r.output.find("Exception "));
  return got.r.exit_code == 1 && clean.r.output.starts_with(before) &&
         clean.board.starts_with(got.board) &&
         is_report_after(got.r.output, before, message(code));
}

std::string setting(Kind kind, std::size_t n, Answer answer, int code) {
  return std::string(kKindNames[kind]) + " " + std::to_string(n) + " " +
         kAnswerNames[static_cast<int>(answer)] + " " +
         std::to_string(setting_code(code));
}

TEST_F(PlatformFaults, EachCallFailsOrAnswersInPartInTurn) {
  const FaultedRun clean = run("");
  ASSERT_EQ(clean.r.exit_code, 0) << clean.r.output;
  struct Row {
    Kind kind;
    int code;  // of its failure
    std::vector<Answer> answers;
  };
  using enum Answer;
#ifdef _WIN32
  const int nothing_written = 29;
  const Row rows[] = {{kOpen, 5, {fail}},
                      {kRead, 10005, {fail, part}},
                      {kWrite, 112, {fail, part, zero}},
                      {kConsole, 109, {fail, part, zero}},
                      {kClose, 10005, {fail}}};
#else
  const int nothing_written = 10000 + EIO;
  const Row rows[] = {{kOpen, 5, {fail, eintr}},
                      {kRead, 10005, {fail, part, eintr, eagain, poll_eintr}},
                      {kWrite, 112, {fail, part, zero, eintr, eagain, poll_eintr}},
                      {kConsole, 109, {fail, part, zero, eintr, eagain, poll_eintr}},
                      {kClose, 10005, {fail, eintr}}};
#endif
  for (const Row& row : rows) {
    const int calls = clean.calls[row.kind];
    ASSERT_GT(calls, 0) << kKindNames[row.kind];
    for (const Answer a : row.answers) {
      for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(setting(row.kind, n, a, row.code));
        const FaultedRun got = run(setting(row.kind, n, a, row.code));
        if (a != fail && a != zero) {
          EXPECT_EQ(got.r.exit_code, 0);
          EXPECT_EQ(got.r.output, clean.r.output);
          EXPECT_EQ(got.board, clean.board);
        } else if (row.kind == kConsole && n == calls) {
          // The console's push when the run ends: a failure there is
          // ignored, only its bytes are lost.
          EXPECT_EQ(got.r.exit_code, 0);
          EXPECT_TRUE(clean.r.output.starts_with(got.r.output) &&
                      got.r.output.size() < clean.r.output.size());
          EXPECT_EQ(got.board, clean.board);
        } else {
          EXPECT_TRUE(
              report_after_part(got, clean, a == fail ? row.code : nothing_written))
              << got.r.exit_code << "\n"
              << got.r.output;
        }
      }
    }
  }

  // A disk that fills up: the write that reaches its end moves what fits
  // and reports success, the next reports "disk full". The run ends with 1
  // and that report (none on a full console), every byte that fitted kept.
  const std::size_t board_room = clean.board.size() - 10;  // in the last write
  for (const std::size_t room : {std::size_t{200}, board_room}) {
    SCOPED_TRACE(setting(kWrite, room, full, 112));
    const FaultedRun got = run(setting(kWrite, room, full, 112));
    EXPECT_EQ(got.board, clean.board.substr(0, room));
    EXPECT_TRUE(report_after_part(got, clean, 112)) << got.r.output;
  }
  SCOPED_TRACE(setting(kConsole, 100, full, 112));
  const FaultedRun got = run(setting(kConsole, 100, full, 112));
  EXPECT_EQ(got.r.exit_code, 1);
  EXPECT_EQ(got.r.output, clean.r.output.substr(0, 100));
}

}  // namespace
}  // namespace relabel::testing
