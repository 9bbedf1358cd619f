// End-to-end: the built relabel, run on files in a temporary folder.
#include <gtest/gtest.h>

#include "process_runner.h"

namespace relabel::testing {
namespace {

const std::string kBanner =
    "Prevod popisu soucastek v *.PCB podle *.PNL QUORANT 4.2 ZT'02 V2.1\r\n";

ProcessResult relabel_in(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), RELABEL_EXE);
  return run_process(args, {dir.path()});
}

TEST(EndToEnd, UsageWithFewerThanTwoArguments) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"in"}}) {
    TempDir dir;
    const ProcessResult r = relabel_in(dir, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.output, kBanner + "Syntaxe vstupu:\r\n" +
                            reported_program_path(RELABEL_EXE) +
                            " vstup vystup (bez pripon) [x]\r\n"
                            "x.. parametr zakaze zmenu souradnic hodnoty soucasty\r\n");
    EXPECT_FALSE(dir.exists("in.pcb"));
  }
}

// The program's file name as failure reports name its module.
std::string module_name() {
  const std::string path = reported_program_path(RELABEL_EXE);
  return path.substr(path.find_last_of("/\\") + 1);
}

// Checks `output` is `before`, a failure report of `failure_class` with
// `message` (its address aside), and nothing after.
void expect_report(const std::string& output, const std::string& before,
                   const std::string& failure_class,
                   const std::string& message) {
  const std::string head = before + "Exception " + failure_class +
                           " in module " + module_name() + " at ";
  const std::string tail = ".\n" + message + "\r\n";
  ASSERT_EQ(output.size(), head.size() + 8 + tail.size()) << output;
  EXPECT_EQ(output.substr(0, head.size()), head);
  const std::string address = output.substr(head.size(), 8);
  EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos)
      << address;
  EXPECT_EQ(output.substr(head.size() + 8), tail);
}

TEST(EndToEnd, FailedOpensEndWithTheReport) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {"missing parts list", {"absent", "out"}, "File not found."},
      {"output over the input board", {"demo", "demo"}, "I/O error 32."},
      {"missing folder", {"demo", "no-such-folder/out"}, "Invalid filename."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string board = "Components\r\n)\r\n";
    dir.write("demo.pnl", "Components\r\n)\r\n");
    dir.write("demo.pcb", board);
    const ProcessResult r = relabel_in(dir, c.args);
    EXPECT_EQ(r.exit_code, 1);
    expect_report(r.output, kBanner, "EInOutError", c.message);
    EXPECT_FALSE(dir.exists("out.pcb"));
    EXPECT_EQ(dir.read("demo.pcb"), board);
  }
}

}  // namespace
}  // namespace relabel::testing
