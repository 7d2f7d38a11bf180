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
// A type that none of these lines covers (a class of your own, a pointer, an
// enumeration) does not compile: the static assertion "quarn::dump::value
// cannot print this type" fails, on the requirement has_dump_printer<T> with
// the type written out.  Give it a printer by specialising
// quarn::dump::printer_for, before the first use:
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

/// Prints any value of the table at the top of this header.  A value of a
/// type it cannot print is a compile error that names the type.
struct value_printer : printer_tag {
  /// Prints `v` in the syntax of the other quarn::dump printers.
  template <class T>
  void operator()(formatter& f, const T& v) const;
};
/// One printer for the values of the standard library, chosen at compile time from the value's type.
/// @code
/// quarn::sprint("%a", quarn::dump::value, std::map<std::string, std::vector<int>>{{"a", {1, 2}}, {"b", {}}})   // "(hashtbl (\"a\", [1; 2]) (\"b\", []))"
/// quarn::sprint("%a", quarn::dump::value, std::optional<std::pair<int, std::string>>{{1, "x"}})   // "Some (1, \"x\")"
/// @endcode
inline constexpr value_printer value{};

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
void print_tuple(formatter& f, [[maybe_unused]] const Tuple& t, std::index_sequence<I...>) {
  f.open_box(box_kind::b, 1);
  f.print_string("(");
  ((I == 0 ? void() : comma(f), f.open_box(box_kind::b, 0), dump::value(f, std::get<I>(t)), f.close_box()), ...);
  f.print_string(")");
  f.close_box();
}

}  // namespace quarn::detail

namespace quarn::dump {

template <class T>
void value_printer::operator()(formatter& f, const T& v) const {
  using K = detail::value_kind;
  constexpr K kind = detail::value_kind_of<T>();
  // The dump printers are composed at each call, which allocates nothing
  // (their separators are stored in place) and keeps no state between calls.
  if constexpr (kind == K::custom) {
    const printer_for<T> p{};
    p(f, v);
  } else if constexpr (kind == K::boolean) {
    bool_(f, v);
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
    dump::option(value_printer{})(f, v);
  } else if constexpr (kind == K::variant) {
    if (v.valueless_by_exception())
      f.print_string("valueless_by_exception");
    else
      std::visit([&f](const auto& held) { value(f, held); }, v);
  } else if constexpr (kind == K::monostate) {
    f.print_string("monostate");
  } else if constexpr (kind == K::pair) {
    dump::pair(value_printer{}, value_printer{})(f, v);
  } else if constexpr (kind == K::tuple) {
    detail::print_tuple(f, v, std::make_index_sequence<std::tuple_size_v<T>>{});
  } else if constexpr (kind == K::result) {
    dump::result(value_printer{}, value_printer{})(f, v);
  } else if constexpr (kind == K::queue) {
    dump::queue(value_printer{})(f, v);
  } else if constexpr (kind == K::stack) {
    dump::stack(value_printer{})(f, v);
  } else if constexpr (kind == K::map) {
    dump::hashtbl(value_printer{}, value_printer{})(f, v);
  } else if constexpr (kind == K::array) {
    dump::array(value_printer{})(f, v);
  } else if constexpr (kind == K::list) {
    dump::list(value_printer{})(f, v);
  } else if constexpr (kind == K::seq) {
    dump::seq(value_printer{})(f, v);
  } else {
    static_assert(detail::has_dump_printer<T>,
                  "quarn::dump::value cannot print this type T (named in has_dump_printer<T>): "
                  "specialise quarn::dump::printer_for<T> for it");
  }
}

}  // namespace quarn::dump
