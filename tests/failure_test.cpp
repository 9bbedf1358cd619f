// Failure objects, report texts and the end of a run, in process: the fake
// platform turns the process end into a ProcessExit exception.
#include "runtime/failure.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "fake_platform.h"
#include "runtime/lifecycle.h"
#include "runtime/text_file.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

using namespace std::string_literals;

class FailureTest : public ::testing::Test {
 protected:
  void SetUp() override { start_runtime(fake_); }
  void TearDown() override {
    io_result = 0;
    std::set_new_handler(nullptr);
  }

  // The exit code with which `body` ends the process; -1 when it returns.
  template <typename Body>
  static int exit_code_of(Body body) {
    try {
      body();
    } catch (const ProcessExit& exit) {
      return exit.code;
    }
    return -1;
  }

  FakePlatform fake_;
  const PlatformScope scope_{fake_};
};

// The report an I/O result code ends the run with, after what waits in the
// console's buffer: its own text for the codes that have one, "I/O error n"
// for every other; with no code pending the check returns.
TEST_F(FailureTest, IoFailureReports) {
  const std::pair<std::int32_t, std::string> cases[] = {
      {0, ""},
      {2, "File not found."},
      {3, "Invalid filename."},
      {4, "Too many open files."},
      {5, "File access denied."},
      {32, "I/O error 32."},
      {112, "I/O error 112."},
      {10002, "I/O error 10002."},
      {-5, "I/O error -5."},
  };
  for (const auto& [code, message] : cases) {
    start_runtime(fake_);
    fake_.console.clear();
    text_write(std_output, std::string_view("A.pnl"));
    io_result = code;
    EXPECT_EQ(exit_code_of([] { io_check(); }), code == 0 ? -1 : 1);
    EXPECT_EQ(io_result, 0);
    if (code == 0) {
      EXPECT_EQ(fake_.console, "");
    } else {
      EXPECT_TRUE(is_report_after(fake_.console, "A.pnl", message)) << fake_.console;
    }
  }
}

// "Exception <class> in module <module> at <address>.\n<message>.", cut at
// 1023 characters, and CR LF, after the console's waiting output. Outside
// any known module the address is shown relative to the program's load
// address 1000 (hexadecimal); a null position shows 0.
TEST_F(FailureTest, ReportForm) {
  const std::string head = "Exception EInOutError in module relabel at ";
  struct Case {
    std::string exe_path, class_name, message;
    std::uintptr_t position;
    std::string text;
    std::string waiting = {};
  };
  const Case cases[] = {
      {"", "EInOutError", "Bad input", 0, head + "00000000.\nBad input."},
      {"", "EInOutError", "Ends.", 0x1ABC, head + "00000ABC.\nEnds."},
      {"", "EInOutError", "a.b", 0x2FEDCBA9, head + "2FEDBBA9.\na.b."},
      {"", "EInOutError", "", 0x1000, head + "00000000.\n"},
      {"", "EInOutError", "..", 0, head + "00000000.\n.."},
      {"", "EInOutError", std::string(2000, 'x'), 0,
       head + "00000000.\n" + std::string(1023 - head.size() - 10, 'x')},
      {"", "EInOutError", "Disk full", 0x1010, head + "00000010.\nDisk full.",
       "...\r\nwaiting"},
      {"relabel.bin", "EDivByZero", "Division by zero", 0,
       "Exception EDivByZero in module relabel.bin at 00000000.\nDivision by zero."},
  };
  for (const Case& c : cases) {
    if (!c.exe_path.empty()) fake_.exe_path = c.exe_path;
    start_runtime(fake_);
    Exception failure(c.class_name);
    failure.set_message(c.message);
    fake_.console.clear();
    text_write(std_output, std::string_view(c.waiting));
    write_failure_report(failure, c.position);
    EXPECT_EQ(fake_.console, c.waiting + c.text + "\r\n");
  }
}

// What a fault ends the run with: the report of its class while the run is
// under way (the place relative to the load address 1000), the plain
// run-time error report with its number and the absolute place once the
// run's end has taken the failure layer down.
TEST_F(FailureTest, FaultReports) {
  struct Case {
    std::uint32_t status;
    const char* class_name;
    const char* message;
    int number;  // of the plain report
  };
  const Case cases[] = {
      {0xC0000005, "EAccessViolation",
       "Access violation at address 0001A2B4. Read of address 00000000.", 216},
      {0xC000008C, "ERangeError", "Range check error.", 201},
      {0xC000008D, "EUnderflow", "Floating point underflow.", 206},
      {0xC000008E, "EZeroDivide", "Floating point division by zero.", 200},
      {0xC000008F, "EInvalidOp", "Invalid floating point operation.", 207},
      {0xC0000090, "EInvalidOp", "Invalid floating point operation.", 207},
      {0xC0000091, "EOverflow", "Floating point overflow.", 205},
      {0xC0000092, "EInvalidOp", "Invalid floating point operation.", 207},
      {0xC0000093, "EUnderflow", "Floating point underflow.", 206},
      {0xC0000094, "EDivByZero", "Division by zero.", 200},
      {0xC0000095, "EIntOverflow", "Integer overflow.", 215},
      {0xC0000096, "EPrivilege", "Privileged instruction.", 218},
      {0xC00000FD, "EStackOverflow", "Stack overflow.", 202},
      {0xC000013A, "EControlC", "Control-C hit.", 217},
      {0xC000001D, "EExternalException", "External exception C000001D.", 255},
      {0x17, "EExternalException", "External exception 17.", 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.class_name);
    FaultRecord fault;
    fault.status = c.status;
    fault.code_position = 0x1A2B4;
    start_runtime(fake_);
    fake_.console.clear();
    EXPECT_EQ(exit_code_of([&] { handle_platform_fault(fault); }), 1);
    EXPECT_EQ(fake_.console, "Exception "s + c.class_name +
                                 " in module relabel at 000192B4.\n" + c.message +
                                 "\r\n");
    start_runtime(fake_);
    EXPECT_EQ(exit_code_of([] { end_run(0); }), 0);
    fake_.console.clear();
    EXPECT_EQ(exit_code_of([&] { handle_platform_fault(fault); }), c.number);
    EXPECT_EQ(fake_.console,
              "Runtime error " + std::to_string(c.number) + " at 0001A2B4" + "\0\r\n"s);
  }
}

TEST_F(FailureTest, AccessViolationMessage) {
  struct Case {
    std::uint32_t access_kind;
    std::uintptr_t instruction, address;
    std::string message;
  };
  // Both addresses are absolute; any kind but 0 is a write.
  const Case cases[] = {
      {0, 0x401234, 0x10,
       "Access violation at address 00401234. Read of address 00000010"},
      {1, 0x401234, 0xFFFFFFFC,
       "Access violation at address 00401234. Write of address FFFFFFFC"},
      {8, 0x1000, 0, "Access violation at address 00001000. Write of address 00000000"},
      // Wider addresses keep the fixed form and show their low 32 bits.
      {1, static_cast<std::uintptr_t>(0x55D412345678ull),
       static_cast<std::uintptr_t>(0x7FFC9ABCDEF0ull),
       "Access violation at address 12345678. Write of address 9ABCDEF0"},
  };
  for (const Case& c : cases) {
    FaultRecord fault;
    fault.status = 0xC0000005;
    fault.access_kind = c.access_kind;
    fault.code_position = c.instruction;
    fault.address = c.address;
    Exception& failure = make_fault_failure(fault);
    EXPECT_EQ(failure.class_name(), "EAccessViolation");
    EXPECT_EQ(failure.message(), c.message);
  }
}

// The plain report after the console's waiting output: the number ends at
// the 17th character, the absolute place in eight hexadecimal digits, a zero
// byte and CR LF; the process ends with the number.
TEST_F(FailureTest, PlainReports) {
  const std::tuple<std::int32_t, std::uintptr_t, std::string> cases[] = {
      {216, 0x1A2B4, "Runtime error 216 at 0001A2B4"},
      {203, 0, "Runtime error 203 at 00000000"},
      {255, 0xFFFFFFFF, "Runtime error 255 at FFFFFFFF"},
      {7, 0xABC, "Runtime error   7 at 00000ABC"},
      {216, static_cast<std::uintptr_t>(0x7FFF0001A2B4ull),
       "Runtime error 216 at 0001A2B4"},
  };
  for (const auto& [number, position, text] : cases) {
    start_runtime(fake_);
    fake_.console.clear();
    text_write(std_output, std::string_view("w"));
    const std::int32_t n = number;
    const std::uintptr_t at = position;
    EXPECT_EQ(exit_code_of([n, at] { end_run_with_error(n, at); }), n);
    EXPECT_EQ(fake_.console, "w" + text + "\0\r\n"s);
  }
}

// The end of a run pushes the console's waiting output, leaves the bytes
// waiting for the program's own files unwritten, and exits with the code.
TEST_F(FailureTest, EndRun) {
  for (std::int32_t code : {0, 1, 2}) {
    start_runtime(fake_);
    fake_.console.clear();
    const std::string name = "B" + std::to_string(code) + ".pcb";
    TextFile out;
    text_assign(out, name);
    text_rewrite(out);
    text_write(out, std::string_view("lost"));
    text_write(std_output, std::string_view("waiting"));
    ASSERT_EQ(io_result, 0);
    EXPECT_EQ(exit_code_of([&] { end_run(code); }), code);
    EXPECT_EQ(fake_.console, "waiting");
    EXPECT_EQ(fake_.files.at(name), "");
  }
}

// A C++ exception that leaves the run: a size limit thrown as bad_alloc is
// memory exhaustion, anything else the external exception it is on Windows.
TEST_F(FailureTest, ExceptionsEscapingTheRunAreReported) {
  const std::tuple<void (*)(), std::string, std::string> cases[] = {
      {[] { throw std::bad_alloc(); }, "EOutOfMemory", "Out of memory."},
      {[] { throw std::runtime_error("x"); }, "EExternalException",
       "External exception E06D7363."},
  };
  for (const auto& [body, class_name, message] : cases) {
    start_runtime(fake_);
    fake_.console.clear();
    void (*const run)() = body;
    EXPECT_EQ(exit_code_of([run] { run_guarded(run); }), 1);
    EXPECT_TRUE(is_report_after(fake_.console, "", message, class_name)) << fake_.console;
  }
}

}  // namespace
}  // namespace relabel::testing
