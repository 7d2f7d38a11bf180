// SPDX-License-Identifier: MIT
// Composed printers against the standard library, in the same run: a
// million-element vector printed through dump::list(int_), and the same list
// written as one comma-separated line with std::ostringstream.  Then many
// small nested containers through dump::value, which composes its dump
// printers at each container, against the same printer composed once.
#include <benchmark/benchmark.h>
#include <quarn/quarn.hpp>

#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::vector<int>& million() {
  static const std::vector<int> v = [] {
    std::vector<int> r(1000000);
    std::iota(r.begin(), r.end(), 0);
    return r;
  }();
  return v;
}

void BM_dump_list_million(benchmark::State& state) {
  const auto& v = million();
  const auto printer = quarn::dump::list(quarn::int_);
  std::string out;
  for (auto _ : state) {
    out.clear();
    quarn::formatter f(out);
    printer(f, v);
    f.print_flush();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_dump_list_million)->Unit(benchmark::kMillisecond);

void BM_ostringstream_million(benchmark::State& state) {
  const auto& v = million();
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream os;
    bool first = true;
    for (int x : v) {
      if (!first) os << ", ";
      first = false;
      os << x;
    }
    std::string s = os.str();
    bytes = s.size();
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ostringstream_million)->Unit(benchmark::kMillisecond);

// 100000 pairs of a key and a list of three numbers.
using nested = std::vector<std::pair<int, std::vector<int>>>;
const nested& many_small() {
  static const nested v = [] {
    nested r;
    for (int i = 0; i < 100000; ++i) r.emplace_back(i, std::vector<int>{i, i + 1, i + 2});
    return r;
  }();
  return v;
}

template <class P>
void print_nested(benchmark::State& state, const P& printer) {
  const auto& v = many_small();
  std::string out;
  for (auto _ : state) {
    out.clear();
    quarn::formatter f(out);
    printer(f, v);
    f.print_flush();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}

void BM_dump_value_nested(benchmark::State& state) { print_nested(state, quarn::dump::value); }
BENCHMARK(BM_dump_value_nested)->Unit(benchmark::kMillisecond);

void BM_dump_composed_nested(benchmark::State& state) {
  namespace dump = quarn::dump;
  print_nested(state, dump::list(dump::pair(quarn::int_, dump::list(quarn::int_))));
}
BENCHMARK(BM_dump_composed_nested)->Unit(benchmark::kMillisecond);

}  // namespace
