// SPDX-License-Identifier: MIT
// The parts of quarn/dump.hpp that users do not name: the brackets of dumped
// arrays and the braces of dumped records.
#pragma once

#include <utility>

#include "quarn/combinators.hpp"
#include "quarn/format.hpp"

namespace quarn::detail {

// "[|", `p`, "|]" in a b box of indentation 2.
template <class P>
box_printer<surround_printer<P>> oxford_brackets(P p) {
  return box(surround("[|", "|]", std::move(p)), {.indent = 2});
}

// The fields of a dumped record in braces, separated by ";" and a break hint.
template <class Fields>
auto braced_fields(Fields fields) {
  return box(surround("{ ", " }", vbox(concat(std::move(fields), {.sep = any(";@,")}))), {.indent = 2});
}

}  // namespace quarn::detail
