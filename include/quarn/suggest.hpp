// SPDX-License-Identifier: MIT
// Enumerations of alternatives and "Did you mean" suggestions, for error
// messages about names the user got wrong:
//
//   auto pp = quarn::did_you_mean("command", quarn::string);
//   quarn::fprint(f, "%a", pp, std::pair{"lst", std::vector<std::string>{"list", "last"}});
//
//   Unknown command lst. Did you mean either list or last ?
//
// Finding the candidates is the caller's business; these printers only lay
// them out.
#pragma once

#include <cstddef>
#include <iterator>
#include <ranges>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "quarn/combinators.hpp"
#include "quarn/detail/suggest.hpp"
#include "quarn/format.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// Options of one_of().
struct one_of_options {
  /// Printed (with the empty value) for an empty list.
  t<unit> empty = nop;
};

/// A list of alternatives (any forward range) as an English enumeration,
/// each printed by `pp`:
///
///   0 elements   `empty` (nothing by default)
///   1            the element alone: «a»
///   2            «either a or b», in a box that may break after "or"
///   3 or more    «one of a, b, or c», in a box that may break after "one",
///                "of", each comma and "or"
///
/// The spaces in "either " and " or" are literal spaces.
template <class P>
struct one_of_printer : printer_tag {
  /// The printer of an alternative.
  P pp;
  /// Printed for an empty list.
  t<unit> empty;
  /// Prints the alternatives of `xs` as an English enumeration.
  template <class R>
    requires detail::printable_range<R, P>
  void operator()(formatter& f, const R& xs) const {
    detail::print_one_of(f, pp, empty, xs);
  }
};
/// A list of alternatives as an English enumeration, each printed by `pp`.
/// @code
/// quarn::sprint("%a", quarn::one_of(quarn::string), std::vector<std::string>{"a", "b"})   // "either a or b"
/// quarn::sprint("%a", quarn::one_of(quarn::string), std::vector<std::string>{"a", "b", "c"})   // "one of a, b, or c"
/// @endcode
template <class P>
[[nodiscard]] one_of_printer<P> one_of(P pp, one_of_options o = {}) {
  return {{}, std::move(pp), std::move(o.empty)};
}

/// Options of did_you_mean().
struct did_you_mean_options {
  /// Printed first (with the empty value).
  t<unit> prefix = any("Unknown");
  /// Printed right after the unrecognised value, before the ".".
  t<unit> suffix = nop;
};

/// A sentence that reports an unrecognised value of some kind and suggests
/// candidates.  Prints a pair (anything std::get<0> and std::get<1> apply
/// to) of the value and a forward range of candidates, both printed by `pp`,
/// in one box:
///
///   Unknown command lst.                       no candidate
///   Unknown command lst. Did you mean list ?   candidates, through one_of()
///
/// The only break hint of the sentence itself is after the "."; the spaces
/// around the kind and after "Did you mean" are literal.
template <class P>
struct did_you_mean_printer : printer_tag {
  /// The kind of value, as in "Unknown command".
  std::string kind;
  /// The printer of the value and of the candidates.
  P pp;
  /// Printed first.
  t<unit> prefix;
  /// Printed right after the unrecognised value, before the ".".
  t<unit> suffix;

  /// Prints the sentence for the value and the candidates of `v`.
  template <class V>
    requires requires(const V& v) {
      requires printer_of<P, std::remove_cvref_t<decltype(std::get<0>(v))>>;
      requires detail::printable_range<std::remove_cvref_t<decltype(std::get<1>(v))>, P>;
    }
  void operator()(formatter& f, const V& v) const {
    const auto& value = std::get<0>(v);
    const auto& candidates = std::get<1>(v);
    if (std::ranges::begin(candidates) == std::ranges::end(candidates)) {  // libc++ 14 lacks ranges::empty
      fprint(f, "@[%a %s %a%a.@]", prefix, unit{}, kind, pp, value, suffix, unit{});
    } else {
      const auto enumeration = [this](formatter& g, const std::remove_cvref_t<decltype(candidates)>& xs) {
        detail::print_one_of(g, pp, nop, xs);
      };
      fprint(f, "@[%a %s %a%a.@ Did you mean %a ?@]", prefix, unit{}, kind, pp, value, suffix, unit{}, enumeration,
             candidates);
    }
  }
};
/// A sentence that reports an unrecognised value of some kind and suggests candidates.
/// @code
/// quarn::sprint("%a", quarn::did_you_mean("command", quarn::string), std::pair{"lst", std::vector<std::string>{"list", "last"}})   // "Unknown command lst. Did you mean either list or last ?"
/// @endcode
template <class P>
[[nodiscard]] did_you_mean_printer<P> did_you_mean(std::string kind, P pp, did_you_mean_options o = {}) {
  return {{}, std::move(kind), std::move(pp), std::move(o.prefix), std::move(o.suffix)};
}

}  // namespace quarn
