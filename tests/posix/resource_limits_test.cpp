// The real program at the edges of its resources: allocations that fail one
// by one, an address space that is just too small, a file-size limit.
// Whatever happens, nothing goes to standard error and no signal ends the
// process: the run completes, or ends with a report after the banner
// (exit 1), or, before the failure layer is up, with the plain run-time
// error report (exit 203).
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "process_runner.h"

namespace relabel::testing {
namespace {

const std::string kBanner =
    "Prevod popisu soucastek v *.PCB podle *.PNL QUORANT 4.2 ZT'02 V2.1\r\n";
const std::string kExpected = RELABEL_EXAMPLES "/../packaging/expected/";

// True when `output` ends in the two-line report whose second line is
// `message`, and everything before it starts with the banner.
bool is_report_after_banner(const std::string& output, const std::string& class_name,
                            const std::string& message) {
  const std::size_t at = output.rfind("Exception ");
  return at != std::string::npos && output.compare(0, kBanner.size(), kBanner) == 0 &&
         at >= kBanner.size() &&
         std::regex_match(
             output.substr(at),
             std::regex("Exception " + class_name +
                        " in module relabel at [0-9A-F]{8}\\.\n" + message + "\\.\r\n"));
}

bool is_plain_memory_report(const std::string& output) {
  return output.size() == 32 &&
         std::regex_match(output.substr(0, 29),
                          std::regex("Runtime error 203 at [0-9A-F]{8}")) &&
         output.substr(29) == std::string("\0\r\n", 3);
}

class DemoRun : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* ext : {".pnl", ".pcb"})
      dir_.write(std::string("demo") + ext,
                 file_contents(RELABEL_EXAMPLES "/demo" + std::string(ext)));
  }

  ProcessResult run(ProcessOptions options) const {
    options.working_dir = dir_.path();
    return run_process({RELABEL_EXE, "demo", "out"}, options);
  }

  // One of the three sound ends, checked in full.
  void expect_sound_end(const ProcessResult& r, const std::string& what) const {
    EXPECT_EQ(r.error, "") << what;
    switch (r.exit_code) {
      case 0:
        EXPECT_EQ(r.output, file_contents(kExpected + "demo.console")) << what;
        EXPECT_EQ(dir_.read("out.pcb"), file_contents(kExpected + "demo.pcb")) << what;
        break;
      case 1:
        EXPECT_TRUE(is_report_after_banner(r.output, "EOutOfMemory", "Out of memory"))
            << what << ": " << r.output;
        break;
      case 203:
        EXPECT_TRUE(is_plain_memory_report(r.output)) << what << ": " << r.output;
        break;
      default:
        ADD_FAILURE() << what << ": exit code " << r.exit_code
                      << (r.exit_code < 0 ? " (killed by a signal)" : "");
    }
  }

  TempDir dir_;
};

TEST_F(DemoRun, EveryAllocationThatFailsEndsSoundly) {
#ifndef RELABEL_MALLOC_FAILER
  GTEST_SKIP() << "the failing allocator needs glibc and no sanitizer";
#else
  // Fail the Nth allocation alone, and the Nth and all later ones, until
  // failing all from N on no longer stops the run: N is past its last one.
  int reports = 0;
  for (int n = 1; n <= 500; ++n) {
    for (const std::string mode : {"", "+"}) {
      const std::string what = "allocation " + std::to_string(n) + mode;
      const ProcessResult r =
          run({.environment = {"LD_PRELOAD=" RELABEL_MALLOC_FAILER,
                               "RELABEL_FAIL_MALLOC=" + std::to_string(n) + mode}});
      expect_sound_end(r, what);
      if (r.exit_code != 0) ++reports;
      if (mode == "+" && r.exit_code == 0) {
        EXPECT_GT(reports, 0) << "no allocation failure reached the program";
        return;
      }
    }
  }
  ADD_FAILURE() << "the run still needed memory after 500 allocations";
#endif
}

TEST_F(DemoRun, AnAddressSpaceJustTooSmallEndsSoundly) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers' shadow memory does not fit such limits";
#endif
  constexpr std::uint64_t kPage = 4096;
  auto completes = [&](std::uint64_t limit) {
    return run({.address_space_limit = limit}).exit_code == 0;
  };
  // The smallest limit (in pages) with which the run completes.
  std::uint64_t low = 16, high = 64 << 20 >> 12;
  ASSERT_TRUE(completes(high * kPage));
  while (high - low > 1) {
    const std::uint64_t mid = (low + high) / 2;
    (completes(mid * kPage) ? high : low) = mid;
  }
  // Below it: the system may refuse to start the program at all (exec or
  // the dynamic loader fails to map it, with the loader's own message and
  // exit 127, a code the program never uses); every run that reached the
  // program must end soundly.
  int reached = 0;
  for (std::uint64_t limit = high * kPage - 512 * 1024; limit < high * kPage;
       limit += 8 * 1024) {
    const ProcessResult r = run({.address_space_limit = limit});
    if (r.exit_code == 127 && r.output.empty()) continue;
    ++reached;
    expect_sound_end(r, "limit " + std::to_string(limit));
  }
  std::cout << "runs that reached the program below " << high * kPage
            << " bytes: " << reached << " of 64\n";
}

TEST(FileSizeLimit, TheWriteFailsWithDiskFullAndWholePiecesStay) {
  TempDir dir;
  std::ostringstream head;
  for (int i = 0; i < 100; ++i) head << "head line " << i << "\r\n";
  const std::string board = head.str() + "Components\r\n)\r\n";
  dir.write("in.pnl", "Components\r\n\"R1\" \"10k\" \"0805\" \"\"\r\n)\r\n");
  dir.write("in.pcb", board);
  const ProcessResult r = run_process(
      {RELABEL_EXE, "in", "out"}, {.working_dir = dir.path(), .file_size_limit = 1024});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.error, "");
  EXPECT_TRUE(is_report_after_banner(r.output, "EInOutError", "I/O error 112"))
      << r.output;
  EXPECT_EQ(dir.read("out.pcb"), board.substr(0, 1024));
}

}  // namespace
}  // namespace relabel::testing
