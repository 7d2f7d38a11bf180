// SPDX-License-Identifier: MIT
// Text layout: plain strings whose white space becomes break hints and new
// lines, truncation, and line-column locations.
//
//   quarn::fprint(f, "@[%a@]", quarn::paragraphs, long_text);   // refilled
//
// Strings are byte strings: positions, lengths and character classes count
// bytes, and white space is the bytes 9 to 13 (tab, newline, vertical tab,
// form feed, carriage return) and 32 (space).  A break hint here is one of
// one space (as quarn::sp).  None of these printers opens a box: the
// enclosing box decides how the hints lay out and how far new lines are
// indented.  Each scans its string once, left to right, and prints pieces of
// it without copying them.  A null C string throws quarn::invalid_argument.
#pragma once

#include <concepts>
#include <cstddef>
#include <string_view>
#include <utility>

#include "quarn/detail/text.hpp"
#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// The words of a string (maximal runs of bytes that are not white space)
/// with one break hint between consecutive words: leading and trailing
/// white space disappear, and every run of white space between two words,
/// whatever its bytes and length, becomes one hint.
/// @code
/// quarn::sprint("%a", quarn::words, "  one\n  two   three ")   // "one two three"
/// @endcode
inline constexpr detail::string_layout<detail::print_words> words{};

/// As words, except that a run of white space holding two newlines or more
/// (a line holding only white space counts as empty) ends the paragraph:
/// it becomes two forced new lines, so paragraphs are separated by exactly
/// one empty line.
/// @code
/// quarn::sprint("%a", quarn::paragraphs, "one\ntwo\n\n\nthree")   // "one two\n\nthree"
/// @endcode
inline constexpr detail::string_layout<detail::print_paragraphs> paragraphs{};

/// The string with its own spacing: every space byte is a break hint and
/// every newline a forced new line; nothing is trimmed or merged, and tabs
/// and carriage returns print as text.
/// @code
/// quarn::sprint("%a", quarn::text, "a  b\nc")   // "a  b\nc"
/// @endcode
inline constexpr detail::string_layout<detail::print_text> text{};

/// The string with every newline as a forced new line; spaces stay spaces.
/// @code
/// quarn::sprint("%a", quarn::lines, "a b\nc")   // "a b\nc"
/// @endcode
inline constexpr detail::string_layout<detail::print_lines> lines{};

/// The string if it is at most `max` bytes long; otherwise its first
/// max - 3 bytes followed by "...", which is exactly `max` bytes for
/// max >= 3 and "..." alone below.  The cut counts bytes, even inside a
/// multi-byte character.  On a formatter that measures text in columns
/// (formatter::set_measure()), `max` counts columns and the cut keeps whole
/// characters, so the result may be a column short of `max` when a wide
/// character does not fit.
struct truncated_printer : printer_tag {
  /// The greatest length kept, in bytes (or columns).
  long long max;
  /// Prints `s`, cut to `max` with "..." when it is longer.
  template <detail::string_like S>
  void operator()(formatter& f, const S& s) const {
    detail::print_truncated(f, max, detail::string_arg(s));
  }
};
/// The string cut to at most `max` bytes, ending with "..." when it was longer.
/// @code
/// quarn::sprint("%a", quarn::truncated(8), "a long sentence")   // "a lon..."
/// quarn::sprint("%a", quarn::truncated(8), "short")   // "short"
/// @endcode
[[nodiscard]] constexpr truncated_printer truncated(long long max) { return {{}, max}; }

/// A range of text from a start position to an end position, each a line
/// and a column, taken as they are (no conversion from 0- or 1-based).
using text_location = std::pair<std::pair<long long, long long>, std::pair<long long, long long>>;

/// «3.4» when the start and the end are the same position, «3.4-3.9» or
/// «3.4-5.0» otherwise.
struct text_loc_printer : printer_tag {
  /// Prints the location `loc`.
  void operator()(formatter& f, const text_location& loc) const;
};
/// The printer of text locations: «3.4» or «3.4-5.0».
/// @code
/// quarn::sprint("%a", quarn::text_loc, quarn::text_location{{3, 4}, {3, 9}})   // "3.4-3.9"
/// @endcode
inline constexpr text_loc_printer text_loc{};

}  // namespace quarn
