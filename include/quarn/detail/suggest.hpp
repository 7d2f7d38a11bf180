// SPDX-License-Identifier: MIT
// The parts of quarn/suggest.hpp that users do not name: the enumeration
// that one_of() and did_you_mean() print.
#pragma once

#include <cstddef>
#include <iterator>
#include <ranges>
#include <type_traits>

#include "quarn/engine.hpp"
#include "quarn/format.hpp"
#include "quarn/printer.hpp"

namespace quarn::detail {

// R is a forward range of elements that P prints.
template <class R, class P>
concept printable_range =
    std::ranges::forward_range<const R> && printer_of<P, std::remove_cvref_t<std::ranges::range_reference_t<const R>>>;

// The number of elements of a forward range.  std::ranges::distance would
// do, but libc++ 14 lacks it.
template <class R>
std::ptrdiff_t range_count(const R& xs) {
  if constexpr (std::ranges::sized_range<const R>) {
    return static_cast<std::ptrdiff_t>(std::ranges::size(xs));
  } else {
    std::ptrdiff_t n = 0;
    for (auto it = std::ranges::begin(xs); it != std::ranges::end(xs); ++it) ++n;
    return n;
  }
}

// The enumeration of one_of(); walks the range twice (to count, to print).
template <class P, class R>
void print_one_of(formatter& f, const P& pp, const t<unit>& empty, const R& xs) {
  const std::ptrdiff_t n = range_count(xs);
  auto it = std::ranges::begin(xs);
  if (n == 0) {
    empty(f, unit{});
  } else if (n == 1) {
    pp(f, *it);
  } else if (n == 2) {
    const auto& a = *it;
    ++it;
    fprint(f, "@[either %a or@ %a@]", pp, a, pp, *it);
  } else {
    // One box, opened by the first call and closed by the last, holds every
    // hint.
    fprint(f, "@[one@ of@ ");
    for (std::ptrdiff_t i = 1; i < n; ++i, ++it) fprint(f, "%a,@ ", pp, *it);
    fprint(f, "or@ %a@]", pp, *it);
  }
}

}  // namespace quarn::detail
