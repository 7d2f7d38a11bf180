// SPDX-License-Identifier: MIT
// Write errors on POSIX systems: errno.
#include <cerrno>

#include "engine/write_error.hpp"

namespace quarn::detail {

void clear_write_error() noexcept { errno = 0; }

std::error_code last_write_error() noexcept { return {errno != 0 ? errno : EIO, std::generic_category()}; }

}  // namespace quarn::detail
