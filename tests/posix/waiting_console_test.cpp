// A console that is a non-blocking pipe, as a parent started from an event
// loop may hand over, and that is read only after a while: the run waits
// until the pipe takes bytes again, and gives the console and the board of
// a run whose console is a plain file.
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

// Starts the program on in.pnl and in.pcb in `dir`, its console `console`.
pid_t start(const TempDir& dir, int console, const char* out) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(console, 1);
    if (::chdir(dir.path().c_str()) == 0)
      ::execl(RELABEL_EXE, RELABEL_EXE, "in", out, nullptr);
    ::_exit(127);
  }
  return pid;
}

int exit_code(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(WaitingConsole, AFullNonBlockingPipeIsWaitedFor) {
  TempDir dir;
  std::string parts = "(Components\r\n", board = "HEAD\r\n(Components\r\n";
  for (int i = 0; i < 6000; ++i) {
    const std::string name = "N" + std::to_string(i);
    parts += "\"" + name + "\" \"10k\" \"0805\" \"\"\r\n";
    board += crlf(line(name, "150 200 0 2 0 0") + line("v", "90 210 4 0 1 12"));
  }
  dir.write("in.pnl", parts + ")\r\n");
  dir.write("in.pcb", board + ")\r\nTAIL\r\n");
  const int file = ::open(dir.file("console").c_str(), O_WRONLY | O_CREAT, 0666);
  ASSERT_EQ(exit_code(start(dir, file, "plain")), 0);
  ::close(file);
  const std::string console = dir.read("console");
  ASSERT_GT(console.size(), 3 * 4096u);  // several pipes full

  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
  ASSERT_EQ(::fcntl(ends[1], F_SETPIPE_SZ, 4096), 4096);
  const pid_t pid = start(dir, ends[1], "waited");
  ::close(ends[1]);
  // Once the pipe is full the run's next write finds it not ready; read
  // only a while after that.
  int waiting = 0;
  for (int i = 0; i < 2000 && waiting < 4096; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(::ioctl(ends[0], FIONREAD, &waiting), 0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::fcntl(ends[0], F_SETFL, 0);
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
    got.append(buffer, n);
  ::close(ends[0]);
  EXPECT_EQ(exit_code(pid), 0);
  EXPECT_TRUE(got == console) << got.size() << " of " << console.size() << " bytes";
  EXPECT_TRUE(dir.read("waited.pcb") == dir.read("plain.pcb"));
}

}  // namespace
}  // namespace relabel::testing
