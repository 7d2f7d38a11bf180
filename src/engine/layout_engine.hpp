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
// - Runs.  print_pieces() and print_texts() hand over many texts with a
//   hint between each two (run_texts.hpp); print_run() lays them out
//   exactly as those texts and hints one at a time, in one of three ways
//   for each text.  When the hint before it is the only token queued, its
//   span pending, the text decides that hint: both are laid out at once,
//   nothing queued.  When the head of the queue waits on other material
//   and would go on waiting through several of the texts, they are queued
//   as one run token, whose inner hints have known spans.  Otherwise the
//   text and its hint are queued as usual.  Texts counted in columns that
//   are not all ASCII go one by one, each measured.
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
#include "engine/run_texts.hpp"
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
  // The texts of `texts` (run_texts.hpp) with a hint between each two, as
  // print_as() of each text, measured by the current measure, and
  // print_break() between them would queue them one by one.  See "Runs"
  // above.
  template <class Texts>
  void print_run(const Texts& texts, int spaces, int offset);
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
  // A text and the hint after it, queued as print_as() and print_break()
  // queue them, and laid out as far as the next text's push would: a run
  // always has a next text.
  void queue_unit(std::string_view s, int spaces, int offset);
  void queue_hint(int spaces, int offset);
  void queue_zero_width(token_kind kind);

  // Whether the queue holds one token, the hint on top of the scan stack,
  // its span still pending: then the next text of a run decides it.
  [[nodiscard]] bool lone_pending_hint() const;

  // The texts [i, end) of a run and the hints after them, when the hint
  // before text i is the lone pending hint and a box is open: each text
  // decides the hint before it, both are laid out, and the last hint is
  // left pending alone.  Returns `end`.
  template <class Texts>
  std::size_t lay_out_run_directly(const Texts& texts, std::size_t i, std::size_t end, int spaces, int offset);

  // Queues as many of the texts [i, end) of a run as one by one would only
  // be queued, each with the hint after it, as one token; returns the index
  // past them, `i` when it queues nothing (it queues two texts or more).
  template <class Texts>
  std::size_t queue_run(const Texts& texts, std::size_t i, std::size_t end, int spaces, int offset);

  // Lays out the texts of the run `t`, just taken from the head of the
  // queue, and its hints but the last; returns the last one's arguments.
  token::hint_args lay_out_run(const token& t);
  // Its texts and hints one after the other.
  void lay_out_run_texts(const token_queue::run_reader& run);

  // The texts of a run one by one, each measured: texts in columns that are
  // not all ASCII, whose bytes do not tell their width.
  template <class Texts>
  void print_measured_run(const Texts& texts, int spaces, int offset);

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

  // Lays out a text at once, counted as queued then laid out.
  void lay_out_now(long long width, std::string_view s);
  void lay_out_text(long long width, std::string_view s);
  // A new line in a box `width` columns from its indentation to the margin,
  // its indentation plus `offset` the next line's.
  void new_line(long long offset, long long width);
  void same_line(long long spaces);
  // Whether the boxes of this layout never split a line at a hint.
  static bool never_splits(box_layout kind) { return kind == box_layout::fits || kind == box_layout::h; }
  // The one decision of whether a hint splits the line: a hint of span
  // `span` and `offset` in the open box `box`, with `room` columns left on
  // the line, `fresh` when nothing was laid out on it yet.
  [[nodiscard]] bool hint_splits(const laid_box& box, long long span, long long room, bool fresh, int offset) const;
  // Lays out a hint whose span is `span`: its spaces or a new line.
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
