// Record I/O speed: fixed-layout writing of F6.1 and E10.3 fields (the per-node
// result records), free-form reading of lines of six reals (the climate input).

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "platform/format.h"
#include "platform/record_io.h"

namespace {

std::vector<float> temperatures(std::size_t n) {
  std::mt19937 gen(42);
  std::uniform_real_distribution<float> d(-40.0f, 160.0f);
  std::vector<float> v(n);
  for (auto& x : v) x = d(gen);
  return v;
}

// One per-node record: the day, then 69 fields of `edit` (values scaled so that
// they fit it).
void write_record(benchmark::State& state, const char* edit, float scale) {
  auto values = temperatures(69);
  for (auto& v : values) v *= scale;
  const platform::Format fmt(std::string("(I4,69") + edit + ")");
  std::string out;
  for (auto _ : state) {
    out.clear();
    platform::append_fixed(out, fmt, 123, values);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 69);
}
void BM_WriteF61(benchmark::State& state) { write_record(state, "F6.1", 1.0f); }
void BM_WriteE103(benchmark::State& state) { write_record(state, "E10.3", 1000.0f); }
BENCHMARK(BM_WriteF61);
BENCHMARK(BM_WriteE103);

void BM_ReadSixReals(benchmark::State& state) {
  std::vector<std::string> lines;
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> d(-100.0, 100.0);
  std::size_t bytes = 0;
  for (int i = 0; i < 1000; ++i) {
    std::string l = platform::format_fixed(platform::Format("(F8.2,F9.3,F7.1,F10.4,F8.2,F7.0)"),
                                           d(gen), d(gen), d(gen), d(gen), d(gen), d(gen));
    bytes += l.size() + 1;
    lines.push_back(l);
  }
  double v[6];
  for (auto _ : state) {
    for (const auto& l : lines) {
      platform::read_list_text(l, std::span<double>(v));
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ReadSixReals);

}  // namespace

BENCHMARK_MAIN();
