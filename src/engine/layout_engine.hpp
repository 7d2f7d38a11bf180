// SPDX-License-Identifier: MIT
// The layout engine behind quarn::formatter.
//
// Operations become tokens in a FIFO queue (token_queue.hpp).  A token whose
// span is known is laid out as soon as it reaches the head of the queue.
// Boxes and hints get their span later: the scan stack (scan_stack.hpp)
// remembers the open boxes and the last hint of each, and fills in their
// span when the matching close or the next hint arrives.  When the pending
// material is at least as wide as the room left on the line, the head is
// laid out anyway, with its span counted as infinite: it cannot fit.  So the
// queue never holds much more than a line's worth of columns, time is linear
// in the output, and nothing recurses on depth.  Laid-out text goes to the
// output device (output.hpp).
//
// Invariants and encodings:
//
// - Totals.  The queue keeps two running totals: the left total counts the
//   columns laid out since the document started, the right total the columns
//   queued, each plus 1.  Their difference is the width of the pending
//   material.  They start at 1 so that minus a right total (below) is always
//   negative, and below the sentinel's -1 they never go.
//
// - Spans.  A token's span is the number of columns from it to the point
//   where its layout can be decided: a text's width; for a hint, the columns
//   up to the next hint of the same box or that box's close; for a box, its
//   whole width.  A hint's or box's span is unknown when it is queued: it is
//   stored as minus the right total at that moment, and when its end is
//   reached the scan stack adds the right total then, which leaves the width
//   in between.  A negative span therefore means "not known yet".
//
// - Scan stack.  Each entry records the right total when its token was
//   queued.  An entry below the left total has been laid out (the head of the
//   queue has passed it): it and everything below are obsolete, and the
//   stack restarts from its sentinel.
//
// - Box stack.  The boxes being laid out, innermost last.  An entry's
//   `width` is the room from the box's indentation to the margin: the
//   margin minus the column where the box opened minus its indentation, so
//   a new line in the box starts at column margin - width + offset.  A box
//   known to fit on its line is laid out as `fits`, and never splits.
//
// - The outermost box.  Every document starts with an hov box of
//   indentation 0 (depth 1), which the caller cannot close; a flush closes
//   it like any other box, so its last hint is measured, and opens a new
//   one.
//
// This header declares the engine; layout_engine.cpp defines it, together
// with quarn::formatter's operations, in one translation unit: a call on a
// formatter is one function, with the engine's frequent paths inlined into
// it.  That file alone includes this header.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output.hpp"
#include "engine/scan_stack.hpp"
#include "engine/token_queue.hpp"
#include "quarn/engine.hpp"

namespace quarn::detail {

// Counted as the span of material whose span is still unknown when it has to
// be laid out, and the largest margin.
inline constexpr long long infinity = 1000000010;

// The settings of a formatter, which reset() restores.
struct layout_settings {
  long long margin = 78;
  long long min_space_left = 10;
  long long max_indent = 68;  // margin - min_space_left
  int max_boxes = INT_MAX;
  std::string ellipsis = ".";
  bool mark_tags = false;
  bool print_tags = false;
  text_measure measure = text_measure::bytes;
  stag_functions tag_functions = default_stag_functions();
};

class [[gnu::visibility("hidden")]] layout_engine {
public:
  // Writes to `target`: a std::string, a std::FILE*, a std::ostream or
  // output_functions, as output_device takes them.
  template <class Target>
  explicit layout_engine(Target&& target);
  layout_engine(const layout_engine&) = delete;
  layout_engine& operator=(const layout_engine&) = delete;
  // Lays out and writes everything pending; a failing write is ignored.
  ~layout_engine();

  // True while a write, flush or tag-marking function runs: the engine is
  // then in the middle of a change that a nested operation would corrupt.
  [[nodiscard]] bool busy() const noexcept;
  // True when `s` lies in the string this engine writes to.
  [[nodiscard]] bool target_holds(std::string_view s) const noexcept;

  // Marks the start of an operation on the formatter (see
  // output_device::begin_operation()).
  void begin_operation();

  // ---- operations ---------------------------------------------------------

  void open_box(int indent, box_kind kind);
  void close_box();
  // Prints `s` counted as `width` columns.
  void print_as(long long width, std::string_view s);
  void print_char(char c);
  void print_break(int spaces, int offset);
  // For each of `n` texts, the i-th of `lengths[i]` bytes, one after the
  // other at `p`: the text and a hint as print_as() and print_break()
  // would queue them (see text_break()).
  void print_text_breaks(const char* p, const std::uint8_t* lengths, std::size_t n, int spaces, int offset);
  // Texts of `piece` bytes with a hint between them, as print_as() and
  // print_break() would queue them one by one.
  void print_pieces(std::string_view s, std::size_t piece, int spaces, int offset);
  void force_newline();
  void print_if_newline();
  // Whether the next text is conditional: a print_if_newline is the last
  // thing queued, and will decide about that text alone.
  [[nodiscard]] bool next_text_conditional() const;

  void open_stag(std::shared_ptr<const stag> tag);
  void close_stag();

  // Closes every box, the outermost included, lays out everything pending
  // (then a new line when `newline`), flushes the device, and starts a new
  // document.
  void flush(bool newline);

  // ---- settings -----------------------------------------------------------

  [[nodiscard]] const layout_settings& settings() const;
  void set_margin(long long n);
  void set_max_indent(long long n);
  void set_max_boxes(int n);
  void set_ellipsis(std::string s);
  void set_mark_tags(bool on);
  void set_print_tags(bool on);
  void set_measure(text_measure m);
  void set_tag_functions(stag_functions fns);
  [[nodiscard]] int depth() const;

  // Restores every setting and discards all state, staged output included.
  void reset();
  void retarget(std::string& buffer);

private:
  // The layout of one open box (see "Box stack" above).
  enum class box_layout : unsigned char { h, v, hv, hov, b, fits };
  struct laid_box {
    box_layout kind;
    long long width;
  };

  // The settings, about to be changed: reset() then has defaults to restore.
  layout_settings& customized();
  void start_document();
  // Whether nothing has happened since start_document(), so that starting
  // again would change nothing.
  [[nodiscard]] bool at_document_start() const;
  static void abandon_document(void* self);
  void end_box();
  void set_min_space_left(long long n);
  // text_break() in general: the text and the hint queued as
  // print_as() and print_break() queue them.
  void queue_text_break(std::string_view s, int spaces, int offset);
  void queue_hint(int spaces, int offset);
  void queue_zero_width(token_kind kind);

  // Whether the queue holds one token, the hint on top of the scan stack,
  // its span still pending: where text_break() and same_line_run() can lay
  // out without queueing.
  [[nodiscard]] bool lone_pending_hint() const;

  // A text of `s.size()` columns then a hint, as print_as() and
  // print_break() would queue them, for a caller that prints a text next
  // and changes no setting before: that text's push would lay out at once
  // what is laid out here ahead of it.
  //
  // Usually the queue holds the hint before the text alone, its span
  // unknown.  The text and the new hint then decide it: the text's push
  // would lay it out at once when the pending material reaches the room
  // left (its span counted as infinite), else the new hint completes its
  // span, and the next text's push lays it out with that span, then the
  // text, and nothing is laid out between.  So the hint and the text are
  // laid out here, without being queued, and the new hint is left alone in
  // the queue for the next call.
  void text_break(std::string_view s, int spaces, int offset);

  // text_break() of the texts of `lengths` at `p` (which moves past them)
  // for as long as it would lay out the hint before each on the same line,
  // in an h, hov or fitting box; returns how many.  The totals, the room
  // left and the hint pending are kept in locals, and the last hint is
  // queued at the end as text_break() leaves it.
  std::size_t same_line_run(const char*& p, const std::uint8_t* lengths, std::size_t n, int spaces, int offset);

  // True when the head of the queue (there is one) must wait: its span is
  // unknown and the pending material may still fit on the line.
  [[nodiscard]] bool head_waits() const;

  // Lays out the head of the queue while its span is known or the pending
  // material cannot fit on the line anyway.
  void advance();

  // Texts are queued behind material whose layout is not decided yet.  A
  // long text is laid out without being copied into the queue when it would
  // leave the queue at once.
  void enqueue_text(long long width, std::string_view s);

  // Queues as many of the pieces of `rest` as one by one would only be
  // queued, at least two, all but the last as one token (a run), each with
  // the hint after it; returns the bytes queued, 0 for none.  One by one they
  // would only be queued while the head of the queue waits (its span is
  // unknown and the pending material narrower than the room left): so when
  // it does, will still wait once they are queued (the pending material
  // still narrower), and is not the hint on top of the scan stack, the only
  // token besides the new ones whose span their first hint completes.  A
  // text queued one by one would then find the head waiting and lay
  // nothing out.  The run may follow a hint (the pieces after the first) or
  // anything but a conditional mark, which would drop the whole run instead
  // of its first text (the first piece, right after a box opens, say).
  //
  // The run is laid out as its texts and hints one by one would be:
  // advance() lays out its texts and its hints but the last as soon as it
  // reaches the head, as it would each of them, whose spans are all known
  // (a hint's span runs to the next hint of the run), and leaves in its
  // place the last hint, a plain hint token with the span the scan stack
  // gives it, as it gives the last hint of any run of hints.  The totals
  // and the scan stack see the same columns and spans as they would token
  // by token.  So the layout is the same, with two tokens instead of 2n - 1.
  std::size_t queue_pieces(std::string_view rest, std::size_t piece, int spaces, int offset);

  // Lays out the texts of the run at the head and its hints but the last,
  // and leaves the last hint in its place.
  void lay_out_pieces(std::uint64_t seq);

  // Lays out a text at once, counted as queued then laid out.
  void lay_out_now(long long width, std::string_view s);
  void lay_out_text(long long width, std::string_view s);
  // A new line in a box `width` columns from its indentation to the margin,
  // its indentation plus `offset` the next line's.
  void new_line(long long offset, long long width);
  void same_line(long long spaces);
  // Lays out a hint whose span is `span`: spaces or a new line, by the kind
  // of the innermost box.
  void lay_out_hint(long long span, int spaces, int offset);
  void lay_out_open_box(long long span, int indent, box_kind box);
  // Lays out a token of the kinds that advance() leaves to it.
  void lay_out_rare_kind(long long span, const token& t);
  // Opening a box past the maximum indentation first splits the line of the
  // enclosing box, unless that box fits or never splits.
  void split_before_deep_box();
  // Drops the token after a conditional text whose line was not just split,
  // giving its width back.
  void skip_token();
  std::string mark(const stag& tag, bool open);

  layout_settings settings_;
  bool customized_ = false;  // settings_ may differ from the defaults
  std::uint64_t start_tail_ = 0;  // the queue's tail just after start_document()
  output_device out_;
  token_queue queue_;
  scan_stack scan_;
  std::vector<laid_box> boxes_;
  std::vector<std::shared_ptr<const stag>> printed_tags_;  // opened with tag printing on
  std::vector<std::shared_ptr<const stag>> marked_tags_;   // whose open mark is written

  long long space_left_ = 78;
  long long current_indent_ = 0;
  bool is_new_line_ = true;
  int depth_ = 0;  // open boxes, the outermost included
};

}  // namespace quarn::detail
