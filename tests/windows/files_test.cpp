// Windows: sharing between processes, read-only files and how console and
// redirected output reach the system. Output over an input through a link is
// a row of the whole-run table.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

const std::string kParts = "Components\r\n\"R1\" \"10k\" \"0805\" \"\"\r\n)\r\n";
const std::string kBoard =
    "Components\r\n"
    "    (\"R1\" 1500 2000 0 2 0 0)\r\n"
    "    (\"old\" 1440 2100 4 0 1 12)\r\n"
    "    (\"R1\" 1440 1900 4 0 1 12)\r\n"
    ")\r\n";

ProcessResult relabel_in(const TempDir& dir, const std::string& in,
                         const std::string& out) {
  return run_process({RELABEL_EXE, in, out}, {dir.path()});
}

// Holds a file open from this process, as another program would.
struct Held {
  HANDLE h;
  Held(const std::string& name, DWORD access)
      : h(::CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Held() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

TEST(WindowsFiles, FilesHeldByAnotherProcess) {
  struct Case {
    const char* held;
    DWORD access;
    bool refused;
    std::string before = {};  // what the console shows before the report
  };
  const Case cases[] = {
      {"in.pnl", GENERIC_WRITE, true, kBannerLine},
      {"in.pcb", GENERIC_WRITE, true, kBannerLine + total(1)},
      {"out.pcb", GENERIC_READ, true, kBannerLine},  // emptying it would write it
      {"in.pnl", GENERIC_READ, false},
      {"in.pcb", GENERIC_READ, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.held) +
                 (c.access == GENERIC_WRITE ? " held for writing" : " held for reading"));
    TempDir dir;
    dir.write("in.pnl", kParts);
    dir.write("in.pcb", kBoard);
    dir.write("out.pcb", "old");
    Held held(dir.file(c.held), c.access);
    ASSERT_NE(held.h, INVALID_HANDLE_VALUE);
    const ProcessResult r = relabel_in(dir, "in", "out");
    EXPECT_EQ(r.exit_code, c.refused ? 1 : 0) << r.output;
    if (c.refused) {
      EXPECT_TRUE(is_report_after(r.output, c.before, "I/O error 32.")) << r.output;
    }
  }
}

TEST(WindowsFiles, ReadOnlyOutputIsDenied) {
  TempDir dir;
  dir.write("in.pnl", kParts);
  dir.write("in.pcb", kBoard);
  dir.write("out.pcb", "keep");
  ASSERT_TRUE(::SetFileAttributesA(dir.file("out.pcb").c_str(), FILE_ATTRIBUTE_READONLY));
  if (Held(dir.file("out.pcb"), GENERIC_WRITE).h != INVALID_HANDLE_VALUE)
    GTEST_SKIP() << "this system lets the current user write read-only files "
                    "(Wine keeps the attribute as Unix permissions, which do "
                    "not bind root)";
  const ProcessResult r = relabel_in(dir, "in", "out");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(is_report_after(r.output, kBannerLine, "File access denied.")) << r.output;
  EXPECT_EQ(dir.read("out.pcb"), "keep");
}

// Sizes of the writes the helper's "pieces" mode made, from its log.
std::string write_sizes(bool console) {
  TempDir dir;
  ProcessOptions options;
  options.working_dir = dir.path();
  options.new_console = console;
  const ProcessResult r =
      run_process({RELABEL_FAULT_HELPER, "pieces", "writes.log"}, options);
  EXPECT_EQ(r.exit_code, 0);
  std::string sizes = dir.read("writes.log");
  for (char& c : sizes)
    if (c == '\n') c = ' ';
  return sizes;
}

TEST(WindowsConsole, ConsoleShowsEachFlushRedirectedGoesBy128) {
  EXPECT_EQ(write_sizes(false), "128 128 48 ");
  std::string each_flush = "2 2 ";
  for (int i = 0; i < 30; ++i) each_flush += "10 ";
  EXPECT_EQ(write_sizes(true), each_flush);
}

}  // namespace
}  // namespace relabel::testing
