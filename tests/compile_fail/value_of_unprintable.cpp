// SPDX-License-Identifier: MIT
// quarn::dump::value given a vector of a type that has no printer: the
// static assertion fails, and the compiler's messages name the type.
// Compiler message: has_dump_printer<unprintable_widget>
#include <quarn/quarn.hpp>

#include <vector>

struct unprintable_widget {
  int size;
};

#ifdef QUARN_COMPILE_FAIL_CONTROL
template <>
struct quarn::dump::printer_for<unprintable_widget> {
  void operator()(quarn::formatter& f, const unprintable_widget& w) const { quarn::int_(f, w.size); }
};
#endif

void dump_widgets(quarn::formatter& f) {
  const std::vector<unprintable_widget> widgets{{1}, {2}};
  quarn::fprint(f, "%a", quarn::dump::value, widgets);
}
