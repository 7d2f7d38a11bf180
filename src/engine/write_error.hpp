// SPDX-License-Identifier: MIT
// The error of a failed write or flush on a C stream, one implementation per
// system: write_error_posix.cpp (errno) and write_error_windows.cpp (the
// system's error where the C library left one, else errno).
#pragma once

#include <system_error>

namespace quarn::detail {

/// Clears what last_write_error() reads; called right before the write.
void clear_write_error() noexcept;

/// The error of the write or flush that just failed: errno in the generic
/// category (EIO when the C library set none); on Windows the system's error
/// code (GetLastError(), whose message FormatMessage gives) in the system
/// category when the failure left one.
[[nodiscard]] std::error_code last_write_error() noexcept;

}  // namespace quarn::detail
