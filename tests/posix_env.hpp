// SPDX-License-Identifier: MIT
// setenv() and unsetenv() for the tests on Windows, whose C library has
// _putenv_s() instead (which removes a variable set to "").
#pragma once

#include <cstdlib>

#ifdef _WIN32
inline int setenv(const char* name, const char* value, int /*overwrite*/) { return ::_putenv_s(name, value); }
inline int unsetenv(const char* name) { return ::_putenv_s(name, ""); }
#endif
