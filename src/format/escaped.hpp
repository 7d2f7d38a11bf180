// SPDX-License-Identifier: MIT
// The escapes of "%S" and "%C", shared by the format interpreter and the
// dump of UTF-8, UTF-16 and UTF-32 strings.
#pragma once

#include <string>
#include <string_view>

namespace quarn::detail {

// Appends the bytes of `s` escaped as they are between the quotes of "%S"
// (`quote` '"') or "%C" (`quote` '\''): backslash escapes for the quote,
// backslash, newline, tab, return and backspace, three decimal digits for
// any other byte outside 32..126.
void append_escaped_bytes(std::string& out, std::string_view s, char quote);

}  // namespace quarn::detail
