// The real program and the fault helper at the edges of their resources:
// memory that runs out, allocations that fail one by one, an address space
// just too small, a file-size limit. Whatever happens, nothing goes to
// standard error and no signal ends the process: the run completes, or ends
// with a report (exit 1), or, before the failure layer is up, with the plain
// run-time error report (exit 203).
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

#include "process_runner.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define RELABEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RELABEL_ASAN 1
#endif
#endif

namespace relabel::testing {
namespace {

#ifdef RELABEL_ASAN
constexpr bool kAsan = true;
#else
constexpr bool kAsan = false;
#endif
#ifdef RELABEL_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A run whose input or work needs more than its address-space limit: the
// console shows `before`, at least `dots` dots, then the report of memory
// run out; the exit code is 1 and no board is written.
struct Exhaustion {
  const char* what;
  bool skipped;  // the sanitizers need more address space than the limit leaves
  std::vector<std::string> argv;
  std::uint64_t limit;
  std::string (*parts)();  // in.pnl, beside a board of a head only; nullptr: no files
  std::string before;
  std::size_t dots;
  std::string module;
};

// Only the first entry of a name is stored, so each line names another
// component, with texts of the full 72 characters: about 250 bytes kept per
// line, 75 MB for the list.
std::string a_list_larger_than_memory() {
  const std::string texts =
      " \"" + std::string(72, 'v') + "\" \"" + std::string(72, 's') + "\"\n";
  std::string parts = "Components\n";
  for (int i = 0; i < 300000; ++i) {
    std::string name = std::to_string(i);
    name.resize(72, 'n');
    parts += "\"" + name + "\"" + texts;
  }
  return parts;
}

const Exhaustion kExhaustions[] = {
    {"a line larger than memory",
     kAsan,
     {RELABEL_EXE, "in", "out"},
     48ull << 20,
     [] { return std::string(40u << 20, 'a'); },
     kBannerLine,
     0,
     kProgramModule},
    // Entries are read before memory runs out: dots, then the report.
    {"a parts list larger than memory",
     kAsan,
     {RELABEL_EXE, "in", "out"},
     48ull << 20,
     a_list_larger_than_memory,
     kBannerLine,
     4,
     kProgramModule},
    {"the runtime allocating without end",
     kSanitized,
     {RELABEL_FAULT_HELPER, "memory"},
     64ull << 20,
     nullptr,
     "",
     0,
     kHelperModule},
};

void PrintTo(const Exhaustion& e, std::ostream* os) { *os << e.what; }

class MemoryExhaustion : public ::testing::TestWithParam<Exhaustion> {};

TEST_P(MemoryExhaustion, IsReportedNotACrash) {
  const Exhaustion& e = GetParam();
  if (e.skipped) GTEST_SKIP() << "the sanitizers need more address space than the limit";
#ifdef _WIN32
  GTEST_SKIP() << "Wine does not enforce a job object's memory limit, so "
                  "exhaustion cannot be provoked in bounded time";
#endif
  TempDir dir;
  if (e.parts != nullptr) {
    dir.write("in.pnl", e.parts());
    dir.write("in.pcb", "head\r\nComponents\r\n");
  }
  const ProcessResult r = run_process(e.argv, {dir.path(), e.limit});
  EXPECT_EQ(r.exit_code, 1);
  const std::size_t end = r.output.find_first_not_of('.', e.before.size());
  const std::size_t dots = end == std::string::npos ? 0 : end - e.before.size();
  EXPECT_GE(dots, e.dots);
  EXPECT_TRUE(is_report_after(r.output, e.before + std::string(dots, '.'),
                              "Out of memory.", "EOutOfMemory", e.module))
      << r.output.substr(0, 200) << "..."
      << r.output.substr(end == std::string::npos ? 0 : end);
  EXPECT_EQ(dir.read("out.pcb"), "");
}

INSTANTIATE_TEST_SUITE_P(Limits, MemoryExhaustion, ::testing::ValuesIn(kExhaustions));

// The runner sets the environment and the file-size limit on POSIX only.
#ifndef _WIN32

const std::string kExpected = RELABEL_EXAMPLES "/../packaging/expected/";

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

  // One of the three sound ends, checked in full; a report follows a part
  // of what the complete run prints.
  void expect_sound_end(const ProcessResult& r, const std::string& what) const {
    EXPECT_EQ(r.error, "") << what;
    const std::string console = file_contents(kExpected + "demo.console");
    const std::string before = r.output.substr(0, r.output.rfind("Exception "));
    switch (r.exit_code) {
      case 0:
        EXPECT_EQ(r.output, console) << what;
        EXPECT_EQ(dir_.read("out.pcb"), file_contents(kExpected + "demo.pcb")) << what;
        break;
      case 1:
        EXPECT_TRUE(before.starts_with(kBannerLine) && console.starts_with(before) &&
                    is_report_after(r.output, before, "Out of memory.", "EOutOfMemory",
                                    kProgramModule))
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
  std::string board;
  for (int i = 0; i < 100; ++i) board += "head line " + std::to_string(i) + "\r\n";
  board += "Components\r\n)\r\n";
  dir.write("in.pnl", "Components\r\n\"R1\" \"10k\" \"0805\" \"\"\r\n)\r\n");
  dir.write("in.pcb", board);
  const ProcessResult r = run_process(
      {RELABEL_EXE, "in", "out"}, {.working_dir = dir.path(), .file_size_limit = 1024});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.error, "");
  EXPECT_TRUE(is_report_after(r.output, kBannerLine + total(1), "I/O error 112."))
      << r.output;
  EXPECT_EQ(dir.read("out.pcb"), board.substr(0, 1024));
}

#endif

}  // namespace
}  // namespace relabel::testing
