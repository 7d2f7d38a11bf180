// SPDX-License-Identifier: MIT
// A positional format string must use every argument: argument 2 is named
// by no conversion.
// Compiler message: named by no
#include <quarn/quarn.hpp>

void positional_gap() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%3$d %2$d %1$d", 1, 2, 3);
#else
  (void)quarn::sprint("%3$d %1$d", 1, 2, 3);
#endif
}
