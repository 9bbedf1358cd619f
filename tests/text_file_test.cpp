// The buffered text files, over the in-memory platform.
#include "runtime/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "runtime/lifecycle.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

using Lines = std::vector<std::string>;

class TextFileTest : public ::testing::Test {
 protected:
  TextFileTest() {
    start_runtime(fake);  // installs `fake` until `scope` ends
    text_assign(in, "in");
    text_assign(out, "out");
  }

  void open_input(const std::string& bytes) {
    fake.files["in"] = bytes;
    text_reset(in);
    ASSERT_EQ(io_result, 0);
  }

  // The conversion's copy loop: test, then read a line and its end.
  Lines read_all() {
    Lines lines;
    Line line;
    while (!text_at_end(in) && lines.size() < 2000) {
      text_read_line(in, line);
      lines.emplace_back(line.text);
    }
    return lines;
  }

  // The process ends without closing the conversion's files.
  void end_process() {
    try {
      end_run(0);
    } catch (const ProcessExit&) {
    }
  }

  FakePlatform fake;
  const PlatformScope scope{fake};
  TextFile in;
  TextFile out;
};

struct ReadCase {
  const char* what;
  std::string bytes;
  Lines lines;
};

const ReadCase kReadCases[] = {
    {"CR LF, no final line end", "A\r\nB", {"A", "B"}},
    {"LF only", "A\nB\n", {"A", "B"}},
    {"lone CR is dropped", "A\rB\r\n", {"AB"}},
    {"lone CR before CR LF", "A\r\r\nB", {"A", "B"}},
    {"lone CR at the end", "A\r", {"A"}},
    {"empty file", "", {}},
    {"only CR LF", "\r\n", {""}},
    {"two line ends at the end", "A\r\n\r\n", {"A", ""}},
    {"byte 26 at a line start",
     "A\r\n\x1a"
     "B\r\nC",
     {"A"}},
    {"byte 26 inside a line",
     "AB\x1a"
     "C\r\nD",
     {"AB"}},
    {"NUL and high bytes are ordinary",
     std::string("a\0\x80\xff\tb\n", 7),
     {std::string("a\0\x80\xff\tb", 6)}},
    {"CR as byte 128, LF as 129",
     std::string(127, 'x') + "\r\nB",
     {std::string(127, 'x'), "B"}},
    {"1000-character line",
     std::string(1000, 'y') + "\r\nZ",
     {std::string(1000, 'y'), "Z"}},
};

// Every case again with reads that hand over fewer bytes, so that line ends
// and end markers fall on every buffer boundary.
TEST_F(TextFileTest, ReadsLinesAndCopiesThemWithCrLf) {
  for (const std::uint32_t chunk : {128u, 1u, 2u, 7u}) {
    for (const ReadCase& c : kReadCases) {
      SCOPED_TRACE(std::string(c.what) + ", chunk " + std::to_string(chunk));
      start_runtime(fake);
      fake.read_chunk = chunk;
      text_assign(in, "in");
      open_input(c.bytes);
      text_rewrite(out);
      const Lines lines = read_all();
      EXPECT_EQ(lines, c.lines);
      std::string expected;
      for (const std::string& line : lines) {
        text_write_line(out, line);
        expected += line + "\r\n";
      }
      text_close(in);
      text_close(out);
      EXPECT_EQ(io_result, 0);
      EXPECT_EQ(fake.files["out"], expected);
    }
  }
}

// Once the data has ended (at the end of the file or at a byte 26), every
// further read meets the end at once: empty texts, no code, no platform read,
// and nothing behind a byte 26 ever comes through.
TEST_F(TextFileTest, ReadsAtTheEndOfDataYieldNothingMore) {
  const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                       {"A\r\n", "A"},
                                                       {"\x1a"
                                                        "B\r\nC",
                                                        ""},
                                                       {"A\x1a"
                                                        "B\r\nC",
                                                        "A"}};
  for (const std::uint32_t chunk : {128u, 1u}) {
    for (const auto& [bytes, first] : cases) {
      SCOPED_TRACE(bytes + ", chunk " + std::to_string(chunk));
      start_runtime(fake);
      fake.read_chunk = chunk;
      text_assign(in, "in");
      open_input(bytes);
      Line line;
      text_read_line(in, line);
      EXPECT_EQ(line.text, first);
      EXPECT_TRUE(text_at_end(in));
      const int reads = fake.calls(Op::read);
      for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(text_at_end_skipping_blanks(in));
        EXPECT_TRUE(text_at_end(in));
        text_read_line(in, line);
        EXPECT_EQ(line.text, "");
      }
      EXPECT_EQ(io_result, 0);
      EXPECT_EQ(fake.calls(Op::read), reads);
    }
  }
}

// The loop that copies the rest of a file without its leading blanks.
TEST_F(TextFileTest, SkippingBlanksConsumesBlankLinesButNotTrailingBlanks) {
  for (const std::uint32_t chunk : {128u, 1u, 3u}) {
    SCOPED_TRACE(chunk);
    start_runtime(fake);
    fake.read_chunk = chunk;
    text_assign(in, "in");
    open_input("  x y  \r\n\r\n\tz\r\n");
    Lines lines;
    Line line;
    while (!text_at_end_skipping_blanks(in) && lines.size() < 10) {
      text_read_line(in, line);
      lines.emplace_back(line.text);
    }
    EXPECT_EQ(lines, (Lines{"x y  ", "z"}));
    EXPECT_EQ(io_result, 0);
  }
}

TEST_F(TextFileTest, TailOfBlanksOnlyIsConsumedWhole) {
  for (const std::string& tail :
       {std::string(), std::string(" \t\r\n\n \0\x01\r\n\t  ", 14)}) {
    fake.files["in"] = tail;
    text_reset(in);
    EXPECT_TRUE(text_at_end_skipping_blanks(in));
    EXPECT_TRUE(text_at_end(in));
    EXPECT_EQ(io_result, 0);
  }
}

TEST_F(TextFileTest, LineEndIsCrLf) {
  text_rewrite(out);
  text_write_line(out, {});
  text_close(out);
  EXPECT_EQ(fake.files["out"], "\r\n");
}

// Of an unclosed file only the full buffers pushed so far reach the disk.
TEST_F(TextFileTest, UnclosedOutputHoldsOnlyFullBuffers) {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += static_cast<char>('a' + i % 26);
  for (const bool close : {false, true}) {
    SCOPED_TRACE(close);
    const std::string name = close ? "closed" : "unclosed";
    start_runtime(fake);
    text_assign(out, name);
    text_rewrite(out);
    for (std::size_t at = 0; at < 300; at += 60)
      text_write(out, std::string_view(bytes).substr(at, 60));
    if (close) text_close(out);
    end_process();
    EXPECT_EQ(fake.files[name], close ? bytes : bytes.substr(0, 256));
  }
}

TEST_F(TextFileTest, CharacterFillingTheBufferWaitsForTheNextWrite) {
  text_rewrite(out);
  for (int i = 0; i < 128; ++i) text_write(out, 'c');
  EXPECT_EQ(fake.files["out"], "");
  text_write(out, 'd');
  EXPECT_EQ(fake.files["out"], std::string(128, 'c'));
  // A text that fills the buffer exactly is pushed at once.
  text_write(out, std::string(127, 'e'));
  EXPECT_EQ(fake.files["out"].size(), 256u);
  end_process();
  EXPECT_EQ(fake.files["out"].size(), 256u);
}

TEST_F(TextFileTest, ResetOfMissingFileLeavesCodePending) {
  text_reset(in);
  EXPECT_EQ(io_result, 2);
  EXPECT_EQ(in.mode, TextMode::closed);
  EXPECT_TRUE(fake.open_names().empty());
  text_rewrite(out);  // succeeds, and leaves the code alone
  EXPECT_EQ(out.mode, TextMode::output);
  EXPECT_EQ(io_result, 2);
}

// The code each operation stores on a TextFile that is not in the state it
// needs; the standard output is spared where the console's own use needs it.
TEST_F(TextFileTest, MisuseCodes) {
  enum class State { never_bound, closed, input, output, console };
  struct Case {
    const char* what;
    State state;
    void (*op)(TextFile&);
    std::int32_t code;
  };
  const Case cases[] = {
      {"reset, never bound", State::never_bound, text_reset, 102},
      {"rewrite, never bound", State::never_bound, text_rewrite, 102},
      {"close, closed", State::closed, text_close, 103},
      {"flush, closed", State::closed, text_flush, 103},
      {"push, closed", State::closed, text_push_buffer, 103},
      {"close, the console", State::console, text_close, 103},
      {"flush, the console", State::console, text_flush, 0},
      {"push, the console", State::console, text_push_buffer, 0},
      {"at end, output", State::output, [](TextFile& f) { EXPECT_TRUE(text_at_end(f)); },
       104},
      {"read line, output", State::output,
       [](TextFile& f) {
         Line line;
         text_read_line(f, line);
         EXPECT_EQ(line.text, "");
       },
       104},
      {"write text, input", State::input, [](TextFile& f) { text_write(f, "x"); }, 105},
      {"write character, input", State::input, [](TextFile& f) { text_write(f, 'x'); },
       105},
      {"write line, input", State::input, [](TextFile& f) { text_write_line(f, {}); },
       105},
      {"write text, closed", State::closed, [](TextFile& f) { text_write(f, "x"); }, 105},
      // The write stores 105, then its flush finds the file not open.
      {"write line, closed", State::closed, [](TextFile& f) { text_write_line(f, {}); },
       103},
  };
  fake.files["in"] = "A\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TextFile own;
    TextFile& f = c.state == State::console ? std_output : own;
    if (c.state == State::closed) text_assign(f, "out");
    if (c.state == State::input) text_assign(f, "in"), text_reset(f);
    if (c.state == State::output) text_assign(f, "out"), text_rewrite(f);
    io_result = 0;
    c.op(f);
    EXPECT_EQ(io_result, c.code);
    if (f.mode == TextMode::input || f.mode == TextMode::output) text_close(f);
  }
  EXPECT_TRUE(fake.console_writes.empty());
  EXPECT_EQ(fake.files["out"], "");
}

TEST_F(TextFileTest, FileHeldForWritingCannotBeOpenedAgain) {
  fake.files["out"] = "old";
  text_rewrite(out);
  TextFile again;
  text_assign(again, "out");
  text_reset(again);
  EXPECT_EQ(io_result, 32);
  EXPECT_EQ(again.mode, TextMode::closed);
  // The open that holds it has emptied it, even with nothing written.
  EXPECT_EQ(fake.files["out"], "");
  text_close(out);
  EXPECT_EQ(fake.files["out"], "");
}

TEST_F(TextFileTest, ConsoleShowsEachWriteAtItsFlush) {
  fake.console_kind = HandleKind::character;
  text_write(std_output, "ab");
  text_write(std_output, 'c');
  EXPECT_TRUE(fake.console_writes.empty());
  text_flush(std_output);
  text_write(std_output, "d");
  text_write_line(std_output, "e");
  EXPECT_EQ(fake.console_writes, (Lines{"abc", "de\r\n"}));
  EXPECT_EQ(io_result, 0);
}

TEST_F(TextFileTest, RedirectedConsoleGetsFullBuffersAndTheRestAtTheEnd) {
  for (const HandleKind kind : {HandleKind::pipe, HandleKind::disk}) {
    start_runtime(fake);
    fake.console_kind = kind;
    fake.console.clear();
    fake.console_writes.clear();
    std::string expected;
    for (int i = 0; i < 30; ++i) {
      text_write_line(std_output, "12345678");
      expected += "12345678\r\n";
    }
    ASSERT_EQ(fake.console_writes.size(), 2u);
    EXPECT_EQ(fake.console_writes[0].size(), 128u);
    EXPECT_EQ(fake.console_writes[1].size(), 128u);
    end_process();
    ASSERT_EQ(fake.console_writes.size(), 3u);
    EXPECT_EQ(fake.console_writes[2].size(), 300u - 256u);
    EXPECT_EQ(fake.console, expected);
  }
}

TEST_F(TextFileTest, ConsoleThatCannotBeOpenedGives105) {
  fake.console_kind = HandleKind::unknown;
  text_write(std_output, "x");
  EXPECT_EQ(io_result, 105);
  EXPECT_EQ(std_output.mode, TextMode::closed);

  // A failed handle request: 105 replaces its code; the next write retries
  // (and an explicit push sends out the waiting bytes on a pipe).
  fake.console_kind = HandleKind::pipe;
  fake.fail(Op::std_output_handle, 1, 6);
  io_result = 0;
  text_write(std_output, 'x');
  EXPECT_EQ(io_result, 105);
  io_result = 0;
  text_write(std_output, "y");
  text_push_buffer(std_output);
  EXPECT_EQ(io_result, 0);
  EXPECT_EQ(fake.console, "y");
}

TEST_F(TextFileTest, FailedPushLosesWaitingBytesButKeepsFileOpen) {
  for (const bool as_text : {true, false}) {
    SCOPED_TRACE(as_text);
    start_runtime(fake);
    text_assign(out, "out");
    text_rewrite(out);
    fake.fail(Op::write, 1, 112);
    if (as_text) {
      text_write(out, std::string(130, 'a'));  // the 2 beyond are dropped
    } else {
      for (int i = 0; i < 129; ++i) text_write(out, 'a');
    }
    EXPECT_EQ(io_result, 112);
    EXPECT_EQ(out.mode, TextMode::output);
    io_result = 0;
    text_write(out, "xyz");
    text_close(out);
    EXPECT_EQ(io_result, 0);
    EXPECT_EQ(fake.files["out"], "xyz");
  }
}

TEST_F(TextFileTest, FailedFinalPushKeepsFileHeld) {
  text_rewrite(out);
  text_write(out, "abc");
  fake.fail(Op::write, 1, 112);
  text_close(out);
  EXPECT_EQ(io_result, 112);
  EXPECT_EQ(out.mode, TextMode::output);
  EXPECT_EQ(out.pos, 0u);
  EXPECT_EQ(fake.open_names(), Lines{"out"});
  io_result = 0;
  text_close(out);
  EXPECT_EQ(io_result, 0);
  EXPECT_EQ(out.mode, TextMode::closed);
  EXPECT_TRUE(fake.open_names().empty());
  EXPECT_EQ(fake.files["out"], "");
}

TEST_F(TextFileTest, FailedReleaseStillClosesTheTextFile) {
  open_input("A");
  fake.fail(Op::close, 1, 6);
  text_close(in);
  EXPECT_EQ(io_result, 6);
  EXPECT_EQ(in.mode, TextMode::closed);
}

// A failed read ends the current operation as at the end of the data, but
// leaves no end marker: the next read asks the platform again.
TEST_F(TextFileTest, FailedFillIsRetriedByTheNextRead) {
  open_input("AB\r\nC");
  fake.fail(Op::read, 1, 23);
  Line line;
  text_read_line(in, line);
  EXPECT_EQ(line.text, "");
  EXPECT_EQ(io_result, 23);
  EXPECT_EQ(in.mode, TextMode::input);

  io_result = 0;
  fake.fail(Op::read, 1, 23);
  EXPECT_TRUE(text_at_end(in));
  EXPECT_EQ(io_result, 23);

  io_result = 0;
  EXPECT_EQ(read_all(), (Lines{"AB", "C"}));
  EXPECT_EQ(io_result, 0);
}

TEST_F(TextFileTest, BrokenPipeIsTheEndOfTheData) {
  open_input("AB\r\n");
  fake.fail(Op::read, 1, 109);  // the broken pipe of Windows
  Line line;
  text_read_line(in, line);
  EXPECT_EQ(line.text, "");
  EXPECT_EQ(io_result, 0);
  EXPECT_TRUE(text_at_end(in));
  EXPECT_EQ(fake.calls(Op::read), 1);
}

TEST_F(TextFileTest, OpeningAnOpenFileClosesItFirst) {
  text_rewrite(out);
  text_write(out, "abc");
  text_reset(out);
  EXPECT_EQ(io_result, 0);
  EXPECT_EQ(out.mode, TextMode::input);
  Line line;
  text_read_line(out, line);
  EXPECT_EQ(line.text, "abc");
  EXPECT_EQ(fake.open_names(), Lines{"out"});
}

TEST_F(TextFileTest, AssignOnAnOpenFileLosesItsBytesAndKeepsItHeld) {
  text_rewrite(out);
  text_write(out, "abc");
  text_assign(out, "out");
  EXPECT_EQ(out.mode, TextMode::closed);
  text_reset(out);
  EXPECT_EQ(io_result, 32);
  EXPECT_EQ(fake.files["out"], "");
}

}  // namespace
}  // namespace relabel::testing
