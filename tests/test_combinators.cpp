// SPDX-License-Identifier: MIT
// The basic combinators and the container printers without delimiters.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <queue>
#include <span>
#include <stack>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "print_helpers.hpp"

namespace {

using quarn_test::boxed;
using words = std::vector<std::string>;
const words abc{"aaa", "bbb", "ccc"};
const auto spaced = quarn::list(quarn::string, {.sep = quarn::sp});

template <class A, class B>
concept addable = requires(const A& a, const B& b) { a + b; };

struct point {
  int x;
  int y;
};

TEST(Combinators, FixedTextsAdaptersAndSequencing) {
  EXPECT_EQ(boxed(quarn::nop, 42), "");
  EXPECT_EQ(boxed(quarn::any("x@ y"), 42), "x y");
  EXPECT_EQ(boxed(quarn::const_(quarn::int_, 7), std::string("ignored")), "7");
  EXPECT_EQ(boxed(quarn::using_(&point::y, quarn::int_), point{1, 2}), "2");
  EXPECT_EQ(boxed(quarn::quarn<int>("x =@ %d"), 3), "x = 3");
  EXPECT_EQ(boxed(quarn::append(quarn::int_, quarn::any(" units")), 3), "3 units");
  auto star = [](quarn::formatter& f, const int&) { f.print_string("*"); };
  EXPECT_EQ(boxed(quarn::any("<") + star + quarn::int_ + quarn::any(">"), 3), "<*3>");
  static_assert(!addable<decltype(star), decltype(star)>);  // only printers of the library
  using pv = std::vector<quarn::t<int>>;
  EXPECT_EQ(boxed(quarn::concat(pv{}, {.sep = quarn::comma}), 5), "");
  EXPECT_EQ(boxed(quarn::concat(pv{quarn::int_}, {.sep = quarn::comma}), 5), "5");
  EXPECT_EQ(boxed(quarn::concat(pv{quarn::int_, quarn::any("x"), quarn::int_}, {.sep = quarn::comma}), 5), "5, x, 5");
}

// Each separator on a line that does not break, then in a v box, where every
// hint breaks: punctuation stays before the break.
TEST(Combinators, Separators) {
  struct row {
    quarn::t<quarn::unit> sep;
    const char* flat;
    const char* broken;
  };
  const row rows[] = {
      {quarn::cut, "ab", "a\nb"},     {quarn::sps(0), "ab", "a\nb"},    {quarn::sp, "a b", "a\nb"},
      {quarn::sps(1), "a b", "a\nb"}, {quarn::sps(3), "a   b", "a\nb"}, {quarn::comma, "a, b", "a,\nb"},
      {quarn::semi, "a; b", "a;\nb"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(quarn::sprint("@[<h>a%ab@]", r.sep, quarn::unit{}), r.flat);
    EXPECT_EQ(quarn::sprint("@[<v>a%ab@]", r.sep, quarn::unit{}), r.broken);
  }
}

// A tree printed by one iter printer that is applied again from inside
// itself: each application has its own "first" flag.
struct node {
  int label;
  std::vector<node> kids;
};
struct node_printer : quarn::printer_tag {
  void operator()(quarn::formatter& f, const node& n) const;
};
const auto kids = quarn::parens(quarn::iter(
    [](auto&& visit, const node& n) {
      for (const node& k : n.kids) visit(k);
    },
    node_printer{}, {.sep = quarn::comma}));
void node_printer::operator()(quarn::formatter& f, const node& n) const {
  f.print_int(n.label);
  if (!n.kids.empty()) kids(f, n);
}

TEST(Combinators, Iter) {
  EXPECT_EQ(boxed(node_printer{}, node{1, {{2, {}}}}), "1(2)");
  const node tree{1, {{2, {{3, {}}, {4, {}}}}, {5, {{6, {}}}}, {7, {}}}};
  EXPECT_EQ(boxed(node_printer{}, tree), "1(2(3, 4), 5(6), 7)");
  const auto by_key = quarn::iter_bindings(
      [](auto&& visit, const std::map<int, char>& m) {
        for (const auto& [k, v] : m) visit(k, v);
      },
      quarn::pair(quarn::int_, quarn::char_), {.sep = quarn::sp});
  EXPECT_EQ(boxed(by_key, std::map<int, char>{{2, 'b'}, {1, 'a'}}), "1a 2b");
  EXPECT_EQ(boxed(by_key, std::map<int, char>{}), "");
}

// Three words in each box kind, at a margin that holds them and at one that
// holds only two.
TEST(Combinators, BoxKinds) {
  struct row {
    quarn::t<words> p;
    const char* wide;
    const char* narrow;
  };
  const row rows[] = {
      {quarn::box(spaced, {.indent = 2}), "aaa bbb ccc", "aaa bbb\n  ccc"},
      {quarn::hbox(spaced), "aaa bbb ccc", "aaa bbb ccc"},
      {quarn::vbox(spaced, {.indent = 1}), "aaa\n bbb\n ccc", "aaa\n bbb\n ccc"},
      {quarn::hvbox(spaced, {.indent = 2}), "aaa bbb ccc", "aaa\n  bbb\n  ccc"},
      {quarn::hovbox(spaced, {.indent = 1}), "aaa bbb ccc", "aaa bbb\n ccc"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(boxed(r.p, abc, 40), r.wide);
    EXPECT_EQ(boxed(r.p, abc, 9), r.narrow);
  }
}

// Broken lines continue one column right of the bracket, wherever it is.
TEST(Combinators, Brackets) {
  EXPECT_EQ(boxed(quarn::braces(spaced), abc), "{aaa bbb ccc}");
  EXPECT_EQ(boxed(quarn::brackets(spaced), abc, 10), "[aaa bbb\n ccc]");
  EXPECT_EQ(boxed(quarn::any("ab ") + quarn::parens(spaced), abc, 13), "ab (aaa bbb\n    ccc)");
}

// The mark takes one column whatever its length in bytes, which shows in
// where the line breaks.
TEST(Combinators, Quote) {
  EXPECT_EQ(boxed(quarn::quote(quarn::string), std::string("x")), "\"x\"");
  const auto q = quarn::quote(spaced, {.mark = "\u201c"});  // three bytes
  const words ab{"aaa", "bbb"};
  EXPECT_EQ(boxed(quarn::any("ab ") + q, ab, 13), "ab \u201caaa bbb\u201c");  // twelve columns
  EXPECT_EQ(boxed(quarn::any("ab ") + q, ab, 12), "ab \u201caaa\n    bbb\u201c");
}

TEST(Collections, SequencesOfEachKind) {
  const auto p = quarn::list(quarn::int_, {.sep = quarn::comma});
  const int c_array[] = {1, 2, 3};
  const std::vector<int> vec{1, 2, 3};
  EXPECT_EQ(boxed(p, vec), "1, 2, 3");
  EXPECT_EQ(boxed(p, std::list<int>{1, 2, 3}), "1, 2, 3");
  EXPECT_EQ(boxed(p, std::array<int, 3>{1, 2, 3}), "1, 2, 3");
  EXPECT_EQ(boxed(quarn::array(quarn::int_, {.sep = quarn::sp}), c_array), "1 2 3");
  EXPECT_EQ(boxed(p, std::span<const int>(vec).subspan(1)), "2, 3");
  EXPECT_EQ(boxed(quarn::list(quarn::int_), vec), "123");  // cut by default
  EXPECT_EQ(boxed(p, std::vector<int>{}), "");
}

// Integers in an array or vector take a shorter way through the engine when
// the separator is a hint or a mark and a hint; their layout is the one any
// other range gets (a std::list), whatever the box, the margin, the widths
// of the numbers and what comes before and after the list.
TEST(Collections, IntegerArraysLayOutAsOtherRanges) {
  std::vector<long long> many(150);  // more than a batch of texts
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<long long>(i * i % 2000) - 700;
  const std::vector<std::vector<long long>> values{
      many,
      {},
      {5},
      {-12, 3},
      {0, 1, 22, 333, 4444, 55555, 666666, 7777777, 88888888, -999999999, 10, 11, 12, 13, 14, 15, 16, 17},
      {INT64_MIN, INT64_MAX, -1, 0, 123456789012, -7, 42, INT64_MIN},
  };
  const quarn::t<quarn::unit> seps[] = {quarn::cut, quarn::sp, quarn::sps(3), quarn::comma, quarn::semi};
  const quarn::box_kind kinds[] = {quarn::box_kind::h, quarn::box_kind::v, quarn::box_kind::hv, quarn::box_kind::hov,
                                   quarn::box_kind::b};
  // The text of `p` on `v` in a box of `kind` after "x" and a conditional
  // text, at `margin`; past the maximum box count when `deep`.
  auto lay_out = [](const auto& p, const auto& v, quarn::box_kind kind, int margin, bool deep) {
    std::string out;
    quarn::formatter f(out);
    f.set_margin(margin);
    if (deep) f.set_max_boxes(2);
    f.print_string("x");
    f.print_break(1, 0);
    f.open_box(kind, 2);
    f.print_if_newline();
    p(f, v);
    f.print_string("]");
    f.close_box();
    f.print_flush();
    return out;
  };
  for (const auto& v : values) {
    const std::list<long long> l(v.begin(), v.end());
    for (const auto& sep : seps)
      for (const auto kind : kinds)
        for (int margin = 3; margin <= 40; ++margin) {
          const auto signed_ = quarn::list(quarn::int_, {.sep = sep});
          const auto unsigned_ = quarn::list(quarn::uint, {.sep = sep});
          for (const bool deep : {false, true}) {
            EXPECT_EQ(lay_out(signed_, v, kind, margin, deep), lay_out(signed_, l, kind, margin, deep))
                << v.size() << " values, margin " << margin;
            EXPECT_EQ(lay_out(unsigned_, v, kind, margin, deep), lay_out(unsigned_, l, kind, margin, deep))
                << v.size() << " values, margin " << margin;
          }
        }
  }
}

TEST(Collections, QueueOldestFirst) {
  std::queue<int> q;
  EXPECT_EQ(boxed(quarn::queue(quarn::int_, {.sep = quarn::sp}), q), "");
  for (int i = 1; i <= 4; ++i) q.push(i);
  q.pop();
  EXPECT_EQ(boxed(quarn::queue(quarn::int_, {.sep = quarn::sp}), q), "2 3 4");
}

TEST(Collections, StackTopFirst) {
  std::stack<int> s;
  EXPECT_EQ(boxed(quarn::stack(quarn::int_, {.sep = quarn::sp}), s), "");
  for (int i = 1; i <= 3; ++i) s.push(i);
  EXPECT_EQ(boxed(quarn::stack(quarn::int_, {.sep = quarn::sp}), s), "3 2 1");
}

TEST(Collections, HashtblInTheTablesOwnOrder) {
  const auto p = quarn::hashtbl(quarn::pair(quarn::int_, quarn::string, {.sep = quarn::sp}), {.sep = quarn::comma});
  const std::unordered_map<int, std::string> u{{1, "a"}, {2, "b"}, {3, "c"}};
  std::string want;
  for (const auto& [k, v] : u) want += (want.empty() ? "" : ", ") + std::to_string(k) + " " + v;
  EXPECT_EQ(boxed(p, u), want);
  EXPECT_EQ(boxed(p, std::map<int, std::string>{}), "");
}

TEST(Collections, PairOptionOutcome) {
  EXPECT_EQ(boxed(quarn::pair(quarn::int_, quarn::int_), std::pair(1, 2)), "12");
  EXPECT_EQ(boxed(quarn::option(quarn::int_), std::optional<int>()), "");
  EXPECT_EQ(boxed(quarn::option(quarn::int_, {.none = quarn::any("-")}), std::optional<int>()), "-");
  EXPECT_EQ(boxed(quarn::option(quarn::int_, {.none = quarn::any("-")}), std::optional<int>(3)), "3");
  using out = quarn::outcome<int, std::string>;
  const auto r = quarn::result(quarn::int_, quarn::any("error: ") + quarn::string);
  EXPECT_EQ(boxed(r, out(quarn::Ok{4})), "4");
  EXPECT_EQ(boxed(r, out(quarn::Error{std::string("bad")})), "error: bad");
}

}  // namespace
