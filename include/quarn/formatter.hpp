// SPDX-License-Identifier: MIT
// The formatter: the box layout engine's interface for printing.
//
// A formatter receives a stream of operations (open a box, print text, give a
// break hint, close the box ...) and lays the text out to its margin.  It is a
// streaming engine: material is held only while the decision about where to
// break it is still open (about one line's worth), so time is linear in the
// output and memory does not grow with the document.
//
// Box kinds:
//   h    no break hint ever splits the line;
//   v    every break hint splits the line;
//   hv   if the whole box fits on the line every hint prints as spaces,
//        otherwise every hint splits the line;
//   hov  hints split the line only when the next piece would not fit (fill);
//   b    like hov, and a hint also splits when that moves the next line to
//        the left of the current indentation.
//
// This header is kept light (no <functional>, no <memory>): the tag kinds
// and the function records a formatter takes (stag_functions,
// output_functions) are only declared here and defined in
// <quarn/engine.hpp>, which a program that uses them includes.
//
// A formatter is used from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace quarn {

/// The kinds of box, which decide how the break hints directly inside split lines: `h` never splits, `v` splits at every hint, `hv` splits at all hints or none, `hov` splits only where the next piece does not fit, and `b` is `hov` that also splits when that moves the line left.
enum class box_kind : unsigned char { h, v, hv, hov, b };

/// How a formatter measures the width of the texts it lays out.
enum class text_measure : unsigned char {
  /// One column per byte, whatever the bytes are (the default).
  bytes,
  /// The columns a terminal gives UTF-8 text: display_columns().
  columns,
};

/// The width of `s` on a terminal, in columns, reading it as UTF-8: one
/// column per ASCII byte; two for East Asian wide and full-width characters
/// and most emoji; none for combining marks and other zero-width characters;
/// one for any other character.  Each byte that is not part of a valid UTF-8
/// sequence counts one column.  The widths come from utf8proc's Unicode
/// tables, character by character (a sequence of emoji joined by U+200D
/// counts each of them).
///
///   quarn::display_columns("naïve");     // 5 (6 bytes)
///   quarn::display_columns("日本");       // 4
///   quarn::display_columns("e\u0301");  // 1: "e" and a combining accent
[[nodiscard]] std::size_t display_columns(std::string_view s) noexcept;

class stag;
struct stag_functions;
struct output_functions;

namespace detail {
class layout_engine;
struct formatter_access;
}  // namespace detail

/// The output target of the layout engine.
///
/// Formatters are movable, not copyable.  Defaults: margin 78, maximum
/// indentation 68, no limit on the number of open boxes, tag marking and tag
/// printing off, texts measured in bytes.
///
/// When output appears: text is laid out as soon as its line is decided and
/// staged; the target receives it when the staging area fills (64 KiB), at
/// every flush (print_flush(), print_newline(), "@." and "@?" in format
/// strings, the `flush` printer), and when the formatter is destroyed.
///
/// Write errors: a write or flush of the target that fails throws from the
/// call in which it is seen: std::system_error with the errno for a FILE*,
/// std::ios_base::failure (itself a std::system_error) for a stream, which is
/// also set bad, and whatever a write function or stream buffer throws.
/// Every write path fails the same way: the text the failing operation laid
/// out itself is dropped with the rest of the document being laid out (its
/// open boxes, indentation and pending material), so that the next document
/// comes out exactly as on a new formatter; text that earlier operations
/// laid out and the target has not accepted yet stays with the formatter and
/// is written first the next time.
///
/// Misuse: any call on a moved-from formatter, and any call from the
/// formatter's own write, flush or tag-marking function that would change
/// it, throws std::logic_error.
///
/// A formatter is used from one thread at a time (the standard formatters'
/// entry points lock; see stdout_formatter()).
///
/// @code
/// std::string out;
/// quarn::formatter f(out);
/// f.set_margin(12);
/// quarn::fprint(f, "@[<hov 2>%s@ %s@ %s@]", "alpha", "beta", "gamma");
/// f.print_flush();   // out == "alpha beta\n  gamma"
/// @endcode
class formatter {
public:
  /// Appends to `buffer`, which must outlive the formatter.  Like every
  /// target, the buffer receives laid-out text when the formatter is flushed
  /// (and in chunks on the way, for long documents).
  explicit formatter(std::string& buffer);
  /// Writes to a C stream (not owned).  Throws std::invalid_argument if null.
  explicit formatter(std::FILE* channel);
  /// Writes to a C++ stream, which must outlive the formatter.
  explicit formatter(std::ostream& stream);
  /// Writes through user-supplied functions.
  explicit formatter(output_functions out);

  /// Takes over the other formatter's output and state; the other is left empty.
  formatter(formatter&&) noexcept;
  /// Flushes this formatter as the destructor would, then takes over the other's output and state.
  formatter& operator=(formatter&&) noexcept;
  formatter(const formatter&) = delete;
  formatter& operator=(const formatter&) = delete;
  /// Lays out and writes everything pending, as print_flush() does.  A
  /// destructor cannot report an error, so a failing write is ignored here:
  /// call print_flush() first to see it.  Moving a formatter onto another
  /// flushes the one it replaces in the same way.
  ~formatter();

  // Boxes.
  /// Opens a box at the current column; its new lines start there plus
  /// `indent`.  Past the maximum box count the ellipsis text is printed once
  /// instead and the box is not opened.
  void open_box(box_kind kind, int indent = 0);
  /// Closes the innermost open box; does nothing when none is open.
  void close_box();

  // Text.
  /// Prints `s`, as wide as measure() says: its size in bytes, or its
  /// display_columns().
  void print_string(std::string_view s);
  /// Prints `s` counted as `width` columns, whatever the measure (0 for
  /// escape sequences, 1 for a multi-byte character).  Throws
  /// std::invalid_argument on a negative width.
  void print_as(int width, std::string_view s);
  /// Prints the byte `c`, one column wide.
  void print_char(char c);
  /// Prints `s` in pieces of `piece` bytes (the last one may be shorter, and
  /// a piece may end inside a UTF-8 character),
  /// with a break hint of `spaces` spaces and `offset` between consecutive
  /// pieces: the same as print_string() of each piece and print_break()
  /// between them, in one call, which costs much less.  Columns of bytes,
  /// long numbers in groups, identifiers that may wrap anywhere:
  ///
  ///   f.print_pieces("48656c6c6f", 4, 1);  // "4865", hint, "6c6c", hint, "6f"
  ///
  /// Throws std::invalid_argument when `piece` is 0 or `spaces` negative.
  void print_pieces(std::string_view s, std::size_t piece, int spaces, int offset = 0);
  /// Prints the texts of `texts` with a break hint of `spaces` spaces and
  /// `offset` between consecutive texts: the same as print_string() of each
  /// and print_break() between them, in one call, which costs much less
  /// (the list printers hand the texts of numbers over this way):
  ///
  ///   const std::string_view t[] = {"1;", "22;", "333"};
  ///   f.print_texts(t, 1);  // "1;", hint, "22;", hint, "333"
  ///
  /// The texts may lie anywhere, the formatter's own target string
  /// included.  Throws std::invalid_argument when `spaces` is negative.
  void print_texts(std::span<const std::string_view> texts, int spaces, int offset = 0);
  /// Prints `n` in decimal.
  void print_int(long long n);
  /// Prints "true" or "false".
  void print_bool(bool b);

  // Break hints and new lines.
  /// `spaces` spaces if the line is not split here, otherwise a new line
  /// indented to the enclosing box's indentation plus `offset`.
  /// Throws std::invalid_argument on a negative number of spaces.
  void print_break(int spaces, int offset);
  /// A break hint of one space: print_break(1, 0).
  void print_space() { print_break(1, 0); }
  /// A break hint of no space: print_break(0, 0).
  void print_cut() { print_break(0, 0); }
  /// A new line now, at the indentation of the current box.
  void force_newline();
  /// The next text is printed only if the line has just been split.
  void print_if_newline();

  /// Closes every open box, lays out and writes everything pending, flushes
  /// the device, and returns the engine to its initial state.  Columns then
  /// count from 0 again; no new line is written.
  void print_flush();
  /// As print_flush(), with a new line written before the device is flushed.
  void print_newline();

  // Semantic tags.
  /// Opens a tag of any kind: `tag` converts to std::shared_ptr<const stag>.
  /// Defined in <quarn/engine.hpp>, with the tag kinds.
  template <class Tag>
  void open_stag(Tag tag);
  /// Closes the innermost open tag.
  void close_stag();
  void open_tag(std::string name);  ///< Opens a string tag.
  /// Closes the innermost open tag, as close_stag().
  void close_tag() { close_stag(); }
  /// Whether opening and closing a tag calls the mark functions, whose texts are output without taking room on the line.
  void set_mark_tags(bool on);
  /// Whether opening and closing a tag calls the print functions, which print through the formatter.
  void set_print_tags(bool on);
  /// Sets both set_mark_tags() and set_print_tags().
  void set_tags(bool on);
  /// Whether tags are marked (set_mark_tags()).
  [[nodiscard]] bool mark_tags() const;
  /// Whether tags are printed (set_print_tags()).
  [[nodiscard]] bool print_tags() const;
  /// The functions that tags call when they open and close.
  [[nodiscard]] const stag_functions& get_stag_functions() const;
  /// Replaces the functions that tags call when they open and close.
  void set_stag_functions(stag_functions fns);

  // Geometry.
  /// Ignored unless n >= 1; values from 10^9 on are capped.  May lower the
  /// maximum indentation so that it stays below the margin.  Changing it
  /// mid-document keeps everything pending; the new margin applies from the
  /// current point on.
  void set_margin(int n);
  /// The right margin: lines are laid out to fit within this many columns (78 by default).
  [[nodiscard]] int margin() const;
  /// Ignored unless 1 < n < margin().
  void set_max_indent(int n);
  /// The maximum indentation: boxes that would open further right start on a new line.
  [[nodiscard]] int max_indent() const;
  /// Ignored unless n > 1.
  void set_max_boxes(int n);
  /// The maximum number of open boxes.
  [[nodiscard]] int max_boxes() const;
  /// Whether more boxes are open than the maximum allows.
  [[nodiscard]] bool over_max_boxes() const;
  /// The text printed in place of a box beyond the maximum count (".").
  void set_ellipsis_text(std::string s);
  /// The text printed in place of a box beyond the maximum count.
  [[nodiscard]] const std::string& ellipsis_text() const;
  /// How texts are measured from now on: in bytes (the default) or in the
  /// columns a terminal shows UTF-8 text in.  Column measure applies to
  /// every text printed through print_string() and what is built on it:
  /// the printers' texts, %s with its width, padding and precision,
  /// the words of the text printers, the ellipsis.  Texts given
  /// an explicit width (print_as(), "@<n>" in format strings, the escape
  /// sequences of styles) keep it.  With bytes, a text of 3 "é" is 6 wide;
  /// with columns, 3:
  ///
  ///   f.set_measure(quarn::text_measure::columns);
  void set_measure(text_measure m);
  /// How texts are measured: in bytes or in display columns.
  [[nodiscard]] text_measure measure() const;
  /// The number of open boxes, the engine's outermost one included.
  [[nodiscard]] int depth() const;

  /// Restores every setting to its default and discards all state; used to
  /// recycle a formatter as if it were new.
  void reset();
  /// Redirects a buffer formatter to another buffer (which must outlive it).
  void retarget(std::string& buffer);

private:
  friend struct detail::formatter_access;
  // The engine, for an operation that may change it (it throws when the
  // formatter was moved from or is busy), and for one that only reads it
  // (it throws when the formatter was moved from).
  detail::layout_engine& engine_for_change();
  const detail::layout_engine& engine_for_reading() const;

  // Owned: made by the constructors, deleted by the destructor and by move
  // assignment, null once moved from.  (A raw pointer, so that this header
  // needs no <memory>.)
  detail::layout_engine* e_;
};

}  // namespace quarn
