// End-to-end: the built relabel, run on files in a temporary folder; console
// bytes, output file bytes and exit codes are compared exactly.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "process_runner.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

ProcessResult relabel_in(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), RELABEL_EXE);
  return run_process(args, {dir.path()});
}

const std::string kParts =
    "QUORANT parts\r\n"
    "Components\r\n"
    "\"R1\" \"10k\" \"0805\" \"\"\r\n"
    "\"C1 \" \"100n \" \"0603\" \"\"\r\n"
    "\"U1\" \"LM358\" \"SO8\" \"LM358A\"\r\n"
    ")\r\n";

const std::string kBoard =
    "HEAD\r\n"
    "Components\r\n"
    "    (\"R1\" 150 200 0 2 0 0)\r\n"
    "    (\"old\" 90 210 4 0 1 12)\r\n"
    "    (\"R1\" 95 190 4 0 1 12)\r\n"
    "    (\"Q9\" 10 20 0 2 0 0)\r\n"
    "    (\"q\" 1 2 3 4 5 6)\r\n"
    "    (\"Q9\" 1 2 3 4 5 6)\r\n"
    "  ; comment\r\n"
    "    (\"U1\" 300 400 90 6 0 0)\r\n"
    "    (\"v\" 1 2 3)\r\n"
    "    (\"U1\" 7 8 9 10 11 12)\r\n"
    ")\r\n"
    "\r\n"
    "   Nets  \r\n"
    "\tEnd\r\n";

const std::string kHeadAndEntries =
    "HEAD\r\n"
    "Components\r\n"
    "    (\"R1\" 150 200 0 2 0 0)\r\n";
const std::string kQ9AndRest =
    "    (\"Q9\" 10 20 0 2 0 0)\r\n"
    "    (\"q\" 1 2 3 4 5 6)\r\n"
    "    (\"Q9\" 1 2 3 4 5 6)\r\n"
    "  ; comment\r\n"
    "    (\"U1\" 300 400 90 6 0 0)\r\n";
const std::string kTailOut =
    ")\r\n"
    "Nets  \r\n"
    "End\r\n";

const std::string kConvertedDefault = kHeadAndEntries +
                                      "    (\"10k\" 150 200 5 2 0 12)\r\n"
                                      "    (\"0805\" 95 190 0)\r\n" +
                                      kQ9AndRest +
                                      "    (\"LM358A\" 300 400 5 6 0 3)\r\n"
                                      "    (\"SO8\" 7 8 0)\r\n" +
                                      kTailOut;

const std::string kConvertedKeep =
    kHeadAndEntries +
    "    (\"10k\" 90 210 4 0 1 12)\r\n"
    "    (\"0805\" 95 190 0)\r\n" +
    kQ9AndRest +
    // "v" has three numbers: the closing empty token zeroes number 4, and
    // numbers 5 and 6 keep what the previous label line left there.
    "    (\"LM358A\" 1 2 3 0 1 12)\r\n"
    "    (\"SO8\" 7 8 0)\r\n" +
    kTailOut;

const std::string kTotal = "...\r\nCelkem nalezeno: 3 soucastek.\r\n";
const std::string kMarks = "+-Q9-+";

TEST(EndToEnd, UsageWithFewerThanTwoArguments) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"in"}}) {
    TempDir dir;
    dir.write("in.pnl", kParts);
    const ProcessResult r = relabel_in(dir, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.output, kBannerLine + "Syntaxe vstupu:\r\n" +
                            reported_program_path(RELABEL_EXE) +
                            " vstup vystup (bez pripon) [x]\r\n"
                            "x.. parametr zakaze zmenu souradnic hodnoty soucasty\r\n");
    EXPECT_FALSE(dir.exists("in.pcb"));
  }
}

TEST(EndToEnd, ArgumentCountSelectsTheMode) {
  struct Case {
    std::vector<std::string> args;
    std::string console;
    const std::string& output;
  };
  const Case cases[] = {
      {{"in", "out"}, kBannerLine + kTotal + kMarks, kConvertedDefault},
      {{"in", "out", "x"}, kBannerLine + kKeepModeLine + kTotal + kMarks, kConvertedKeep},
      {{"in", "out", "0"}, kBannerLine + kKeepModeLine + kTotal + kMarks, kConvertedKeep},
      {{"in", "out", "x", "y"}, kBannerLine + kTotal + kMarks, kConvertedDefault},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.size());
    TempDir dir;
    dir.write("in.pnl", kParts);
    dir.write("in.pcb", kBoard);
    const ProcessResult r = relabel_in(dir, c.args);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, c.console);
    EXPECT_EQ(dir.read("out.pcb"), c.output);
    EXPECT_EQ(dir.read("in.pcb"), kBoard);
  }
}

TEST(EndToEnd, LineEndsOfEveryKindReadAlikeAndAreWrittenAsCrLf) {
  auto with_line_end = [](std::string text, const std::string& end) {
    std::string out;
    for (char c : text) {
      if (c == '\r') continue;
      if (c == '\n')
        out += end;
      else
        out += c;
    }
    return out;
  };
  // A CR not followed by LF is dropped, so lone-CR files read as lines that
  // never end: give them LF line ends plus stray CRs inside the lines.
  const std::string stray_cr_board = [&] {
    std::string b = with_line_end(kBoard, "\n");
    b.insert(b.find("HEAD") + 2, "\r");
    b.insert(b.find("Nets") + 2, "\r");
    return b;
  }();
  for (const auto& [parts, board] :
       {std::pair{kParts, kBoard},
        std::pair{with_line_end(kParts, "\n"), with_line_end(kBoard, "\n")},
        std::pair{with_line_end(kParts, "\n"), stray_cr_board}}) {
    TempDir dir;
    dir.write("in.pnl", parts);
    dir.write("in.pcb", board);
    const ProcessResult r = relabel_in(dir, {"in", "out"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, kBannerLine + kTotal + kMarks);
    EXPECT_EQ(dir.read("out.pcb"), kConvertedDefault);
  }
}

TEST(EndToEnd, LoneCrFileIsOneLongLine) {
  TempDir dir;
  dir.write("in.pnl", "x\rComponents\r\"R1\" \"1\"\r)\r");
  dir.write("in.pcb", "Components\r\n");
  const ProcessResult r = relabel_in(dir, {"in", "out"});
  // The whole list is the "Components" line and its last line: no section.
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.output, kBannerLine + "Soubor in.pnl neobsahuje sekci \"Components\".\r\n");
}

TEST(EndToEnd, MissingSectionEndsWithExitCodeTwo) {
  const std::string parts_message =
      kBannerLine + "Soubor in.pnl neobsahuje sekci \"Components\".\r\n";
  for (const std::string& parts :
       {std::string("no section here\r\n\"R1\" \"1\"\r\n"),
        std::string("head\r\nComponents\r\n"), std::string("Components")}) {
    TempDir dir;
    dir.write("in.pnl", parts);
    dir.write("in.pcb", kBoard);
    const ProcessResult r = relabel_in(dir, {"in", "out"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.output, parts_message);
    EXPECT_EQ(dir.read("out.pcb"), "");
  }
}

TEST(EndToEnd, BoardWithoutSectionKeepsOnlyWholePushedBuffers) {
  TempDir dir;
  std::string head;
  for (int i = 0; head.size() <= 300; ++i)
    head += "head line " + std::to_string(i) + "\r\n";
  dir.write("in.pnl", kParts);
  dir.write("in.pcb", head);
  const ProcessResult r = relabel_in(dir, {"in", "out"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.output,
            kBannerLine + kTotal + "Soubor in.pcb neobsahuje sekci \"Components\".\r\n");
  EXPECT_EQ(dir.read("out.pcb"), head.substr(0, 256));
}

TEST(EndToEnd, ByteTwentySixEndsTheBoardData) {
  TempDir dir;
  dir.write("in.pnl", kParts);
  dir.write("in.pcb",
            "Components\r\n    (\"Q9\" 1 2 3 4 5 6)\r\nla\x1A"
            "bel\r\nnever read\r\n)\r\ntail\r\n");
  const ProcessResult r = relabel_in(dir, {"in", "out"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.output, kBannerLine + kTotal + "-Q9-");
  // The label line ends before the byte 26; the second label is read at the
  // end of the data and copied as an empty line.
  EXPECT_EQ(dir.read("out.pcb"), "Components\r\n    (\"Q9\" 1 2 3 4 5 6)\r\nla\r\n\r\n");
}

TEST(EndToEnd, FileEndingInsideTheSection) {
  TempDir dir;
  dir.write("in.pnl", kParts);
  dir.write("in.pcb",
            "Components\r\n    (\"R1\" 150 200 0 2 0 0)\r\n    (\"v\" 9 9 9 9 9 9)");
  const ProcessResult r = relabel_in(dir, {"in", "out"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.output, kBannerLine + kTotal + "+");
  // The missing second label leaves the label record as the value label
  // left it; its number 3 becomes 0.
  EXPECT_EQ(dir.read("out.pcb"),
            "Components\r\n    (\"R1\" 150 200 0 2 0 0)\r\n"
            "    (\"10k\" 150 200 5 2 0 12)\r\n    (\"0805\" 150 200 0)\r\n");
}

TEST(EndToEnd, OutputOverAnInputIsRefusedWithNothingEmptied) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"in", "in"}, std::vector<std::string>{"in", "link"},
        std::vector<std::string>{"in", "partslink", "x"}}) {
    SCOPED_TRACE(args[1]);
    TempDir dir;
    dir.write("in.pnl", kParts);
    dir.write("in.pcb", kBoard);
    std::error_code no_symlinks;
    std::filesystem::create_symlink("in.pcb", dir.file("link.pcb"), no_symlinks);
    if (no_symlinks && args[1] == "link") {
      std::cout << "[  SKIPPED ] symbolic links cannot be made here\n";
      continue;
    }
    std::filesystem::create_hard_link(dir.file("in.pnl"), dir.file("partslink.pcb"));
    const ProcessResult r = relabel_in(dir, args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(is_report_after(r.output, kBannerLine, "I/O error 32.")) << r.output;
    EXPECT_EQ(dir.read("in.pcb"), kBoard);
    EXPECT_EQ(dir.read("in.pnl"), kParts);
  }
}

TEST(EndToEnd, InputBaseWithExtensionGetsItTwice) {
  TempDir dir;
  dir.write("in.pnl.pnl", kParts);
  dir.write("in.pnl.pcb", kBoard);
  const ProcessResult r = relabel_in(dir, {"in.pnl", "out"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(dir.read("out.pcb"), kConvertedDefault);
}

TEST(EndToEnd, ShippedExampleConverts) {
  TempDir dir;
  const ProcessResult r = run_process(
      {RELABEL_EXE, std::string(RELABEL_EXAMPLES) + "/demo", dir.file("demo-out")});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(r.output.starts_with(kBannerLine));
  EXPECT_NE(r.output.find("Celkem nalezeno: 14 soucastek.\r\n"), std::string::npos);
  EXPECT_NE(r.output.find("-C4-"), std::string::npos);
  EXPECT_FALSE(dir.read("demo-out.pcb").empty());
}

// The program's file name as failure reports name its module.
std::string module_name() {
  const std::string path = reported_program_path(RELABEL_EXE);
  return path.substr(path.find_last_of("/\\") + 1);
}

// An input that cannot be opened, or an output that cannot be made: the
// report after what was printed, exit code 1, the inputs as they were, and
// the output created only when the parts list was read.
TEST(EndToEnd, FailedOpensEndWithTheReport) {
  struct Case {
    const char* name;
    bool parts, board, output_folder;
    std::vector<std::string> args;
    bool total_first;
    const char* message;
  };
  const Case cases[] = {
      {"missing parts list", false, true, false, {"in", "out"}, false, "File not found."},
      {"missing board", true, false, false, {"in", "out"}, true, "File not found."},
      // Root may write anywhere, so a folder stands for a file it may not
      // replace.
      {"folder as output", true, true, true, {"in", "out"}, false, "File access denied."},
      {"missing folder",
       true,
       true,
       false,
       {"in", "no-such-folder/out"},
       false,
       "Invalid filename."},
      {"output over the input board",
       true,
       true,
       false,
       {"in", "in"},
       false,
       "I/O error 32."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (c.parts) dir.write("in.pnl", kParts);
    if (c.board) dir.write("in.pcb", kBoard);
    if (c.output_folder) {
      ASSERT_TRUE(std::filesystem::create_directory(dir.file("out.pcb")));
    }
    const ProcessResult r = relabel_in(dir, c.args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(
        is_report_after(r.output, kBannerLine + (c.total_first ? kTotal : ""), c.message))
        << r.output;
    EXPECT_NE(r.output.find(" in module " + module_name() + " at "), std::string::npos);
    EXPECT_EQ(dir.read("in.pcb"), c.board ? kBoard : "");
    EXPECT_EQ(dir.read("in.pnl"), c.parts ? kParts : "");
    if (!c.output_folder) {
      EXPECT_EQ(dir.exists("out.pcb"), c.total_first);
      EXPECT_EQ(dir.read("out.pcb"), "");
    }
  }
}

}  // namespace
}  // namespace relabel::testing
