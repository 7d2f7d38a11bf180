// SPDX-License-Identifier: MIT
// quarn::dump::value given a vector of a type that has no printer: the
// first error names the type (the incomplete dump_value_has_no_printer_for<T>
// in both g++'s and clang's first error line).
// Compiler message: (to incomplete type|of undefined template) [^ ]*quarn::detail::dump_value_has_no_printer_for<unprintable_widget>
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
