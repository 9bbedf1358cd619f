// Name lookup in the parts list: the cost per board entry must not grow
// with the list.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "convert/parts_list.h"

namespace relabel::bench {
namespace {

void BM_PartsListFind(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  PartsList list;
  PartsTexts texts;
  for (int i = 0; i < size; ++i) {
    to_counted_text(texts[0], "R" + std::to_string(i));
    list.append(texts);
  }
  // Board names spread over the list, one in ten absent from it.
  std::vector<std::string> names;
  for (int i = 0; i < 1000; ++i) {
    std::string& name = names.emplace_back(i % 10 == 9 ? "X" : "R");
    name += std::to_string(static_cast<long>(i) * 7919 % size);
  }
  std::int64_t found = 0;
  for (auto _ : state) {
    for (const std::string& n : names) found += list.find(n).has_value();
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(names.size()));
}
BENCHMARK(BM_PartsListFind)->Arg(1000)->Arg(100000)->Arg(500000);

}  // namespace
}  // namespace relabel::bench
