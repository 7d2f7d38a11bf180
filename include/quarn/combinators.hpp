// SPDX-License-Identifier: MIT
// The basic combinators: printers of nothing or of a fixed text, adapters,
// separators, sequencing, generic iteration, boxes and brackets.
//
// Every combinator returns a printer: a function object callable as
// `p(formatter&, const V&)`.  The composition is built when the combinator is
// called; applying the printer only runs it.  Printers that ignore their
// value accept a value of any type.
#pragma once

#include <concepts>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "quarn/detail/combinators.hpp"
#include "quarn/engine.hpp"
#include "quarn/format.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// Prints nothing.
/// @code
/// quarn::sprint("a%ab", quarn::nop, 1)   // "ab"
/// @endcode
inline constexpr detail::constant_printer<detail::nop_body> nop{};

/// A printer that flushes its formatter (closing every open box) and ignores
/// its value.
struct flush_fn {
  /// Flushes `f`; the value, if any, is ignored.
  template <class... V>
    requires detail::one_or_no_value<V...>
  void operator()(formatter& f, const V&...) const {
    f.print_flush();
  }
};
/// The printer that flushes its formatter, closing every open box (a flush_fn).
inline constexpr flush_fn flush{};

/// The output of a format string that takes no argument; ignores its value.
/// (The string was checked when the printer was made: runtime() only passes
/// the stored copy on.)
struct any_printer : printer_tag {
  /// The format string, as given.
  std::string fmt;
  /// The format string, checked and compiled into operations.
  detail::compiled_format ops;
  /// Prints the format string's output on `f`; the value, if any, is ignored.
  template <class... V>
    requires detail::one_or_no_value<V...>
  void operator()(formatter& f, const V&...) const {
    detail::vfprint(f, fmt, ops, nullptr, 0);
  }
};
/// A format string without conversions, as a printer of anything.
/// @code
/// quarn::sprint("%a", quarn::any("x =@ 1"), 0)   // "x = 1"
/// @endcode
[[nodiscard]] inline any_printer any(format_string<> fmt) { return {{}, std::string(fmt.get()), fmt.compiled()}; }

/// Prints `fn(v)` with `p`.
template <class F, class P>
struct using_printer : printer_tag {
  /// The function applied to the value.
  F fn;
  /// The printer of the function's result.
  P p;
  /// Prints `fn(v)` with `p`.
  template <class V>
    requires std::invocable<const F&, const V&> && printer_of<P, std::invoke_result_t<const F&, const V&>>
  void operator()(formatter& f, const V& v) const {
    p(f, std::invoke(fn, v));
  }
};
/// A printer of `V` out of a printer of what `fn` makes of a `V`: prints `fn(v)` with `p`.
/// @code
/// quarn::sprint("%a", quarn::using_([](int n) { return n * 2; }, quarn::int_), 21)   // "42"
/// @endcode
template <class F, class P>
[[nodiscard]] using_printer<F, P> using_(F fn, P p) {
  return {{}, std::move(fn), std::move(p)};
}

/// Prints `c` with `p`, whatever value it is given.
template <class P, class C>
  requires printer_of<P, C>
struct const_printer : printer_tag {
  /// The printer of `c`.
  P p;
  /// The value printed.
  C c;
  /// Prints `c` with `p`; the value given, if any, is ignored.
  template <class... V>
    requires detail::one_or_no_value<V...>
  void operator()(formatter& f, const V&...) const {
    p(f, c);
  }
};
/// A printer that prints `c` with `p`, whatever value it is given.
/// @code
/// quarn::sprint("%a", quarn::const_(quarn::int_, 7), "ignored")   // "7"
/// @endcode
template <class P, class C>
  requires printer_of<P, C>
[[nodiscard]] const_printer<P, C> const_(P p, C c) {
  return {{}, std::move(p), std::move(c)};
}

/// A format string as a printer of its arguments: `quarn::quarn<int>("x =@ %d")`
/// is a printer of int.  (Checked when the printer is made, as any() is.)
template <class... Args>
struct format_printer : printer_tag {
  /// The format string, as given.
  std::string fmt;
  /// The format string, checked and compiled into operations.
  detail::compiled_format ops;
  /// Prints `args` through the format string.
  void operator()(formatter& f, const Args&... args) const {
    auto a = detail::make_args<Args...>(args...);
    detail::vfprint(f, fmt, ops, a.data(), a.size());
  }
};
/// A format string as a printer of its arguments, checked against `Args` when the program is compiled.
/// @code
/// quarn::sprint("%a", quarn::quarn<int>("x =@ %d"), 3)   // "x = 3"
/// @endcode
template <class... Args>
[[nodiscard]] format_printer<Args...> quarn(const format_string<Args...>& fmt) {
  return {{}, std::string(fmt.get()), fmt.compiled()};
}

/// A break hint of 0 spaces.
inline constexpr detail::constant_printer<detail::break_body> cut{{}, {0}};
/// A break hint of 1 space.
inline constexpr detail::constant_printer<detail::break_body> sp{{}, {1}};
/// A break hint of `n` spaces.
[[nodiscard]] constexpr detail::constant_printer<detail::break_body> sps(int n) { return {{}, {n}}; }
/// "," then a break hint of 1 space.
inline constexpr detail::constant_printer<detail::punct_break_body> comma{{}, {','}};
/// ";" then a break hint of 1 space.
inline constexpr detail::constant_printer<detail::punct_break_body> semi{{}, {';'}};

/// `p1` then `p2`, on the same value.
template <class P1, class P2>
struct append_printer : printer_tag {
  /// Printed first.
  P1 p1;
  /// Printed second.
  P2 p2;
  /// Prints the value with `p1`, then with `p2`.
  template <class... V>
    requires detail::one_or_no_value<V...> && std::invocable<const P1&, formatter&, const V&...> &&
             std::invocable<const P2&, formatter&, const V&...>
  void operator()(formatter& f, const V&... v) const {
    p1(f, v...);
    p2(f, v...);
  }
};
/// `p1` then `p2`, on the same value.
/// @code
/// quarn::sprint("%a", quarn::append(quarn::int_, quarn::any("!")), 5)   // "5!"
/// @endcode
template <class P1, class P2>
[[nodiscard]] append_printer<P1, P2> append(P1 p1, P2 p2) {
  return {{}, std::move(p1), std::move(p2)};
}

/// `p1 + p2` is append(p1, p2).  One side at least must be a printer of the
/// library (or a quarn::t); the other may be any callable.
template <class P1, class P2>
  requires(library_printer<P1> || library_printer<P2>)
[[nodiscard]] append_printer<std::remove_cvref_t<P1>, std::remove_cvref_t<P2>> operator+(P1&& p1, P2&& p2) {
  return {{}, std::forward<P1>(p1), std::forward<P2>(p2)};
}

/// Options of the printers that take a separator.
struct sep_options {
  /// Printed between consecutive elements (never before the first or after
  /// the last).
  t<unit> sep = cut;
};

/// Options of the collection printers (list, array, seq, hashtbl, queue,
/// stack, iter, iter_bindings and their quarn::dump versions).
struct collection_options {
  /// Printed between consecutive elements (never before the first or after
  /// the last).
  t<unit> sep = cut;
  /// At most this many elements are printed; when there are more, `sep` and
  /// "…" follow the last one printed, with " (n more)" when the number left
  /// out is known (a sized range, a traversal, which is walked to its end
  /// without printing) and "…" alone otherwise (a range walked once stops at
  /// the first element it leaves out).  "..." stands for "…" on a formatter
  /// that may not emit UTF-8 (quarn::utf_8).
  std::size_t elements = unlimited;
};

/// Every printer of `ps` on the same value, in order, with `sep` between.
template <class V>
struct concat_printer : printer_tag {
  /// The printers, in the order they print.
  std::vector<t<V>> ps;
  /// Printed between the outputs of two printers.
  t<unit> sep;
  /// Prints `v` with every printer of `ps`, the separator between.
  void operator()(formatter& f, const V& v) const { detail::print_all(f, ps, sep, v); }
};
/// Every printer of `ps` on the same value, in order, with the separator between.
/// @code
/// quarn::sprint("%a", quarn::concat<int>({quarn::int_, quarn::any("!")}, {.sep = quarn::sp}), 4)   // "4 !"
/// @endcode
template <class V>
[[nodiscard]] concat_printer<V> concat(std::vector<t<V>> ps, sep_options o = {}) {
  return {{}, std::move(ps), std::move(o.sep)};
}

/// As concat_printer, for printers that are all of one type P: it prints
/// whatever value P prints.
template <class P>
struct concat_same_printer : printer_tag {
  /// The printers, in the order they print.
  std::vector<P> ps;
  /// Printed between the outputs of two printers.
  t<unit> sep;
  /// Prints `v` with every printer of `ps`, the separator between.
  template <class V>
    requires printer_of<P, V>
  void operator()(formatter& f, const V& v) const {
    detail::print_all(f, ps, sep, v);
  }
};
/// concat() of printers of one type, which a braced list deduces:
/// `concat({int_, int_})`.  Printers of different types need the value
/// type named: `concat<int>({int_, any("!")})`.  (The leading pack takes no
/// argument: it leaves a named type, as in concat<int>, to the overload
/// above.)
template <int&... NoExplicitArgument, class P>
[[nodiscard]] concat_same_printer<P> concat(std::initializer_list<P> ps, sep_options o = {}) {
  return {{}, std::vector<P>(ps), std::move(o.sep)};
}

/// Prints a container through its traversal: `iterate(visit, c)` must call
/// `visit(element)` once per element, in order.  Each element is printed by
/// `p`, with `sep` between elements.
template <class Iterate, class P>
struct iter_printer : printer_tag {
  /// Calls `visit(element)` once for each element of a container, in order.
  Iterate iterate;
  /// The printer of an element.
  P p;
  /// Printed between two elements.
  t<unit> sep;
  /// At most this many elements are printed; then how many were left out.
  std::size_t most = unlimited;
  /// Prints the elements of `c` with `p`, in the order `iterate` visits them.
  template <class C>
  void operator()(formatter& f, const C& c) const {
    detail::separated s{sep, f};
    std::size_t seen = 0;
    iterate(
        [&](const auto& e) {
          static_assert(printer_of<P, std::remove_cvref_t<decltype(e)>>,
                        "quarn::iter: the element printer cannot print the container's elements");
          if (seen++ >= most) return;
          s.before();
          p(f, e);
        },
        c);
    if (seen > most) {
      s.before();
      detail::print_elided(f, seen - most);
    }
  }
};
/// Prints a container through its traversal `iterate(visit, c)`, each element with `p`, the separator between.
/// @code
/// quarn::sprint("%a", quarn::iter([](auto&& visit, const std::vector<int>& v) { for (int x : v) visit(x); }, quarn::int_, {.sep = quarn::comma}), std::vector<int>{1, 2, 3})   // "1, 2, 3"
/// @endcode
template <class Iterate, class P>
[[nodiscard]] iter_printer<Iterate, P> iter(Iterate iterate, P p, collection_options o = {}) {
  return {{}, std::move(iterate), std::move(p), std::move(o.sep), o.elements};
}

/// As iter(), for traversals that call `visit(key, value)`; `p` prints the
/// binding as a std::pair of references to the key and the value.
template <class Iterate, class P>
struct iter_bindings_printer : printer_tag {
  /// Calls `visit(key, value)` once for each binding of a container, in order.
  Iterate iterate;
  /// The printer of a binding, given as a std::pair of references.
  P p;
  /// Printed between two bindings.
  t<unit> sep;
  /// At most this many elements are printed; then how many were left out.
  std::size_t most = unlimited;
  /// Prints the bindings of `c` with `p`, in the order `iterate` visits them.
  template <class C>
  void operator()(formatter& f, const C& c) const {
    detail::separated s{sep, f};
    std::size_t seen = 0;
    iterate(
        [&](const auto& k, const auto& v) {
          using binding = std::pair<const std::remove_cvref_t<decltype(k)>&, const std::remove_cvref_t<decltype(v)>&>;
          static_assert(printer_of<P, binding>,
                        "quarn::iter_bindings: the binding printer cannot print the (key, value) pairs");
          if (seen++ >= most) return;
          s.before();
          p(f, binding(k, v));
        },
        c);
    if (seen > most) {
      s.before();
      detail::print_elided(f, seen - most);
    }
  }
};
/// Prints the bindings of a container through its traversal `iterate(visit, c)`, which calls `visit(key, value)`; `p` prints each as a pair.
/// @code
/// quarn::sprint("%a", quarn::iter_bindings([](auto&& visit, const std::map<std::string, int>& m) { for (const auto& [k, v] : m) visit(k, v); }, quarn::pair(quarn::string, quarn::int_, {.sep = quarn::any("=")}), {.sep = quarn::comma}), std::map<std::string, int>{{"a", 1}, {"b", 2}})   // "a=1, b=2"
/// @endcode
template <class Iterate, class P>
[[nodiscard]] iter_bindings_printer<Iterate, P> iter_bindings(Iterate iterate, P p, collection_options o = {}) {
  return {{}, std::move(iterate), std::move(p), std::move(o.sep), o.elements};
}

/// `p` inside a box of the given kind and indentation.
template <class P>
struct box_printer : printer_tag {
  /// The printer inside the box.
  P p;
  /// The kind of the box, which decides how its break hints split lines.
  box_kind kind;
  /// How far right of the box's column its new lines start.
  int indent;
  /// Opens the box on `f`, prints the value with `p`, then closes the box.
  template <class... V>
    requires detail::one_or_no_value<V...> && std::invocable<const P&, formatter&, const V&...>
  void operator()(formatter& f, const V&... v) const {
    f.open_box(kind, indent);
    p(f, v...);
    f.close_box();
  }
};

/// Options of the box combinators.
struct box_options {
  int indent = 0;  ///< New lines start this far right of the box's column.
};

/// A b box: fills lines, and also splits when that moves the line left.
/// @code
/// quarn::sprint("%a", quarn::box(quarn::list(quarn::int_, {.sep = quarn::sp}), {.indent = 2}), std::vector<int>(18, 1000))   // "1000 1000 1000 1000 1000 1000 1000 1000 1000 1000 1000 1000 1000 1000 1000\n  1000 1000 1000"
/// @endcode
template <class P>
[[nodiscard]] box_printer<P> box(P p, box_options o = {}) {
  return {{}, std::move(p), box_kind::b, o.indent};
}
/// An h box: never splits a line.
/// @code
/// quarn::sprint("%a", quarn::hbox(quarn::list(quarn::int_, {.sep = quarn::sp})), std::vector<int>{1, 2, 3})   // "1 2 3"
/// @endcode
template <class P>
[[nodiscard]] box_printer<P> hbox(P p) {
  return {{}, std::move(p), box_kind::h, 0};
}
/// A v box: every break hint splits the line.
/// @code
/// quarn::sprint("%a", quarn::vbox(quarn::list(quarn::int_, {.sep = quarn::sp}), {.indent = 2}), std::vector<int>{1, 2, 3})   // "1\n  2\n  3"
/// @endcode
template <class P>
[[nodiscard]] box_printer<P> vbox(P p, box_options o = {}) {
  return {{}, std::move(p), box_kind::v, o.indent};
}
/// An hv box: all hints split or none does.
/// @code
/// quarn::sprint("%a", quarn::hvbox(quarn::list(quarn::int_, {.sep = quarn::sp})), std::vector<int>{1, 2, 3})   // "1 2 3"
/// quarn::sprint("%a", quarn::hvbox(quarn::list(quarn::string, {.sep = quarn::sp})), std::vector<std::string>(3, std::string(30, 'a')))   // "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\naaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\naaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
/// @endcode
template <class P>
[[nodiscard]] box_printer<P> hvbox(P p, box_options o = {}) {
  return {{}, std::move(p), box_kind::hv, o.indent};
}
/// An hov box: hints split only when the next piece does not fit.
/// @code
/// quarn::sprint("%a", quarn::hovbox(quarn::list(quarn::string, {.sep = quarn::sp})), std::vector<std::string>(3, std::string(30, 'a')))   // "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\naaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
/// @endcode
template <class P>
[[nodiscard]] box_printer<P> hovbox(P p, box_options o = {}) {
  return {{}, std::move(p), box_kind::hov, o.indent};
}

/// "(", `p`, ")" in a b box of indentation 1.
/// @code
/// quarn::sprint("%a", quarn::parens(quarn::list(quarn::int_, {.sep = quarn::comma})), std::vector<int>{1, 2})   // "(1, 2)"
/// @endcode
template <class P>
[[nodiscard]] box_printer<detail::surround_printer<P>> parens(P p) {
  return box(detail::surround("(", ")", std::move(p)), {.indent = 1});
}
/// "[", `p`, "]" in a b box of indentation 1.
/// @code
/// quarn::sprint("%a", quarn::brackets(quarn::list(quarn::int_, {.sep = quarn::comma})), std::vector<int>{1, 2})   // "[1, 2]"
/// @endcode
template <class P>
[[nodiscard]] box_printer<detail::surround_printer<P>> brackets(P p) {
  return box(detail::surround("[", "]", std::move(p)), {.indent = 1});
}
/// "{", `p`, "}" in a b box of indentation 1.
/// @code
/// quarn::sprint("%a", quarn::braces(quarn::list(quarn::int_, {.sep = quarn::comma})), std::vector<int>{1, 2})   // "{1, 2}"
/// @endcode
template <class P>
[[nodiscard]] box_printer<detail::surround_printer<P>> braces(P p) {
  return box(detail::surround("{", "}", std::move(p)), {.indent = 1});
}

/// Options of quote().
struct quote_options {
  std::string mark = "\"";  ///< Counted as one column, so a UTF-8 quotation mark works.
};

/// The mark, `p`, the mark, in a b box of indentation 1.
/// @code
/// quarn::sprint("%a", quarn::quote(quarn::string), "hi")   // "\"hi\""
/// @endcode
template <class P>
[[nodiscard]] auto quote(P p, quote_options o = {}) {
  detail::mark_printer m{{}, std::move(o.mark)};
  return box(append(append(m, std::move(p)), m), {.indent = 1});
}

}  // namespace quarn
