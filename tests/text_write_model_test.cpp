// Writes to a disk file, checked against the buffering rule on random
// sequences: after each write the file holds exactly the bytes pushed so far.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fake_platform.h"
#include "runtime/text_file.h"
#include "test_support.h"

namespace relabel::testing {
namespace {

TEST(TextWriteModel, FileHoldsWhatWasPushedAfterEveryWrite) {
  std::mt19937 rng(6);
  std::uniform_int_distribution<int> kind(0, 3);
  std::uniform_int_distribution<int> length(0, 300);
  for (int round = 0; round < 200; ++round) {
    FakePlatform fake;
    const PlatformScope scope(fake);
    io_result = 0;
    TextFile f;
    text_assign(f, "out");
    text_rewrite(f);
    std::string all;
    std::size_t waiting = 0;  // bytes in the buffer, 0 to 128
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE("round " + std::to_string(round) + ", step " + std::to_string(step));
      const int k = kind(rng);
      if (k == 0) {  // one character: a full buffer is pushed before it
        const char c = static_cast<char>('a' + step % 26);
        text_write(f, c);
        all += c;
        waiting = waiting == 128 ? 1 : waiting + 1;
      } else {  // a text, possibly empty or longer than the buffer
        std::string text(static_cast<std::size_t>(k == 1 ? length(rng) % 4 : length(rng)),
                         static_cast<char>('A' + step % 26));
        text_write(f, std::string_view(text));
        all += text;
        waiting = (waiting + text.size()) % 128;  // never full after a text
      }
      text_flush(f);
      ASSERT_EQ(io_result, 0);
      ASSERT_EQ(fake.files["out"], all.substr(0, all.size() - waiting));
    }
    text_close(f);
    EXPECT_EQ(fake.files["out"], all);
  }
}

}  // namespace
}  // namespace relabel::testing
