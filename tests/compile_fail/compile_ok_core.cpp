// SPDX-License-Identifier: MIT
// <quarn/core.hpp> is self-contained: with no other include, a formatter on
// a string, the standard formatters and the entry points compile.
#include <quarn/core.hpp>

void compile_ok_core() {
  std::string out;
  quarn::formatter f(out);
  quarn::fprint(f, "@[<hov 2>%s =@ %d@]@.", "x", 1);
  quarn::print("%S@.", quarn::sprint("%d", 2));
}
