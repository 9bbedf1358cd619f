// The text layer's line reading, and reading with copying, on a board
// section held in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "memory_platform.h"
#include "runtime/text_file.h"

namespace relabel::bench {
namespace {

void read_lines(benchmark::State& state, bool copy) {
  MemoryPlatform memory;
  memory.input = board_section(static_cast<int>(state.range(0)));
  set_platform(&memory);
  std::string line;
  std::int64_t lines = 0;
  for (auto _ : state) {
    TextFile in, out;
    text_assign(in, "in");
    text_reset(in);
    if (copy) {
      text_assign(out, "out");
      text_rewrite(out);
    }
    while (!text_at_end(in)) {
      text_read_line(in, line);
      if (copy) text_write_line(out, line);
      ++lines;
    }
    text_close(in);
    if (copy) text_close(out);
    benchmark::DoNotOptimize(line.data());
  }
  set_platform(nullptr);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(memory.input.size()));
  state.counters["lines"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}

void BM_ReadLines(benchmark::State& state) { read_lines(state, false); }
void BM_ReadAndCopyLines(benchmark::State& state) { read_lines(state, true); }
BENCHMARK(BM_ReadLines)->Arg(10000);
BENCHMARK(BM_ReadAndCopyLines)->Arg(10000);

// The tail of a board: indented lines and blank lines, read the way the
// conversion reads it (blanks skipped before each line).
void BM_ReadTail(benchmark::State& state) {
  MemoryPlatform memory;
  for (int i = 0; i < 20000; ++i)
    memory.input +=
        "  (Track 1 1200 3400 5600 7800 10)\r\n" + std::string(i % 50 == 0 ? "\r\n" : "");
  set_platform(&memory);
  std::string line;
  for (auto _ : state) {
    TextFile in;
    text_assign(in, "in");
    text_reset(in);
    while (!text_at_end_skipping_blanks(in)) text_read_line(in, line);
    text_close(in);
    benchmark::DoNotOptimize(line.data());
  }
  set_platform(nullptr);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(memory.input.size()));
}
BENCHMARK(BM_ReadTail);

}  // namespace
}  // namespace relabel::bench
