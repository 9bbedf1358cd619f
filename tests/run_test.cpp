// Whole runs in memory where only the fake platform can tell: its calls and
// the pieces the console receives. The table of whole runs is in
// whole_run_test.cpp.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

class Run : public ::testing::Test {
 protected:
  // A new platform for every run: a run that ends early leaves its files
  // held, as a process would until it exits.
  void fake(std::map<std::string, std::string> files) {
    fake_ = std::make_unique<FakePlatform>();
    fake_->files = std::move(files);
  }
  RunResult run(std::vector<std::string> args = {"in", "out"}) {
    return run_in_memory(*fake_, std::move(args));
  }

  std::unique_ptr<FakePlatform> fake_;
};

// Its console is in the whole-run table; here: no file is even opened.
TEST_F(Run, UsageOpensNoFile) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"in"}}) {
    fake({{"in.pnl", "Components\n)\n"}, {"in.pcb", "Components\n)\n"}});
    EXPECT_EQ(run(args).exit_code, 1);
    EXPECT_EQ(fake_->calls(Op::open_read) + fake_->calls(Op::open_write), 0);
  }
}

TEST_F(Run, EveryMarkReachesAConsoleAtOnce) {
  fake({{"in.pnl", "Components\n\"R1\" \"10k\" \"0805\"\n\"C1\" \"1n\"\nno quotes\n)\n"},
        {"in.pcb", "Components\n" + line("R1", "1") + "a\nb\n" + line("X1", "1") +
                       "a\nb\n" + line("C1", "1") + "a\nb\n)\n"}});
  fake_->console_kind = HandleKind::character;
  const RunResult r = run();
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.console, kBannerLine + "...\r\nCelkem nalezeno: 3 soucastek.\r\n+-X1-+");
  const std::vector<std::string>& w = fake_->console_writes;
  ASSERT_GE(w.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(w.begin() + 1, w.begin() + 4),
            (std::vector<std::string>{".", ".", "."}));
  EXPECT_EQ(std::vector<std::string>(w.end() - 3, w.end()),
            (std::vector<std::string>{"+", "-X1-", "+"}));
}

}  // namespace
}  // namespace relabel::testing
