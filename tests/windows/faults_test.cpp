// Windows: processor faults reach the failure report through the system's
// last-chance filter.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "process_runner.h"

namespace relabel::testing {
namespace {

TEST(WindowsFaults, ReportedThroughTheUnhandledExceptionFilter) {
  const std::string head =
      "Exception ([A-Za-z]+) in module relabel_fault_helper\\.exe at "
      "[0-9A-F]{8}\\.\n";
  struct Case {
    const char* mode;
    const char* failure_class;
    std::string message;
  };
  const Case cases[] = {
      {"read", "EAccessViolation",
       "Access violation at address [0-9A-F]{8} in module "
       "'relabel_fault_helper\\.exe'\\. Read of address 00000010\\."},
      {"write", "EAccessViolation",
       "Access violation at address [0-9A-F]{8} in module "
       "'relabel_fault_helper\\.exe'\\. Write of address 00000010\\."},
      {"div", "EDivByZero", "Division by zero\\."},
      {"fdiv", "EZeroDivide", "Floating point division by zero\\."},
      {"privileged", "EPrivilege", "Privileged instruction\\."},
      {"stack", "EStackOverflow", "Stack overflow\\."},
#ifndef _WIN64
      // No stack kept for the handler, as on 32-bit Windows XP.
      {"stack-no-guarantee", "EStackOverflow", "Stack overflow\\."},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    const ProcessResult r = run_process({RELABEL_FAULT_HELPER, c.mode});
    EXPECT_EQ(r.exit_code, 1);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.output, m, std::regex(head + c.message + "\r\n")))
        << r.output;
    EXPECT_EQ(m[1], c.failure_class);
  }
}

}  // namespace
}  // namespace relabel::testing
