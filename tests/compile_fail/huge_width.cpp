// SPDX-License-Identifier: MIT
// A width above 4096, the largest number a format string may hold.
#include <quarn/quarn.hpp>

void huge_width() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%4096d", 1);
#else
  (void)quarn::sprint("%4097d", 1);
#endif
}
