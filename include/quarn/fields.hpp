// SPDX-License-Identifier: MIT
// Labelled fields and records, conversions between printers and to-string
// functions, fixed printers before or after another, and second names.
#pragma once

#include <concepts>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "quarn/combinators.hpp"
#include "quarn/format.hpp"
#include "quarn/printer.hpp"
#include "quarn/scalars.hpp"
#include "quarn/style.hpp"

namespace quarn {

/// The identity, as the projection of a field that shows the whole value.
struct id_fn {
  /// Returns `v` itself.
  template <class V>
  constexpr const V& operator()(const V& v) const noexcept {
    return v;
  }
};
/// The identity function, as the projection of a field that shows the whole value.
inline constexpr id_fn id{};

namespace detail {
/// The default label printer of field(): a string in yellow, built once.
const t<std::string>& default_field_label();
}  // namespace detail

/// Options of field().
struct field_options {
  /// Prints the label; by default the label in yellow (Fg(Yellow)).
  t<std::string> label = detail::default_field_label();
  /// Between label and value; by default ":" and a break hint of one space.
  t<unit> sep = any(":@ ");
};

/// «label: value» in a box of indentation 1, the value being `prj(v)`
/// printed by `p`.  `prj` may be any callable, a pointer to member included.
template <class Prj, class P>
struct field_printer : printer_tag {
  /// The label.
  std::string label;
  /// Projects the value on the field's value.
  Prj prj;
  /// The printer of the field's value.
  P p;
  /// The printer of the label.
  t<std::string> label_printer;
  /// Printed between the label and the value.
  t<unit> sep;
  /// Prints the label, the separator and the field's value, in a box.
  template <class V>
    requires std::invocable<const Prj&, const V&> &&
             printer_of<P, std::remove_cvref_t<std::invoke_result_t<const Prj&, const V&>>>
  void operator()(formatter& f, const V& v) const {
    decltype(auto) x = std::invoke(prj, v);  // projected once, before printing
    fprint(f, "@[<1>%a%a%a@]", label_printer, label, sep, unit{}, p, x);
  }
};
/// «label: value» in a box of indentation 1, the value being `prj(v)` printed by `p`.
/// @code
/// quarn::sprint("%a", quarn::field("x", &std::pair<int, int>::first, quarn::int_), std::pair{1, 2})   // "x: 1"
/// @endcode
template <class Prj, class P>
[[nodiscard]] field_printer<Prj, P> field(std::string label, Prj prj, P p, field_options o = {}) {
  return {{}, std::move(label), std::move(prj), std::move(p), std::move(o.label), std::move(o.sep)};
}

/// The printers of `fields`, each on the whole value, in a v box: one per
/// line with the default separator (cut).
/// @code
/// quarn::sprint("%a", quarn::record<std::pair<int, int>>({quarn::field("x", &std::pair<int, int>::first, quarn::int_), quarn::field("y", &std::pair<int, int>::second, quarn::int_)}), std::pair{1, 2})   // "x: 1\ny: 2"
/// @endcode
template <class V>
[[nodiscard]] auto record(std::vector<t<V>> fields, sep_options o = {}) {
  return vbox(concat(std::move(fields), std::move(o)));
}
/// record() of fields of one type, which a braced list deduces:
/// `record({field("x", &point::x, int_), field("y", &point::y, int_)})`.
/// Fields of different types need the value type named: `record<point>({...})`,
/// which the leading pack leaves to the overload above.
template <int&... NoExplicitArgument, class P>
[[nodiscard]] auto record(std::initializer_list<P> fields, sep_options o = {}) {
  return vbox(concat(fields, std::move(o)));
}

/// Prints the text `g(v)`.
template <class G>
struct of_to_string_printer : printer_tag {
  /// The function that makes the text.
  G g;
  /// Prints the text `g(v)`.
  template <class V>
    requires std::invocable<const G&, const V&> &&
             std::convertible_to<std::invoke_result_t<const G&, const V&>, std::string_view>
  void operator()(formatter& f, const V& v) const {
    decltype(auto) s = std::invoke(g, v);
    f.print_string(std::string_view(s));
  }
};
/// A printer out of a to-string function: prints the text `g(v)`.
/// @code
/// quarn::sprint("%a", quarn::of_to_string([](int n) { return std::to_string(n * 10); }), 4)   // "40"
/// @endcode
template <class G>
[[nodiscard]] of_to_string_printer<G> of_to_string(G g) {
  return {{}, std::move(g)};
}

/// The function `v -> text of p on v`, laid out by a fresh string formatter
/// with default settings and no attributes: styles never show in it.
/// @code
/// quarn::to_to_string(quarn::dump::list(quarn::int_))(std::vector<int>{1, 2})   // "[1; 2]"
/// @endcode
template <class P>
[[nodiscard]] auto to_to_string(P p) {
  return [p = std::move(p)]<class V>(const V& v) -> std::string
           requires printer_of<P, V>
  { return ksprint([](std::string s) { return s; }, "%a", p, v); };
}

/// `before` (on nothing), then `p` on the value.
template <class Before, class P>
struct prefix_printer : printer_tag {
  /// Printed first, on nothing.
  Before before;
  /// The printer of the value.
  P p;
  /// Prints `before`, then `v` with `p`.
  template <class V>
    requires printer_of<P, V>
  void operator()(formatter& f, const V& v) const {
    before(f, unit{});
    p(f, v);
  }
};
/// `before` (on nothing), then `p` on the value.
/// @code
/// quarn::sprint("%a", quarn::prefix(quarn::any("x = "), quarn::int_), 3)   // "x = 3"
/// @endcode
template <class Before, class P>
[[nodiscard]] prefix_printer<Before, P> prefix(Before before, P p) {
  return {{}, std::move(before), std::move(p)};
}

/// `p` on the value, then `after` (on nothing).
template <class After, class P>
struct suffix_printer : printer_tag {
  /// Printed last, on nothing.
  After after;
  /// The printer of the value.
  P p;
  /// Prints `v` with `p`, then `after`.
  template <class V>
    requires printer_of<P, V>
  void operator()(formatter& f, const V& v) const {
    p(f, v);
    after(f, unit{});
  }
};
/// `p` on the value, then `after` (on nothing).
/// @code
/// quarn::sprint("%a", quarn::suffix(quarn::any(" ms"), quarn::int_), 3)   // "3 ms"
/// @endcode
template <class After, class P>
[[nodiscard]] suffix_printer<After, P> suffix(After after, P p) {
  return {{}, std::move(after), std::move(p)};
}

// Second names, for readers who know the shorter forms.

/// Same as sprint().
/// @code
/// quarn::str("%d items", 3)   // "3 items"
/// @endcode
template <class... Args>
[[nodiscard]] std::string str(const format_string<Args...>& fmt, const Args&... args) {
  return sprint<Args...>(fmt, args...);
}
/// Same as ksprint().
template <class K, class... Args>
  requires std::invocable<K&, std::string>
decltype(auto) kstr(K&& k, const format_string<Args...>& fmt, const Args&... args) {
  return ksprint<K, Args...>(std::forward<K>(k), fmt, args...);
}
/// Same as str_like().
template <class... Args>
[[nodiscard]] std::string format_like(const formatter& like, const format_string<Args...>& fmt, const Args&... args) {
  return str_like<Args...>(like, fmt, args...);
}
/// Same as any(): the format string's output, whatever the value.
[[nodiscard]] inline any_printer always(format_string<> fmt) { return any(fmt); }
/// Same as any(), named for fixed texts.
[[nodiscard]] inline any_printer literal(format_string<> fmt) { return any(fmt); }

}  // namespace quarn
