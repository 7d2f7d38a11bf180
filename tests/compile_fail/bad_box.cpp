// SPDX-License-Identifier: MIT
// "zz" is no box kind.
#include <quarn/quarn.hpp>

void bad_box() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("@[<hv 2>a@ b@]");
#else
  (void)quarn::sprint("@[<zz 2>a@ b@]");
#endif
}
