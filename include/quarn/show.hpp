// SPDX-License-Identifier: MIT
// A printer bound to a value, for output libraries that know nothing of
// formatters: `std::cout << quarn::show(quarn::dump::list(quarn::int_), v)`.
// The value is laid out by a fresh string formatter at the default margin and
// the text is written as it is.  quarn/fmt.hpp adds {fmt} and std::format
// support for the same bound pair.
#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "quarn/format.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// A printer and a reference to the value it prints.  It refers to the value,
/// so use it within the expression that makes it.
template <class P, class V>
  requires printer_of<P, V>
struct shown {
  /// The printer.
  P printer;
  /// The value printed.
  const V& value;

  /// The text, laid out in a box at the default margin.
  [[nodiscard]] std::string str() const { return sprint("@[%a@]", printer, value); }
};

/// Binds `printer` to `value`, for output libraries that know nothing of formatters.
/// @code
/// quarn::show(quarn::dump::list(quarn::int_), std::vector<int>{1, 2}).str()   // "[1; 2]"
/// std::cout << quarn::show(quarn::dump::list(quarn::int_), v);   // prints [1; 2] for v = {1, 2}
/// @endcode
template <class P, class V>
  requires printer_of<P, V>
[[nodiscard]] shown<P, V> show(P printer, const V& value) {
  return {std::move(printer), value};
}

/// Writes the text of `s` on `os`, as s.str() makes it.
template <class P, class V>
std::ostream& operator<<(std::ostream& os, const shown<P, V>& s) {
  return os << s.str();
}

}  // namespace quarn
