// The text layer's line reads against the literal line rules: a byte for
// the platform's read size, a byte for the order of the operations, then
// the data. Every line read, every end test and every blank skip must match.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "check.h"
#include "fake_platform.h"
#include "line_model.h"
#include "runtime/text_file.h"
#include "test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  relabel::testing::FakePlatform fake;
  fake.read_chunk = 1 + data[0] % relabel::kTextBufferSize;
  fake.files["in"] = bytes;
  const relabel::testing::PlatformScope scope(fake);
  relabel::io_result = 0;
  relabel::TextFile f;
  relabel::text_assign(f, "in");
  relabel::text_reset(f);
  relabel::testing::LineModel model(bytes);
  std::minstd_rand ops(data[1]);
  relabel::Line line;
  for (std::size_t step = 0; step <= bytes.size() + 2; ++step) {
    const unsigned which = ops() % 10;
    if (which < 6) {
      relabel::text_read_line(f, line);
      FUZZ_CHECK(line.text == model.read_line());
    } else if (which < 9) {
      FUZZ_CHECK(relabel::text_at_end(f) == model.at_end());
    } else {
      FUZZ_CHECK(relabel::text_at_end_skipping_blanks(f) ==
                 model.at_end_skipping_blanks());
    }
    FUZZ_CHECK(relabel::io_result == 0);
  }
  relabel::text_close(f);
  return 0;
}
