// SPDX-License-Identifier: MIT
// Magnitudes, text layout and hex dumps into string formatters.
//
//   bench_magnitudes_text --benchmark_filter=ByteSize
//
// Sizes and spans report the time per call; words, paragraphs and hex the
// throughput over their input.
#include <benchmark/benchmark.h>
#include <quarn/quarn.hpp>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// Counts spread over every magnitude, from bytes to exabytes.
std::vector<long long> counts() {
  std::mt19937_64 rng(42);
  std::vector<long long> v(4096);
  for (auto& n : v) n = static_cast<long long>(rng() >> (rng() % 63 + 1));
  return v;
}

template <class P, class V>
void per_call(benchmark::State& state, const P& p, const std::vector<V>& values) {
  std::string out;
  quarn::formatter f(out);
  std::size_t i = 0;
  for (auto _ : state) {
    p(f, values[i]);
    if (++i == values.size()) {
      // Keep the line and the buffer short.
      f.print_flush();
      out.clear();
      i = 0;
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void ByteSize(benchmark::State& state) { per_call(state, quarn::byte_size, counts()); }
BENCHMARK(ByteSize);

void BiByteSize(benchmark::State& state) { per_call(state, quarn::bi_byte_size, counts()); }
BENCHMARK(BiByteSize);

void Uint64NsSpan(benchmark::State& state) {
  std::vector<std::uint64_t> spans;
  for (long long n : counts()) spans.push_back(static_cast<std::uint64_t>(n) * 2);
  per_call(state, quarn::uint64_ns_span, spans);
}
BENCHMARK(Uint64NsSpan);

// About 10 MB of words of 1 to 12 letters, separated by spaces, sometimes by
// a newline, and now and then by an empty line.
const std::string& prose() {
  static const std::string text = [] {
    std::mt19937 rng(7);
    std::string s;
    s.reserve(10'500'000);
    while (s.size() < 10'000'000) {
      int len = static_cast<int>(rng() % 12) + 1;
      for (int k = 0; k < len; ++k) s += static_cast<char>('a' + rng() % 26);
      unsigned r = rng() % 100;
      s += r < 90 ? " " : r < 98 ? "\n" : "\n\n";
    }
    return s;
  }();
  return text;
}

template <class P>
void layout(benchmark::State& state, const P& p, const std::string& input) {
  std::string out;
  out.reserve(input.size() * 4 + 1024);
  for (auto _ : state) {
    out.clear();
    quarn::formatter f(out);
    f.open_box(quarn::box_kind::hov, 0);
    p(f, input);
    f.close_box();
    f.print_flush();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(input.size()));
}

void Words(benchmark::State& state) { layout(state, quarn::words, prose()); }
BENCHMARK(Words)->Unit(benchmark::kMillisecond);

void Paragraphs(benchmark::State& state) { layout(state, quarn::paragraphs, prose()); }
BENCHMARK(Paragraphs)->Unit(benchmark::kMillisecond);

// 1 MB of random bytes.
const std::string& random_bytes() {
  static const std::string bytes = [] {
    std::mt19937 rng(3);
    std::string b(1 << 20, '\0');
    for (char& c : b) c = static_cast<char>(rng());
    return b;
  }();
  return bytes;
}

// The bytes dumped 16 to a line into a string.
void Hex(benchmark::State& state) { layout(state, quarn::for_string(quarn::hex()), random_bytes()); }
BENCHMARK(Hex)->Unit(benchmark::kMillisecond);

// Each column alone, 16 bytes to a line, and a user's non-printable printer.
void HexOctets(benchmark::State& state) {
  layout(state, quarn::for_string(quarn::addresses(quarn::octets({.width = 16}))), random_bytes());
}
BENCHMARK(HexOctets)->Unit(benchmark::kMillisecond);

void HexAscii(benchmark::State& state) {
  layout(state, quarn::for_string(quarn::addresses(quarn::ascii({.width = 16}))), random_bytes());
}
BENCHMARK(HexAscii)->Unit(benchmark::kMillisecond);

void HexAsciiAnyNonprint(benchmark::State& state) {
  layout(state, quarn::for_string(quarn::addresses(quarn::ascii({.width = 16, .nonprint = quarn::any("?")}))),
         random_bytes());
}
BENCHMARK(HexAsciiAnyNonprint)->Unit(benchmark::kMillisecond);

}  // namespace
