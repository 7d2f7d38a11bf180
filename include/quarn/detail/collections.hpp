// SPDX-License-Identifier: MIT
// The parts of quarn/collections.hpp that users do not name: the walk of a
// range and the access to the container of a std::queue or std::stack.
#pragma once

#include <cstddef>
#include <ranges>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/combinators.hpp"
#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn {
template <class Signed, bool Unsigned>
struct integer_printer;
}  // namespace quarn

namespace quarn::detail {

// The underlying container of a std::queue or std::stack, which the
// adaptors keep in a protected member.
template <class Adaptor>
struct adaptor_access : Adaptor {
  static const typename Adaptor::container_type& get(const Adaptor& a) { return a.*(&adaptor_access::c); }
};

template <class R>
using range_element = std::remove_cvref_t<std::ranges::range_reference_t<const R>>;

// The integer printers, which can write an element's text themselves
// (integer_printer::write_text).
template <class P>
inline constexpr bool is_integer_printer = false;
template <class Signed, bool Unsigned>
inline constexpr bool is_integer_printer<integer_printer<Signed, Unsigned>> = true;

// Prints the `n` elements at `v` as print_range() does, when `p` is an
// integer printer and `sep` a separator known here (a hint, or a mark and a
// hint); returns false, having printed nothing, for any other separator.
// The texts go to the formatter a batch at a time (print_texts), each with
// its mark appended: a text printed right after another lays out as the two
// printed as one.  The first element's text goes alone all the same, since
// what comes before it may be a conditional text (print_if_newline), which
// takes the next text only.
template <class P, class T>
bool print_integers(formatter& f, const t<unit>& sep, const T* v, std::size_t n) {
  int spaces = 1;
  char mark = 0;
  bool marked = false;
  if (const auto* b = sep.template target<constant_printer<break_body>>()) {
    // A negative number of spaces throws from the hint after the first
    // element: the general walk does that.
    if (b->fn.spaces < 0) return false;
    spaces = b->fn.spaces;
  } else if (const auto* m = sep.template target<constant_printer<punct_break_body>>()) {
    mark = m->fn.punct;
    marked = true;
  } else {
    return false;
  }
  constexpr std::size_t batch = 64;
  char text[batch * 24];
  std::string_view texts[batch];
  std::size_t k = 0;
  char* end = text;
  for (std::size_t i = 0; i < n; ++i) {
    char* start = end;
    end = P::write_text(end, v[i]);
    if (marked && i + 1 < n) {
      if (i == 0) {
        f.print_string(std::string_view(start, static_cast<std::size_t>(end - start)));
        end = start;
      }
      *end++ = mark;
    }
    texts[k++] = std::string_view(start, static_cast<std::size_t>(end - start));
    if (k == batch || i + 1 == n) {
      // The hint between this batch and the one before.
      if (i + 1 > k) f.print_break(spaces, 0);
      f.print_texts(std::span<const std::string_view>(texts, k), spaces);
      k = 0;
      end = text;
    }
  }
  return true;
}

// Walks from `it` to `end` with `sep` between elements; after `most`
// elements, `sep` and the elision mark for `more` left out.  The element past
// the limit is reached (a range walked once produces it) but never read.
template <class P, class I, class S>
void print_walk(formatter& f, const P& p, const t<unit>& sep, I it, S end, std::size_t most, std::size_t more) {
  separated s{sep, f};
  for (std::size_t i = 0; it != end; ++it, ++i) {
    s.before();
    if (i == most) {
      print_elided(f, more);
      return;
    }
    p(f, *it);
  }
}

// Walks a range once, front to back, with `sep` between elements; after
// `most` elements, `sep` and the elision mark stand for the rest (see
// collection_options::elements).
template <class P, class R>
void print_range(formatter& f, const P& p, const t<unit>& sep, R&& r, std::size_t most = unlimited) {
  using range = std::remove_reference_t<R>&;
  // The number of elements left out, when the range knows its size; 0 when
  // it does not, or when it leaves none out.
  std::size_t more = 0;
  if constexpr (std::ranges::sized_range<range>) {
    const auto size = static_cast<std::size_t>(std::ranges::size(r));
    if (size > most) more = size - most;
  }
  // Integers in an array or vector: reading them runs no user code, so they
  // may be printed in a different order of calls (see print_integers).
  if constexpr (is_integer_printer<P> && std::ranges::contiguous_range<range> && std::ranges::sized_range<range>) {
    const auto size = static_cast<std::size_t>(std::ranges::size(r));
    if (print_integers<P>(f, sep, std::ranges::data(r), size - more)) {
      if (more > 0) {
        if (size > more) sep(f, unit{});
        print_elided(f, more);
      }
      return;
    }
  }
  print_walk(f, p, sep, std::ranges::begin(r), std::ranges::end(r), most, more);
}

}  // namespace quarn::detail
