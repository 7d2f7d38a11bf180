// SPDX-License-Identifier: MIT
// quarn::dump::value: one printer for the values of the standard library, in
// the syntax of the other quarn::dump printers, chosen at compile time from
// the value's type.
//
//   std::map<std::string, std::vector<int>> m{{"a", {1, 2}}, {"b", {}}};
//   quarn::print("%a@.", quarn::dump::value, m);   // (hashtbl ("a", [1; 2]) ("b", []))
//   std::cout << quarn::dump::show(std::tuple(1, 2.5, 'x')) << '\n';   // (1, 2.5, 'x')
//
// What each type prints as (the first line that applies wins):
//
//   quarn::dump::printer_for<T> specialised    what that printer prints
//   bool                                       true
//   char                                       'a', escaped as "%C" does
//   char8_t, char16_t, char32_t, wchar_t       U+00E9, as dump::uchar
//   integers (signed char to unsigned long long, so int8_t and uint8_t too)
//                                              -42, 18446744073709551615
//   float, double, long double                 0.1, 1e+100, inf: the shortest
//                                              text that reads back as the
//                                              same value (std::to_chars)
//   strings (std::string, std::string_view, const char*, char arrays, and
//   whatever converts to std::string_view)     "a\"b", as dump::string
//   UTF-8, UTF-16 and UTF-32 strings (std::u8string, std::u16string,
//   std::u32string, their views, char8_t, char16_t and char32_t arrays)
//                                              "\195\169" for u"\u00e9": its
//                                              characters, as dump::string
//   std::chrono::duration                      90s, 1500ms, 2.5h, 3[1/50]s:
//                                              the count and the unit, as C++
//                                              writes durations ("us" for micro)
//   std::optional                              None, Some 1, as dump::option
//   std::variant                               the value it holds
//   std::monostate                             monostate
//   std::pair, std::tuple                      (1, "a"), (1, "a", true), ()
//   quarn::outcome, std::expected              Ok 1, Error "e", as dump::result
//   std::queue, std::stack                     (queue 1 2 3), (stack 3 2 1)
//   maps (a range with key_type and mapped_type: std::map, std::unordered_map,
//   std::multimap ...)                         (hashtbl (1, "a") (2, "b"))
//   std::array, C arrays                       [|1; 2; 3|], as dump::array
//   other ranges (std::vector, std::list, std::deque, std::set,
//   std::unordered_set, std::span, views ...)  [1; 2; 3], as dump::list; a range
//                                              that can be walked only once (an
//                                              istream view) as dump::seq
//
// and the values inside are printed by quarn::dump::value again, so any
// nesting of these prints: a vector of optional pairs, a map of tuples ...
// Boxes and break hints are those of the dump printers named above, so a
// value prints exactly as the printer built by hand would print it.
//
// Then, for a class, union or enumeration type that no line above covers,
// what C++ already knows of it (laid out as quarn::streamed lays out its
// text, see <quarn/streamed.hpp>):
//
//   its std::formatter, where the standard library has <format>
//                                              as std::format("{}", v)
//   its operator<< (not for an unscoped enumeration, whose << may be that
//   of the integer it converts to)             as std::ostringstream() << v
//   its fmt::formatter, in a file that includes <quarn/fmt.hpp> before
//   the first dump of the type                 as fmt::format("{}", v)
//
// operator<< comes before fmt::formatter so that a type with both prints the
// same whether or not a file includes <quarn/fmt.hpp>; a type with a
// fmt::formatter alone does not compile in a file without it.
//
// Huge values: value_with() and set_limits() cap the elements of each
// container and the levels of nesting that a dump prints (see `limits`).
//
// A type that none of these lines covers (a class of your own with none of
// them, a pointer) does not compile, and the first error line names it:
// "invalid application of 'sizeof' to incomplete type
// 'quarn::detail::dump_value_has_no_printer_for<widget>'" (g++), "implicit
// instantiation of undefined template ..." (clang).  Give it a printer by
// specialising quarn::dump::printer_for, before the first use:
//
//   struct point { int x, y; };
//   template <>
//   struct quarn::dump::printer_for<point> {
//     void operator()(quarn::formatter& f, const point& p) const {
//       quarn::fprint(f, "@[<1>{x = %a;@ y = %a}@]", quarn::dump::value, p.x, quarn::dump::value, p.y);
//     }
//   };
//   quarn::print("%a@.", quarn::dump::value, std::vector<point>{{1, 2}});   // [{x = 1; y = 2}]
//
// A specialisation wins over every line of the table, so it also changes how
// a standard type prints (a partial specialisation with a requires-clause
// covers a family of types).
#pragma once

#include <concepts>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "quarn/detail/value.hpp"
#include "quarn/dump.hpp"
#include "quarn/format.hpp"
#include "quarn/scalars.hpp"
#include "quarn/show.hpp"

namespace quarn::dump {

/// The printer that quarn::dump::value uses for values of T, when it is
/// specialised: the specialisation is default-constructible and callable as
/// `void operator()(quarn::formatter&, const T&) const`.  See the example at
/// the top of this header.  Specialise it before the first use of
/// quarn::dump::value or quarn::dump::printable on T: the compiler refuses a
/// specialisation that comes after.
template <class T>
struct printer_for {};

/// T prints with quarn::dump::value, and so does every value inside it
/// (elements, components, alternatives).  A custom printer_for<T> counts as
/// printing T whole.
template <class T>
concept printable = detail::printable_value<std::remove_cvref_t<T>>();

/// Limits of quarn::dump::value for huge values.  The defaults print
/// everything.
struct limits {
  /// At most this many elements of each container, then "…" and how many
  /// were left out, in the place of the next element: «[1; 2; 3; … (997
  /// more)]» (see quarn::collection_options::elements).
  std::size_t elements = unlimited;
  /// At most this many levels of nesting: a value deeper down that holds
  /// other values (a container, pair, tuple, optional, outcome) prints as
  /// "…".  The value given to quarn::dump::value is at level 1, its elements
  /// at level 2 ...; a std::variant is no level of its own, and a
  /// printer_for<T> that prints parts of its value with quarn::dump::value
  /// counts as one, so a recursive type of your own stops too.  Scalars
  /// always print.  Depth 0 prints every such value as "…".
  std::size_t depth = unlimited;
};

/// Sets the limits of every quarn::dump::value on `f` that is not given
/// limits of its own (value_with()), so that a logger can cap every value it
/// prints.  Formatters that share f's attributes (with_buffer(), str_like())
/// follow them.
void set_limits(formatter& f, limits l);
/// The limits set on `f`; unlimited when never set.
[[nodiscard]] limits get_limits(const formatter& f);

/// Prints any value of the table at the top of this header.  A value of a
/// type it cannot print is a compile error that names the type.
struct value_printer : printer_tag {
  /// Prints `v` in the syntax of the other quarn::dump printers.
  template <class T>
  void operator()(formatter& f, const T& v) const;

  /// The limits in force (set by value_with(), else read from the formatter).
  limits lim{};
  /// The nesting level of the values this printer prints: 0 when it starts a dump.
  std::size_t level = 0;
  /// Whether `lim` was given by value_with() rather than read from the formatter.
  bool given = false;
};
/// One printer for the values of the standard library, chosen at compile time from the value's type.
/// @code
/// quarn::sprint("%a", quarn::dump::value, std::map<std::string, std::vector<int>>{{"a", {1, 2}}, {"b", {}}})   // "(hashtbl (\"a\", [1; 2]) (\"b\", []))"
/// quarn::sprint("%a", quarn::dump::value, std::optional<std::pair<int, std::string>>{{1, "x"}})   // "Some (1, \"x\")"
/// @endcode
inline constexpr value_printer value{};

/// quarn::dump::value with limits of its own, whatever the formatter's:
///
///   quarn::print("%a@.", quarn::dump::value_with({.elements = 3}), std::vector<int>(1000, 7));
///   // [7; 7; 7; … (997 more)]
[[nodiscard]] constexpr value_printer value_with(limits l) noexcept { return {{}, l, 0, true}; }

/// quarn::show(quarn::dump::value, v): the value's dump for a std::ostream
/// (`std::cout << quarn::dump::show(v)`), for {fmt} with <quarn/fmt.hpp>, or
/// as a string (`quarn::dump::show(v).str()`).  It refers to `v`, so use it
/// within the expression that makes it.
template <class V>
[[nodiscard]] shown<value_printer, V> show(const V& v) {
  return quarn::show(value, v);
}

}  // namespace quarn::dump

namespace quarn::detail {

// "(a, b, c)": parens around the components, each in its own box, with a
// comma and a break hint between them, as dump::pair prints two.
template <class Tuple, std::size_t... I>
void print_tuple(formatter& f, [[maybe_unused]] const dump::value_printer& p, [[maybe_unused]] const Tuple& t,
                 std::index_sequence<I...>) {
  f.open_box(box_kind::b, 1);
  f.print_string("(");
  ((I == 0 ? void() : comma(f), f.open_box(box_kind::b, 0), p(f, std::get<I>(t)), f.close_box()), ...);
  f.print_string(")");
  f.close_box();
}

// The kinds of value that hold other values: each is a level of nesting.
constexpr bool holds_values(value_kind k) {
  using K = value_kind;
  switch (k) {
    case K::optional:
    case K::pair:
    case K::tuple:
    case K::result:
    case K::queue:
    case K::stack:
    case K::map:
    case K::array:
    case K::list:
    case K::seq: return true;
    default: return false;
  }
}

// Where a dump that starts on `f` stands: the level of its value and its
// limits (`given`, else those of the printer_for<T> it is printed in, else
// the formatter's).
dump::value_printer start_value(const formatter& f, const dump::value_printer& p);

// While a printer_for<T> runs, the level and the limits of its value, so
// that the quarn::dump::value calls it makes on the same formatter go on
// from there.  (Kept per thread: a formatter is used by one thread at a
// time.)
class custom_value_scope {
public:
  custom_value_scope(const formatter& f, const dump::value_printer& p) noexcept;
  ~custom_value_scope();
  custom_value_scope(const custom_value_scope&) = delete;
  custom_value_scope& operator=(const custom_value_scope&) = delete;

private:
  const formatter* f_;
  dump::value_printer p_;
  const custom_value_scope* outer_;
  friend dump::value_printer start_value(const formatter& f, const dump::value_printer& p);
};

}  // namespace quarn::detail

namespace quarn::dump {

template <class T>
void value_printer::operator()(formatter& f, const T& v) const {
  using K = detail::value_kind;
  constexpr K kind = detail::value_kind_of<T>();
  if constexpr (detail::holds_values(kind)) {
    if (level == 0) {
      detail::start_value(f, *this)(f, v);
      return;
    }
    if (level > lim.depth) {
      detail::print_elided(f, 0);
      return;
    }
  }
  // What the values inside print with, one level down.
  [[maybe_unused]] const value_printer inner{{}, lim, level == 0 ? 0 : level + 1, true};
  [[maybe_unused]] const collection_options o{.elements = lim.elements};
  // The dump printers are composed at each call, which allocates nothing
  // (their separators are stored in place) and keeps no state between calls.
  if constexpr (kind == K::custom) {
    const detail::custom_value_scope scope(f, *this);
    const printer_for<T> p{};
    p(f, v);
  } else if constexpr (kind == K::boolean) {
    bool_(f, static_cast<bool>(v));
  } else if constexpr (kind == K::character) {
    fprint(f, "%C", v);
  } else if constexpr (kind == K::code_point) {
    uchar(f, static_cast<char32_t>(v));
  } else if constexpr (kind == K::integer) {
    if constexpr (std::is_signed_v<T>)
      int_(f, v);
    else
      uint(f, v);
  } else if constexpr (kind == K::floating) {
    detail::print_shortest(f, v);
  } else if constexpr (kind == K::string) {
    dump::string(f, v);
  } else if constexpr (kind == K::duration) {
    using period = typename T::period;
    (*this)(f, v.count());
    constexpr std::string_view suffix = detail::duration_suffix(period::num, period::den);
    if constexpr (suffix.empty())
      detail::print_period(f, period::num, period::den);
    else
      f.print_string(suffix);
  } else if constexpr (kind == K::optional) {
    dump::option(inner)(f, v);
  } else if constexpr (kind == K::variant) {
    // No level of its own: the value it holds is printed in its place.
    if (v.valueless_by_exception())
      f.print_string("valueless_by_exception");
    else
      std::visit([&f, this](const auto& held) { (*this)(f, held); }, v);
  } else if constexpr (kind == K::monostate) {
    f.print_string("monostate");
  } else if constexpr (kind == K::pair) {
    dump::pair(inner, inner)(f, v);
  } else if constexpr (kind == K::tuple) {
    detail::print_tuple(f, inner, v, std::make_index_sequence<std::tuple_size_v<T>>{});
  } else if constexpr (kind == K::result) {
    dump::result(inner, inner)(f, v);
  } else if constexpr (kind == K::queue) {
    dump::queue(inner, o)(f, v);
  } else if constexpr (kind == K::stack) {
    dump::stack(inner, o)(f, v);
  } else if constexpr (kind == K::map) {
    dump::hashtbl(inner, inner, o)(f, v);
  } else if constexpr (kind == K::array) {
    dump::array(inner, o)(f, v);
  } else if constexpr (kind == K::list) {
    dump::list(inner, o)(f, v);
  } else if constexpr (kind == K::seq) {
    dump::seq(inner, o)(f, v);
#if defined(__cpp_lib_format)
  } else if constexpr (kind == K::std_format) {
    formatted(f, v);
#endif
  } else if constexpr (kind == K::stream) {
    streamed(f, v);
  } else if constexpr (kind == K::fmt_format) {
    detail::fmt_fallback<T>::print(f, v);
  } else {
    // The first error names T: "invalid application of 'sizeof' to
    // incomplete type 'quarn::detail::dump_value_has_no_printer_for<T>'"
    // (g++), "implicit instantiation of undefined template ..." (clang).
    (void)sizeof(detail::dump_value_has_no_printer_for<T>);
    static_assert(detail::has_dump_printer<T>,
                  "quarn::dump::value cannot print this type T: it has no printer_for<T>, std::formatter, "
                  "operator<< or (with <quarn/fmt.hpp>) fmt::formatter; specialise quarn::dump::printer_for<T>");
  }
}

}  // namespace quarn::dump
