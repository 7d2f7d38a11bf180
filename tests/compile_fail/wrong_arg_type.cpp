// SPDX-License-Identifier: MIT
// "%d" given a std::string.
#include <quarn/quarn.hpp>

#include <string>

void wrong_arg_type() {
  const std::string s = "x";
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%s", s);
#else
  (void)quarn::sprint("%d", s);
#endif
}
