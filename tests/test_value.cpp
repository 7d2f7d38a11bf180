// SPDX-License-Identifier: MIT
// The generic value printer: what each kind of type prints as, that the
// layout is the hand-built dump printers' own, custom printers, and which
// types count as printable.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <forward_list>
#include <limits>
#include <list>
#include <map>
#include <optional>
#include <queue>
#include <ranges>
#include <set>
#include <sstream>
#include <stack>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "print_helpers.hpp"

namespace {

namespace dump = quarn::dump;
using quarn_test::boxed;
using namespace std::chrono_literals;

struct point {
  int x;
  int y;
};

enum class colour { red, green };

struct widget {};

// Its construction throws, which leaves a variant that was making one
// valueless.
struct fragile {
  explicit fragile(int) { throw std::runtime_error("fragile"); }
  fragile(const fragile&) {}
};

}  // namespace

template <>
struct quarn::dump::printer_for<point> {
  void operator()(quarn::formatter& f, const point& p) const {
    quarn::fprint(f, "@[<1>{x = %a;@ y = %a}@]", quarn::dump::value, p.x, quarn::dump::value, p.y);
  }
};

// A specialisation also replaces the printing of a standard type.
template <>
struct quarn::dump::printer_for<std::vector<colour>> {
  void operator()(quarn::formatter& f, const std::vector<colour>& v) const {
    quarn::fprint(f, "%d colours", static_cast<int>(v.size()));
  }
};
template <>
struct quarn::dump::printer_for<colour> {
  void operator()(quarn::formatter& f, const colour& c) const {
    quarn::fprint(f, "%s", c == colour::red ? "red" : "green");
  }
};

template <>
struct quarn::dump::printer_for<fragile> {
  void operator()(quarn::formatter&, const fragile&) const {}
};

namespace {

static_assert(dump::printable<std::map<std::string, std::vector<std::optional<std::tuple<int, double>>>>>);
static_assert(dump::printable<const point&>);
static_assert(dump::printable<std::vector<point>>);
static_assert(dump::printable<int[3]>);
static_assert(!dump::printable<widget>);
static_assert(!dump::printable<std::vector<widget>>);
static_assert(!dump::printable<std::map<int, widget>>);
static_assert(!dump::printable<std::variant<int, widget>>);
static_assert(!dump::printable<std::optional<std::pair<int, widget>>>);
static_assert(!dump::printable<int*>);
static_assert(!dump::printable<std::nullptr_t>);
// A range of itself would never end as a range: it prints through its
// operator<<.
static_assert(dump::printable<std::filesystem::path>);

std::string one_line(const auto& v) { return boxed(dump::value, v); }

TEST(Value, EachKindOnOneLine) {
  std::queue<int> queue;
  std::stack<int> stack;
  for (int i = 1; i <= 3; ++i) {
    queue.push(i);
    stack.push(i);
  }
  const int c_array[] = {1, 2, 3};
  const char unterminated[2] = {'a', 'b'};
  const char* const c_string = "c";
  std::variant<int, fragile> valueless = 1;
  try {
    valueless.emplace<fragile>(0);
  } catch (const std::runtime_error&) {
  }
  using out = quarn::outcome<int, std::string>;
  const std::pair<std::string, std::string> rows[] = {
      {one_line(true), "true"},
      {one_line('a'), "'a'"},
      {one_line('\n'), "'\\n'"},
      {one_line(U'\u00e9'), "U+00E9"},
      {one_line(u8'x'), "U+0078"},
      {one_line(std::int8_t{-5}), "-5"},
      {one_line(std::uint8_t{200}), "200"},
      {one_line(std::numeric_limits<long long>::min()), "-9223372036854775808"},
      {one_line(std::numeric_limits<unsigned long long>::max()), "18446744073709551615"},
      {one_line(0.1 + 0.2), "0.30000000000000004"},
      {one_line(1e100), "1e+100"},
      {one_line(0.1F), "0.1"},
      {one_line(0.5L), "0.5"},
      {one_line(-std::numeric_limits<double>::infinity()), "-inf"},
      {one_line(std::string("a\"b")), "\"a\\\"b\""},
      {one_line(std::string_view("sv")), "\"sv\""},
      {one_line(c_string), "\"c\""},
      {one_line(unterminated), "\"ab\""},
      {one_line(90s), "90s"},
      {one_line(1500ms), "1500ms"},
      {one_line(7us), "7us"},
      {one_line(std::chrono::duration<double, std::ratio<3600>>(2.5)), "2.5h"},
      {one_line(-3min), "-3min"},
      {one_line(std::chrono::duration<int, std::ratio<1, 50>>(3)), "3[1/50]s"},
      {one_line(std::chrono::weeks(1)), "1[604800]s"},
      {one_line(std::optional<int>()), "None"},
      {one_line(std::optional<int>(1)), "Some 1"},
      {one_line(std::variant<int, std::string>("x")), "\"x\""},
      {one_line(std::variant<std::monostate, int>()), "monostate"},
      {one_line(valueless), "valueless_by_exception"},
      {one_line(std::pair(1, std::string("a"))), "(1, \"a\")"},
      {one_line(std::tuple(1, std::string("a"), true)), "(1, \"a\", true)"},
      {one_line(std::tuple<>()), "()"},
      {one_line(out(quarn::Ok{1})), "Ok 1"},
      {one_line(out(quarn::Error{"e"})), "Error \"e\""},
      {one_line(queue), "(queue 1 2 3)"},
      {one_line(stack), "(stack 3 2 1)"},
      {one_line(std::map<int, std::string>{{2, "b"}, {1, "a"}}), "(hashtbl (1, \"a\") (2, \"b\"))"},
      {one_line(std::unordered_map<int, int>{{1, 10}}), "(hashtbl (1, 10))"},
      {one_line(std::multimap<int, int>{{1, 10}, {1, 11}}), "(hashtbl (1, 10) (1, 11))"},
      {one_line(std::array<int, 3>{1, 2, 3}), "[|1; 2; 3|]"},
      {one_line(c_array), "[|1; 2; 3|]"},
      {one_line(std::vector<int>{1, 2, 3}), "[1; 2; 3]"},
      {one_line(std::vector<bool>{true, false}), "[true; false]"},
      {one_line(std::list<int>{}), "[]"},
      {one_line(std::deque<int>{4}), "[4]"},
      {one_line(std::forward_list<int>{5, 6}), "[5; 6]"},
      {one_line(std::set<std::string>{"b", "a"}), "[\"a\"; \"b\"]"},
      {one_line(std::vector<std::optional<std::pair<int, std::string>>>{std::pair(1, "a"), std::nullopt}),
       "[Some (1, \"a\"); None]"},
      {one_line(std::map<std::string, std::vector<int>>{{"k", {1, 2}}}), "(hashtbl (\"k\", [1; 2]))"},
      {one_line(std::vector<point>{{1, 2}, {3, 4}}), "[{x = 1; y = 2}; {x = 3; y = 4}]"},
      {one_line(std::optional<colour>(colour::green)), "Some green"},
      {one_line(std::vector<colour>{colour::red}), "1 colours"},
      {one_line(std::filesystem::path("a/b")), "\"a/b\""},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

// UTF-8, UTF-16 and UTF-32 strings print as the strings of their
// characters, escaped as narrow strings are; a code unit that is no part of
// a character is named as itself.
TEST(Value, UnicodeStringsAsTheirCharacters) {
  const std::string e_acute = "\"\\195\\169\"";
  const char16_t array[4] = u"a\"b";
  const std::pair<std::string, std::string> rows[] = {
      {one_line(std::u8string(u8"\u00e9")), e_acute},
      {one_line(std::u16string(u"\u00e9")), e_acute},
      {one_line(std::u32string(U"\u00e9")), e_acute},
      {one_line(std::u16string_view(u"\U0001F600")), "\"\\240\\159\\152\\128\""},
      {one_line(std::u32string_view(U"\U0001F600\n")), "\"\\240\\159\\152\\128\\n\""},
      {one_line(array), "\"a\\\"b\""},
      {one_line(u8"x"), "\"x\""},
      {one_line(std::u8string{char8_t{0xFF}, u8'a'}), "\"\\255a\""},
      {one_line(std::u16string{char16_t{0xD83D}, u'a'}), "\"\\u{D83D}a\""},
      {one_line(std::u16string{char16_t{0xDE00}, char16_t{0xD83D}}), "\"\\u{DE00}\\u{D83D}\""},
      {one_line(std::u32string{char32_t{0x110000}, char32_t{0xDFFF}}), "\"\\u{110000}\\u{DFFF}\""},
      {one_line(std::vector<std::u16string>{u"x"}), "[\"x\"]"},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

// Boxes and break hints are those of the dump printers: at narrow margins
// the generic printer breaks where the hand-built one does.
TEST(Value, BreaksAsTheHandBuiltDumpPrinters) {
  const std::vector<std::pair<std::string, std::string>> pairs{{"alpha", "beta"}, {"gamma", "delta"}};
  const std::optional<std::vector<int>> some{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}};
  const std::map<int, std::string> m{{1, "one"}, {2, "two"}, {3, "three"}};
  const std::array<int, 10> a{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const auto triple = std::tuple(std::string("alpha"), std::string("beta"), std::string("gamma"));
  const auto pair_of_strings = dump::pair(dump::string, dump::string);
  for (int margin : {8, 12, 16, 30}) {
    EXPECT_EQ(boxed(dump::value, pairs, margin), boxed(dump::list(pair_of_strings), pairs, margin)) << margin;
    EXPECT_EQ(boxed(dump::value, some, margin), boxed(dump::option(dump::list(quarn::int_)), some, margin));
    EXPECT_EQ(boxed(dump::value, m, margin), boxed(dump::hashtbl(quarn::int_, dump::string), m, margin));
    EXPECT_EQ(boxed(dump::value, a, margin), boxed(dump::array(quarn::int_), a, margin));
    // A tuple breaks as a pair does: after each comma, one column right of "(".
    EXPECT_EQ(boxed(dump::value, std::pair(std::get<0>(triple), std::get<1>(triple)), margin),
              boxed(pair_of_strings, std::pair(std::get<0>(triple), std::get<1>(triple)), margin));
  }
  EXPECT_EQ(boxed(dump::value, triple, 10), "(\"alpha\",\n \"beta\",\n \"gamma\")");
}

#if QUARN_TEST_STD_VIEWS
TEST(Value, RangesWalkedOnceAndViews) {
  std::istringstream in("5 6 7");
  auto numbers = std::views::istream<int>(in);
  EXPECT_EQ(boxed(dump::value, numbers), "[5; 6; 7]");
  EXPECT_EQ(boxed(dump::value, numbers), "[]");
  EXPECT_EQ(boxed(dump::value, std::views::iota(1, 4)), "[1; 2; 3]");
}
#endif

TEST(Value, ShowAndPrint) {
  std::ostringstream os;
  os << dump::show(std::tuple(1, 2.5, 'x'));
  EXPECT_EQ(os.str(), "(1, 2.5, 'x')");
  EXPECT_EQ(dump::show(std::vector<std::string>{"a"}).str(), "[\"a\"]");
  EXPECT_EQ(quarn::sprint("@[<2>v =@ %a@]", dump::value, std::vector<int>{1, 2}), "v = [1; 2]");
}

}  // namespace
