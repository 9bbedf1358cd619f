// Failure objects, report texts and the end of a run, in process: the fake
// platform turns the process end into a ProcessExit exception.
#include "runtime/failure.h"

#include <gtest/gtest.h>

#include <new>
#include <regex>
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

  static std::string report(const Exception& failure, std::uintptr_t at) {
    char text[kReportCapacity + 1];
    return std::string(text, failure_report_text(failure, at, text));
  }

  FakePlatform fake_;
  const PlatformScope scope_{fake_};
};

TEST_F(FailureTest, IoCheckWithNothingPendingReturns) {
  io_result = 0;
  EXPECT_EQ(exit_code_of([] { io_check(); }), -1);
  EXPECT_EQ(fake_.console, "");
}

TEST_F(FailureTest, IoCheckReportsThePendingCodeAndEndsWithOne) {
  text_write(std_output, std::string_view("A.pnl"));
  io_result = 2;
  EXPECT_EQ(exit_code_of([] { io_check(); }), 1);
  EXPECT_EQ(io_result, 0);
  EXPECT_TRUE(std::regex_match(
      fake_.console, std::regex("A\\.pnlException EInOutError in module relabel at "
                                "[0-9A-F]{8}\\.\nFile not found\\.\r\n")))
      << fake_.console;
}

// The report an I/O result code ends the run with: its own text for the
// codes that have one, "I/O error n" for every other.
TEST_F(FailureTest, IoFailureReports) {
  const std::pair<std::int32_t, std::string> cases[] = {
      {2, "File not found."},      {3, "Invalid filename."}, {4, "Too many open files."},
      {5, "File access denied."},  {32, "I/O error 32."},    {112, "I/O error 112."},
      {10002, "I/O error 10002."}, {-5, "I/O error -5."},
  };
  for (const auto& [code, message] : cases) {
    start_runtime(fake_);
    fake_.console.clear();
    io_result = code;
    EXPECT_EQ(exit_code_of([] { io_check(); }), 1);
    EXPECT_EQ(io_result, 0);
    EXPECT_TRUE(is_report_after(fake_.console, "", message)) << fake_.console;
  }
}

TEST_F(FailureTest, ReportTextForm) {
  struct Case {
    std::string message;
    std::uintptr_t position;
    std::string text;
  };
  // Outside any known module the address is shown relative to the
  // program's load address 1000 (hexadecimal); a null position shows 0.
  const Case cases[] = {
      {"Bad input", 0,
       "Exception EInOutError in module relabel at 00000000.\nBad input."},
      {"Ends.", 0x1ABC, "Exception EInOutError in module relabel at 00000ABC.\nEnds."},
      {"a.b", 0x2FEDCBA9, "Exception EInOutError in module relabel at 2FEDBBA9.\na.b."},
      {"", 0x1000, "Exception EInOutError in module relabel at 00000000.\n"},
      {"..", 0, "Exception EInOutError in module relabel at 00000000.\n.."},
  };
  for (const Case& c : cases) {
    Exception failure("EInOutError");
    failure.set_message(c.message);
    EXPECT_EQ(report(failure, c.position), c.text);
  }
}

TEST_F(FailureTest, ModuleNameOfAPathWithoutFolders) {
  fake_.exe_path = "relabel.bin";
  start_runtime(fake_);
  Exception failure("EDivByZero");
  failure.set_message("Division by zero");
  EXPECT_EQ(report(failure, 0),
            "Exception EDivByZero in module relabel.bin at 00000000.\n"
            "Division by zero.");
}

TEST_F(FailureTest, ReportIsCutAt1023Characters) {
  Exception failure("EInOutError");
  failure.set_message(std::string(2000, 'x'));
  const std::string head = "Exception EInOutError in module relabel at 00000000.\n";
  const std::string text = report(failure, 0);
  ASSERT_EQ(text.size(), 1023u);
  EXPECT_EQ(text, head + std::string(1023 - head.size(), 'x'));
}

TEST_F(FailureTest, WrittenReportFollowsWaitingOutputAndEndsWithCrLf) {
  text_write_line(std_output, "...");
  text_write(std_output, std::string_view("waiting"));
  Exception failure("EInOutError");
  failure.set_message("Disk full");
  write_failure_report(failure, 0x1010);
  EXPECT_EQ(fake_.console,
            "...\r\nwaiting"
            "Exception EInOutError in module relabel at 00000010.\n"
            "Disk full.\r\n");
}

// What a fault ends the run with: the report of its class while the run is
// under way, the plain run-time error report with its number once the run's
// end has taken the failure layer down.
TEST_F(FailureTest, FaultReports) {
  struct Case {
    std::uint32_t status;
    const char* class_name;
    const char* message;
    int number;  // of the plain report
  };
  const Case cases[] = {
      {0xC0000005, "EAccessViolation",
       "Access violation at address 00401000. Read of address 00000000.", 216},
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
    fault.code_position = 0x401000;
    start_runtime(fake_);
    fake_.console.clear();
    EXPECT_EQ(exit_code_of([&] { handle_platform_fault(fault); }), 1);
    EXPECT_TRUE(is_report_after(fake_.console, "", c.message, c.class_name))
        << fake_.console;
    start_runtime(fake_);
    EXPECT_EQ(exit_code_of([] { end_run(0); }), 0);
    fake_.console.clear();
    EXPECT_EQ(exit_code_of([&] { handle_platform_fault(fault); }), c.number);
    EXPECT_EQ(fake_.console,
              "Runtime error " + std::to_string(c.number) + " at 00401000" + "\0\r\n"s);
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

TEST_F(FailureTest, PlatformFaultWhileActiveIsReported) {
  FaultRecord fault;
  fault.status = 0xC0000094;
  fault.code_position = 0x1A2B4;
  EXPECT_EQ(exit_code_of([&] { handle_platform_fault(fault); }), 1);
  EXPECT_EQ(fake_.console,
            "Exception EDivByZero in module relabel at 000192B4.\n"
            "Division by zero.\r\n");
}

TEST_F(FailureTest, PlainErrorText) {
  const std::tuple<std::int32_t, std::uintptr_t, std::string> cases[] = {
      {216, 0x1A2B4, "Runtime error 216 at 0001A2B4"},
      {203, 0, "Runtime error 203 at 00000000"},
      {255, 0xFFFFFFFF, "Runtime error 255 at FFFFFFFF"},
      {7, 0xABC, "Runtime error   7 at 00000ABC"},
      {216, static_cast<std::uintptr_t>(0x7FFF0001A2B4ull),
       "Runtime error 216 at 0001A2B4"},
  };
  for (const auto& [number, position, text] : cases) {
    char out[30];
    EXPECT_EQ(std::string(out, plain_error_text(number, position, out)), text);
  }
}

TEST_F(FailureTest, PlainReportWritesTextZeroByteAndCrLf) {
  write_plain_error_report(216, 0x1A2B4);
  EXPECT_EQ(fake_.console, "Runtime error 216 at 0001A2B4\0\r\n"s);
}

TEST_F(FailureTest, EndRunPushesConsoleOutputAndExitsWithTheCode) {
  for (std::int32_t code : {0, 1, 2}) {
    start_runtime(fake_);
    fake_.console.clear();
    text_write(std_output, std::string_view("waiting"));
    EXPECT_EQ(exit_code_of([&] { end_run(code); }), code);
    EXPECT_EQ(fake_.console, "waiting");
  }
}

TEST_F(FailureTest, EndRunLeavesTheProgramsOwnFilesUnpushed) {
  TextFile out;
  text_assign(out, "B.pcb");
  text_rewrite(out);
  text_write(out, std::string_view("lost"));
  ASSERT_EQ(io_result, 0);
  EXPECT_EQ(exit_code_of([] { end_run(2); }), 2);
  EXPECT_EQ(fake_.files.at("B.pcb"), "");
}

TEST_F(FailureTest, EndRunWithErrorWritesThePlainReportAfterWaitingOutput) {
  text_write(std_output, std::string_view("w"));
  EXPECT_EQ(exit_code_of([] { end_run_with_error(216, 0x1A2B4); }), 216);
  EXPECT_EQ(fake_.console, "wRuntime error 216 at 0001A2B4\0\r\n"s);
}

// A C++ exception that leaves the run: a size limit thrown as bad_alloc is
// memory exhaustion, anything else the external exception it is on Windows.
TEST_F(FailureTest, ExceptionsEscapingTheRunAreReported) {
  const std::pair<void (*)(), std::string> cases[] = {
      {[] { throw std::bad_alloc(); },
       "EOutOfMemory in module relabel at [0-9A-F]{8}\\.\nOut of memory"},
      {[] { throw std::runtime_error("x"); },
       "EExternalException in module relabel at [0-9A-F]{8}\\.\nExternal exception "
       "E06D7363"},
  };
  for (const auto& [body, report] : cases) {
    start_runtime(fake_);
    fake_.console.clear();
    void (*const run)() = body;
    EXPECT_EQ(exit_code_of([run] { run_guarded(run); }), 1);
    EXPECT_TRUE(
        std::regex_match(fake_.console, std::regex("Exception " + report + "\\.\r\n")))
        << fake_.console;
  }
}

}  // namespace
}  // namespace relabel::testing
