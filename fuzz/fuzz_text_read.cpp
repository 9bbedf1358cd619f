// The text layer's line reads do not depend on where the buffer boundaries
// fall: a byte for the platform's read size, a byte for the order of the
// operations, then the data. Every line read, every end test and every blank
// skip must be the same as with reads of the whole 128 bytes.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "check.h"
#include "fake_platform.h"
#include "runtime/text_file.h"
#include "test_support.h"

namespace {

// The results of the operations that `seed` draws on `bytes`, read
// `chunk` bytes at a time, as text.
std::string reads(const std::string& bytes, std::uint32_t chunk, unsigned seed) {
  relabel::testing::FakePlatform fake;
  fake.read_chunk = chunk;
  fake.files["in"] = bytes;
  const relabel::testing::PlatformScope scope(fake);
  relabel::io_result = 0;
  relabel::TextFile f;
  relabel::text_assign(f, "in");
  relabel::text_reset(f);
  std::minstd_rand ops(seed);
  std::string results, line;
  for (std::size_t step = 0; step <= bytes.size() + 2; ++step) {
    const unsigned which = ops() % 10;
    if (which < 6) {
      relabel::text_read_line(f, line);
      results += "[" + line + "]";
    } else if (which < 9) {
      results += relabel::text_at_end(f) ? 'E' : 'e';
    } else {
      results += relabel::text_at_end_skipping_blanks(f) ? 'B' : 'b';
    }
    FUZZ_CHECK(relabel::io_result == 0);
  }
  relabel::text_close(f);
  return results;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::uint32_t chunk = 1 + data[0] % relabel::kTextBufferSize;
  FUZZ_CHECK(reads(bytes, chunk, data[1]) ==
             reads(bytes, relabel::kTextBufferSize, data[1]));
  return 0;
}
