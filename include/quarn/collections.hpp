// SPDX-License-Identifier: MIT
// Printers of pairs, optional values, outcomes and containers.
//
// They print the elements and the separators between them and nothing else:
// no box, no brackets.  Wrap them in box() and brackets() for delimiters, or
// use the quarn::dump printers.
#pragma once

#include <concepts>
#include <cstddef>
#include <iterator>
#include <optional>
#include <queue>
#include <ranges>
#include <stack>
#include <tuple>
#include <type_traits>
#include <utility>
#include <version>  // __cpp_lib_expected, read below
#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202202L
#include <expected>
#endif

#include "quarn/combinators.hpp"
#include "quarn/detail/collections.hpp"
#include "quarn/printer.hpp"
#include "quarn/result.hpp"

namespace quarn {

/// First printer on the first component, `sep`, second printer on the
/// second.  Takes anything std::get<0> and std::get<1> apply to.
template <class P1, class P2>
struct pair_printer : printer_tag {
  /// The printer of the first component.
  P1 p1;
  /// The printer of the second component.
  P2 p2;
  /// Printed between the two components.
  t<unit> sep;
  /// Prints the first component of `v` with `p1`, the separator, then the second with `p2`.
  template <class V>
    requires printer_of<P1, std::remove_cvref_t<decltype(std::get<0>(std::declval<const V&>()))>> &&
             printer_of<P2, std::remove_cvref_t<decltype(std::get<1>(std::declval<const V&>()))>>
  void operator()(formatter& f, const V& v) const {
    p1(f, std::get<0>(v));
    sep(f, unit{});
    p2(f, std::get<1>(v));
  }
};
/// The two components of a pair (or of anything std::get<0> and std::get<1> apply to), each with its printer, the separator between.
/// @code
/// quarn::sprint("%a", quarn::pair(quarn::string, quarn::int_, {.sep = quarn::comma}), std::pair{"x", 1})   // "x, 1"
/// @endcode
template <class P1, class P2>
[[nodiscard]] pair_printer<P1, P2> pair(P1 p1, P2 p2, sep_options o = {}) {
  return {{}, std::move(p1), std::move(p2), std::move(o.sep)};
}

/// Options of option().
struct option_options {
  t<unit> none = nop;  ///< Printed for an absent value.
};

/// `none` for an absent value, `p` on a present one.
template <class P>
struct option_printer : printer_tag {
  /// The printer of a present value.
  P p;
  /// Printed for an absent value.
  t<unit> none;
  /// Prints `*v` with `p` if `v` holds a value, `none` otherwise.
  template <class V>
    requires printer_of<P, V>
  void operator()(formatter& f, const std::optional<V>& v) const {
    if (v)
      p(f, *v);
    else
      none(f, unit{});
  }
};
/// `none` for an absent value, `p` on a present one.
/// @code
/// quarn::sprint("%a", quarn::option(quarn::int_, {.none = quarn::any("-")}), std::optional<int>{})   // "-"
/// quarn::sprint("%a", quarn::option(quarn::int_), std::optional<int>{3})   // "3"
/// @endcode
template <class P>
[[nodiscard]] option_printer<P> option(P p, option_options o = {}) {
  return {{}, std::move(p), std::move(o.none)};
}

/// `ok` on a value, `error` on an error.  Takes quarn::outcome (and
/// std::expected where the standard library has it).
template <class POk, class PError>
struct result_printer : printer_tag {
  /// The printer of a value.
  POk ok;
  /// The printer of an error.
  PError error;
  /// Prints the value of `r` with `ok`, or its error with `error`.
  template <class T, class E>
    requires printer_of<POk, T> && printer_of<PError, E>
  void operator()(formatter& f, const outcome<T, E>& r) const {
    if (r.is_ok())
      ok(f, r.value());
    else
      error(f, r.error());
  }
#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202202L
  template <class T, class E>
    requires printer_of<POk, T> && printer_of<PError, E>
  void operator()(formatter& f, const std::expected<T, E>& r) const {
    if (r.has_value())
      ok(f, *r);
    else
      error(f, r.error());
  }
#endif
};
/// `ok` on the value of an outcome (or std::expected), `error` on its error.
/// @code
/// quarn::sprint("%a", quarn::result(quarn::int_, quarn::string), quarn::outcome<int, std::string>(quarn::Error{"bad"s}))   // "bad"
/// @endcode
template <class POk, class PError>
[[nodiscard]] result_printer<POk, PError> result(POk ok, PError error) {
  return {{}, std::move(ok), std::move(error)};
}

/// The elements of a range, front to back (lists, vectors, arrays, spans).
template <class P>
struct list_printer : printer_tag {
  /// The printer of an element.
  P p;
  /// Printed between two elements.
  t<unit> sep;
  /// At most this many elements are printed; then how many were left out.
  std::size_t most = unlimited;
  /// Prints the elements of `r`, front to back, the separator between.
  template <std::ranges::forward_range R>
    requires printer_of<P, detail::range_element<R>>
  void operator()(formatter& f, const R& r) const {
    detail::print_range(f, p, sep, r, most);
  }
};
/// The elements of a range, front to back (lists, vectors, arrays, spans), the separator (by default a break hint of 0 spaces) between.
/// @code
/// quarn::sprint("%a", quarn::list(quarn::int_, {.sep = quarn::comma}), std::vector<int>{1, 2, 3})   // "1, 2, 3"
/// @endcode
template <class P>
[[nodiscard]] list_printer<P> list(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}
/// The elements of an array (any random-access range), from index 0 up.
/// @code
/// quarn::sprint("%a", quarn::array(quarn::int_, {.sep = quarn::semi}), std::array<int, 2>{1, 2})   // "1; 2"
/// @endcode
template <class P>
[[nodiscard]] list_printer<P> array(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The elements of a sequence (any input range: views, generators), walked
/// once and produced as the walk reaches them.
template <class P>
struct seq_printer : printer_tag {
  /// The printer of an element.
  P p;
  /// Printed between two elements.
  t<unit> sep;
  /// At most this many elements are printed; then how many were left out.
  std::size_t most = unlimited;
  /// Prints the elements of `r` as the walk produces them, the separator between.
  template <std::ranges::input_range R>
    requires printer_of<P, std::remove_cvref_t<std::ranges::range_reference_t<R>>>
  void operator()(formatter& f, R&& r) const {
    detail::print_range(f, p, sep, std::forward<R>(r), most);
  }
  // An input range that can be walked only through a non-const reference (a
  // generator, an istream view, a filter view) still comes as const, as
  // every printer's value does: the const is cast away to walk it.  That is
  // sound for the range objects such a printer is given (variables and
  // temporaries, which are not const themselves); a range object declared
  // const could not be walked at all, and must not be given to it.
  /// Prints the elements of a range that only a non-const walk can produce (a generator, an istream view, a filter view), the separator between.
  template <std::ranges::input_range R>
    requires(!std::ranges::input_range<const R>) &&
            printer_of<P, std::remove_cvref_t<std::ranges::range_reference_t<R>>>
  void operator()(formatter& f, const R& r) const {
    detail::print_range(f, p, sep, const_cast<R&>(r), most);
  }
};
/// The elements of a sequence (any input range: views, generators), walked once.
/// @code
/// quarn::sprint("%a", quarn::seq(quarn::int_, {.sep = quarn::sp}), std::list<int>{1, 2, 3})   // "1 2 3"
/// @endcode
template <class P>
[[nodiscard]] seq_printer<P> seq(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The bindings of a map-like range (std::map, std::unordered_map ...), in
/// the order its iteration visits them; `p` prints each (key, value) pair.
/// @code
/// quarn::sprint("%a", quarn::hashtbl(quarn::pair(quarn::string, quarn::int_, {.sep = quarn::any(": ")}), {.sep = quarn::comma}), std::map<std::string, int>{{"a", 1}, {"b", 2}})   // "a: 1, b: 2"
/// @endcode
template <class P>
[[nodiscard]] list_printer<P> hashtbl(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The elements of a std::queue, oldest first.
template <class P>
struct queue_printer : printer_tag {
  /// The printer of an element.
  P p;
  /// Printed between two elements.
  t<unit> sep;
  /// At most this many elements are printed; then how many were left out.
  std::size_t most = unlimited;
  /// Prints the elements of `q`, oldest first, the separator between.
  template <class T, class C>
    requires printer_of<P, T>
  void operator()(formatter& f, const std::queue<T, C>& q) const {
    detail::print_range(f, p, sep, detail::adaptor_access<std::queue<T, C>>::get(q), most);
  }
};
/// The elements of a std::queue, oldest first.
/// @code
/// quarn::sprint("%a", quarn::queue(quarn::int_, {.sep = quarn::sp}), std::queue<int>(std::deque<int>{1, 2, 3}))   // "1 2 3"
/// @endcode
template <class P>
[[nodiscard]] queue_printer<P> queue(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The elements of a std::stack, top (the last pushed) first.
template <class P>
struct stack_printer : printer_tag {
  /// The printer of an element.
  P p;
  /// Printed between two elements.
  t<unit> sep;
  /// At most this many elements are printed; then how many were left out.
  std::size_t most = unlimited;
  /// Prints the elements of `s`, top first, the separator between.
  template <class T, class C>
    requires printer_of<P, T>
  void operator()(formatter& f, const std::stack<T, C>& s) const {
    const C& c = detail::adaptor_access<std::stack<T, C>>::get(s);
    detail::print_walk(f, p, sep, c.rbegin(), c.rend(), most, c.size() > most ? c.size() - most : 0);
  }
};
/// The elements of a std::stack, top (the last pushed) first.
/// @code
/// quarn::sprint("%a", quarn::stack(quarn::int_, {.sep = quarn::sp}), std::stack<int>(std::deque<int>{1, 2, 3}))   // "3 2 1"
/// @endcode
template <class P>
[[nodiscard]] stack_printer<P> stack(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

}  // namespace quarn
