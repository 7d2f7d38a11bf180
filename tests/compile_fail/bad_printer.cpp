// SPDX-License-Identifier: MIT
// "%a" given a printer of int and a std::string to print.
#include <quarn/quarn.hpp>

#include <string>

void bad_printer() {
  auto print_int = [](quarn::formatter& f, int v) { f.print_int(v); };
  const std::string s = "x";
#ifdef QUARN_COMPILE_FAIL_CONTROL
  (void)quarn::sprint("%a", print_int, 1);
#else
  (void)quarn::sprint("%a", print_int, s);
#endif
}
