// The box layout engine: formatters, boxes, break hints and semantic tags.
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
// A formatter is used from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

enum class box_kind : unsigned char { h, v, hv, hov, b };

/// A semantic tag.  Tags form an open family of kinds: derive from `stag` to
/// add one.  Kinds are told apart by their dynamic type.
class stag {
public:
  virtual ~stag();
  /// A readable name of the kind ("String_tag" for string tags).
  [[nodiscard]] virtual std::string_view kind_name() const noexcept = 0;

protected:
  stag() = default;
  stag(const stag&) = default;
  stag& operator=(const stag&) = default;
};

/// The tag kind that format strings open with "@{<name>".
class string_tag final : public stag {
public:
  explicit string_tag(std::string name) : name_(std::move(name)) {}
  [[nodiscard]] const std::string& name() const noexcept { return name_; }
  [[nodiscard]] std::string_view kind_name() const noexcept override;

private:
  std::string name_;
};

/// The four functions a formatter calls on semantic tags, read and replaced as
/// one record.  The mark functions return text written into the output at
/// zero width where the tag opens or closes (when tag marking is on); the print
/// functions are called for their effect when a tag opens or closes (when tag
/// printing is on).  An empty function behaves as the default.
struct stag_functions {
  std::function<std::string(const stag&)> mark_open_stag;
  std::function<std::string(const stag&)> mark_close_stag;
  std::function<void(const stag&)> print_open_stag;
  std::function<void(const stag&)> print_close_stag;
};

/// The defaults: string tags are marked "<name>" and "</name>", every other
/// kind with the empty text; the print functions do nothing.
[[nodiscard]] stag_functions default_stag_functions();

/// Where a formatter's text goes.  `write` receives laid-out bytes in order;
/// `flush` is called when the formatter is flushed.  Either may be empty.
/// Either may throw to report a failure (see "Write errors" at `formatter`);
/// neither may print to the formatter it serves (that throws
/// std::logic_error).
struct output_functions {
  std::function<void(std::string_view)> write;
  std::function<void()> flush;
};

namespace detail {
class layout_engine;
}

/// The output target of the layout engine.
///
/// Formatters are movable, not copyable.  Defaults: margin 78, maximum
/// indentation 68, no limit on the number of open boxes, tag marking and tag
/// printing off.
///
/// When output appears: text is laid out as soon as its line is decided and
/// staged; the target receives it when the staging area fills (64 KiB), at
/// every flush (print_flush(), print_newline(), "@." and "@?" in format
/// strings, the `flush` printer), and when the formatter is destroyed.
///
/// Write errors: a write or flush of the target that fails throws from the
/// call in which it is seen: std::system_error with the errno for a FILE*,
/// std::ios_base::failure (itself a std::system_error) for a stream, which is
/// also set bad, and whatever a write function throws.  Bytes the target did
/// not accept stay with the formatter and are written first the next time;
/// the document being laid out when the write failed is dropped, so that the
/// next one is laid out as on a new formatter.
///
/// Misuse: any call on a moved-from formatter, and any call from the
/// formatter's own write, flush or tag-marking function that would change
/// it, throws std::logic_error.
///
/// A formatter is used from one thread at a time (the standard formatters'
/// entry points lock; see stdout_formatter()).
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

  formatter(formatter&&) noexcept;
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
  void print_string(std::string_view s);
  /// Prints `s` counted as `width` columns (0 for escape sequences, 1 for a
  /// multi-byte character).  Throws std::invalid_argument on a negative width.
  void print_as(int width, std::string_view s);
  void print_char(char c);
  void print_int(long long n);
  void print_bool(bool b);

  // Break hints and new lines.
  /// `spaces` spaces if the line is not split here, otherwise a new line
  /// indented to the enclosing box's indentation plus `offset`.
  /// Throws std::invalid_argument on a negative number of spaces.
  void print_break(int spaces, int offset);
  void print_space() { print_break(1, 0); }
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
  void open_stag(std::shared_ptr<const stag> tag);
  void close_stag();
  void open_tag(std::string name);  ///< Opens a string tag.
  void close_tag() { close_stag(); }
  void set_mark_tags(bool on);
  void set_print_tags(bool on);
  void set_tags(bool on);
  [[nodiscard]] bool mark_tags() const;
  [[nodiscard]] bool print_tags() const;
  [[nodiscard]] const stag_functions& get_stag_functions() const;
  void set_stag_functions(stag_functions fns);

  // Geometry.
  /// Ignored unless n >= 1; values from 10^9 on are capped.  May lower the
  /// maximum indentation so that it stays below the margin.  Changing it
  /// mid-document keeps everything pending; the new margin applies from the
  /// current point on.
  void set_margin(int n);
  [[nodiscard]] int margin() const;
  /// Ignored unless 1 < n < margin().
  void set_max_indent(int n);
  [[nodiscard]] int max_indent() const;
  /// Ignored unless n > 1.
  void set_max_boxes(int n);
  [[nodiscard]] int max_boxes() const;
  [[nodiscard]] bool over_max_boxes() const;
  /// The text printed in place of a box beyond the maximum count (".").
  void set_ellipsis_text(std::string s);
  [[nodiscard]] const std::string& ellipsis_text() const;
  /// The number of open boxes, the engine's outermost one included.
  [[nodiscard]] int depth() const;

  /// Restores every setting to its default and discards all state; used to
  /// recycle a formatter as if it were new.
  void reset();
  /// Redirects a buffer formatter to another buffer (which must outlive it).
  void retarget(std::string& buffer);

private:
  detail::layout_engine& engine_();
  const detail::layout_engine& engine_() const;

  std::unique_ptr<detail::layout_engine> e_;
};

}  // namespace quarn
