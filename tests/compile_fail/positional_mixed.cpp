// SPDX-License-Identifier: MIT
// Positional and sequential conversions cannot share a format string.
// Compiler message: are mixed
#include <quarn/quarn.hpp>

void positional_mixed() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%1$d %2$d", 1, 2);
#else
  (void)quarn::sprint("%1$d %d", 1, 2);
#endif
}
