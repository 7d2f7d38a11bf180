// SPDX-License-Identifier: MIT
// Cost of styling one word, in the same run: styled(Bold, string) on a string
// formatter that renders styles (and the same with an RGB foreground), on one
// that does not (renderer None, with and without an attribute store), and
// plain `string` for reference.  A styled printer on a formatter that does not
// render styles should cost about one attribute read more than the plain
// printer; BM_attribute_read gives that read alone.
#include <benchmark/benchmark.h>
#include <quarn/quarn.hpp>

#include <string>

namespace {

enum class setup { no_store, none, ansi };

quarn::formatter make_formatter(std::string& buf, setup s) {
  quarn::formatter f(buf);
  if (s == setup::none) quarn::set_style_renderer(f, quarn::style_renderer::None);
  if (s == setup::ansi) quarn::set_style_renderer(f, quarn::style_renderer::Ansi_tty);
  return f;
}

// Applies `p` to "word" once per iteration; the text is flushed and the
// buffer emptied every 1024 calls, so that memory stays flat.
template <class P>
void run(benchmark::State& state, const P& p, setup s) {
  std::string buf;
  quarn::formatter f = make_formatter(buf, s);
  const std::string word = "word";
  unsigned n = 0;
  for (auto _ : state) {
    p(f, word);
    if (++n % 1024 == 0) {
      f.print_flush();
      buf.clear();
    }
  }
  f.print_flush();
  state.SetItemsProcessed(state.iterations());
}

const auto bold = quarn::styled(quarn::style::Bold, quarn::string);

void BM_plain_string(benchmark::State& state) { run(state, quarn::string, setup::no_store); }
BENCHMARK(BM_plain_string);

void BM_styled_none_no_store(benchmark::State& state) { run(state, bold, setup::no_store); }
BENCHMARK(BM_styled_none_no_store);

void BM_styled_none_with_store(benchmark::State& state) { run(state, bold, setup::none); }
BENCHMARK(BM_styled_none_with_store);

void BM_styled_ansi(benchmark::State& state) { run(state, bold, setup::ansi); }
BENCHMARK(BM_styled_ansi);

// A 24-bit colour: a longer parameter text than Bold's.
void BM_styled_ansi_rgb(benchmark::State& state) {
  run(state, quarn::styled(quarn::Fg(quarn::Rgb(255, 136, 0)), quarn::string), setup::ansi);
}
BENCHMARK(BM_styled_ansi_rgb);

void BM_attribute_read(benchmark::State& state) {
  std::string buf;
  quarn::formatter f = make_formatter(buf, setup::none);
  for (auto _ : state) benchmark::DoNotOptimize(quarn::style_renderer(f));
}
BENCHMARK(BM_attribute_read);

}  // namespace
