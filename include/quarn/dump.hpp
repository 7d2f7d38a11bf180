// SPDX-License-Identifier: MIT
// Printers that show values in a source-like syntax, for debugging output:
// strings quoted and escaped, options as None or Some, lists in brackets with
// semicolons, records in braces, and containers without a literal syntax as a
// parenthesised form that starts with the container's kind:
//
//   quarn::dump::list(quarn::int_)        [1; 2; 3]
//   quarn::dump::option(quarn::dump::string)   Some "x"
//   quarn::dump::stack(quarn::int_)       (stack 3 2 1)
//   quarn::dump::record({quarn::dump::field("x", &point::x, quarn::int_), ...})
//                                         { "x" = 1;
//                                           "y" = 2 }
#pragma once

#include <concepts>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <queue>
#include <stack>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "quarn/collections.hpp"
#include "quarn/combinators.hpp"
#include "quarn/detail/dump.hpp"
#include "quarn/format.hpp"
#include "quarn/scalars.hpp"

namespace quarn::dump {

/// The name of a portable signal number (-1 "SIGABRT" to -28 "SIGXFSZ");
/// any other number prints as "SIG(n)".
struct signal_printer : printer_tag {
  /// Prints the name of the signal numbered `n`.
  template <detail::integer I>
  void operator()(formatter& f, const I& n) const {
    print(f, static_cast<long long>(n));
  }
  /// Prints the name of the signal numbered `n` on `f`.
  static void print(formatter& f, long long n);
};
/// The printer of portable signal numbers, as their names.
/// @code
/// quarn::sprint("%a", quarn::dump::signal, -6)   // "SIGINT"
/// quarn::sprint("%a", quarn::dump::signal, 99)   // "SIG(99)"
/// @endcode
inline constexpr signal_printer signal{};

/// The portable number of an operating-system signal (SIGINT gives -6), or
/// `posix_signal` itself when it has none (so that signal prints "SIG(n)").
[[nodiscard]] int portable_signal(int posix_signal) noexcept;

/// A Unicode scalar value as "U+" and at least four upper-case hex digits.
struct uchar_printer : printer_tag {
  /// Prints `c` as "U+" and its hex digits.
  template <class C>
    requires std::same_as<C, char32_t> || detail::integer<C>
  void operator()(formatter& f, const C& c) const {
    fprint(f, "U+%04X", static_cast<unsigned long>(c));
  }
};
/// The printer of Unicode scalar values, as "U+" and their hex digits.
/// @code
/// quarn::sprint("%a", quarn::dump::uchar, U'\u00e9')   // "U+00E9"
/// @endcode
inline constexpr uchar_printer uchar{};

/// A string in double quotes, escaped as "%S" does.  A null C string throws
/// quarn::invalid_argument.
///
/// A UTF-8, UTF-16 or UTF-32 string (std::u8string, std::u16string,
/// std::u32string, their views, char8_t, char16_t and char32_t arrays) is
/// the string of its characters, each character's UTF-8 bytes escaped as
/// "%S" escapes bytes: u"\u00e9" prints as "\195\169", the same as
/// std::string("\u00e9").  A code unit that is no part of a character is
/// named, not taken for one: a byte of invalid UTF-8 as "%S" writes any
/// byte (u8"\xff" gives "\255"), a lone surrogate or a value beyond
/// U+10FFFF as \u{ and its hexadecimal digits (u"\xd83d" gives "\u{D83D}").
struct string_printer : printer_tag {
  /// Prints `s` quoted and escaped.
  template <class S>
    requires std::convertible_to<const S&, std::string_view> && (!std::same_as<S, std::nullptr_t>)
  void operator()(formatter& f, const S& s) const {
    fprint(f, "%S", detail::string_arg(s));
  }
  template <detail::unicode_string S>
  void operator()(formatter& f, const S& s) const {
    if constexpr (std::convertible_to<const S&, std::u8string_view>)
      detail::print_unicode_string(f, std::u8string_view(s));
    else if constexpr (std::convertible_to<const S&, std::u16string_view>)
      detail::print_unicode_string(f, std::u16string_view(s));
    else
      detail::print_unicode_string(f, std::u32string_view(s));
  }
  template <detail::unicode_array S>
  void operator()(formatter& f, const S& s) const {
    detail::print_unicode_string(f, detail::unicode_array_view(s));
  }
};
/// The printer of strings, in double quotes and escaped.
/// @code
/// quarn::sprint("%a", quarn::dump::string, "a\tb")   // "\"a\\tb\""
/// @endcode
inline constexpr string_printer string{};

/// «(a, b)»: each component in its own box, a comma and a break between.
/// @code
/// quarn::sprint("%a", quarn::dump::pair(quarn::int_, quarn::dump::string), std::pair{1, "a"})   // "(1, \"a\")"
/// @endcode
template <class P1, class P2>
[[nodiscard]] auto pair(P1 p1, P2 p2) {
  return parens(quarn::pair(box(std::move(p1)), box(std::move(p2)), {.sep = comma}));
}

/// "None", or «Some v» with the value in a box indented 2 from "Some".
template <class P>
struct option_printer : printer_tag {
  /// The printer of the value.
  P p;
  /// Prints "None", or "Some" and the value.
  template <class V>
    requires printer_of<P, V>
  void operator()(formatter& f, const std::optional<V>& v) const {
    if (v)
      fprint(f, "@[<2>Some@ @[%a@]@]", p, *v);
    else
      fprint(f, "None");
  }
};
/// "None", or «Some v» with the value in a box indented 2 from "Some".
/// @code
/// quarn::sprint("%a", quarn::dump::option(quarn::int_), std::optional<int>{3})   // "Some 3"
/// quarn::sprint("%a", quarn::dump::option(quarn::int_), std::optional<int>{})   // "None"
/// @endcode
template <class P>
[[nodiscard]] option_printer<P> option(P p) {
  return {{}, std::move(p)};
}

/// «Ok v» or «Error e», boxed as option() boxes «Some v».
template <class POk, class PError>
struct result_printer : printer_tag {
  /// The printer of a value.
  POk ok;
  /// The printer of an error.
  PError error;
  /// Prints "Ok" and the value, or "Error" and the error.
  template <class T, class E>
    requires printer_of<POk, T> && printer_of<PError, E>
  void operator()(formatter& f, const outcome<T, E>& r) const {
    if (r.is_ok())
      fprint(f, "@[<2>Ok@ @[%a@]@]", ok, r.value());
    else
      fprint(f, "@[<2>Error@ @[%a@]@]", error, r.error());
  }
#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202202L
  template <class T, class E>
    requires printer_of<POk, T> && printer_of<PError, E>
  void operator()(formatter& f, const std::expected<T, E>& r) const {
    if (r.has_value())
      fprint(f, "@[<2>Ok@ @[%a@]@]", ok, *r);
    else
      fprint(f, "@[<2>Error@ @[%a@]@]", error, r.error());
  }
#endif
};
/// «Ok v» or «Error e», boxed as option() boxes «Some v».
/// @code
/// quarn::sprint("%a", quarn::dump::result(quarn::int_, quarn::dump::string), quarn::outcome<int, std::string>(quarn::Ok{3}))   // "Ok 3"
/// @endcode
template <class POk, class PError>
[[nodiscard]] result_printer<POk, PError> result(POk ok, PError error) {
  return {{}, std::move(ok), std::move(error)};
}

/// Options of the dump printers of collections.
struct collection_options {
  /// At most this many elements are printed, then the elision mark in the
  /// place of the next element: «[1; 2; 3; … (997 more)]»,
  /// «(stack 3 2 … (1 more))»; see quarn::collection_options::elements.
  std::size_t elements = unlimited;
};

/// «[1; 2; 3]», each element in its own box.
/// @code
/// quarn::sprint("%a", quarn::dump::list(quarn::int_), std::vector<int>{1, 2, 3})   // "[1; 2; 3]"
/// @endcode
template <class P>
[[nodiscard]] auto list(P p, collection_options o = {}) {
  return brackets(quarn::list(box(std::move(p)), {.sep = semi, .elements = o.elements}));
}

/// «[|1; 2; 3|]», each element in its own box.
/// @code
/// quarn::sprint("%a", quarn::dump::array(quarn::int_), std::array<int, 2>{1, 2})   // "[|1; 2|]"
/// @endcode
template <class P>
[[nodiscard]] auto array(P p, collection_options o = {}) {
  return detail::oxford_brackets(quarn::array(box(std::move(p)), {.sep = semi, .elements = o.elements}));
}

/// «[1; 2]», the sequence walked once.
/// @code
/// quarn::sprint("%a", quarn::dump::seq(quarn::int_), std::list<int>{1, 2})   // "[1; 2]"
/// @endcode
template <class P>
[[nodiscard]] auto seq(P p, collection_options o = {}) {
  return brackets(quarn::seq(box(std::move(p)), {.sep = semi, .elements = o.elements}));
}

/// «(name e1 e2 ...)»: `name` printed on the whole container, then the
/// elements through `iterate` (as for quarn::iter), each in its own box.
/// @code
/// quarn::sprint("%a", quarn::dump::iter([](auto&& visit, const std::vector<int>& v) { for (int x : v) visit(x); }, quarn::any("vec"), quarn::int_), std::vector<int>{1, 2})   // "(vec 1 2)"
/// @endcode
template <class Iterate, class Name, class P>
[[nodiscard]] auto iter(Iterate iterate, Name name, P p, collection_options o = {}) {
  return parens(append(append(std::move(name), sp),
                       quarn::iter(std::move(iterate), box(std::move(p)), {.sep = sp, .elements = o.elements})));
}

/// «(name (k1, v1) (k2, v2) ...)», the bindings through `iterate` (as for
/// quarn::iter_bindings), each printed as a pair.
/// @code
/// quarn::sprint("%a", quarn::dump::iter_bindings(quarn::dump::walk::map_bindings{}, quarn::any("map"), quarn::dump::string, quarn::int_), std::map<std::string, int>{{"a", 1}})   // "(map (\"a\", 1))"
/// @endcode
template <class Iterate, class Name, class PKey, class PValue>
[[nodiscard]] auto iter_bindings(Iterate iterate, Name name, PKey pk, PValue pv, collection_options o = {}) {
  return parens(append(append(std::move(name), sp),
                       quarn::iter_bindings(std::move(iterate), dump::pair(std::move(pk), std::move(pv)),
                                            {.sep = sp, .elements = o.elements})));
}

namespace walk {

/// Walks the bindings of a map-like range, in its own order.
struct map_bindings {
  /// Calls `visit(key, value)` for each binding of `m`.
  template <class Visit, class M>
  void operator()(Visit&& visit, const M& m) const {
    for (const auto& kv : m) visit(kv.first, kv.second);
  }
};

/// Walks the elements of a std::queue, oldest first.
struct queue_elements {
  /// Calls `visit(element)` for each element of `q`, oldest first.
  template <class Visit, class T, class C>
  void operator()(Visit&& visit, const std::queue<T, C>& q) const {
    for (const auto& e : quarn::detail::adaptor_access<std::queue<T, C>>::get(q)) visit(e);
  }
};

/// Walks the elements of a std::stack, top first.
struct stack_elements {
  /// Calls `visit(element)` for each element of `s`, top first.
  template <class Visit, class T, class C>
  void operator()(Visit&& visit, const std::stack<T, C>& s) const {
    const C& c = quarn::detail::adaptor_access<std::stack<T, C>>::get(s);
    for (auto it = c.rbegin(); it != c.rend(); ++it) visit(*it);
  }
};

}  // namespace walk

/// «(hashtbl (k1, v1) (k2, v2))» for any map-like range, in its own order.
/// @code
/// quarn::sprint("%a", quarn::dump::hashtbl(quarn::dump::string, quarn::int_), std::map<std::string, int>{{"a", 1}, {"b", 2}})   // "(hashtbl (\"a\", 1) (\"b\", 2))"
/// @endcode
template <class PKey, class PValue>
[[nodiscard]] auto hashtbl(PKey pk, PValue pv, collection_options o = {}) {
  return iter_bindings(walk::map_bindings{}, any("hashtbl"), std::move(pk), std::move(pv), o);
}

/// «(queue 1 2 3)», oldest first.
/// @code
/// quarn::sprint("%a", quarn::dump::queue(quarn::int_), std::queue<int>(std::deque<int>{1, 2, 3}))   // "(queue 1 2 3)"
/// @endcode
template <class P>
[[nodiscard]] auto queue(P p, collection_options o = {}) {
  return iter(walk::queue_elements{}, any("queue"), std::move(p), o);
}

/// «(stack 3 2 1)», top first.
/// @code
/// quarn::sprint("%a", quarn::dump::stack(quarn::int_), std::stack<int>(std::deque<int>{1, 2, 3}))   // "(stack 3 2 1)"
/// @endcode
template <class P>
[[nodiscard]] auto stack(P p, collection_options o = {}) {
  return iter(walk::stack_elements{}, any("stack"), std::move(p), o);
}

/// Options of field().
struct field_options {
  /// Prints the label; by default quoted, as dump::string does.
  t<std::string> label = dump::string;
};

/// «"label" = value» in a box of indentation 1: the value is `prj(record)`
/// (any callable, a pointer to member included), printed by `p`.
template <class Prj, class P>
struct field_printer : printer_tag {
  /// The label.
  std::string label;
  /// Projects the record on the field's value.
  Prj prj;
  /// The printer of the field's value.
  P p;
  /// The printer of the label.
  t<std::string> label_printer;
  /// Prints the label, " =", a break hint and the field's value, in a box.
  template <class R>
    requires std::invocable<const Prj&, const R&> &&
             printer_of<P, std::remove_cvref_t<std::invoke_result_t<const Prj&, const R&>>>
  void operator()(formatter& f, const R& r) const {
    decltype(auto) v = std::invoke(prj, r);  // projected once, before printing
    fprint(f, "@[<1>%a =@ %a@]", label_printer, label, p, v);
  }
};
/// «"label" = value» in a box of indentation 1: the value is `prj(record)`, printed by `p`.
/// @code
/// quarn::sprint("%a", quarn::dump::field("x", &std::pair<int, int>::first, quarn::int_), std::pair{1, 2})   // "\"x\" = 1"
/// @endcode
template <class Prj, class P>
[[nodiscard]] field_printer<Prj, P> field(std::string label, Prj prj, P p, field_options o = {}) {
  return {{}, std::move(label), std::move(prj), std::move(p), std::move(o.label)};
}

/// «{ f1;
///    f2 }»: the fields one per line (all on one line when there is one),
/// each field printer applied to the whole record.
/// @code
/// quarn::sprint("%a", quarn::dump::record<std::pair<int, int>>({quarn::dump::field("x", &std::pair<int, int>::first, quarn::int_), quarn::dump::field("y", &std::pair<int, int>::second, quarn::int_)}), std::pair{1, 2})   // "{ \"x\" = 1;\n  \"y\" = 2 }"
/// @endcode
template <class R>
[[nodiscard]] auto record(std::vector<t<R>> fields) {
  return quarn::detail::braced_fields(std::move(fields));
}
/// record() of fields of one type, which a braced list deduces:
/// `record({field("x", &point::x, int_), field("y", &point::y, int_)})`.
/// Fields of different types need the record type named:
/// `record<point>({...})`, which the leading pack leaves to the overload
/// above.
template <int&... NoExplicitArgument, class P>
[[nodiscard]] auto record(std::initializer_list<P> fields) {
  return quarn::detail::braced_fields(fields);
}

}  // namespace quarn::dump
