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
  P1 p1;
  P2 p2;
  t<unit> sep;
  template <class V>
    requires printer_of<P1, std::remove_cvref_t<decltype(std::get<0>(std::declval<const V&>()))>> &&
             printer_of<P2, std::remove_cvref_t<decltype(std::get<1>(std::declval<const V&>()))>>
  void operator()(formatter& f, const V& v) const {
    p1(f, std::get<0>(v));
    sep(f, unit{});
    p2(f, std::get<1>(v));
  }
};
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
  P p;
  t<unit> none;
  template <class V>
    requires printer_of<P, V>
  void operator()(formatter& f, const std::optional<V>& v) const {
    if (v)
      p(f, *v);
    else
      none(f, unit{});
  }
};
template <class P>
[[nodiscard]] option_printer<P> option(P p, option_options o = {}) {
  return {{}, std::move(p), std::move(o.none)};
}

/// `ok` on a value, `error` on an error.  Takes quarn::outcome (and
/// std::expected where the standard library has it).
template <class POk, class PError>
struct result_printer : printer_tag {
  POk ok;
  PError error;
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
template <class POk, class PError>
[[nodiscard]] result_printer<POk, PError> result(POk ok, PError error) {
  return {{}, std::move(ok), std::move(error)};
}

/// The elements of a range, front to back (lists, vectors, arrays, spans).
template <class P>
struct list_printer : printer_tag {
  P p;
  t<unit> sep;
  std::size_t most = unlimited;
  template <std::ranges::forward_range R>
    requires printer_of<P, detail::range_element<R>>
  void operator()(formatter& f, const R& r) const {
    detail::print_range(f, p, sep, r, most);
  }
};
template <class P>
[[nodiscard]] list_printer<P> list(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}
/// The elements of an array (any random-access range), from index 0 up.
template <class P>
[[nodiscard]] list_printer<P> array(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The elements of a sequence (any input range: views, generators), walked
/// once and produced as the walk reaches them.
template <class P>
struct seq_printer : printer_tag {
  P p;
  t<unit> sep;
  std::size_t most = unlimited;
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
  template <std::ranges::input_range R>
    requires(!std::ranges::input_range<const R>) &&
            printer_of<P, std::remove_cvref_t<std::ranges::range_reference_t<R>>>
  void operator()(formatter& f, const R& r) const {
    detail::print_range(f, p, sep, const_cast<R&>(r), most);
  }
};
template <class P>
[[nodiscard]] seq_printer<P> seq(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The bindings of a map-like range (std::map, std::unordered_map ...), in
/// the order its iteration visits them; `p` prints each (key, value) pair.
template <class P>
[[nodiscard]] list_printer<P> hashtbl(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The elements of a std::queue, oldest first.
template <class P>
struct queue_printer : printer_tag {
  P p;
  t<unit> sep;
  std::size_t most = unlimited;
  template <class T, class C>
    requires printer_of<P, T>
  void operator()(formatter& f, const std::queue<T, C>& q) const {
    detail::print_range(f, p, sep, detail::adaptor_access<std::queue<T, C>>::get(q), most);
  }
};
template <class P>
[[nodiscard]] queue_printer<P> queue(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

/// The elements of a std::stack, top (the last pushed) first.
template <class P>
struct stack_printer : printer_tag {
  P p;
  t<unit> sep;
  std::size_t most = unlimited;
  template <class T, class C>
    requires printer_of<P, T>
  void operator()(formatter& f, const std::stack<T, C>& s) const {
    const C& c = detail::adaptor_access<std::stack<T, C>>::get(s);
    detail::print_walk(f, p, sep, c.rbegin(), c.rend(), most, c.size() > most ? c.size() - most : 0);
  }
};
template <class P>
[[nodiscard]] stack_printer<P> stack(P p, collection_options o = {}) {
  return {{}, std::move(p), std::move(o.sep), o.elements};
}

}  // namespace quarn
