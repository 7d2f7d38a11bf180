// SPDX-License-Identifier: MIT
// Demangled C++ names, for the exception printers, backtraces and quarn-top.
#pragma once

#include <string>

namespace quarn::detail {

/// The readable form of a mangled name (a std::type_info name, a symbol),
/// or the name itself when it does not demangle.
[[nodiscard]] std::string demangle(const char* mangled);

}  // namespace quarn::detail
