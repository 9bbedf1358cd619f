// The read operations of the text layer, checked against a plain model of
// the line rules on random data: every result must match, whatever the
// buffer boundaries and however the platform splits its reads.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fake_platform.h"
#include "runtime/text_file.h"

namespace relabel::testing {
namespace {

// Installs `fake` holding `data` as the file "in", read `chunk` bytes per
// platform call, and opens `f` on it.
void open_for_reading(FakePlatform& fake, TextFile& f, const std::string& data,
                      std::uint32_t chunk) {
  fake.read_chunk = chunk;
  fake.files["in"] = data;
  set_platform(&fake);
  io_result = 0;
  text_assign(f, "in");
  text_reset(f);
}

// The rules, one byte at a time over the whole data: LF or CR LF ends a
// line, a lone CR is dropped, byte 26 ends the data.
class LineModel {
 public:
  explicit LineModel(const std::string& data)
      : data_(data), end_(std::min(data.find('\x1a'), data.size())) {}

  bool at_end() const { return pos_ >= end_; }

  std::string read_line() {
    std::string line;
    while (pos_ < end_) {
      const char c = data_[pos_];
      if (c == '\n') break;
      if (c == '\r') {
        if (pos_ + 1 < end_ && data_[pos_ + 1] == '\n') break;
        ++pos_;
        continue;
      }
      line += c;
      ++pos_;
    }
    return line;
  }

  void skip_line() {
    while (pos_ < end_) {
      const char c = data_[pos_++];
      if (c == '\n') return;
      if (c == '\r' && pos_ < end_ && data_[pos_] == '\n') {
        ++pos_;
        return;
      }
    }
  }

  bool at_end_skipping_blanks() {
    while (pos_ < end_ && static_cast<unsigned char>(data_[pos_]) <= 32) ++pos_;
    return pos_ >= end_;
  }

 private:
  std::string data_;
  std::size_t end_;
  std::size_t pos_ = 0;
};

std::string random_data(std::mt19937& rng) {
  // Mostly text with CR LF line ends, and enough lone CRs, bare LFs, blanks,
  // control bytes and the odd byte 26 to meet every rule at every offset.
  static const char kBytes[] = "abcdefgh    ()\"\r\n\r\n\n\r\t\x01";
  std::uniform_int_distribution<int> length(0, 700);
  std::uniform_int_distribution<int> pick(0, sizeof kBytes - 2);
  std::uniform_int_distribution<int> rare(0, 999);
  std::string data;
  const int n = length(rng);
  for (int i = 0; i < n; ++i)
    data += rare(rng) == 0 ? '\x1a' : kBytes[pick(rng)];
  return data;
}

TEST(TextReadModel, RandomDataAndOperationsMatchTheLineRules) {
  std::mt19937 rng(20261208);
  for (const std::uint32_t chunk : {128u, 1u, 3u, 50u, 127u}) {
    for (int round = 0; round < 300; ++round) {
      const std::string data = random_data(rng);
      FakePlatform fake;
      TextFile f;
      open_for_reading(fake, f, data, chunk);
      LineModel model(data);
      std::string line;
      Line view;
      std::uniform_int_distribution<int> op(0, 9);
      for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE("chunk " + std::to_string(chunk) + ", round " +
                     std::to_string(round) + ", step " + std::to_string(step));
        const int which = op(rng);
        if (which < 5) {
          // The conversion's read: a line and its end, at once where both
          // lie in the buffer. The line, a view, must outlast the skip.
          const std::string expected = model.read_line();
          model.skip_line();
          if (!text_take_line(f, view)) {
            text_read_line(f, view);
            text_skip_line(f);
          }
          ASSERT_EQ(view.text, expected);
        } else if (which < 6) {
          text_read_line(f, line);
          ASSERT_EQ(line, model.read_line());
        } else if (which < 7) {
          text_skip_line(f);
          model.skip_line();
        } else if (which < 9) {
          ASSERT_EQ(text_at_end(f), model.at_end());
        } else {
          ASSERT_EQ(text_at_end_skipping_blanks(f), model.at_end_skipping_blanks());
        }
        ASSERT_EQ(io_result, 0);
      }
      text_close(f);
      set_platform(nullptr);
    }
  }
}

TEST(TextReadModel, LineBufferKeepsItsCapacityAcrossReads) {
  FakePlatform fake;
  std::string data;
  for (int i = 0; i < 200; ++i) data += std::string(i % 90, 'x') + "\r\n";
  TextFile f;
  open_for_reading(fake, f, data, 128);
  std::string line;
  text_read_line(f, line);
  line.reserve(256);
  const char* storage = line.data();
  while (!text_at_end(f)) {
    text_read_line(f, line);
    text_skip_line(f);
    ASSERT_EQ(line.data(), storage) << "the line text was reallocated";
  }
  text_close(f);
  set_platform(nullptr);
}

}  // namespace
}  // namespace relabel::testing
