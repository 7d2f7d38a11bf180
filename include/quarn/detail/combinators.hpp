// SPDX-License-Identifier: MIT
// The parts of quarn/combinators.hpp that users do not name: the printer
// types behind nop, cut, sp, comma and semi, the separator step of concat and
// iter, and the pieces of the bracket printers.
#pragma once

#include <concepts>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// No limit: the default of the element and depth limits of the collection
/// and dump printers.
inline constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();

}  // namespace quarn

namespace quarn::detail {

// Stands for the elements that a collection printer leaves out: "…" ("..."
// where the formatter may not emit UTF-8), then " (n more)" when `more`, the
// number left out, is known (not 0).
void print_elided(formatter& f, std::size_t more);

// The values applied to a printer that may also go without one: one value,
// p(f, v), or none, p(f), as "%t" and the printers around it apply it.
// Such a printer writes its body once, over a pack of at most one value.
template <class... V>
concept one_or_no_value = sizeof...(V) <= 1;

// A printer that ignores its value: F is called with the formatter alone.
template <class F>
struct constant_printer : printer_tag {
  F fn;
  template <class... V>
    requires one_or_no_value<V...>
  void operator()(formatter& f, const V&...) const {
    fn(f);
  }
};

struct nop_body {
  void operator()(formatter&) const {}
};

struct break_body {
  int spaces;
  void operator()(formatter& f) const { f.print_break(spaces, 0); }
};

struct punct_break_body {
  char punct;
  void operator()(formatter& f) const {
    f.print_string(std::string_view(&punct, 1));
    f.print_break(1, 0);
  }
};

// The per-element step shared by iter and concat: `sep` before every element
// but the first.
struct separated {
  const t<unit>& sep;
  formatter& f;
  bool first = true;
  void before() {
    if (first)
      first = false;
    else
      sep(f, unit{});
  }
};

// Every printer of `ps` on `v`, in order, with `sep` between (concat).
template <class Printers, class V>
void print_all(formatter& f, const Printers& ps, const t<unit>& sep, const V& v) {
  separated s{sep, f};
  for (const auto& p : ps) {
    s.before();
    p(f, v);
  }
}

/// `open`, `p` on the value, `close`; no box.
template <class P>
struct surround_printer : printer_tag {
  std::string_view open;
  std::string_view close;
  P p;
  template <class... V>
    requires one_or_no_value<V...> && std::invocable<const P&, formatter&, const V&...>
  void operator()(formatter& f, const V&... v) const {
    f.print_string(open);
    p(f, v...);
    f.print_string(close);
  }
};
template <class P>
surround_printer<P> surround(std::string_view open, std::string_view close, P p) {
  return {{}, open, close, std::move(p)};
}

/// Prints a mark counted as one column, whatever its length in bytes.
struct mark_printer : printer_tag {
  std::string mark;
  template <class... V>
    requires one_or_no_value<V...>
  void operator()(formatter& f, const V&...) const {
    f.print_as(1, mark);
  }
};

}  // namespace quarn::detail
