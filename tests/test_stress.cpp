// SPDX-License-Identifier: MIT
// Many formatters at once, and failures raised at every point of a document.
#include <gtest/gtest.h>
#include <quarn/quarn.hpp>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(Stress, TenThousandFormattersAlive) {
  constexpr int n = 10000;
  std::vector<std::string> outs(n);
  std::vector<quarn::formatter> fs;
  fs.reserve(n);
  for (int i = 0; i < n; ++i) {
    fs.emplace_back(outs[i]);
    fs.back().set_margin(10 + i % 50);
    quarn::fprint(fs.back(), "@[<hov 2>formatter@ %d@ of@ %d", i, n);
  }
  for (int i = 0; i < n; ++i) fs[i].print_flush();
  for (int i = n - 1; i >= 0; --i) {
    std::string want = "formatter " + std::to_string(i) + " of " + std::to_string(n);
    std::string flat = outs[i];
    for (char& c : flat)
      if (c == '\n') c = ' ';
    // Columns may differ with the margin; the words may not.
    std::string squeezed;
    for (char c : flat)
      if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) squeezed += c;
    ASSERT_EQ(squeezed, want) << i;
  }
}

struct planted : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Prints an int, throwing on the `fail_at`-th call.
struct failing_int {
  int* calls;
  int fail_at;
  void operator()(quarn::formatter& f, const int& v) const {
    if (++*calls == fail_at) throw planted("element " + std::to_string(v));
    quarn::int_(f, v);
  }
};

TEST(Stress, FailureAtEveryPointLeavesTheFormatterUsable) {
  const std::map<std::string, std::vector<int>> value{{"a", {1, 2, 3}}, {"b", {}}, {"c", {4, 5, 6, 7}}};
  constexpr int elements = 7;
  for (bool ansi : {false, true}) {
    for (int fail_at = 1; fail_at <= elements; ++fail_at) {
      std::string out;
      quarn::formatter f(out);
      f.set_margin(20);
      if (ansi) quarn::set_style_renderer(f, quarn::style_renderer::Ansi_tty);
      int calls = 0;
      auto p = quarn::styled(quarn::style::Bold, quarn::dump::hashtbl(quarn::dump::string,
                                                                      quarn::dump::list(failing_int{&calls, fail_at})));
      try {
        quarn::fprint(f, "@[<2>value =@ %a@]", p, value);
        FAIL() << "no failure at " << fail_at;
      } catch (const planted& e) {
        EXPECT_EQ(calls, fail_at);
      }
      if (ansi) {
        EXPECT_EQ(quarn::detail::get(quarn::detail::current_sgr, f), "0");
      }
      f.print_flush();
      out.clear();
      quarn::fprint(f, "@[<hov 1>[%d;@ %d]@]", 8, 9);
      f.print_flush();
      EXPECT_EQ(out, "[8; 9]") << "after a failure at " << fail_at;
    }
  }
}

}  // namespace
