// SPDX-License-Identifier: MIT
// Write errors on Windows.  The C library turns the system's error of a
// failed WriteFile into a vague errno (a closed pipe, ERROR_NO_DATA, becomes
// EINVAL), so the system's own error is reported when there is one; errno
// otherwise (a stream opened for reading fails in the C library alone).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>

#include "engine/write_error.hpp"

namespace quarn::detail {

void clear_write_error() noexcept {
  errno = 0;
  SetLastError(ERROR_SUCCESS);
}

std::error_code last_write_error() noexcept {
  const int err = errno;
  if (const DWORD system = GetLastError(); system != ERROR_SUCCESS) {
    return {static_cast<int>(system), std::system_category()};
  }
  return {err != 0 ? err : EIO, std::generic_category()};
}

}  // namespace quarn::detail
