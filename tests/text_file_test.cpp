// The buffered text files over the in-memory platform: a table of reads
// beside random reads checked to be the same however the platform splits
// the data, and
// tables of scripts (writes and the console, misuse, failures) beside random
// writes checked against the buffering rule.
#include "runtime/text_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "runtime/lifecycle.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

using Lines = std::vector<std::string>;

// What a step of a script sees: the platform, the file the script works on
// and the step itself.
struct Step;
struct Env {
  FakePlatform& fake;
  TextFile& f;
  const Step& step;
  // What the file, or the console, has received.
  std::string& held() { return &f == &std_output ? fake.console : fake.files[f.name]; }
};

// One operation on the file, or one check; the checks compare with `text`
// or `mode`, which a call gives the step: write("abc"), is(TextMode::input).
// After the step the pending code must be `code`: it stays pending until a
// `clear`. With a `with` code, the step's first platform call of kind `op`
// fails with it.
struct Step {
  void (*act)(Env&);
  std::string text = {};
  TextMode mode = TextMode::closed;
  std::int32_t code = 0;
  Op op = Op::read;
  std::int32_t with = 0;

  Step operator()(const std::string& t) const { return {act, t, mode, code, op, with}; }
  Step operator()(TextMode m) const { return {act, text, m, code, op, with}; }
  Step gives(std::int32_t pending) const { return {act, text, mode, pending, op, with}; }
  Step failing(Op call, std::int32_t code_of_call) const {
    return {act, text, mode, code, call, code_of_call};
  }
};

const Step reset{[](Env& e) { text_reset(e.f); }};
const Step rewrite{[](Env& e) { text_rewrite(e.f); }};
const Step close{[](Env& e) { text_close(e.f); }};
const Step flush{[](Env& e) { text_flush(e.f); }};
const Step push{[](Env& e) { text_push_buffer(e.f); }};
const Step clear{[](Env&) { io_result = 0; }};
const Step assign{[](Env& e) { text_assign(e.f, e.step.text); }};
const Step write{[](Env& e) { text_write(e.f, std::string_view(e.step.text)); }};
const Step write_line{[](Env& e) { text_write_line(e.f, e.step.text); }};
// One character at a time.
const Step put{[](Env& e) {
  for (const char c : e.step.text) text_write(e.f, c);
}};
const Step read_line{[](Env& e) {
  std::string line;
  text_read_line(e.f, line);
  EXPECT_EQ(line, e.step.text);
}};
const Step at_end{
    [](Env& e) { EXPECT_EQ(text_at_end(e.f) ? "yes" : "no", e.step.text); }};
const Step is{[](Env& e) { EXPECT_EQ(e.f.mode, e.step.mode); }};
// The platform holds `text` under the file's name.
const Step given{[](Env& e) { e.held() = e.step.text; }};
const Step holds{[](Env& e) { EXPECT_EQ(e.held(), e.step.text); }};
// The names of the files the platform holds open, separated by blanks.
const Step open_files{[](Env& e) {
  std::string names;
  for (const std::string& name : e.fake.open_names())
    names += (names.empty() ? "" : " ") + name;
  EXPECT_EQ(names, e.step.text);
}};
// The process ends; the conversion's files stay as they are.
const Step end_process{[](Env&) {
  try {
    end_run(0);
  } catch (const ProcessExit&) {
  }
}};
// A second file bound to the same name is opened for reading; refused, it
// is left closed.
const Step reopen{[](Env& e) {
  TextFile again;
  text_assign(again, e.f.name);
  text_reset(again);
  if (io_result != 0) {
    EXPECT_EQ(again.mode, TextMode::closed);
  }
}};

// The file a script works on: `in` or `out`, bound to the names "in" and
// "out" as the script starts, one never bound, or the standard output.
enum class On { in, out, unbound, console };

struct Script {
  const char* what;
  On on;
  std::vector<Step> steps;
  // The sizes of the platform's writes, in order; a failed one is marked "x".
  std::string writes = {};
  HandleKind console = HandleKind::pipe;
};

class TextFileTest : public ::testing::Test {
 protected:
  TextFileTest() { restart(); }

  // A new platform (no files, no failures, no calls yet) reading `chunk`
  // bytes per call, and the runtime started on it.
  void restart(std::uint32_t chunk = 128) {
    fake = FakePlatform{};
    fake.read_chunk = chunk;
    start_runtime(fake);
    text_assign(in, "in");
    text_assign(out, "out");
  }

  // `in` opened on `bytes`.
  void open_input(const std::string& bytes, std::uint32_t chunk = 128) {
    restart(chunk);
    fake.files["in"] = bytes;
    text_reset(in);
    ASSERT_EQ(io_result, 0);
  }

  // The lines of `in`, read while `at_end` (one of the two end tests) is false.
  Lines read_all(bool (*at_end)(TextFile&)) {
    Lines lines;
    std::string line;
    while (!at_end(in) && lines.size() < 2000) {
      text_read_line(in, line);
      lines.push_back(line);
    }
    return lines;
  }

  // What random operations on `data` give, as text: each line read, each
  // end test and each blank skip, with the platform handing over `chunk`
  // bytes per read. `seed` draws the operations.
  std::string random_reads(const std::string& data, std::uint32_t chunk, unsigned seed) {
    open_input(data, chunk);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> op(0, 9);
    std::string results, line;
    for (int step = 0; step < 400; ++step) {
      const int which = op(rng);
      if (which < 6) {
        text_read_line(in, line);
        results += "[" + line + "]";
      } else if (which < 9) {
        results += text_at_end(in) ? 'E' : 'e';
      } else {
        results += text_at_end_skipping_blanks(in) ? 'B' : 'b';
      }
      EXPECT_EQ(io_result, 0);
    }
    text_close(in);
    return results;
  }

  // Each script on a new platform, its steps in order.
  template <std::size_t n>
  void run(const Script (&scripts)[n]) {
    for (const Script& script : scripts) {
      SCOPED_TRACE(script.what);
      restart();
      fake.console_kind = script.console;
      TextFile unbound;
      TextFile* const files[] = {&in, &out, &unbound, &std_output};
      for (std::size_t i = 0; i < script.steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        const Step& step = script.steps[i];
        if (step.with != 0) fake.fail(step.op, 1, step.with);
        Env env{fake, *files[static_cast<int>(script.on)], step};
        step.act(env);
        EXPECT_EQ(io_result, step.code);
      }
      std::string writes;
      for (const std::string& w : fake.write_log) {
        const bool failed = w.ends_with(" FAILED");
        writes += (writes.empty() ? "" : " ") +
                  std::to_string(w.size() - 1 - (failed ? 7 : 0)) + (failed ? "x" : "");
      }
      EXPECT_EQ(writes, script.writes);
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
  // Read by the loop that copies the rest of a file without its leading
  // blanks, with text_at_end_skipping_blanks as its test.
  bool tail = false;
};

const std::string k127(127, 'x'), k1000(1000, 'y'), kOdd("a\0\x80\xff\tb", 6);
const std::string kBlanks(" \t\r\n\n \0\x01\r\n\t  ", 14);
const ReadCase kReadCases[] = {
    {"CR LF, no final line end", "A\r\nB", {"A", "B"}},
    {"LF only", "A\nB\n", {"A", "B"}},
    {"one line and its end", "A\r\n", {"A"}},
    {"lone CR is dropped", "A\rB\r\n", {"AB"}},
    {"lone CR before CR LF", "A\r\r\nB", {"A", "B"}},
    {"lone CR at the end", "A\r", {"A"}},
    {"lone CRs anywhere", "\rA\r\rB\r\n\r", {"AB", ""}},
    {"empty file", "", {}},
    {"only CR LF", "\r\n", {""}},
    {"two line ends at the end", "A\r\n\r\n", {"A", ""}},
    {"byte 26 first", "\032B\r\nC", {}},
    {"byte 26 at a line start", "A\r\n\032B\r\nC", {"A"}},
    {"byte 26 inside a line", "AB\032C\r\nD", {"AB"}},
    {"NUL and high bytes are ordinary", kOdd + "\n", {kOdd}},
    {"CR as byte 128, LF as 129", k127 + "\r\nB", {k127, "B"}},
    {"CR as byte 128, byte 26 as 129", k127 + "\r\032B", {k127}},
    {"1000-character line", k1000 + "\r\nZ", {k1000, "Z"}},
    // Each over several buffers, then a short one that fits in one.
    {"long lines, each shorter than the one before",
     std::string(389, 'a') + "\r\n" + std::string(300, 'b') + "\n" +
         std::string(129, 'c') + "\r\nd",
     {std::string(389, 'a'), std::string(300, 'b'), std::string(129, 'c'), "d"}},
    // The tail loop consumes blank lines and leading blanks, never the
    // blanks that end a line.
    {"tail of lines with blanks", "  x y  \r\n\r\n\tz\r\n", {"x y  ", "z"}, true},
    {"empty tail", "", {}, true},
    {"tail of blanks, controls and line ends only", kBlanks, {}, true},
};

// Every case again with reads that hand over fewer bytes, so that line ends
// and end markers fall on every buffer boundary. Once the data has ended,
// every further read meets the end at once: empty texts, no code, no
// platform read, and nothing behind a byte 26 ever comes through.
TEST_F(TextFileTest, ReadsLinesAndCopiesThemWithCrLf) {
  for (const std::uint32_t chunk : {128u, 1u, 2u, 3u, 7u}) {
    for (const ReadCase& c : kReadCases) {
      SCOPED_TRACE(std::string(c.what) + ", chunk " + std::to_string(chunk));
      open_input(c.bytes, chunk);
      text_rewrite(out);
      const Lines lines = read_all(c.tail ? text_at_end_skipping_blanks : text_at_end);
      EXPECT_EQ(lines, c.lines);
      const int reads = fake.calls(Op::read);
      for (int i = 0; i < 3; ++i) {
        std::string line = "stale";
        EXPECT_TRUE(text_at_end_skipping_blanks(in));
        EXPECT_TRUE(text_at_end(in));
        text_read_line(in, line);
        EXPECT_EQ(line, "");
      }
      EXPECT_EQ(fake.calls(Op::read), reads);
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

std::string random_data(std::mt19937& rng) {
  // Mostly text with CR LF line ends, and enough lone CRs, bare LFs, blanks,
  // control bytes and the odd byte 26 to meet every rule at every offset.
  static const char kBytes[] = "abcdefgh    ()\"\r\n\r\n\n\r\t\x01";
  std::uniform_int_distribution<int> length(0, 700);
  std::uniform_int_distribution<int> pick(0, sizeof kBytes - 2);
  std::uniform_int_distribution<int> rare(0, 999);
  // In one data in four most line ends become letters: lines longer than
  // the buffer.
  const bool long_lines = rare(rng) < 250;
  std::string data;
  const int n = length(rng);
  for (int i = 0; i < n; ++i) {
    char c = rare(rng) == 0 ? '\x1a' : kBytes[pick(rng)];
    if (long_lines && (c == '\r' || c == '\n') && rare(rng) < 950) c = 'y';
    data += c;
  }
  return data;
}

// Random data read by random operations: every result is the same whatever
// the buffer boundaries, that is however the platform splits its reads.
TEST_F(TextFileTest, RandomReadsDoNotDependOnBufferBoundaries) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 300; ++round) {
    const std::string data = random_data(rng);
    const unsigned seed = rng();
    const std::string whole = random_reads(data, 128, seed);
    for (const std::uint32_t chunk : {1u, 3u, 50u, 127u}) {
      SCOPED_TRACE("chunk " + std::to_string(chunk) + ", round " + std::to_string(round));
      ASSERT_EQ(random_reads(data, chunk, seed), whole);
    }
  }
}

// 300 bytes as five lines of 58 characters, and the text of each line.
std::string five_lines() {
  std::string s;
  for (int i = 0; i < 300; ++i)
    s += i % 60 == 58 ? '\r' : i % 60 == 59 ? '\n' : static_cast<char>('a' + i % 26);
  return s;
}
const std::string kFive = five_lines();
std::string piece(std::size_t n) { return kFive.substr(60 * n, 60); }
std::string line_of(std::size_t n) { return kFive.substr(60 * n, 58); }

// Writes reach a file in full buffers at once and the rest at the close;
// the console shows each write at its flush on a character device and is
// written like a file when redirected.
TEST_F(TextFileTest, WritesReachThePlatformInFullBuffers) {
  using enum On;
  // Five lines, then what is on the console before and after the end.
  const std::vector<Step> redirected = {write_line(line_of(0)),
                                        write_line(line_of(1)),
                                        write_line(line_of(2)),
                                        write_line(line_of(3)),
                                        write_line(line_of(4)),
                                        holds(kFive.substr(0, 256)),
                                        end_process,
                                        holds(kFive)};
  const std::string c128(128, 'c'), e127(127, 'e');
  const Script scripts[] = {
      {"a line end is CR LF", out, {rewrite, write_line, close, holds("\r\n")}, "2"},
      {"an unclosed file holds the full buffers only",
       out,
       {rewrite, write(piece(0)), write(piece(1)), write(piece(2)), write(piece(3)),
        write(piece(4)), end_process, holds(kFive.substr(0, 256))},
       "128 128"},
      {"a closed file holds everything",
       out,
       {rewrite, write(piece(0)), write(piece(1)), write(piece(2)), write(piece(3)),
        write(piece(4)), close, holds(kFive)},
       "128 128 44"},
      {"a character filling the buffer waits for the next write, a text not",
       out,
       {rewrite, put(c128), holds(""), put("d"), holds(c128), write(e127),
        holds(c128 + "d" + e127), end_process},
       "128 128"},
      {"console, character device",
       console,
       {write("ab"), put("c"), holds(""), flush, write("d"), write_line("e"),
        holds("abcde\r\n")},
       "3 4",
       HandleKind::character},
      {"console, pipe", console, redirected, "128 128 44", HandleKind::pipe},
      {"console, disk file", console, redirected, "128 128 44", HandleKind::disk},
      {"console of unknown kind",
       console,
       {write("x").gives(105), is(TextMode::closed).gives(105)},
       "",
       HandleKind::unknown},
      // The next write asks again; an explicit push sends out the waiting
      // bytes on a pipe.
      {"console whose handle request fails",
       console,
       {put("x").failing(Op::std_output_handle, 6).gives(105), clear, write("y"), push,
        holds("y")},
       "1"},
  };
  run(scripts);
}

// Random writes to a disk file: after each, the file holds exactly the
// bytes pushed so far.
TEST_F(TextFileTest, RandomWritesFollowTheBufferingRule) {
  std::mt19937 rng(6);
  std::uniform_int_distribution<int> kind(0, 3);
  std::uniform_int_distribution<int> length(0, 300);
  for (int round = 0; round < 200; ++round) {
    restart();
    text_rewrite(out);
    std::string all;
    std::size_t waiting = 0;  // bytes in the buffer, 0 to 128
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE("round " + std::to_string(round) + ", step " + std::to_string(step));
      const int k = kind(rng);
      if (k == 0) {  // one character: a full buffer is pushed before it
        const char c = static_cast<char>('a' + step % 26);
        text_write(out, c);
        all += c;
        waiting = waiting == 128 ? 1 : waiting + 1;
      } else {  // a text, possibly empty or longer than the buffer
        std::string text(static_cast<std::size_t>(k == 1 ? length(rng) % 4 : length(rng)),
                         static_cast<char>('A' + step % 26));
        text_write(out, std::string_view(text));
        all += text;
        waiting = (waiting + text.size()) % 128;  // never full after a text
      }
      text_flush(out);
      ASSERT_EQ(io_result, 0);
      ASSERT_EQ(fake.files["out"], all.substr(0, all.size() - waiting));
    }
    text_close(out);
    EXPECT_EQ(fake.files["out"], all);
  }
}

// The code each operation stores on a file that is not in the state it
// needs; the standard output is spared where the console's own use needs
// it. None of them writes anything.
TEST_F(TextFileTest, MisuseCodes) {
  using enum On;
  const Step given_line = given("A\r\n");
  const Script scripts[] = {
      {"reset, never bound", unbound, {reset.gives(102)}},
      {"rewrite, never bound", unbound, {rewrite.gives(102)}},
      {"close, closed", out, {close.gives(103)}},
      {"flush, closed", out, {flush.gives(103)}},
      {"push, closed", out, {push.gives(103)}},
      {"close, the console", console, {close.gives(103)}},
      {"flush, the console", console, {flush}},
      {"push, the console", console, {push}},
      {"at end, output", out, {rewrite, at_end("yes").gives(104)}},
      {"read line, output", out, {rewrite, read_line("").gives(104)}},
      {"write text, input", in, {given_line, reset, write("x").gives(105)}},
      {"write character, input", in, {given_line, reset, put("x").gives(105)}},
      {"write line, input", in, {given_line, reset, write_line.gives(105)}},
      {"write text, closed", out, {write("x").gives(105)}},
      // The write stores 105, then its flush finds the file not open.
      {"write line, closed", out, {write_line.gives(103)}},
  };
  run(scripts);
}

// Failed opens, pushes, releases and reads, and files opened or bound again
// while open: the code, the file's state and what reaches the platform.
TEST_F(TextFileTest, FailuresAndReopening) {
  using enum On;
  const std::string a129(129, 'a');
  const Script scripts[] = {
      // A later successful open leaves the code alone.
      {"reset of a missing file",
       in,
       {reset.gives(2), is(TextMode::closed).gives(2), open_files("").gives(2),
        rewrite.gives(2), is(TextMode::output).gives(2)}},
      // The open that holds it has emptied it, even with nothing written.
      {"a file held for writing cannot be opened again",
       out,
       {given("old"), rewrite, reopen.gives(32), open_files("out").gives(32), clear,
        holds(""), close, holds("")}},
      // The bytes waiting are lost, the rest of the text with them; the
      // file stays open.
      {"a failed push of a text",
       out,
       {rewrite, write(a129 + "a").failing(Op::write, 112).gives(112), clear,
        is(TextMode::output), write("xyz"), close, holds("xyz")},
       "128x 3"},
      {"a failed push before a character",
       out,
       {rewrite, put(a129).failing(Op::write, 112).gives(112), clear,
        is(TextMode::output), write("xyz"), close, holds("xyz")},
       "128x 3"},
      // The file stays held, its buffer empty: the next close writes nothing.
      {"a failed final push",
       out,
       {rewrite, write("abc"), close.failing(Op::write, 112).gives(112), clear,
        is(TextMode::output), open_files("out"), close, is(TextMode::closed),
        open_files(""), holds("")},
       "3x"},
      {"a failed release still closes the file",
       in,
       {given("A"), reset, close.failing(Op::close, 6).gives(6),
        is(TextMode::closed).gives(6)}},
      // It ends the read as at the end of the data, but leaves no end
      // marker: the next read asks the platform again.
      {"a failed fill",
       in,
       {given("AB\r\nC"), reset, read_line("").failing(Op::read, 23).gives(23), clear,
        is(TextMode::input), at_end("yes").failing(Op::read, 23).gives(23), clear,
        at_end("no"), read_line("AB"), read_line("C"), at_end("yes")}},
      // The end of the data: no code, and no read asks again.
      {"a broken pipe",
       in,
       {given("AB\r\n"), reset, read_line("").failing(Op::read, 109), at_end("yes"),
        read_line("")}},
      {"opening an open file closes it first",
       out,
       {rewrite, write("abc"), reset, is(TextMode::input), read_line("abc"),
        open_files("out")},
       "3"},
      // Its waiting bytes are lost and the platform still holds it.
      {"binding an open file again",
       out,
       {rewrite, write("abc"), assign("out"), is(TextMode::closed), reset.gives(32),
        holds("").gives(32)}},
  };
  run(scripts);
}

}  // namespace
}  // namespace relabel::testing
