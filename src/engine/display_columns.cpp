// SPDX-License-Identifier: MIT
// Display widths of UTF-8 text, from utf8proc's Unicode tables.
//
// ASCII is one column per byte (control characters included, as in byte
// measure, so that a text of ASCII is the same width either way).  Other
// code points take what utf8proc_charwidth() says: 2 for East Asian wide
// and full-width characters and most emoji, 0 for combining marks and other
// zero-width characters, 1 otherwise.  A byte that does not start a valid
// UTF-8 sequence (a stray continuation byte, a truncated or overlong
// sequence, an encoded surrogate) counts as one column and the walk goes on
// from the next byte, so that invalid text is measured as a terminal that
// shows a replacement character for each bad byte would show it.
#include "engine/display_columns.hpp"

#include <utf8proc.h>

namespace quarn {

namespace {

// One step of the walk: the character at the front of `s` (which is not
// empty), its length in bytes and its width in columns.
struct character {
  std::size_t bytes;
  std::size_t columns;
};

character next_character(std::string_view s) noexcept {
  const auto c = static_cast<unsigned char>(s[0]);
  if (c < 0x80) return {1, 1};
  utf8proc_int32_t code = 0;
  const utf8proc_ssize_t n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data()),
                                              static_cast<utf8proc_ssize_t>(s.size()), &code);
  if (n <= 0) return {1, 1};
  const int w = utf8proc_charwidth(code);
  return {static_cast<std::size_t>(n), w > 0 ? static_cast<std::size_t>(w) : 0};
}

}  // namespace

std::size_t display_columns(std::string_view s) noexcept {
  std::size_t columns = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const character ch = next_character(s.substr(i));
    columns += ch.columns;
    i += ch.bytes;
  }
  return columns;
}

std::size_t detail::column_prefix(std::string_view s, std::size_t columns) noexcept {
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const character ch = next_character(s.substr(i));
    if (used + ch.columns > columns) break;
    used += ch.columns;
    i += ch.bytes;
  }
  return i;
}

}  // namespace quarn
