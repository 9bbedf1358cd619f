// Every platform call of the example's conversion, failed in turn: each run
// must end with the failure report naming the code and exit code 1, leave
// the inputs as they were, and never crash or hang. The one exception is the
// console's final push when the run ends, whose failure is ignored.
#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "process_runner.h"

namespace relabel::testing {
namespace {

std::string example(const std::string& name) {
  return file_contents(std::string(RELABEL_EXAMPLES) + "/" + name);
}

struct Example {
  std::string parts = example("demo.pnl");
  std::string board = example("demo.pcb");

  FakePlatform platform(HandleKind console) const {
    FakePlatform fake;
    fake.console_kind = console;
    fake.files["demo.pnl"] = parts;
    fake.files["demo.pcb"] = board;
    return fake;
  }
};

struct Code {
  std::int32_t code;
  const char* message;  // the report's second line
};

constexpr Code kCodes[] = {
    {112, "I/O error 112."},  // disk full
    {5, "File access denied."},
    {10005, "I/O error 10005."},  // no text of its own
};

constexpr Op kOps[] = {Op::open_read, Op::open_write, Op::std_output_handle,
                       Op::read,      Op::write,      Op::close};

const char* op_name(Op op) {
  switch (op) {
    case Op::open_read: return "open_read";
    case Op::open_write: return "open_write";
    case Op::std_output_handle: return "std_handle";
    case Op::read: return "read";
    case Op::write: return "write";
    case Op::close: return "close";
  }
  return "?";
}

class FaultInjection : public ::testing::TestWithParam<HandleKind> {};

TEST_P(FaultInjection, EveryPlatformCallOfTheExampleFailsCleanly) {
  const Example ex;
  FakePlatform clean = ex.platform(GetParam());
  const RunResult reference = run_in_memory(clean, {"demo", "out"});
  ASSERT_EQ(reference.exit_code, 0) << reference.console;
  // The example's conversion uses every operation of the platform.
  int total = 0;
  for (Op op : kOps) {
    ASSERT_GT(clean.calls(op), 0) << op_name(op);
    RecordProperty(op_name(op), clean.calls(op));
    total += clean.calls(op);
  }

  int runs = 0;
  for (Op op : kOps) {
    for (int k = 1; k <= clean.calls(op); ++k) {
      for (const Code& c : kCodes) {
        SCOPED_TRACE(std::string(op_name(op)) + " call " + std::to_string(k) +
                     " fails with " + std::to_string(c.code));
        FakePlatform fake = ex.platform(GetParam());
        fake.fail(op, k, c.code);
        const RunResult r = run_in_memory(fake, {"demo", "out"});
        ++runs;
        EXPECT_EQ(fake.files["demo.pnl"], ex.parts);
        EXPECT_EQ(fake.files["demo.pcb"], ex.board);
        if (op == Op::write && k == clean.calls(Op::write) &&
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
        EXPECT_GE(fake.calls(op), k);
        EXPECT_EQ(r.exit_code, 1) << r.console;
        EXPECT_NE(r.console.find("Exception EInOutError in module relabel at "),
                  std::string::npos)
            << r.console;
        // Without a standard output handle the console is not open for
        // output, and the first write reports that (105) in place of the
        // failed call's own code.
        const std::string message =
            op == Op::std_output_handle ? "I/O error 105." : c.message;
        EXPECT_TRUE(r.console.ends_with(".\n" + message + "\r\n")) << r.console;
        // Nothing is printed after the report.
        EXPECT_EQ(r.console.find("Exception"), r.console.rfind("Exception"));
      }
    }
  }
  EXPECT_EQ(runs, total * 3);
}

INSTANTIATE_TEST_SUITE_P(Console, FaultInjection,
                         ::testing::Values(HandleKind::pipe, HandleKind::character));

}  // namespace
}  // namespace relabel::testing
