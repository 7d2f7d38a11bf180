// SPDX-License-Identifier: MIT
// The printer type.
//
// A printer of T is any callable `void(formatter&, const T&)`.  Combinators
// accept any such callable; quarn::t<T> holds one when a printer must be
// stored or passed across a library boundary.
#pragma once

#include <concepts>
#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/char_array.hpp"
#include "quarn/engine.hpp"
#include "quarn/failure.hpp"

namespace quarn {

/// The empty value: printers of nothing (separators, fixed texts) take it.
struct unit {
  /// Every unit equals every other.
  friend constexpr bool operator==(unit, unit) noexcept { return true; }
};

/// Base of the library's printer types.  It only marks them, so that the
/// `+` operator (sequencing) applies to printers and to nothing else.
struct printer_tag {};

/// P is a printer type of the library (derived from printer_tag), or a quarn::t: the `+` operator applies to it.
template <class P>
concept library_printer = std::derived_from<std::remove_cvref_t<P>, printer_tag>;

/// P prints values of T.
template <class P, class T>
concept printer_of = std::invocable<const P&, formatter&, const T&>;

namespace detail {

// The string a string printer was given, as a view.  A null C string has no
// bytes to view (std::string_view would read through the null pointer): it
// throws quarn::invalid_argument instead.  A char array ends at its first
// null byte or at its end.
template <class S>
std::string_view string_arg(const S& s) {
  if constexpr (std::is_pointer_v<S>) {
    if (s == nullptr) throw invalid_argument("quarn: a string printer was given a null C string");
  } else if constexpr (is_char_array<S>) {
    return char_array_view(s);
  }
  return std::string_view(s);
}

}  // namespace detail

/// An owning, type-erased printer of T.
template <class T>
class t : public printer_tag {
public:
  t() = default;  ///< Prints nothing.
  /// Holds the printer `p`.
  template <class P>
    requires(!std::same_as<std::remove_cvref_t<P>, t> && printer_of<std::remove_cvref_t<P>, T>)
  t(P&& p) : fn_(std::forward<P>(p)) {}  // NOLINT(google-explicit-constructor): implicit by design

  /// Prints `v` with the printer held, or nothing when there is none.
  void operator()(formatter& f, const T& v) const {
    if (fn_) fn_(f, v);
  }

  /// The printer held if it is a P, else null (as std::function::target
  /// does it): a printer that takes a t<T> can run a fast path for a printer
  /// it knows, and call the t<T> otherwise.
  ///
  ///   const quarn::t<quarn::unit> p = quarn::const_(quarn::char_, '.');
  ///   const auto* dot = p.target<quarn::const_printer<quarn::char_printer, char>>();
  ///   // dot->c == '.'; p.target<quarn::any_printer>() is null
  template <class P>
  [[nodiscard]] const P* target() const noexcept {
    return fn_.template target<P>();
  }

private:
  std::function<void(formatter&, const T&)> fn_;
};

/// quarn::t<T> under a name that reads as what it is: an owning,
/// type-erased printer of T.  The two are the same type.
///
///   const quarn::printer<int> p = quarn::int_;  // a quarn::t<int>
template <class T>
using printer = t<T>;

}  // namespace quarn
