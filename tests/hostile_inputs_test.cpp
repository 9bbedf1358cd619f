// The real program on inputs that are hostile by size or content, and under
// a lowered address-space limit. Larger versions of the same inputs, with
// timings, are made by hardening/hostile.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

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

const std::string kOutOfMemory = ".\nOut of memory.\r\n";  // the end of the report

// A generous bound: every input here is a few megabytes, handled in one pass.
constexpr double kSecondsAllowed = 30;

struct Timed {
  ProcessResult result;
  double seconds;
};

Timed relabel_in(const TempDir& dir, std::uint64_t address_space_limit = 0) {
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r =
      run_process({RELABEL_EXE, "in", "out"}, {dir.path(), address_space_limit});
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {std::move(r), took.count()};
}

std::string total_line(unsigned count) {
  return "\r\nCelkem nalezeno: " + std::to_string(count) + " soucastek.\r\n";
}

const std::string kBoardHead = "head\r\nComponents\r\n";

// ---------------------------------------------------------------------------
// Memory exhaustion: the report, not a crash.

class OutOfMemory : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef RELABEL_ASAN
    GTEST_SKIP() << "AddressSanitizer needs far more address space than the "
                    "limit these runs set";
#endif
#ifdef _WIN32
    GTEST_SKIP() << "Wine does not enforce a job object's memory limit, so "
                    "exhaustion cannot be provoked in bounded time";
#endif
  }
  static constexpr std::uint64_t kLimit = 48ull << 20;
};

TEST_F(OutOfMemory, ALineLargerThanMemoryIsReported) {
  TempDir dir;
  dir.write("in.pnl", std::string(40u << 20, 'a'));  // no line end
  dir.write("in.pcb", kBoardHead);
  const Timed t = relabel_in(dir, kLimit);
  EXPECT_EQ(t.result.exit_code, 1);
  EXPECT_EQ(t.result.output.rfind(kBannerLine, 0), 0u) << t.result.output;
  EXPECT_NE(t.result.output.find("Exception EOutOfMemory in module relabel at "),
            std::string::npos)
      << t.result.output;
  EXPECT_TRUE(t.result.output.ends_with(kOutOfMemory)) << t.result.output;
  EXPECT_EQ(dir.read("out.pcb"), "");
}

TEST_F(OutOfMemory, APartsListLargerThanMemoryIsReported) {
  TempDir dir;
  // Only the first entry of a name is stored, so each line names another
  // component, with texts of the full 72 characters: about 250 bytes kept
  // per line, 75 MB for the list.
  const std::string texts =
      " \"" + std::string(72, 'v') + "\" \"" + std::string(72, 's') + "\"\n";
  std::string parts = "Components\n";
  for (int i = 0; i < 300000; ++i) {
    std::string name = std::to_string(i);
    name.resize(72, 'n');
    parts += "\"" + name + "\"" + texts;
  }
  dir.write("in.pnl", parts);
  dir.write("in.pcb", kBoardHead);
  const Timed t = relabel_in(dir, kLimit);
  EXPECT_EQ(t.result.exit_code, 1);
  const std::string& out = t.result.output;
  // Entries were read before memory ran out: dots, then the report.
  EXPECT_EQ(out.rfind(kBannerLine + "....", 0), 0u) << out.substr(0, 200);
  EXPECT_NE(out.find(".Exception EOutOfMemory in module relabel at "), std::string::npos);
  EXPECT_TRUE(out.ends_with(kOutOfMemory)) << out.substr(out.size() - 200);
}

// ---------------------------------------------------------------------------
// Hostile inputs, each finishing in one pass with the right result.

TEST(HostileInputs, AHugeLineWithoutALineEnd) {
  const std::string line(8u << 20, 'z');
  {  // before the section of the parts list: the whole file is one line
    TempDir dir;
    dir.write("in.pnl", line);
    const Timed t = relabel_in(dir);
    EXPECT_EQ(t.result.exit_code, 2);
    EXPECT_EQ(t.result.output,
              kBannerLine + "Soubor in.pnl neobsahuje sekci \"Components\".\r\n");
    EXPECT_LT(t.seconds, kSecondsAllowed);
  }
  {  // as the board's tail: copied whole, with a line end added
    TempDir dir;
    dir.write("in.pnl", "Components\n)\n");
    dir.write("in.pcb", kBoardHead + ")\r\n" + line);
    const Timed t = relabel_in(dir);
    EXPECT_EQ(t.result.exit_code, 0);
    EXPECT_EQ(dir.read("out.pcb"), kBoardHead + ")\r\n" + line + "\r\n");
    EXPECT_LT(t.seconds, kSecondsAllowed);
  }
}

TEST(HostileInputs, LinesOfOneRepeatedCharacter) {
  const std::string quotes(1000000, '"');
  const std::string parens(1000000, ')');
  TempDir dir;
  // A parts line of quotes only: an entry whose texts are all empty.
  dir.write("in.pnl", "Components\n\"R1\" \"10k\" \"0805\"\n" + quotes + "\n)\n");
  // A matched entry whose value label is all closing parentheses, then an
  // entry line of them whose name is not in the list, copied as it is with
  // its labels.
  const std::string board = kBoardHead + "    (\"R1\" 1 2 0 6 0 0)\r\n" + "    (\"v\" " +
                            parens + "\r\n" + "    (\"s\" 7 8 9)\r\n" + "    (\"R9\" " +
                            parens + "\r\n" + quotes + "\r\nx" + parens + "\r\n" +
                            ")\r\n";
  dir.write("in.pcb", board);
  const Timed t = relabel_in(dir);
  EXPECT_EQ(t.result.exit_code, 0);
  EXPECT_EQ(t.result.output, kBannerLine + ".." + total_line(2) + "+-R9-");
  EXPECT_EQ(dir.read("out.pcb"), kBoardHead + "    (\"R1\" 1 2 0 6 0 0)\r\n" +
                                     "    (\"10k\" 1 2 5 6 0 3)\r\n" +
                                     "    (\"0805\" 7 8 0)\r\n" + "    (\"R9\" " +
                                     parens + "\r\n" + quotes + "\r\nx" + parens +
                                     "\r\n" + ")\r\n");
  EXPECT_LT(t.seconds, kSecondsAllowed);
}

TEST(HostileInputs, ManyEmptyLinesInBothSections) {
  const int kEmpty = 100000;
  std::string empties;
  for (int i = 0; i < kEmpty; ++i) empties += "\r\n";
  TempDir dir;
  dir.write("in.pnl", "Components\n" + empties + ")\n");
  dir.write("in.pcb", kBoardHead + empties + ")\r\n\r\n\r\n  tail\r\n");
  const Timed t = relabel_in(dir);
  EXPECT_EQ(t.result.exit_code, 0);
  // Each empty line of the list is an entry, and the total counts them all.
  EXPECT_EQ(t.result.output, kBannerLine + std::string(kEmpty, '.') + total_line(kEmpty));
  EXPECT_EQ(dir.read("out.pcb"), kBoardHead + empties + ")\r\ntail\r\n");
  EXPECT_LT(t.seconds, kSecondsAllowed);
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
    dir.write("in.pnl", "Components\n" + noise);
    dir.write("in.pcb", kBoardHead + "    (\"" + noise);
    const Timed t = relabel_in(dir);
    EXPECT_EQ(t.result.exit_code, 0) << t.result.output.substr(0, 300);
    EXPECT_EQ(t.result.output.rfind(kBannerLine, 0), 0u);
    const std::string out = dir.read("out.pcb");
    EXPECT_EQ(out.rfind(kBoardHead, 0), 0u);
    EXPECT_TRUE(out.ends_with("\r\n"));
    EXPECT_LT(t.seconds, kSecondsAllowed);
  }
}

TEST(HostileInputs, ALongPartsListAndBoard) {
  const unsigned kParts = 70000;  // more than a 16-bit count holds
  std::string parts = "Components\n";
  std::string board = kBoardHead;
  std::string expected = kBoardHead;
  for (unsigned i = 0; i < kParts; ++i) {
    const std::string n = std::to_string(i);
    parts += "\"P" + n + "\" \"v" + n + "\" \"s" + n + "\" \"\"\n";
    if (i % 7 == 0) {
      board += "    (\"P" + n +
               "\" 10 20 0 2 0 0)\r\n    (\"a\" 1 2 3 4 5 6)\r\n"
               "    (\"b\" 1 2 3)\r\n";
      expected += "    (\"P" + n + "\" 10 20 0 2 0 0)\r\n    (\"v" + n +
                  "\" 10 20 5 2 0 12)\r\n    (\"s" + n + "\" 1 2 0)\r\n";
    }
  }
  parts += ")\n";
  board += ")\r\n";
  expected += ")\r\n";
  TempDir dir;
  dir.write("in.pnl", parts);
  dir.write("in.pcb", board);
  const Timed t = relabel_in(dir);
  EXPECT_EQ(t.result.exit_code, 0);
  EXPECT_EQ(t.result.output, kBannerLine + std::string(kParts, '.') + total_line(kParts) +
                                 std::string((kParts + 6) / 7, '+'));
  EXPECT_EQ(dir.read("out.pcb"), expected);
  EXPECT_LT(t.seconds, kSecondsAllowed);
}

}  // namespace
}  // namespace relabel::testing
