// Every platform call of the example's conversion, failed in turn: each run
// must end with the failure report naming the code and exit code 1, leave
// the inputs as they were, and never crash or hang. The one exception is the
// console's final push when the run ends, whose failure is ignored.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fake_platform.h"
#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

const std::string kParts = file_contents(RELABEL_EXAMPLES "/demo.pnl");
const std::string kBoard = file_contents(RELABEL_EXAMPLES "/demo.pcb");

FakePlatform example(HandleKind console) {
  FakePlatform fake;
  fake.console_kind = console;
  fake.files["demo.pnl"] = kParts;
  fake.files["demo.pcb"] = kBoard;
  return fake;
}

struct Code {
  std::int32_t code;
  const char* message;  // the report's second line
};

constexpr Code kCodes[] = {
    {112, "I/O error 112."},  // disk full
    {5, "File access denied."},
    {10005, "I/O error 10005."},  // no text of its own
};

struct NamedOp {
  Op op;
  const char* name;
};

constexpr NamedOp kOps[] = {
    {Op::open_read, "open_read"},
    {Op::open_write, "open_write"},
    {Op::std_output_handle, "std_handle"},
    {Op::read, "read"},
    {Op::write, "write"},
    {Op::close, "close"},
};

class FaultInjection : public ::testing::TestWithParam<HandleKind> {};

TEST_P(FaultInjection, EveryPlatformCallOfTheExampleFailsCleanly) {
  FakePlatform clean = example(GetParam());
  const RunResult reference = run_in_memory(clean, {"demo", "out"});
  ASSERT_EQ(reference.exit_code, 0) << reference.console;
  // The example's conversion uses every operation of the platform.
  for (const NamedOp& o : kOps) {
    ASSERT_GT(clean.calls(o.op), 0) << o.name;
    RecordProperty(o.name, clean.calls(o.op));
  }
  // The loop below fails each call the fake's counters count. Counted apart
  // from them, so that a call they miss cannot go untested: the two inputs
  // and the output opened and closed, the console's handle asked once, one
  // write per entry of the write log (the output's among them in pieces of
  // 128 bytes), and the inputs read in pieces of 128 bytes with at most one
  // more read each that finds the end.
  const auto pieces = [](std::size_t bytes) {
    return static_cast<int>((bytes + 127) / 128);
  };
  EXPECT_EQ(clean.calls(Op::open_read), 2);
  EXPECT_EQ(clean.calls(Op::open_write), 1);
  EXPECT_EQ(clean.calls(Op::close), 3);
  EXPECT_EQ(clean.calls(Op::std_output_handle), 1);
  EXPECT_EQ(clean.calls(Op::write), static_cast<int>(clean.write_log.size()));
  EXPECT_EQ(std::count_if(clean.write_log.begin(), clean.write_log.end(),
                          [](const std::string& w) { return w.starts_with('O'); }),
            pieces(clean.files["out.pcb"].size()));
  const int input_pieces = pieces(kParts.size()) + pieces(kBoard.size());
  EXPECT_GE(clean.calls(Op::read), input_pieces);
  EXPECT_LE(clean.calls(Op::read), input_pieces + 2);

  for (const NamedOp& o : kOps) {
    for (int k = 1; k <= clean.calls(o.op); ++k) {
      for (const Code& c : kCodes) {
        SCOPED_TRACE(std::string(o.name) + " call " + std::to_string(k) + " fails with " +
                     std::to_string(c.code));
        FakePlatform fake = example(GetParam());
        fake.fail(o.op, k, c.code);
        const RunResult r = run_in_memory(fake, {"demo", "out"});
        EXPECT_EQ(fake.files["demo.pnl"], kParts);
        EXPECT_EQ(fake.files["demo.pcb"], kBoard);
        if (o.op == Op::write && k == clean.calls(Op::write) &&
            GetParam() == HandleKind::pipe) {
          // The last write of a redirected console is the push of its
          // waiting characters when the run ends, after the board has been
          // written and closed. A failure there is ignored: the run is
          // complete, only the console's last characters are lost.
          const std::string& lost = clean.console_writes.back();
          EXPECT_EQ(r.exit_code, 0);
          EXPECT_EQ(r.console + lost, reference.console);
          EXPECT_EQ(fake.files["out.pcb"], clean.files["out.pcb"]);
          continue;
        }
        // The failing call was made.
        EXPECT_GE(fake.calls(o.op), k);
        EXPECT_EQ(r.exit_code, 1) << r.console;
        // Without a standard output handle the console is not open for
        // output, and the first write reports that (105) in place of the
        // failed call's own code. Otherwise the report follows a part of
        // what the complete run prints. Nothing follows the report.
        const bool no_console = o.op == Op::std_output_handle;
        const std::string before = r.console.substr(0, r.console.find("Exception "));
        EXPECT_TRUE(no_console || reference.console.starts_with(before)) << r.console;
        EXPECT_TRUE(is_report_after(r.console, before,
                                    no_console ? "I/O error 105." : c.message,
                                    "EInOutError", kProgramModule))
            << r.console;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Console, FaultInjection,
                         ::testing::Values(HandleKind::pipe, HandleKind::character));

}  // namespace
}  // namespace relabel::testing
