// SPDX-License-Identifier: MIT
// One conversion, two arguments.
#include <quarn/quarn.hpp>

void too_many_args() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%d", 1);
#else
  (void)quarn::sprint("%d", 1, 2);
#endif
}
