// Two runs of the real program at once. The first is held in its board
// phase: its console is a pipe that nobody reads until the pipe is full, so
// it waits in a write while it holds its board for reading and its output
// for writing. A second run that would write what the first holds, or read
// what it writes, must end with "I/O error 32." and empty nothing; a second
// reader of the board shares it. The first run then ends as if alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

std::string board_of(int components) {
  std::string board = "HEAD\r\n(Components\r\n";
  for (int i = 0; i < components; ++i) {
    board += "    (\"N" + std::to_string(i) + "\" 150 200 0 2 0 0)\r\n";
    board += "    (\"v\" 90 210 4 0 1 12)\r\n    (\"s\" 95 190 4 0 1 12)\r\n";
  }
  return board + ")\r\nTAIL\r\n";
}

const std::string kParts = "(Components\r\n\"N7\" \"10k\" \"0805\" \"\"\r\n)\r\n";

// The first run, its console a pipe read only when the run is let go.
class HeldRun {
 public:
  HeldRun(const std::string& dir, const std::string& in, const std::string& out) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], 1);
      ::close(fds[0]);
      ::close(fds[1]);
      if (::chdir(dir.c_str()) == 0)
        ::execl(RELABEL_EXE, RELABEL_EXE, in.c_str(), out.c_str(), nullptr);
      ::_exit(127);
    }
    ::close(fds[1]);
    console_ = fds[0];
  }

  // True once the run waits on a full console pipe.
  bool wait_until_held() const {
    const int capacity = ::fcntl(console_, F_GETPIPE_SZ);
    for (int i = 0; i < 2000 && capacity > 0; ++i) {
      int waiting = 0;
      if (::ioctl(console_, FIONREAD, &waiting) == 0 && waiting >= capacity) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // Reads the console to its end and gives the exit code.
  int finish() {
    char buffer[4096];
    while (::read(console_, buffer, sizeof buffer) > 0) {
    }
    ::close(console_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int console_ = -1;
};

TEST(TwoRuns, ASecondRunIsKeptOffWhatTheFirstHolds) {
  TempDir dir;
  dir.write("first.pnl", kParts);
  dir.write("first.pcb", board_of(20000));
  dir.write("other.pnl", kParts);
  dir.write("other.pcb", board_of(3));
  dir.write("out.pnl", kParts);  // so that out.pcb can be asked for as a board

  HeldRun first(dir.path(), "first", "out");
  ASSERT_TRUE(first.wait_until_held());
  const std::string board = dir.read("first.pcb");
  const std::string written = dir.read("out.pcb");
  ASSERT_FALSE(written.empty());

  // The output is opened before the parts list is read, the board after it.
  struct Second {
    const char* what;
    const char* in;
    const char* out;
    bool refused;
    bool after_list;  // refused once the parts list has been read
  };
  const Second seconds[] = {
      {"writes the first run's output", "other", "out", true, false},
      {"reads the first run's output as its board", "out", "second_a", true, true},
      {"writes over the first run's board", "other", "first", true, false},
      {"reads the first run's board", "first", "second_b", false, false},
  };
  for (const Second& s : seconds) {
    SCOPED_TRACE(s.what);
    const ProcessResult r = run_process({RELABEL_EXE, s.in, s.out}, {dir.path()});
    if (s.refused) {
      EXPECT_EQ(r.exit_code, 1);
      EXPECT_TRUE(is_report_after(r.output, kBannerLine + (s.after_list ? total(1) : ""),
                                  "I/O error 32."))
          << r.output;
    } else {
      EXPECT_EQ(r.exit_code, 0) << r.output;
    }
    EXPECT_EQ(dir.read("first.pcb"), board);
    EXPECT_EQ(dir.read("out.pcb"), written);
  }

  EXPECT_EQ(first.finish(), 0);
  const ProcessResult solo = run_process({RELABEL_EXE, "first", "solo"}, {dir.path()});
  ASSERT_EQ(solo.exit_code, 0);
  EXPECT_EQ(dir.read("out.pcb"), dir.read("solo.pcb"));
  EXPECT_EQ(dir.read("second_b.pcb"), dir.read("solo.pcb"));
}

}  // namespace
}  // namespace relabel::testing
