// SPDX-License-Identifier: MIT
// QUARN_ASSERTION_FAILURE(file): a quarn::assertion_failure for the line and
// column where it is written, in `file`, the source's path in the repository
// ("src/engine/attributes.cpp"; not __FILE__, which holds the build
// machine's path).  clang has __builtin_COLUMN; g++ 12 takes the column from
// std::source_location.
#pragma once

#include "quarn/failure.hpp"

#if defined(__clang__)
#define QUARN_ASSERTION_FAILURE(file) ::quarn::assertion_failure(file, __LINE__, __builtin_COLUMN())
#else
#include <source_location>
#define QUARN_ASSERTION_FAILURE(file) \
  ::quarn::assertion_failure(file, __LINE__, static_cast<int>(std::source_location::current().column()))
#endif
