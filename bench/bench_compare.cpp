// SPDX-License-Identifier: MIT
// Quarn against the alternatives, on the same inputs and producing the same
// text: {fmt}, C's stdio, iostreams, and loops written by hand for one fixed
// layout.  Benchmarks come in families whose members sort together:
//
//   line_sprint/*  "%d: %s = %g" into a std::string
//   line_file/*    the same line and a new line, written to /dev/null
//   int_list/*     1,000,000 ints, "; "-separated, filled to the margin (78)
//   hexdump/*      1 MB of random bytes, 16 to a line, as quarn-hexdump prints
//
// Before anything is timed, every member of a family is run once on its
// inputs and its text compared with Quarn's; the program stops with a message
// when one differs.  After the runs it prints, for each family, Quarn's CPU
// time per item divided by each alternative's (the median of the
// repetitions with --benchmark_repetitions).
//
//   bench_compare [--benchmark_filter=line_] [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>
#include <fmt/core.h>
#include <quarn/quarn.hpp>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// ---- inputs ----------------------------------------------------------------

// The arguments of the k-th line: 1024 distinct lines, cycled through.
struct line_args {
  int i;
  const char* name;
  double x;
};
constexpr std::size_t distinct_lines = 1024;
line_args args_of(std::size_t k) {
  static constexpr const char* names[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta"};
  const auto i = static_cast<int>(k % distinct_lines);
  return {i, names[k % 8], i * 0.25};
}

const std::vector<int>& million_ints() {
  static const std::vector<int> v = [] {
    std::vector<int> r(1'000'000);
    std::iota(r.begin(), r.end(), 0);
    return r;
  }();
  return v;
}

std::string random_bytes(std::size_t n) {
  std::mt19937 rng(3);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

const std::string& megabyte() {
  static const std::string bytes = random_bytes(1 << 20);
  return bytes;
}

// ---- one line into a std::string -------------------------------------------

std::string line_quarn(const line_args& a) { return quarn::sprint("%d: %s = %g", a.i, a.name, a.x); }

std::string line_fmt(const line_args& a) { return fmt::format("{}: {} = {:g}", a.i, a.name, a.x); }

std::string line_snprintf(const line_args& a) {
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, "%d: %s = %g", a.i, a.name, a.x);
  return std::string(buf, static_cast<std::size_t>(n));
}

// A fresh stream per line, as code that wants a string usually does.  The
// default float format with precision 6 writes these values as %g does.
std::string line_ostream(const line_args& a) {
  std::ostringstream os;
  os << a.i << ": " << a.name << " = " << std::defaultfloat << std::setprecision(6) << a.x;
  return os.str();
}

template <std::string (*Line)(const line_args&)>
void line_sprint(benchmark::State& state) {
  std::size_t k = 0;
  for (auto _ : state) {
    std::string s = Line(args_of(k++));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// ---- one line to a FILE* ---------------------------------------------------

// Writers of one line per call to a C stream.  Quarn's formatter is made once
// and flushed at the end, as a program printing many lines would do.
struct quarn_file {
  quarn::formatter f;
  explicit quarn_file(std::FILE* out) : f(out) {}
  void operator()(const line_args& a) { quarn::fprint(f, "%d: %s = %g@\n", a.i, a.name, a.x); }
  void finish() { f.print_flush(); }
};

struct fprintf_file {
  std::FILE* out;
  explicit fprintf_file(std::FILE* o) : out(o) {}
  void operator()(const line_args& a) { std::fprintf(out, "%d: %s = %g\n", a.i, a.name, a.x); }
  void finish() { std::fflush(out); }
};

struct fmt_file {
  std::FILE* out;
  explicit fmt_file(std::FILE* o) : out(o) {}
  void operator()(const line_args& a) { fmt::print(out, "{}: {} = {:g}\n", a.i, a.name, a.x); }
  void finish() { std::fflush(out); }
};

template <class Writer>
void line_file(benchmark::State& state) {
  std::FILE* out = std::fopen("/dev/null", "w");
  if (out == nullptr) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  {
    Writer write(out);
    std::size_t k = 0;
    for (auto _ : state) write(args_of(k++));
    write.finish();
  }
  std::fclose(out);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

// ---- a million ints filled to the margin -----------------------------------

constexpr int margin = 78;  // the formatter's default

void list_quarn(std::string& out, const std::vector<int>& v) {
  static const auto printer = quarn::hovbox(quarn::list(quarn::int_, {.sep = quarn::semi}));
  quarn::formatter f(out);
  printer(f, v);
  f.print_flush();
}

// The same fill by hand: "; " between items, and a new line in place of the
// space when the next item, with the ";" that follows it, would reach the
// margin (Quarn's lines hold at most margin - 1 columns).
void list_greedy(std::string& out, const std::vector<int>& v) {
  const std::size_t n = v.size();
  int column = 0;
  for (std::size_t k = 0; k < n; ++k) {
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, v[k]);
    const auto len = static_cast<int>(r.ptr - digits);
    const bool last = k + 1 == n;
    if (k > 0) {
      if (column + 1 + len + (last ? 0 : 1) >= margin) {
        out += '\n';
        column = 0;
      } else {
        out += ' ';
        ++column;
      }
    }
    out.append(digits, static_cast<std::size_t>(len));
    column += len;
    if (!last) {
      out += ';';
      ++column;
    }
  }
}

template <void (*Fill)(std::string&, const std::vector<int>&)>
void int_list(benchmark::State& state) {
  const auto& v = million_ints();
  // An untimed run first, so that no timed one grows the string.
  std::string out;
  Fill(out, v);
  for (auto _ : state) {
    out.clear();
    Fill(out, v);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(v.size()));
}

// ---- hex dump --------------------------------------------------------------

// The dump quarn-hexdump prints without colours.  The default margin holds a
// line of 16 bytes.
void hex_quarn(std::string& out, const std::string& bytes) {
  static const auto printer = quarn::for_string(quarn::hex());
  quarn::formatter f(out);
  quarn::fprint(f, "%a@.", printer, bytes);
}

// The same dump by hand: the address in as many hexadecimal digits as the
// largest one needs, ": ", 16 octets in groups of two (a short last line
// padded with spaces), two spaces, the bytes as ASCII ('.' outside 0x20 to
// 0x7E) padded with spaces to 16.
void hex_loop(std::string& out, const std::string& bytes) {
  static constexpr char hex_digits[] = "0123456789abcdef";
  constexpr std::size_t width = 16;
  const std::size_t n = bytes.size();
  const std::size_t largest = n == 0 ? 0 : (n - 1) / width * width;
  int digits = 1;
  while (digits < 16 && (largest >> (4 * digits)) != 0) ++digits;

  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t start = 0;
  do {
    const std::size_t count = std::min(width, n - start);
    char line[128];
    char* p = line;
    for (int d = digits - 1; d >= 0; --d) *p++ = hex_digits[(start >> (4 * d)) & 15];
    *p++ = ':';
    *p++ = ' ';
    for (std::size_t i = 0; i < width; ++i) {
      if (i > 0 && i % 2 == 0) *p++ = ' ';
      if (i < count) {
        *p++ = hex_digits[data[start + i] >> 4];
        *p++ = hex_digits[data[start + i] & 15];
      } else {
        *p++ = ' ';
        *p++ = ' ';
      }
    }
    *p++ = ' ';
    *p++ = ' ';
    for (std::size_t i = 0; i < width; ++i) {
      if (i < count) {
        const unsigned char c = data[start + i];
        *p++ = c >= 0x20 && c <= 0x7E ? static_cast<char>(c) : '.';
      } else {
        *p++ = ' ';
      }
    }
    *p++ = '\n';
    out.append(line, static_cast<std::size_t>(p - line));
    start += width;
  } while (start < n);
}

template <void (*Dump)(std::string&, const std::string&)>
void hexdump(benchmark::State& state) {
  const auto& bytes = megabyte();
  // An untimed run first, so that no timed one grows the string.
  std::string out;
  Dump(out, bytes);
  for (auto _ : state) {
    out.clear();
    Dump(out, bytes);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

// ---- the start-up check ----------------------------------------------------

// Stops the program, showing where `got` first differs from `want`.
void require_same(std::string_view what, const std::string& want, const std::string& got) {
  if (want == got) return;
  std::size_t at = 0;
  while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
  const std::size_t from = at < 40 ? 0 : at - 40;
  std::cerr << "bench_compare: " << what << " does not print Quarn's text (" << got.size() << " bytes instead of "
            << want.size() << ", first difference at byte " << at
            << ")\n  quarn: " << std::quoted(want.substr(from, 80))
            << "\n  other: " << std::quoted(got.substr(from, 80)) << '\n';
  std::exit(1);
}

// The first `lines` lines as `Writer` writes them to a file.
template <class Writer>
std::string written_to_file(std::size_t lines) {
  std::FILE* f = std::tmpfile();
  if (f == nullptr) {
    std::perror("bench_compare: tmpfile");
    std::exit(1);
  }
  {
    Writer write(f);
    for (std::size_t k = 0; k < lines; ++k) write(args_of(k));
    write.finish();
  }
  std::rewind(f);
  std::string text;
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  std::fclose(f);
  return text;
}

void check_same_texts() {
  std::string want_file;
  for (std::size_t k = 0; k < distinct_lines; ++k) {
    const line_args a = args_of(k);
    const std::string want = line_quarn(a);
    require_same("line_sprint/fmt", want, line_fmt(a));
    require_same("line_sprint/snprintf", want, line_snprintf(a));
    require_same("line_sprint/ostream", want, line_ostream(a));
    want_file += want + '\n';
  }
  require_same("line_file/quarn", want_file, written_to_file<quarn_file>(distinct_lines));
  require_same("line_file/fprintf", want_file, written_to_file<fprintf_file>(distinct_lines));
  require_same("line_file/fmt", want_file, written_to_file<fmt_file>(distinct_lines));

  std::string want, got;
  list_quarn(want, million_ints());
  list_greedy(got, million_ints());
  require_same("int_list/greedy", want, got);

  // The benchmarked input, then one whose last line is short.
  for (const std::string& bytes : {megabyte(), random_bytes(1000)}) {
    want.clear();
    got.clear();
    hex_quarn(want, bytes);
    hex_loop(got, bytes);
    require_same("hexdump/loop", want, got);
  }
}

// ---- the ratios ------------------------------------------------------------

// The console output, and the CPU time per item of each benchmark kept on the
// side: that of the single run, or the median of the repetitions.  Families
// and their members are kept in the order they ran.
class ratio_reporter : public benchmark::ConsoleReporter {
public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool single = run.run_type == Run::RT_Iteration;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const auto rate = run.counters.find("items_per_second");
      if ((!single && !median) || rate == run.counters.end() || rate->second.value <= 0) continue;
      // An aggregate has the function name of the runs it summarizes, and
      // comes after them: the median replaces the last repetition.
      const std::string& name = run.run_name.function_name;
      const auto slash = name.find('/');
      set(find_or_add(families_, name.substr(0, slash)), name.substr(slash + 1), 1e9 / rate->second.value);
    }
  }

  void print_ratios(std::ostream& os) const {
    os << "\nCPU time per item, quarn / alternative (below 1: quarn is faster)\n";
    for (const auto& [family, times] : families_) {
      const auto quarn = std::find_if(times.begin(), times.end(), [](const auto& m) { return m.first == "quarn"; });
      if (quarn == times.end()) continue;
      for (const auto& [alternative, ns] : times) {
        if (alternative == "quarn") continue;
        char row[160];
        std::snprintf(row, sizeof row, "  %-12s %-9s %7.2f   (%.4g ns / %.4g ns)\n", family.c_str(),
                      alternative.c_str(), quarn->second / ns, quarn->second, ns);
        os << row;
      }
    }
  }

private:
  using members = std::vector<std::pair<std::string, double>>;

  template <class V>
  static V& find_or_add(std::vector<std::pair<std::string, V>>& entries, const std::string& key) {
    for (auto& e : entries)
      if (e.first == key) return e.second;
    return entries.emplace_back(key, V{}).second;
  }
  static void set(members& m, const std::string& key, double ns) { find_or_add(m, key) = ns; }

  std::vector<std::pair<std::string, members>> families_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  check_same_texts();

  const std::pair<const char*, void (*)(benchmark::State&)> benchmarks[] = {
      {"line_sprint/quarn", line_sprint<line_quarn>},
      {"line_sprint/fmt", line_sprint<line_fmt>},
      {"line_sprint/snprintf", line_sprint<line_snprintf>},
      {"line_sprint/ostream", line_sprint<line_ostream>},
      {"line_file/quarn", line_file<quarn_file>},
      {"line_file/fprintf", line_file<fprintf_file>},
      {"line_file/fmt", line_file<fmt_file>},
      {"int_list/quarn", int_list<list_quarn>},
      {"int_list/greedy", int_list<list_greedy>},
      {"hexdump/quarn", hexdump<hex_quarn>},
      {"hexdump/loop", hexdump<hex_loop>},
  };
  for (const auto& [name, fn] : benchmarks) {
    auto* b = benchmark::RegisterBenchmark(name, fn);
    if (std::string_view(name).starts_with("int_list") || std::string_view(name).starts_with("hexdump"))
      b->Unit(benchmark::kMillisecond);
  }

  ratio_reporter reporter(isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Color
                                                     : benchmark::ConsoleReporter::OO_None);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios(std::cout);
  benchmark::Shutdown();
  return 0;
}
