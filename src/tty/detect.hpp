// SPDX-License-Identifier: MIT
// What setup() reads from the environment, kept apart so that it can be
// tested on its own.  Not installed.
#pragma once

#include <string_view>

namespace quarn::tty::detail {

/// Whether `affix` occurs in `s` as a contiguous run of bytes.  The empty
/// affix occurs in every text.
[[nodiscard]] bool is_infix(std::string_view affix, std::string_view s) noexcept;

/// Whether the environment variable `name` is set and its value, with ASCII
/// letters upper-cased, contains "UTF-8" ("en_US.UTF-8", "C.utf-8"; not
/// "en_US.utf8").
[[nodiscard]] bool has_utf_8(const char* name);

}  // namespace quarn::tty::detail
