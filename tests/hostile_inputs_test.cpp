// The real program on inputs that are hostile by size or content, and at
// the edges of its resources: memory that runs out, allocations that fail
// one by one, an address space just too small, a file-size limit. Whatever
// happens, nothing goes to standard error and no signal ends the process:
// the run completes, or ends with a report (exit 1), or, before the failure
// layer is up, with the plain run-time error report (exit 203). Larger
// versions of the inputs, with timings, are made by hardening/hostile.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <optional>
#include <random>
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

// A generous bound: every input here is a few megabytes, handled in one pass.
constexpr double kSecondsAllowed = 30;

const std::string kBoardHead = "head\r\nComponents\r\n";

// Runs the program on `parts` and, unless none, `board`, within the bound.
ProcessResult relabel_in(const TempDir& dir, const std::string& parts,
                         const std::optional<std::string>& board) {
  dir.write("in.pnl", parts);
  if (board) dir.write("in.pcb", *board);
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r = run_process({RELABEL_EXE, "in", "out"}, {dir.path()});
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took.count(), kSecondsAllowed);
  return r;
}

struct Hostile {
  const char* what;
  std::string parts;
  std::optional<std::string> board;  // none: no board file
  int exit_code;
  std::string console;
  std::optional<std::string> output;  // the board written; none: not checked
};

std::vector<Hostile> hostile_inputs() {
  const std::string huge_line(8u << 20, 'z');
  const std::string quotes(1000000, '"');
  const std::string parens(1000000, ')');
  const int kEmpty = 100000;
  std::string empties;
  for (int i = 0; i < kEmpty; ++i) empties += "\r\n";
  const std::string unmatched =
      "    (\"R9\" " + parens + "\r\n" + quotes + "\r\nx" + parens + "\r\n)\r\n";
  std::vector<Hostile> rows = {
      {"a huge line before the parts list's section: the whole file is one line",
       huge_line, std::nullopt, 2,
       kBannerLine + "Soubor in.pnl neobsahuje sekci \"Components\".\r\n", std::nullopt},
      {"a huge line as the board's tail: copied whole, with a line end added",
       "Components\n)\n", kBoardHead + ")\r\n" + huge_line, 0, kBannerLine + total(0),
       kBoardHead + ")\r\n" + huge_line + "\r\n"},
      // A parts line of quotes only: an entry whose texts are all empty. On
      // the board a matched entry whose value label is all closing
      // parentheses, then an entry line of them whose name is not in the
      // list, copied as it is with its labels.
      {"lines of one repeated character",
       "Components\n\"R1\" \"10k\" \"0805\"\n" + quotes + "\n)\n",
       kBoardHead + "    (\"R1\" 1 2 0 6 0 0)\r\n    (\"v\" " + parens +
           "\r\n    (\"s\" 7 8 9)\r\n" + unmatched,
       0, kBannerLine + total(2) + "+-R9-",
       kBoardHead + "    (\"R1\" 1 2 0 6 0 0)\r\n    (\"10k\" 1 2 5 6 0 3)\r\n" +
           "    (\"0805\" 7 8 0)\r\n" + unmatched},
      // Each empty line of the list is an entry, and the total counts them all.
      {"many empty lines in both sections", "Components\n" + empties + ")\n",
       kBoardHead + empties + ")\r\n\r\n\r\n  tail\r\n", 0, kBannerLine + total(kEmpty),
       kBoardHead + empties + ")\r\ntail\r\n"},
  };
  // A long parts list, more entries than a 16-bit count holds, and a board
  // with every seventh of them.
  const unsigned kParts = 70000;
  Hostile list = {"a long parts list and board",
                  "Components\n",
                  kBoardHead,
                  0,
                  kBannerLine + total(kParts) + std::string((kParts + 6) / 7, '+'),
                  kBoardHead};
  for (unsigned i = 0; i < kParts; ++i) {
    const std::string n = std::to_string(i);
    list.parts += "\"P" + n + "\" \"v" + n + "\" \"s" + n + "\" \"\"\n";
    if (i % 7 == 0) {
      *list.board += "    (\"P" + n +
                     "\" 10 20 0 2 0 0)\r\n    (\"a\" 1 2 3 4 5 6)\r\n"
                     "    (\"b\" 1 2 3)\r\n";
      *list.output += "    (\"P" + n + "\" 10 20 0 2 0 0)\r\n    (\"v" + n +
                      "\" 10 20 5 2 0 12)\r\n    (\"s" + n + "\" 1 2 0)\r\n";
    }
  }
  list.parts += ")\n";
  *list.board += ")\r\n";
  *list.output += ")\r\n";
  rows.push_back(std::move(list));
  return rows;
}

TEST(HostileInputs, EachFinishesInOnePassWithTheRightResult) {
  for (const Hostile& h : hostile_inputs()) {
    SCOPED_TRACE(h.what);
    TempDir dir;
    const ProcessResult r = relabel_in(dir, h.parts, h.board);
    EXPECT_EQ(r.exit_code, h.exit_code);
    EXPECT_EQ(r.output, h.console);
    if (h.output) {
      EXPECT_EQ(dir.read("out.pcb"), *h.output);
    }
  }
}

TEST(HostileInputs, NulAndHighBytesEverywhere) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 3; ++round) {
    std::string noise(1u << 20, '\0');
    for (char& c : noise) {
      // Mostly NUL and bytes above 127, some quotes, blanks and line ends,
      // and no byte 26, which would end the data early.
      const unsigned r = random() % 16;
      c = r < 6     ? '\0'
          : r < 12  ? static_cast<char>(128 + random() % 128)
          : r == 12 ? '"'
          : r == 13 ? ' '
          : r == 14 ? '\n'
                    : ')';
    }
    TempDir dir;
    const ProcessResult r =
        relabel_in(dir, "Components\n" + noise, kBoardHead + "    (\"" + noise);
    EXPECT_EQ(r.exit_code, 0) << r.output.substr(0, 300);
    EXPECT_TRUE(r.output.starts_with(kBannerLine));
    const std::string out = dir.read("out.pcb");
    EXPECT_TRUE(out.starts_with(kBoardHead));
    EXPECT_TRUE(out.ends_with("\r\n"));
  }
}

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

// True when `output` is a part of `complete`, at least its first `least`
// bytes, then the report of memory run out.
bool is_memory_report(const std::string& output, const std::string& complete,
                      std::size_t least, const std::string& module = kProgramModule) {
  const std::string before = output.substr(0, output.find("Exception "));
  return before.size() >= least && complete.starts_with(before) &&
         is_report_after(output, before, "Out of memory.", "EOutOfMemory", module);
}

// A run whose input or work needs more than its address-space limit: the
// program on in.pnl beside a board of a head only, or without input the
// fault helper allocating without end. The run shows at least `least` bytes
// of what it would show with memory enough, then the report; the exit code
// is 1 and no board is written.
struct Exhaustion {
  const char* what;
  bool skipped;            // the sanitizers need more address space than the limit
  std::string (*parts)();  // nullptr: the fault helper
  std::uint64_t limit;
  std::string complete;
  std::size_t least;
};

std::string a_line_larger_than_memory() { return std::string(40u << 20, 'a'); }

// Only the first entry of a name is stored, so each line names another
// component, with texts of the full 72 characters: about 250 bytes kept per
// line, 75 MB for the list. Entries are read before memory runs out.
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

const std::string kNoSection = "Soubor in.pnl neobsahuje sekci \"Components\".\r\n";
const Exhaustion kExhaustions[] = {
    {"a line larger than memory", kAsan, a_line_larger_than_memory, 48ull << 20,
     kBannerLine + kNoSection, kBannerLine.size()},
    {"a parts list larger than memory", kAsan, a_list_larger_than_memory, 48ull << 20,
     kBannerLine + total(300000), kBannerLine.size() + 4},
    {"the runtime allocating without end", kSanitized, nullptr, 64ull << 20, "", 0},
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
  const bool helper = e.parts == nullptr;
  if (!helper) {
    dir.write("in.pnl", e.parts());
    dir.write("in.pcb", kBoardHead);
  }
  const ProcessResult r =
      run_process(helper ? std::vector<std::string>{RELABEL_FAULT_HELPER, "memory"}
                         : std::vector<std::string>{RELABEL_EXE, "in", "out"},
                  {dir.path(), e.limit});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(is_memory_report(r.output, e.complete, e.least,
                               helper ? kHelperModule : kProgramModule))
      << "..."
      << r.output.substr(r.output.size() - std::min<std::size_t>(r.output.size(), 300));
  EXPECT_EQ(dir.read("out.pcb"), "");
}

INSTANTIATE_TEST_SUITE_P(Limits, MemoryExhaustion, ::testing::ValuesIn(kExhaustions));

// The runner sets the environment and the file-size limit on POSIX only.
#ifndef _WIN32

const std::string kExpected = RELABEL_EXAMPLES "/../packaging/expected/";

// The run-time error report of memory run out before the failure layer is up.
const std::regex kPlainMemoryReport(std::string("Runtime error 203 at [0-9A-F]{8}\0\r\n",
                                                35));

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
    const std::string console = file_contents(kExpected + "demo.console");
    switch (r.exit_code) {
      case 0:
        EXPECT_EQ(r.output, console) << what;
        EXPECT_EQ(dir_.read("out.pcb"), file_contents(kExpected + "demo.pcb")) << what;
        break;
      case 1:
        EXPECT_TRUE(is_memory_report(r.output, console, kBannerLine.size()))
            << what << ": " << r.output;
        break;
      case 203:
        EXPECT_TRUE(std::regex_match(r.output, kPlainMemoryReport))
            << what << ": " << r.output;
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
  // The program's own start needs less than its run, so the limits closest
  // below the one that completes do start it (24 of the 64 here): too few
  // means the system refused nearly every run and nothing above was tested.
  EXPECT_GE(reached, 8) << "too few runs reached the program to test it";
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
