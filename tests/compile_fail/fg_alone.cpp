// SPDX-License-Identifier: MIT
// A foreground or background style needs its colour: Fg alone is not black.
#include <quarn/quarn.hpp>

void fg_alone() {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::styled(quarn::style::Fg(quarn::Red), quarn::string);
#else
  (void)quarn::styled(quarn::style::Fg, quarn::string);
#endif
}
