// SPDX-License-Identifier: MIT
// The everyday header: the formatter and the format-string entry points
// (fprint, print, eprint, sprint, kfprint, ksprint, str_like, with_buffer,
// runtime, the standard formatters), and nothing else.  It is kept light to
// compile: no <functional>, no <memory>.  <quarn/quarn.hpp> adds the printers
// and combinators, <quarn/engine.hpp> the tag kinds and function records,
// <quarn/errors.hpp> failwith() and the other formatted failures.
//
//   #include <quarn/core.hpp>
//
//   int main() {
//     quarn::print("@[<hov 2>Hello,@ %s!@]@.", "world");
//   }
#pragma once

#include "quarn/format.hpp"
#include "quarn/formatter.hpp"
