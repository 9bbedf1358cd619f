// The read operations of the text layer, checked against a plain model of
// the line rules on random data: every result must match, whatever the
// buffer boundaries and however the platform splits its reads.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fake_platform.h"
#include "line_model.h"
#include "runtime/text_file.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

// Gives `fake` (installed by the caller) `data` as the file "in", read
// `chunk` bytes per platform call, and opens `f` on it.
void open_for_reading(FakePlatform& fake, TextFile& f, const std::string& data,
                      std::uint32_t chunk) {
  fake.read_chunk = chunk;
  fake.files["in"] = data;
  io_result = 0;
  text_assign(f, "in");
  text_reset(f);
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

TEST(TextReadModel, RandomDataAndOperationsMatchTheLineRules) {
  std::mt19937 rng(20261208);
  for (const std::uint32_t chunk : {128u, 1u, 3u, 50u, 127u}) {
    for (int round = 0; round < 300; ++round) {
      const std::string data = random_data(rng);
      FakePlatform fake;
      const PlatformScope scope(fake);
      TextFile f;
      open_for_reading(fake, f, data, chunk);
      LineModel model(data);
      Line line;
      std::uniform_int_distribution<int> op(0, 9);
      for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE("chunk " + std::to_string(chunk) + ", round " +
                     std::to_string(round) + ", step " + std::to_string(step));
        const int which = op(rng);
        if (which < 6) {
          text_read_line(f, line);
          ASSERT_EQ(line.text, model.read_line());
        } else if (which < 9) {
          ASSERT_EQ(text_at_end(f), model.at_end());
        } else {
          ASSERT_EQ(text_at_end_skipping_blanks(f), model.at_end_skipping_blanks());
        }
        ASSERT_EQ(io_result, 0);
      }
      text_close(f);
    }
  }
}

// Lines too long for the buffer are gathered in the line's own text, which
// keeps its capacity: no allocation per line once it has grown.
TEST(TextReadModel, LongLinesReuseTheGatheredText) {
  FakePlatform fake;
  const PlatformScope scope(fake);
  std::string data;
  for (int i = 0; i < 200; ++i) data += std::string(300 + i % 90, 'x') + "\r\n";
  TextFile f;
  open_for_reading(fake, f, data, 128);
  Line line;
  line.spill.reserve(512);
  const char* storage = line.spill.data();
  while (!text_at_end(f)) {
    text_read_line(f, line);
    ASSERT_EQ(line.text.data(), storage) << "the gathered line was reallocated";
  }
  text_close(f);
}

}  // namespace
}  // namespace relabel::testing
