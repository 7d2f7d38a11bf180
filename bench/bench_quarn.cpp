// SPDX-License-Identifier: MIT
// Micro-benchmarks: a short sprint(), a long flat list driven through the
// engine directly, and the bench_doc document at a moderate size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "quarn/quarn.hpp"

namespace {

// One short sprint(): parsing the format string, a fresh (recycled) string
// formatter, three conversions and the flush.
void BM_sprint_short(benchmark::State& state) {
  for (auto _ : state) {
    std::string s = quarn::sprint("@[<hov 2>%s =@ %d (%g)@]", "x", 42, 1.5);
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_sprint_short);

// A hov list of one million integers refilled to the margin, through the
// engine's own calls (no format strings).
void BM_flat_int_list(benchmark::State& state) {
  const long long n = state.range(0);
  std::string out;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    out.clear();
    quarn::formatter f(out);
    f.open_box(quarn::box_kind::hov, 1);
    for (long long i = 0; i < n; ++i) {
      if (i > 0) {
        f.print_string(";");
        f.print_break(1, 0);
      }
      f.print_int(i);
    }
    f.close_box();
    f.print_flush();
    bytes += static_cast<std::int64_t>(out.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_flat_int_list)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The bench_doc document, into a string.
void BM_doc(benchmark::State& state) {
  const long n = static_cast<long>(state.range(0));
  std::string out;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    out.clear();
    quarn::formatter f(out);
    quarn::fprint(f, "@[<hov 1>[");
    for (long i = 0; i < n; ++i) {
      if (i > 0) quarn::fprint(f, ";@ ");
      quarn::fprint(f, "@[<2>{ a =@ %d;@ b =@ %S;@ c =@ [@[<hov 1>%d;@ %d;@ %d@]] }@]", i, "xy", 1, 2, 3);
    }
    quarn::fprint(f, "]@]@.");
    bytes += static_cast<std::int64_t>(out.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_doc)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
