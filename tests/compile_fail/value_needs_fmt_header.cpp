// SPDX-License-Identifier: MIT
// quarn::dump::value falls back on a fmt::formatter only where
// <quarn/fmt.hpp> is included: without it a type printable through {fmt}
// alone has no printer, and the first error names the type.
// Compiler message: (to incomplete type|of undefined template) [^ ]*quarn::detail::dump_value_has_no_printer_for<fmt_only>
#ifdef QUARN_COMPILE_FAIL_CONTROL
#include <quarn/fmt.hpp>
#endif
#include <fmt/format.h>
#include <quarn/quarn.hpp>

struct fmt_only {
  int n;
};

template <>
struct fmt::formatter<fmt_only> : fmt::formatter<int> {
  auto format(const fmt_only& v, fmt::format_context& ctx) const { return fmt::formatter<int>::format(v.n, ctx); }
};

void dump_fmt_only(quarn::formatter& f) { quarn::fprint(f, "%a", quarn::dump::value, fmt_only{1}); }
