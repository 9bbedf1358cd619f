// Failures as a user meets them: a helper program started in a child process
// fails on purpose, and its standard output and exit code are checked.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "process_runner.h"

namespace relabel::testing {
namespace {

const std::string kHelper = RELABEL_FAULT_HELPER;
// The helper's file name as reports give it (with ".exe" on Windows).
const std::string kModule = "relabel_fault_helper(?:\\.exe)?";

ProcessResult run_helper(const std::string& mode, std::uint64_t address_space_limit = 0) {
  TempDir dir;
  return run_process({kHelper, mode}, {dir.path(), address_space_limit});
}

// The report's first line up to its line feed, for the helper's own code.
std::string head_pattern(const std::string& class_name) {
  return "Exception " + class_name + " in module " + kModule + " at [0-9A-F]{8}\\.\n";
}

TEST(FaultProcess, ReportsAndExitCodeOne) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers catch deliberate faults and need more "
                  "address space than the limit leaves";
#endif
  struct Case {
    std::string mode;
    std::string pattern;
    std::uint64_t address_space_limit;
  };
  const Case cases[] = {
    {"div", head_pattern("EDivByZero") + "Division by zero\\.\r\n", 0},
    {"stack", head_pattern("EStackOverflow") + "Stack overflow\\.\r\n", 0},
    {"io32", head_pattern("EInOutError") + "I/O error 32\\.\r\n", 0},
#if defined(__x86_64__) || defined(__i386__)
    {"illegal", head_pattern("EExternalException") + "External exception C000001D\\.\r\n",
     0},
#endif
#if defined(__SSE_MATH__)
    {"fdiv", head_pattern("EZeroDivide") + "Floating point division by zero\\.\r\n", 0},
    {"foverflow", head_pattern("EOverflow") + "Floating point overflow\\.\r\n", 0},
#endif
    // What waits in the console's buffer is written before the report.
    {"waiting-then-missing",
     "waiting" + head_pattern("EInOutError") + "File not found\\.\r\n", 0},
  };
  for (const Case& c : cases) {
    const ProcessResult r = run_helper(c.mode, c.address_space_limit);
    EXPECT_EQ(r.exit_code, 1) << c.mode;
    EXPECT_TRUE(std::regex_match(r.output, std::regex(c.pattern)))
        << c.mode << ": " << r.output;
  }
}

TEST(FaultProcess, MemoryExhaustionUnderALimit) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers catch deliberate faults and need more "
                  "address space than the limit leaves";
#endif
#ifdef _WIN32
  GTEST_SKIP() << "Wine does not enforce a job object's memory limit, so "
                  "exhaustion cannot be provoked in bounded time";
#endif
  const ProcessResult r = run_helper("memory", 64u << 20);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(std::regex_match(
      r.output, std::regex(head_pattern("EOutOfMemory") + "Out of memory\\.\r\n")))
      << r.output;
}

TEST(FaultProcess, AccessViolationNamesModuleKindAndAbsoluteAddresses) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers catch deliberate faults and need more "
                  "address space than the limit leaves";
#endif
  for (const std::string kind : {"Read", "Write"}) {
    const std::string mode = kind == "Read" ? "read" : "write";
    const ProcessResult r = run_helper(mode);
    EXPECT_EQ(r.exit_code, 1) << mode;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        r.output, m,
        std::regex("Exception EAccessViolation in module " + kModule +
                   " at ([0-9A-F]{8})\\.\nAccess violation at address "
                   "([0-9A-F]{8}) in module '" +
                   kModule + "'\\. " + kind + " of address 00000010\\.\r\n")))
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
