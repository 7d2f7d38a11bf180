// SPDX-License-Identifier: MIT
// "%q" is no conversion.
#include <quarn/quarn.hpp>

void unknown_conversion() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%d", 1);
#else
  (void)quarn::sprint("%q", 1);
#endif
}
