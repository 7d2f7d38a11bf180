// SPDX-License-Identifier: MIT
// Measuring UTF-8 text in the columns a terminal gives it.
//
// The public display_columns() is declared in <quarn/formatter.hpp>; this
// header adds what the printers need to cut a text by columns.
#pragma once

#include <cstddef>
#include <string_view>

#include "quarn/formatter.hpp"

namespace quarn::detail {

/// The length in bytes of the longest start of `s` that ends between two
/// characters and takes at most `columns` columns.  Zero-width characters
/// (combining marks) right after the last character that fits are kept with
/// it; an invalid byte is a character of one column.
[[nodiscard]] std::size_t column_prefix(std::string_view s, std::size_t columns) noexcept;

/// Whether every byte of `s` is ASCII, so that bytes and columns agree.
[[nodiscard]] inline bool is_ascii(std::string_view s) noexcept {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

/// The width of `s` under `m`: its size in bytes, or display_columns(s).
[[nodiscard]] inline std::size_t measure_text(text_measure m, std::string_view s) noexcept {
  return m == text_measure::columns ? display_columns(s) : s.size();
}

/// The length in bytes of the longest start of `s` of at most `width` under
/// `m` (whole characters in columns).
[[nodiscard]] inline std::size_t measured_prefix(text_measure m, std::string_view s, std::size_t width) noexcept {
  if (m == text_measure::columns) return column_prefix(s, width);
  return width < s.size() ? width : s.size();
}

}  // namespace quarn::detail
