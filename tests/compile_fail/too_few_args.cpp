// SPDX-License-Identifier: MIT
// Two conversions, one argument.
#include <quarn/quarn.hpp>

void too_few_args() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%d %d", 1, 2);
#else
  (void)quarn::sprint("%d %d", 1);
#endif
}
