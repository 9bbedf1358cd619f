// Failures as a user meets them: a helper program started in a child process
// fails on purpose, and its standard output and exit code are checked. On
// Windows the faults reach the report through the system's last-chance
// filter.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

ProcessResult run_helper(const std::string& mode) {
  TempDir dir;
  return run_process({RELABEL_FAULT_HELPER, mode}, {dir.path()});
}

TEST(FaultProcess, ReportsAndExitCodeOne) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers catch deliberate faults";
#endif
  struct Case {
    std::string mode;
    std::string before;  // what the console shows ahead of the report
    std::string failure_class;
    std::string message;
  };
  const Case cases[] = {
    {"div", "", "EDivByZero", "Division by zero."},
    {"stack", "", "EStackOverflow", "Stack overflow."},
    {"io32", "", "EInOutError", "I/O error 32."},
#if defined(__x86_64__) || defined(__i386__)
    {"illegal", "", "EExternalException", "External exception C000001D."},
#endif
#if defined(__SSE_MATH__)
    {"fdiv", "", "EZeroDivide", "Floating point division by zero."},
    {"foverflow", "", "EOverflow", "Floating point overflow."},
#endif
#ifdef _WIN32
    {"privileged", "", "EPrivilege", "Privileged instruction."},
#ifndef _WIN64
    // No stack kept for the handler, as on 32-bit Windows XP.
    {"stack-no-guarantee", "", "EStackOverflow", "Stack overflow."},
#endif
#endif
    // What waits in the console's buffer is written before the report.
    {"waiting-then-missing", "waiting", "EInOutError", "File not found."},
  };
  for (const Case& c : cases) {
    const ProcessResult r = run_helper(c.mode);
    EXPECT_EQ(r.exit_code, 1) << c.mode;
    EXPECT_TRUE(
        is_report_after(r.output, c.before, c.message, c.failure_class, kHelperModule))
        << c.mode << ": " << r.output;
  }
}

TEST(FaultProcess, AccessViolationNamesModuleKindAndAbsoluteAddresses) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers catch deliberate faults";
#endif
  for (const std::string kind : {"Read", "Write"}) {
    const std::string mode = kind == "Read" ? "read" : "write";
    const ProcessResult r = run_helper(mode);
    EXPECT_EQ(r.exit_code, 1) << mode;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        r.output, m,
        std::regex("Exception EAccessViolation in module " + kHelperModule +
                   " at ([0-9A-F]{8})\\.\nAccess violation at address "
                   "([0-9A-F]{8}) in module '" +
                   kHelperModule + "'\\. " + kind + " of address 00000010\\.\r\n")))
        << r.output;
    // The first line shows the place relative to the module's page-aligned
    // load address, the message the absolute one.
    const std::string relative = m[1], absolute = m[2];
    EXPECT_NE(relative, absolute);
    EXPECT_EQ(relative.substr(5), absolute.substr(5));
  }
}

TEST(FaultProcess, EndRunPushesConsoleOutputAndKeepsItsCode) {
  const ProcessResult r = run_helper("exit");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.output, "bye");
}

}  // namespace
}  // namespace relabel::testing
