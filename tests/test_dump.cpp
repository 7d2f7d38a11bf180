// SPDX-License-Identifier: MIT
// Value dumps: their forms on one line, their layouts at narrow margins,
// signals and characters, and failures raised while dumping.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <deque>
#include <forward_list>
#include <list>
#include <map>
#include <optional>
#include <ostream>
#include <queue>
#include <ranges>
#include <sstream>
#include <stack>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include <quarn/fmt.hpp>  // before any dump of a type printable through {fmt}

#include "print_helpers.hpp"

namespace {

namespace dump = quarn::dump;
using quarn_test::boxed;

struct item {
  int x;
  std::string name;
  std::vector<int> xs;
};

const auto item_dump = dump::record<item>({
    dump::field("x", &item::x, quarn::int_),
    dump::field("name", &item::name, dump::string),
    dump::field("xs", &item::xs, dump::list(quarn::int_)),
});

std::vector<int> one_to(int n) {
  std::vector<int> v;
  for (int i = 1; i <= n; ++i) v.push_back(i);
  return v;
}

#ifdef _WIN32
// Windows has only the six signals of the C standard; the library takes the
// others for 0, which has no portable number.
#define SIGALRM 0
#define SIGHUP 0
#define SIGKILL 0
#define SIGPIPE 0
#define SIGQUIT 0
#define SIGUSR1 0
#define SIGUSR2 0
#define SIGCHLD 0
#define SIGCONT 0
#define SIGSTOP 0
#define SIGTSTP 0
#define SIGTTIN 0
#define SIGTTOU 0
#define SIGVTALRM 0
#define SIGPROF 0
#define SIGBUS 0
#define SIGPOLL 0
#define SIGSYS 0
#define SIGTRAP 0
#define SIGURG 0
#define SIGXCPU 0
#define SIGXFSZ 0
#endif

// Portable numbers -1 to -28, and the POSIX signals they stand for.
TEST(Dump, Signals) {
  const char* const names[28] = {"SIGABRT", "SIGALRM", "SIGFPE",  "SIGHUP",  "SIGILL",  "SIGINT",    "SIGKILL",
                                 "SIGPIPE", "SIGQUIT", "SIGSEGV", "SIGTERM", "SIGUSR1", "SIGUSR2",   "SIGCHLD",
                                 "SIGCONT", "SIGSTOP", "SIGTSTP", "SIGTTIN", "SIGTTOU", "SIGVTALRM", "SIGPROF",
                                 "SIGBUS",  "SIGPOLL", "SIGSYS",  "SIGTRAP", "SIGURG",  "SIGXCPU",   "SIGXFSZ"};
  const int posix[28] = {SIGABRT, SIGALRM, SIGFPE,  SIGHUP,  SIGILL,  SIGINT,  SIGKILL, SIGPIPE, SIGQUIT, SIGSEGV,
                         SIGTERM, SIGUSR1, SIGUSR2, SIGCHLD, SIGCONT, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGVTALRM,
                         SIGPROF, SIGBUS,  SIGPOLL, SIGSYS,  SIGTRAP, SIGURG,  SIGXCPU, SIGXFSZ};
  for (int i = 0; i < 28; ++i) {
    EXPECT_EQ(boxed(dump::signal, -(i + 1)), names[i]);
    if (posix[i] != 0) {
      EXPECT_EQ(dump::portable_signal(posix[i]), -(i + 1)) << names[i];
    }
  }
  EXPECT_EQ(dump::portable_signal(SIGINT), -6);
  EXPECT_EQ(boxed(dump::signal, -29), "SIG(-29)");
  EXPECT_EQ(boxed(dump::signal, 0), "SIG(0)");
  EXPECT_EQ(boxed(dump::signal, 9), "SIG(9)");
  // A number that is not a known signal comes back unchanged.
  EXPECT_EQ(boxed(dump::signal, dump::portable_signal(1000)), "SIG(1000)");
}

TEST(Dump, UcharAndString) {
  EXPECT_EQ(boxed(dump::uchar, 0), "U+0000");
  EXPECT_EQ(boxed(dump::uchar, U'A'), "U+0041");
  EXPECT_EQ(boxed(dump::uchar, U'\u00e9'), "U+00E9");
  EXPECT_EQ(boxed(dump::uchar, 0x1F600), "U+1F600");
  EXPECT_EQ(boxed(dump::uchar, 0x10FFFF), "U+10FFFF");
  EXPECT_EQ(boxed(dump::string, std::string()), "\"\"");
  EXPECT_EQ(boxed(dump::string, std::string("a\"b\nc")), "\"a\\\"b\\nc\"");
  EXPECT_EQ(boxed(dump::string, std::string("\x01")), "\"\\001\"");
}

TEST(Dump, FormsOnOneLine) {
  std::stack<int> stack;
  std::queue<int> queue;
  const std::string empty_forms[] = {
      boxed(dump::list(quarn::int_), std::vector<int>{}),
      boxed(dump::array(quarn::int_), std::array<int, 0>{}),
      boxed(dump::seq(quarn::int_), std::vector<int>{}),
      boxed(dump::hashtbl(quarn::int_, quarn::int_), std::unordered_map<int, int>{}),
      boxed(dump::queue(quarn::int_), queue),
      boxed(dump::stack(quarn::int_), stack),
      boxed(dump::record<item>({}), item{}),
  };
  EXPECT_EQ(std::vector<std::string>(std::begin(empty_forms), std::end(empty_forms)),
            (std::vector<std::string>{"[]", "[||]", "[]", "(hashtbl )", "(queue )", "(stack )", "{  }"}));

  for (int i = 1; i <= 3; ++i) {
    stack.push(i);
    queue.push(i);
  }
  const int c_array[] = {1, 2, 3};
  const std::map<int, int> map{{2, 20}, {1, 10}};
  const std::pair<std::string, std::string> rows[] = {
      {boxed(dump::list(quarn::int_), std::list<int>{1, 2, 3}), "[1; 2; 3]"},
      {boxed(dump::array(quarn::int_), c_array), "[|1; 2; 3|]"},
      {boxed(dump::seq(quarn::int_), std::list<int>{1, 2}), "[1; 2]"},
      {boxed(dump::hashtbl(quarn::int_, quarn::int_), map), "(hashtbl (1, 10) (2, 20))"},
      {boxed(dump::queue(quarn::int_), queue), "(queue 1 2 3)"},
      {boxed(dump::stack(quarn::int_), stack), "(stack 3 2 1)"},
      {boxed(dump::pair(quarn::int_, quarn::int_), std::pair(1, 2)), "(1, 2)"},
      {boxed(dump::pair(quarn::int_, quarn::nop), std::pair(1, 2)), "(1, )"},
      {boxed(dump::option(quarn::int_), std::optional<int>()), "None"},
      {boxed(dump::option(dump::list(quarn::int_)), std::optional(std::vector<int>{})), "Some []"},
      {boxed(dump::result(quarn::int_, dump::string), quarn::outcome<int, std::string>(quarn::Ok{1})), "Ok 1"},
      {boxed(dump::result(quarn::int_, dump::string), quarn::outcome<int, std::string>(quarn::Error{"e"})),
       "Error \"e\""},
      {boxed(dump::record<item>({dump::field("x", &item::x, quarn::int_)}), item{1, "", {}}), "{ \"x\" = 1 }"},
      {boxed(dump::field("x", &item::x, quarn::int_, {.label = quarn::string}), item{1, "", {}}), "x = 1"},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

// iter and iter_bindings take any traversal; the name printer sees the
// whole container.
TEST(Dump, IterAndIterBindings) {
  const auto each = [](auto&& visit, const std::vector<int>& v) {
    for (int e : v) visit(e);
  };
  const auto size = quarn::using_([](const std::vector<int>& v) { return static_cast<int>(v.size()); }, quarn::int_);
  EXPECT_EQ(boxed(dump::iter(each, quarn::any("n=") + size, quarn::int_), std::vector<int>{1, 2}), "(n=2 1 2)");
  EXPECT_EQ(boxed(dump::iter(each, quarn::any("n=") + size, quarn::int_), std::vector<int>{}), "(n=0 )");
  const auto squares = [](auto&& visit, const std::vector<int>& v) {
    for (int e : v) visit(e, e * e);
  };
  EXPECT_EQ(boxed(dump::iter_bindings(squares, quarn::any("sq"), quarn::int_, quarn::int_), std::vector<int>{2, 3}),
            "(sq (2, 4) (3, 9))");
}

// Each element is produced when the walk reaches it, and only once; a
// sequence that can be walked once prints once.
#if QUARN_TEST_STD_VIEWS
TEST(Dump, SeqIsWalkedOnceOnDemand) {
  std::vector<int> produced;
  std::vector<std::size_t> produced_when_printed;
  auto squares = std::views::iota(1, 4) | std::views::transform([&](int i) {
                   produced.push_back(i);
                   return i * i;
                 });
  const auto note = [&](quarn::formatter& f, const int& n) {
    produced_when_printed.push_back(produced.size());
    quarn::int_(f, n);
  };
  EXPECT_EQ(boxed(dump::seq(note), squares), "[1; 4; 9]");
  EXPECT_EQ(produced, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(produced_when_printed, (std::vector<std::size_t>{1, 2, 3}));
  std::istringstream in("5 6 7");
  auto numbers = std::views::istream<int>(in);
  EXPECT_EQ(boxed(dump::seq(quarn::int_), numbers), "[5; 6; 7]");
  EXPECT_EQ(boxed(dump::seq(quarn::int_), numbers), "[]");
}
#endif

// Lines break after ";", continuing one column right of "[" (two of "[|").
TEST(Dump, SequencesAtANarrowMargin) {
  EXPECT_EQ(boxed(dump::list(quarn::int_), one_to(10), 10), "[1; 2; 3;\n 4; 5; 6;\n 7; 8; 9;\n 10]");
  EXPECT_EQ(boxed(dump::array(quarn::int_), one_to(10), 11), "[|1; 2; 3;\n  4; 5; 6;\n  7; 8; 9;\n  10|]");
  EXPECT_EQ(boxed(dump::stack(quarn::int_), std::stack<int>(std::deque<int>{1, 2, 3, 4, 5, 6}), 12),
            "(stack 6 5\n 4 3 2 1)");
  const std::map<int, std::string> m{{1, "one"}, {2, "two"}, {3, "three"}};
  EXPECT_EQ(boxed(dump::hashtbl(quarn::int_, dump::string), m, 16),
            "(hashtbl\n (1, \"one\")\n (2, \"two\")\n (3, \"three\"))");
}

TEST(Dump, ListOfPairsKeepsEachLevelsIndentation) {
  const std::vector<std::pair<std::string, std::string>> ps{{"alpha", "beta"}, {"gamma", "delta"}};
  EXPECT_EQ(boxed(dump::list(dump::pair(dump::string, dump::string)), ps, 14),
            "[(\"alpha\",\n"
            "  \"beta\");\n"
            " (\"gamma\",\n"
            "  \"delta\")]");
}

TEST(Dump, OptionAndResultIndentTheirValueByTwo) {
  EXPECT_EQ(boxed(dump::option(dump::list(quarn::int_)), std::optional(one_to(10)), 12),
            "Some\n  [1; 2; 3;\n   4; 5; 6;\n   7; 8; 9;\n   10]");
  EXPECT_EQ(boxed(dump::option(item_dump), std::optional(item{2, "b", {}}), 20),
            "Some\n  { \"x\" = 2;\n    \"name\" = \"b\";\n    \"xs\" = [] }");
  using out = quarn::outcome<int, std::string>;
  EXPECT_EQ(boxed(dump::result(quarn::int_, dump::string), out(quarn::Error{"no such file"}), 16),
            "Error\n  \"no such file\"");
}

// A record breaks after every ";" whatever the margin; nested values keep
// their own indentation.
TEST(Dump, Records) {
  EXPECT_EQ(boxed(item_dump, item{1, "a", {1, 2}}), "{ \"x\" = 1;\n  \"name\" = \"a\";\n  \"xs\" = [1; 2] }");
  EXPECT_EQ(boxed(item_dump, item{1, "a", one_to(10)}, 20),
            "{ \"x\" = 1;\n"
            "  \"name\" = \"a\";\n"
            "  \"xs\" =\n"
            "   [1; 2; 3; 4; 5;\n"
            "    6; 7; 8; 9; 10] }");
  EXPECT_EQ(boxed(dump::list(item_dump), std::vector<item>{{1, "a", {1, 2}}, {2, "b", {}}}, 40),
            "[{ \"x\" = 1;\n"
            "   \"name\" = \"a\";\n"
            "   \"xs\" = [1; 2] };\n"
            " { \"x\" = 2;\n"
            "   \"name\" = \"b\";\n"
            "   \"xs\" = [] }]");
  int calls = 0;
  const auto counted = dump::field("x", [&](const item& r) { return ++calls, r.x; }, quarn::int_);
  EXPECT_EQ(boxed(counted, item{7, "", {}}), "\"x\" = 7");
  EXPECT_EQ(calls, 1);  // projected once
}

// A failure from an element printer reaches the caller as it was raised;
// after print_flush() the formatter lays out a new document from column 0.
TEST(Dump, FailureFromAnElementPropagatesUnchanged) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(10);
  f.set_max_indent(9);
  const auto picky = [](quarn::formatter& f, const int& n) {
    if (n == 3) quarn::failwith("no %d", n);
    if (n == 5) throw std::out_of_range("five");
    quarn::int_(f, n);
  };
  try {
    quarn::fprint(f, "@[%a@]", dump::list(picky), one_to(4));
    ADD_FAILURE() << "no failure";
  } catch (const quarn::failure& e) {
    EXPECT_STREQ(e.what(), "no 3");
    EXPECT_NE(e.backtrace(), nullptr);
  }
  f.print_flush();
  EXPECT_EQ(out.rfind("[1; 2;", 0), 0U) << out;  // what was printed before stays
  EXPECT_THROW(quarn::fprint(f, "@[%a@]", dump::stack(picky), std::stack<int>(std::deque<int>{5})), std::out_of_range);
  f.print_flush();

  out.clear();
  quarn::fprint(f, "@[%a@]", dump::list(quarn::int_), one_to(10));
  f.print_flush();
  EXPECT_EQ(out, "[1; 2; 3;\n 4; 5; 6;\n 7; 8; 9;\n 10]");
}

// Types that C++ already prints: through operator<< alone, through
// fmt::formatter alone, through both, a text of two lines, a scoped and an
// unscoped enumeration.
struct version {
  int major, minor;
};
std::ostream& operator<<(std::ostream& os, const version& v) { return os << v.major << '.' << v.minor; }
struct fmt_only {
  int n;
};
struct both {};
std::ostream& operator<<(std::ostream& os, both) { return os << "stream"; }
struct two_lines {};
std::ostream& operator<<(std::ostream& os, two_lines) { return os << "a b\nc d"; }
enum class level { low };
std::ostream& operator<<(std::ostream& os, level) { return os << "low"; }
enum plain_enum { plain };

// A tree whose printer prints its children with dump::value.
struct tree {
  int n;
  std::vector<tree> kids;
};

}  // namespace

template <>
struct fmt::formatter<fmt_only> : fmt::formatter<int> {
  auto format(const fmt_only& v, fmt::format_context& ctx) const { return fmt::formatter<int>::format(v.n, ctx); }
};
template <>
struct fmt::formatter<both> : fmt::formatter<std::string_view> {
  auto format(both, fmt::format_context& ctx) const { return fmt::formatter<std::string_view>::format("fmt", ctx); }
};
template <>
struct quarn::dump::printer_for<tree> {
  void operator()(quarn::formatter& f, const tree& t) const {
    quarn::fprint(f, "@[<2>node %d@ %a@]", t.n, quarn::dump::value, t.kids);
  }
};

namespace {

static_assert(dump::printable<level>);
// An unscoped enumeration's << may be its integer's: not used.
static_assert(!dump::printable<plain_enum>);

// dump::value falls back on operator<< before fmt::formatter; a text of
// several lines keeps them, the later ones under the first.
TEST(Dump, ValuesThatCxxAlreadyPrints) {
  const std::pair<std::string, std::string> rows[] = {
      {boxed(quarn::streamed, version{1, 2}), "1.2"},
      {boxed(quarn::fmt_formatted, fmt_only{7}), "7"},
      {boxed(dump::value, std::vector<version>{{1, 2}, {3, 4}}), "[1.2; 3.4]"},
      {boxed(dump::value, std::optional(fmt_only{7})), "Some 7"},
      {boxed(dump::value, both{}), "stream"},
      {boxed(dump::value, level::low), "low"},
      {boxed(dump::value, std::pair(two_lines{}, 1)), "(a b\n c d, 1)"},
      {boxed(dump::value, std::vector<two_lines>(2), 8), "[a b\n c d;\n a b\n c d]"},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

std::string limited(const auto& p, const auto& v, bool utf_8 = true) {
  std::string out;
  quarn::formatter f(out);
  quarn::set_utf_8(f, utf_8);
  quarn::fprint(f, "@[%a@]", p, v);
  f.print_flush();
  return out;
}

TEST(Dump, LimitsOfElementsAndDepth) {
  const auto at_most = [](std::size_t n) { return dump::value_with({.elements = n}); };
  const auto depth = [](std::size_t d) { return dump::value_with({.depth = d}); };
  std::stack<int> stack(std::deque<int>{1, 2, 3, 4});
#if QUARN_TEST_STD_VIEWS
  std::istringstream in("5 6 7");
  auto numbers = std::views::istream<int>(in);
#endif
  const auto each = [](auto&& visit, const std::vector<int>& v) {
    for (int e : v) visit(e);
  };
  const std::vector<std::vector<int>> nested{{1, 2}, {3}};
  const tree deep{1, {{2, {{3, {{4, {}}}}}}}};
  const std::pair<std::string, std::string> rows[] = {
      {limited(at_most(3), std::vector<int>(1000, 7)), "[7; 7; 7; \u2026 (997 more)]"},
      {limited(at_most(3), std::vector<int>(1000, 7), false), "[7; 7; 7; ... (997 more)]"},
      {limited(at_most(0), one_to(2)), "[\u2026 (2 more)]"},
      {limited(at_most(2), one_to(2)), "[1; 2]"},
      {limited(at_most(1), std::array<int, 3>{1, 2, 3}), "[|1; \u2026 (2 more)|]"},
      {limited(at_most(1), std::map<int, int>{{1, 10}, {2, 20}}), "(hashtbl (1, 10) \u2026 (1 more))"},
      {limited(at_most(2), stack), "(stack 4 3 \u2026 (2 more))"},
      {limited(at_most(2), std::forward_list<int>{1, 2, 3}), "[1; 2; \u2026]"},  // no size: no count
#if QUARN_TEST_STD_VIEWS
      {limited(at_most(1), numbers), "[5; \u2026]"},
#endif
      {limited(quarn::list(quarn::int_, {.sep = quarn::comma, .elements = 2}), one_to(5)), "1, 2, \u2026 (3 more)"},
      {limited(dump::list(dump::string, {.elements = 1}), std::vector<std::string>{"a", "b"}),
       "[\"a\"; \u2026 (1 more)]"},
      {limited(dump::iter(each, quarn::any("n"), quarn::int_, {.elements = 1}), one_to(3)), "(n 1 \u2026 (2 more))"},
      {limited(depth(0), nested), "\u2026"},
      {limited(depth(1), nested), "[\u2026; \u2026]"},
      {limited(depth(2), nested), "[[1; 2]; [3]]"},
      {limited(depth(0), 5), "5"},
      {limited(depth(1), std::variant<int, std::vector<int>>(one_to(2))), "[1; 2]"},
      // A printer_for<T> that dumps its parts counts as a level.
      {limited(depth(3), deep), "node 1 [node 2 \u2026]"},
      {limited(dump::value, deep), "node 1 [node 2 [node 3 [node 4 []]]]"},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

// Limits set once on a formatter apply to every dump::value on it, and on
// the formatters that share its attributes; value_with() overrides them.
TEST(Dump, LimitsAsAnAttribute) {
  std::string out;
  quarn::formatter f(out);
  EXPECT_EQ(dump::get_limits(f).elements, quarn::unlimited);
  dump::set_limits(f, {.elements = 2, .depth = 1});
  EXPECT_EQ(dump::get_limits(f).elements, 2U);
  EXPECT_EQ(dump::get_limits(f).depth, 1U);
  quarn::fprint(f, "%a %a %a", dump::value, one_to(3), dump::value, std::vector<std::vector<int>>{{1}},
                dump::value_with({}), one_to(3));
  f.print_flush();
  EXPECT_EQ(out, "[1; 2; \u2026 (1 more)] [\u2026] [1; 2; 3]");
  EXPECT_EQ(quarn::str_like(f, "%a", dump::value, one_to(3)), "[1; 2; \u2026 (1 more)]");
  EXPECT_EQ(quarn::sprint("%a", dump::value, one_to(3)), "[1; 2; 3]");
}

}  // namespace
