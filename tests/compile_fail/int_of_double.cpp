// SPDX-License-Identifier: MIT
// The integer printers take integers only: a double is not silently
// truncated.
#include <quarn/quarn.hpp>

void print_count(quarn::formatter& f) {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  const int count = 2;
#else
  const double count = 2.5;
#endif
  quarn::int_(f, count);
}
