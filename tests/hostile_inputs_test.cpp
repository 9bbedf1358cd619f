// The real program on inputs that are hostile by size or content. Larger
// versions of the same inputs, with timings, are made by hardening/hostile.sh.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <random>
#include <string>

#include "process_runner.h"
#include "test_support.h"

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
       kBoardHead + "    (\"R1\" 1 2 0 6 0 0)\r\n" + "    (\"v\" " + parens + "\r\n" +
           "    (\"s\" 7 8 9)\r\n" + "    (\"R9\" " + parens + "\r\n" + quotes + "\r\nx" +
           parens + "\r\n" + ")\r\n",
       0, kBannerLine + total(2) + "+-R9-",
       kBoardHead + "    (\"R1\" 1 2 0 6 0 0)\r\n" + "    (\"10k\" 1 2 5 6 0 3)\r\n" +
           "    (\"0805\" 7 8 0)\r\n" + "    (\"R9\" " + parens + "\r\n" + quotes +
           "\r\nx" + parens + "\r\n" + ")\r\n"},
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

}  // namespace
}  // namespace relabel::testing
