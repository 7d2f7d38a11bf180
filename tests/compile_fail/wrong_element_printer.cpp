// SPDX-License-Identifier: MIT
// A list printer of integers given a vector of strings is rejected when the
// program is compiled.
#include <quarn/quarn.hpp>

#include <string>
#include <vector>

void print_names(quarn::formatter& f) {
#ifdef QUARN_COMPILE_FAIL_CONTROL
  const std::vector<int> names{1, 2};
#else
  const std::vector<std::string> names{"a", "b"};
#endif
  quarn::fprint(f, "%a", quarn::list(quarn::int_), names);
}
