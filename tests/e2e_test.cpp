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

}  // namespace
}  // namespace relabel::testing
