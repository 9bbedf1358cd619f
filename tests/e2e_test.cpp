// End-to-end where only a real system will do: real links and folders, the
// module a report names, the shipped example. The table of whole runs, run
// also as a process, is in whole_run_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

ProcessResult relabel_in(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), RELABEL_EXE);
  return run_process(args, {dir.path()});
}

const std::string kParts =
    "QUORANT parts\r\n"
    "Components\r\n"
    "\"R1\" \"10k\" \"0805\" \"\"\r\n"
    "\"C1 \" \"100n \" \"0603\" \"\"\r\n"
    "\"U1\" \"LM358\" \"SO8\" \"LM358A\"\r\n"
    ")\r\n";

const std::string kBoard =
    "HEAD\r\n"
    "Components\r\n"
    "    (\"R1\" 150 200 0 2 0 0)\r\n"
    "    (\"old\" 90 210 4 0 1 12)\r\n"
    "    (\"R1\" 95 190 4 0 1 12)\r\n"
    "    (\"Q9\" 10 20 0 2 0 0)\r\n"
    "    (\"q\" 1 2 3 4 5 6)\r\n"
    "    (\"Q9\" 1 2 3 4 5 6)\r\n"
    "  ; comment\r\n"
    "    (\"U1\" 300 400 90 6 0 0)\r\n"
    "    (\"v\" 1 2 3)\r\n"
    "    (\"U1\" 7 8 9 10 11 12)\r\n"
    ")\r\n"
    "\r\n"
    "   Nets  \r\n"
    "\tEnd\r\n";

TEST(EndToEnd, OutputOverAnInputIsRefusedWithNothingEmptied) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"in", "in"}, std::vector<std::string>{"in", "link"},
        std::vector<std::string>{"in", "partslink", "x"}}) {
    SCOPED_TRACE(args[1]);
    TempDir dir;
    dir.write("in.pnl", kParts);
    dir.write("in.pcb", kBoard);
    std::error_code no_symlinks;
    std::filesystem::create_symlink("in.pcb", dir.file("link.pcb"), no_symlinks);
    if (no_symlinks && args[1] == "link") {
      std::cout << "[  SKIPPED ] symbolic links cannot be made here\n";
      continue;
    }
    std::filesystem::create_hard_link(dir.file("in.pnl"), dir.file("partslink.pcb"));
    const ProcessResult r = relabel_in(dir, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(is_report_after(r.output, kBannerLine, "I/O error 32.")) << r.output;
    EXPECT_EQ(dir.read("in.pcb"), kBoard);
    EXPECT_EQ(dir.read("in.pnl"), kParts);
  }
}

TEST(EndToEnd, ShippedExampleConverts) {
  TempDir dir;
  const ProcessResult r = run_process(
      {RELABEL_EXE, std::string(RELABEL_EXAMPLES) + "/demo", dir.file("demo-out")});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.output.starts_with(kBannerLine));
  EXPECT_NE(r.output.find("Celkem nalezeno: 14 soucastek.\r\n"), std::string::npos);
  EXPECT_NE(r.output.find("-C4-"), std::string::npos);
  EXPECT_FALSE(dir.read("demo-out.pcb").empty());
}

// The program's file name as failure reports name its module.
std::string module_name() {
  const std::string path = reported_program_path(RELABEL_EXE);
  return path.substr(path.find_last_of("/\\") + 1);
}

// Files that cannot be opened on a real system: the report, naming the
// program's own module, exit code 1, the inputs as they were.
TEST(EndToEnd, FailedOpensEndWithTheReport) {
  struct Case {
    const char* name;
    bool parts, board, output_folder;
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {"missing parts list", false, true, false, {"in", "out"}, "File not found."},
      // Root may write anywhere, so a folder stands for a file it may not
      // replace.
      {"folder as output", true, true, true, {"in", "out"}, "File access denied."},
      {"missing folder",
       true,
       true,
       false,
       {"in", "no-such-folder/out"},
       "Invalid filename."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.parts) dir.write("in.pnl", kParts);
    if (c.board) dir.write("in.pcb", kBoard);
    if (c.output_folder) {
      ASSERT_TRUE(std::filesystem::create_directory(dir.file("out.pcb")));
    }
    const ProcessResult r = relabel_in(dir, c.args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(is_report_after(r.output, kBannerLine, c.message)) << r.output;
    EXPECT_NE(r.output.find(" in module " + module_name() + " at "), std::string::npos);
    EXPECT_EQ(dir.read("in.pcb"), c.board ? kBoard : "");
    EXPECT_EQ(dir.read("in.pnl"), c.parts ? kParts : "");
    EXPECT_EQ(dir.exists("out.pcb"), c.output_folder);
  }
}

}  // namespace
}  // namespace relabel::testing
