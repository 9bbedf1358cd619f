// The line parsers: board entry lines, parts-list lines and integer text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "convert/board_entry.h"
#include "convert/parts_line.h"
#include "runtime/int_text.h"

namespace relabel::bench {
namespace {

const std::vector<std::string> kEntryLines = {
    "    (\"R1\" 13098 9501 1 0 1 0)",
    "    (\"10k\" 13038 9511 4 0 1 12)",
    "    (\"STM32F103C8\" 7744 6235 4 0 1 12)",
    "    (\"U100\" 1428 5090 0 4 0 0) ; with a comment",
    "    (\"C77\" -150 -2300 0 6)",
};

void BM_ParseBoardEntry(benchmark::State& state) {
  BoardEntry entry;
  for (auto _ : state) {
    for (const std::string& line : kEntryLines) parse_board_entry(line, entry);
    benchmark::DoNotOptimize(entry);
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(kEntryLines.size()));
}
BENCHMARK(BM_ParseBoardEntry);

void BM_ParsePartsLine(benchmark::State& state) {
  const std::vector<std::string> lines = {
      "\"R66\" \"10k\" \"0805\" \"10k 1%\"",
      "\"U53 \" \"STM32F103C8 \" \"QFN32\" \"\"",
      "\"FB53\" \"600R@100MHz\" \"QFN32\" \"\"",
      "no quotes at all",
  };
  PartsTexts texts;
  for (auto _ : state) {
    for (const std::string& line : lines) parse_parts_line(line, texts);
    benchmark::DoNotOptimize(texts);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(BM_ParsePartsLine);

void BM_ParseInt(benchmark::State& state) {
  // Plain decimals, then forms that take the general path.
  const std::vector<std::string> tokens =
      state.range(0) == 0
          ? std::vector<std::string>{"13098", "0", "-2300", "12", "999999999"}
          : std::vector<std::string>{"+12", "0x1F", "1234567890", "12a", " 7"};
  for (auto _ : state) {
    for (const std::string& t : tokens) benchmark::DoNotOptimize(parse_int(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(tokens.size()));
}
BENCHMARK(BM_ParseInt)->Arg(0)->Arg(1);

}  // namespace
}  // namespace relabel::bench
