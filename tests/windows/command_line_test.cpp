// Windows: the raw command line as the runtime splits it, and the program
// path it reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "command_line_cases.h"
#include "process_runner.h"

namespace relabel::testing {
namespace {

// The arguments the helper's "args" mode prints: arg(1) onwards, without the
// mode itself and without the empty one past the end, which is checked.
std::vector<std::string> split_by_helper(const std::string& tail) {
  ProcessOptions options;
  options.raw_command_line = "relabel_fault_helper args" + tail;
  const ProcessResult r = run_process({RELABEL_FAULT_HELPER}, options);
  EXPECT_EQ(r.exit_code, 0);
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < r.output.size()) {
    const std::size_t end = r.output.find("]\r\n", at);
    if (end == std::string::npos || r.output[at] != '[') {
      ADD_FAILURE() << "unexpected output: " << r.output;
      return {};
    }
    lines.push_back(r.output.substr(at + 1, end - at - 1));
    at = end + 3;
  }
  if (lines.size() < 3 || lines[1] != "args" || !lines.back().empty()) {
    ADD_FAILURE() << "unexpected output: " << r.output;
    return {};
  }
  return std::vector<std::string>(lines.begin() + 2, lines.end() - 1);
}

TEST(WindowsCommandLine, SplitsTheRawLine) {
  for (const CommandLineCase& c : kCommandLineCases) {
    SCOPED_TRACE("tail: " + c.tail);
    EXPECT_EQ(split_by_helper(c.tail), c.args);
  }
}

TEST(WindowsCommandLine, ProgramPathIsFullWhenStartedByBareName) {
  // A bare name is looked up in the starting process's current folder.
  char previous[MAX_PATH + 1];
  ASSERT_NE(::GetCurrentDirectoryA(sizeof previous, previous), 0u);
  const std::string exe = reported_program_path(RELABEL_EXE);
  const std::string folder = exe.substr(0, exe.find_last_of('\\'));
  ASSERT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
  TempDir dir;
  ProcessOptions options;
  options.working_dir = dir.path();
  options.raw_command_line = "relabel only-one";
  const ProcessResult r = run_process({""}, options);
  ::SetCurrentDirectoryA(previous);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("\r\n" + exe + " vstup vystup"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace relabel::testing
