// SPDX-License-Identifier: MIT
// Shared by the printer tests and the fuzz targets: lay a printer out on a
// fresh string formatter.
#pragma once

#include <quarn/quarn.hpp>

#include <string>

// clang 14 cannot instantiate the views of libstdc++ 12
// (std::ranges::begin fails on them), and libc++ 14 has no std::views, so
// tests that need them are left out there.
#if (defined(__clang__) && __clang_major__ < 15 && defined(__GLIBCXX__)) || \
    (defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000)
#define QUARN_TEST_STD_VIEWS 0
#else
#define QUARN_TEST_STD_VIEWS 1
#endif

namespace quarn_test {

// `p` applied to `v` inside a b box, laid out at `margin`.  Outside any box
// the engine leaves its last break hint unmeasured, so printers are always
// tested inside one.  The maximum indentation is put just below the margin,
// so that only the printer's own boxes and hints decide where lines break.
template <class P, class V>
std::string boxed(const P& p, const V& v, int margin = 78) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(margin);
  f.set_max_indent(margin - 1);
  quarn::fprint(f, "@[%a@]", p, v);
  f.print_flush();
  return out;
}

// As boxed(), keeping the maximum indentation the margin gives.
template <class P, class V>
std::string render(const P& p, const V& v, int margin = 78) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(margin);
  f.open_box(quarn::box_kind::b, 0);
  p(f, v);
  f.close_box();
  f.print_flush();
  return out;
}

}  // namespace quarn_test
