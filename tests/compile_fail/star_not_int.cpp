// SPDX-License-Identifier: MIT
// A "*" width takes an int, as in C: a long is refused rather than narrowed.
// Compiler message: is not an int
#include <quarn/quarn.hpp>

void star_not_int() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("[%*d]", 5, 1);
#else
  (void)quarn::sprint("[%*d]", 5L, 1);
#endif
}
