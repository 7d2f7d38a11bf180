// SPDX-License-Identifier: MIT
// A bright colour has no bright variant: Hi takes a basic colour only.
#include <quarn/quarn.hpp>

void hi_of_hi() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::styled(quarn::Fg(quarn::Hi(quarn::Blue)), quarn::string);
#else
  (void)quarn::styled(quarn::Fg(quarn::Hi(quarn::Hi(quarn::Blue))), quarn::string);
#endif
}
