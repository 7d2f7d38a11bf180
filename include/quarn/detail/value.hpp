// SPDX-License-Identifier: MIT
// The parts of quarn/value.hpp that users do not name: which kind of value a
// type is, whether it prints all the way down, and the texts of floats and
// durations.
#pragma once

#include <array>
#include <chrono>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <queue>
#include <ranges>
#include <ratio>
#include <stack>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>
#include <version>  // __cpp_lib_expected, read below
#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202202L
#include <expected>
#endif

#include "quarn/detail/dump.hpp"
#include "quarn/detail/scalars.hpp"
#include "quarn/engine.hpp"
#include "quarn/result.hpp"
#include "quarn/streamed.hpp"

namespace quarn::dump {

template <class T>
struct printer_for;  // defined, with its documentation, in quarn/value.hpp

}  // namespace quarn::dump

namespace quarn::detail {

// False, but only once T is known: a static_assert on it fails where the
// printer is instantiated for T, and the compilers name T in their message
// ("requirement 'has_dump_printer<widget>'", "'has_dump_printer<widget>'
// evaluates to false").
template <class T>
inline constexpr bool has_dump_printer = false;

// Never defined: quarn::dump::value takes its size for a type it cannot
// print, so that the first error line of both g++ and clang names the type
// ("invalid application of 'sizeof' to incomplete type
// 'quarn::detail::dump_value_has_no_printer_for<widget>'", "implicit
// instantiation of undefined template ...").
template <class T>
struct dump_value_has_no_printer_for;

template <class T, template <class...> class Template>
inline constexpr bool is_instance_of = false;
template <template <class...> class Template, class... A>
inline constexpr bool is_instance_of<Template<A...>, Template> = true;

template <class T>
inline constexpr bool is_std_array = false;
template <class T, std::size_t N>
inline constexpr bool is_std_array<std::array<T, N>> = true;

template <class T>
inline constexpr bool is_duration = false;
template <class Rep, class Period>
inline constexpr bool is_duration<std::chrono::duration<Rep, Period>> = true;

template <class T>
inline constexpr bool is_result = false;
template <class T, class E>
inline constexpr bool is_result<outcome<T, E>> = true;
#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202202L
template <class T, class E>
inline constexpr bool is_result<std::expected<T, E>> = true;
#endif

// What quarn::dump::value prints a value of T as, chosen in this order: the
// first kind that applies wins.
enum class value_kind {
  none,        // nothing: a compile error
  custom,      // quarn::dump::printer_for<T>
  boolean,     // true
  character,   // 'a'
  code_point,  // U+00E9 (char8_t, char16_t, char32_t, wchar_t)
  integer,     // 42
  floating,    // 0.1
  string,      // "abc"
  duration,    // 90s
  optional,    // Some 1, None
  variant,     // the value it holds
  monostate,   // monostate
  pair,        // (1, "a")
  tuple,       // (1, "a", true)
  result,      // Ok 1, Error "e"
  queue,       // (queue 1 2 3)
  stack,       // (stack 3 2 1)
  map,         // (hashtbl (1, "a") (2, "b"))
  array,       // [|1; 2; 3|]
  list,        // [1; 2; 3]
  seq,         // [1; 2; 3], a range walked once
  // The types that no line above covers, through what C++ already knows of
  // them (class, union and enumeration types only; a pointer still has no
  // printer):
  std_format,  // std::formatter<T>, where the standard library has <format>
  stream,      // operator<< (not for an unscoped enumeration, whose << may
               // be the integer's)
  fmt_format,  // fmt::formatter<T>, with <quarn/fmt.hpp>
};

// A type that the foreign printers may print.
template <class T>
concept foreign_candidate = std::is_class_v<T> || std::is_union_v<T> || std::is_enum_v<T>;

template <class T>
consteval bool is_unscoped_enum() {
  if constexpr (std::is_enum_v<T>)
    return std::is_convertible_v<T, std::underlying_type_t<T>>;
  else
    return false;
}

// The integer types that the integer printers take (all but extended ones
// such as __int128).
template <class T>
concept native_integer = integer<T> && sizeof(T) <= sizeof(long long);

// A range whose elements are of its own type (std::filesystem::path) is
// not printed as a range: it would never end.
template <class T, class R>
concept range_of_other = !std::same_as<std::remove_cvref_t<std::ranges::range_reference_t<R>>, T>;

template <class T>
consteval value_kind value_kind_of() {
  using K = value_kind;
  if constexpr (std::is_function_v<T> || std::is_void_v<T>)
    return K::none;
  else if constexpr (std::invocable<const dump::printer_for<T>&, formatter&, const T&>)
    return K::custom;
  // vector<bool>'s elements come as proxies; libc++'s const one is not bool.
  else if constexpr (std::same_as<T, bool> || std::same_as<T, std::vector<bool>::const_reference> ||
                     std::same_as<T, std::vector<bool>::reference>)
    return K::boolean;
  else if constexpr (std::same_as<T, char>)
    return K::character;
  else if constexpr (std::same_as<T, char8_t> || std::same_as<T, char16_t> || std::same_as<T, char32_t> ||
                     std::same_as<T, wchar_t>)
    return K::code_point;
  else if constexpr (native_integer<T>)
    return K::integer;
  else if constexpr (std::floating_point<T>)
    return K::floating;
  else if constexpr ((!std::same_as<T, std::nullptr_t> && std::convertible_to<const T&, std::string_view>) ||
                     unicode_string<T> || unicode_array<T>)
    return K::string;
  else if constexpr (is_duration<T>)
    return K::duration;
  else if constexpr (is_instance_of<T, std::optional>)
    return K::optional;
  else if constexpr (is_instance_of<T, std::variant>)
    return K::variant;
  else if constexpr (std::same_as<T, std::monostate>)
    return K::monostate;
  else if constexpr (is_instance_of<T, std::pair>)
    return K::pair;
  else if constexpr (is_instance_of<T, std::tuple>)
    return K::tuple;
  else if constexpr (is_result<T>)
    return K::result;
  else if constexpr (is_instance_of<T, std::queue>)
    return K::queue;
  else if constexpr (is_instance_of<T, std::stack>)
    return K::stack;
  else if constexpr (std::ranges::forward_range<const T> && requires {
                       typename T::key_type;
                       typename T::mapped_type;
                     })
    return K::map;
  else if constexpr (is_std_array<T> || std::is_bounded_array_v<T>)
    return K::array;
  else if constexpr (std::ranges::forward_range<const T> && range_of_other<T, const T>)
    return K::list;
  else if constexpr (std::ranges::input_range<T> && !std::ranges::input_range<const T> && range_of_other<T, T>)
    return K::seq;
  else if constexpr (!foreign_candidate<T>)
    return K::none;
  else if constexpr (std_formattable<T>)
    return K::std_format;
  else if constexpr (!is_unscoped_enum<T>() && streamable<T>)
    return K::stream;
  else if constexpr (fmt_fallback<T>::available)
    return K::fmt_format;
  else
    return K::none;
}

template <class T>
consteval bool printable_value();

template <class... T>
consteval bool all_printable(std::type_identity<std::tuple<T...>>) {
  return (printable_value<T>() && ...);
}

// The types of the values that a value of T holds and prints in turn.
template <class T, value_kind K = value_kind_of<T>()>
struct parts {
  using type = std::tuple<>;
};
template <class T>
struct parts<T, value_kind::duration> {
  using type = std::tuple<typename T::rep>;
};
template <class T>
struct parts<T, value_kind::optional> {
  using type = std::tuple<typename T::value_type>;
};
template <class... A>
struct parts<std::variant<A...>, value_kind::variant> {
  using type = std::tuple<A...>;
};
template <class A, class B>
struct parts<std::pair<A, B>, value_kind::pair> {
  using type = std::tuple<A, B>;
};
template <class... A>
struct parts<std::tuple<A...>, value_kind::tuple> {
  using type = std::tuple<A...>;
};
template <template <class, class> class R, class A, class E>
struct parts<R<A, E>, value_kind::result> {
  using type = std::tuple<A, E>;
};
template <class T>
struct parts<T, value_kind::queue> {
  using type = std::tuple<typename T::value_type>;
};
template <class T>
struct parts<T, value_kind::stack> {
  using type = std::tuple<typename T::value_type>;
};
template <class T>
struct parts<T, value_kind::map> {
  using type = std::tuple<typename T::key_type, typename T::mapped_type>;
};
template <class T>
struct parts<T, value_kind::array> {
  using type = std::tuple<std::remove_cvref_t<std::ranges::range_reference_t<const T>>>;
};
template <class T>
struct parts<T, value_kind::list> {
  using type = std::tuple<std::remove_cvref_t<std::ranges::range_reference_t<const T>>>;
};
template <class T>
struct parts<T, value_kind::seq> {
  using type = std::tuple<std::remove_cvref_t<std::ranges::range_reference_t<T>>>;
};

// T prints, and so does every value it holds (a custom printer is trusted).
template <class T>
consteval bool printable_value() {
  if constexpr (value_kind_of<T>() == value_kind::none)
    return false;
  else if constexpr (value_kind_of<T>() == value_kind::custom)
    return true;
  else
    return all_printable(std::type_identity<typename parts<T>::type>{});
}

// Floats in the shortest text that reads back as the same value.
void print_shortest(formatter& f, float x);
void print_shortest(formatter& f, double x);
void print_shortest(formatter& f, long double x);

// The unit of a std::chrono::duration of this period, as C++ writes it after
// the count ("ns", "s", "min", "h" ...); empty when it has no name.
constexpr std::string_view duration_suffix(std::intmax_t num, std::intmax_t den) {
  struct unit {
    std::intmax_t num, den;
    std::string_view suffix;
  };
  constexpr unit units[] = {
      {1, 1000000000000000000, "as"},
      {1, 1000000000000000, "fs"},
      {1, 1000000000000, "ps"},
      {1, 1000000000, "ns"},
      {1, 1000000, "us"},
      {1, 1000, "ms"},
      {1, 100, "cs"},
      {1, 10, "ds"},
      {1, 1, "s"},
      {10, 1, "das"},
      {100, 1, "hs"},
      {1000, 1, "ks"},
      {1000000, 1, "Ms"},
      {1000000000, 1, "Gs"},
      {1000000000000, 1, "Ts"},
      {1000000000000000, 1, "Ps"},
      {1000000000000000000, 1, "Es"},
      {60, 1, "min"},
      {3600, 1, "h"},
      {86400, 1, "d"},
  };
  for (const unit& u : units)
    if (u.num == num && u.den == den) return u.suffix;
  return {};
}

// The unit of a period without a name: "[num]s" or "[num/den]s".
void print_period(formatter& f, std::intmax_t num, std::intmax_t den);

}  // namespace quarn::detail
