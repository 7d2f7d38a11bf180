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
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display_columns.hpp"
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
  template <class Target>
  explicit layout_engine(Target&& target) : out_(std::forward<Target>(target)) {
    out_.on_failure(&layout_engine::abandon_document, this);
    start_document();
  }
  layout_engine(const layout_engine&) = delete;
  layout_engine& operator=(const layout_engine&) = delete;
  // Lays out and writes everything pending; a failing write is ignored.
  ~layout_engine();

  // True while a write, flush or tag-marking function runs: the engine is
  // then in the middle of a change that a nested operation would corrupt.
  [[nodiscard]] bool busy() const noexcept { return out_.busy(); }
  // True when `s` lies in the string this engine writes to.
  [[nodiscard]] bool target_holds(std::string_view s) const noexcept { return out_.holds(s); }

  // Marks the start of an operation on the formatter (see
  // output_device::begin_operation()).
  void begin_operation() { out_.begin_operation(); }

  // ---- operations ---------------------------------------------------------

  void open_box(int indent, box_kind kind) {
    ++depth_;
    if (depth_ < settings_.max_boxes) {
      token& t = queue_.push(token_kind::open_box, -queue_.right_total(), 0);
      t.indent = indent;
      t.box = kind;
      scan_.push_box(queue_);
    } else if (depth_ == settings_.max_boxes) {
      enqueue_text(static_cast<long long>(measure_text(settings_.measure, settings_.ellipsis)), settings_.ellipsis);
    }
  }

  void close_box() {
    if (depth_ <= 1) return;
    if (depth_ < settings_.max_boxes) end_box();
    --depth_;
  }

  // Prints `s` counted as `width` columns.
  void print_as(long long width, std::string_view s) {
    if (depth_ < settings_.max_boxes) enqueue_text(width, s);
  }

  void print_char(char c) {
    if (depth_ >= settings_.max_boxes) return;
    if (queue_.empty()) {
      queue_.count_queued(1);
      space_left_ -= 1;
      out_.put(c);
      is_new_line_ = false;
      queue_.count_laid_out(1);
      return;
    }
    queue_.push_text(1, &c, 1);
    if (!head_waits()) advance();
  }

  void print_break(int spaces, int offset) {
    if (depth_ >= settings_.max_boxes) return;
    queue_hint(spaces, offset);
  }

  // For each of `n` texts, the i-th of `lengths[i]` bytes, one after the
  // other at `p`: the text and a hint as print_as() and print_break()
  // would queue them (see text_break()).
  void print_text_breaks(const char* p, const std::uint8_t* lengths, std::size_t n, int spaces, int offset) {
    if (depth_ >= settings_.max_boxes) return;
    for (std::size_t i = 0; i < n;) {
      i += same_line_run(p, lengths + i, n - i, spaces, offset);
      if (i == n) break;
      text_break(std::string_view(p, lengths[i]), spaces, offset);
      p += lengths[i++];
    }
  }

  // Texts of `piece` bytes with a hint between them, as print_as() and
  // print_break() would queue them one by one.
  void print_pieces(std::string_view s, std::size_t piece, int spaces, int offset) {
    if (depth_ >= settings_.max_boxes) return;
    for (std::size_t i = 0; i < s.size();) {
      if (i > 0) print_break(spaces, offset);
      if (const std::size_t n = queue_pieces(s.substr(i), piece, spaces, offset)) {
        i += n;
        continue;
      }
      const std::string_view p = s.substr(i, piece);
      enqueue_text(static_cast<long long>(p.size()), p);
      i += p.size();
    }
  }

  void force_newline() { queue_zero_width(token_kind::newline); }
  void print_if_newline() { queue_zero_width(token_kind::if_newline); }
  // Whether the next text is conditional: a print_if_newline is the last
  // thing queued, and will decide about that text alone.
  [[nodiscard]] bool next_text_conditional() const {
    return !queue_.empty() && queue_.last().kind == token_kind::if_newline;
  }

  void open_stag(std::shared_ptr<const stag> tag);
  void close_stag();

  // Closes every box, the outermost included, lays out everything pending
  // (then a new line when `newline`), flushes the device, and starts a new
  // document.
  void flush(bool newline);

  // ---- settings -----------------------------------------------------------

  [[nodiscard]] const layout_settings& settings() const { return settings_; }
  void set_margin(long long n);
  void set_max_indent(long long n) {
    if (n > 1) set_min_space_left(settings_.margin - n);
  }
  void set_max_boxes(int n) {
    if (n > 1) customized().max_boxes = n;
  }
  void set_ellipsis(std::string s) { customized().ellipsis = std::move(s); }
  void set_mark_tags(bool on) { customized().mark_tags = on; }
  void set_print_tags(bool on) { customized().print_tags = on; }
  void set_measure(text_measure m) { customized().measure = m; }
  void set_tag_functions(stag_functions fns) { customized().tag_functions = std::move(fns); }
  [[nodiscard]] int depth() const { return depth_; }

  // Restores every setting and discards all state, staged output included.
  void reset();
  void retarget(std::string& buffer) { out_.retarget(buffer); }

private:
  // The layout of one open box (see "Box stack" above).
  enum class box_layout : unsigned char { h, v, hv, hov, b, fits };
  struct laid_box {
    box_layout kind;
    long long width;
  };

  // The settings, about to be changed: reset() then has defaults to restore.
  layout_settings& customized() {
    customized_ = true;
    return settings_;
  }
  void start_document();
  // Whether nothing has happened since start_document(), so that starting
  // again would change nothing.
  [[nodiscard]] bool at_document_start() const;
  static void abandon_document(void* self);
  void end_box() {
    queue_.push(token_kind::close_box, 0, 0);
    scan_.close_last_hint(queue_);
    scan_.close_last_box(queue_);
  }
  void set_min_space_left(long long n);
  // text_break() in general: the text and the hint queued as
  // print_as() and print_break() queue them.
  void queue_text_break(std::string_view s, int spaces, int offset);
  void queue_hint(int spaces, int offset) {
    token& t = queue_.push(token_kind::hint, -queue_.right_total(), spaces);
    t.hint = {spaces, offset};
    scan_.push_hint(queue_);
  }
  void queue_zero_width(token_kind kind) {
    if (depth_ >= settings_.max_boxes) return;
    queue_.push(kind, 0, 0);
    advance();
  }

  // Whether the queue holds one token, the hint on top of the scan stack,
  // its span still pending: where text_break() and same_line_run() can lay
  // out without queueing.
  [[nodiscard]] bool lone_pending_hint() const {
    const std::uint64_t seq = queue_.head_seq();
    return queue_.tail_seq() == seq + 1 && queue_.head().kind == token_kind::hint && scan_.pending_hint_on_top(queue_) &&
           scan_.top_seq() == seq;
  }

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
  void text_break(std::string_view s, int spaces, int offset) {
    if (!lone_pending_hint()) [[unlikely]]
      return queue_text_break(s, spaces, offset);
    const auto width = static_cast<long long>(s.size());
    const std::uint64_t seq = queue_.head_seq();
    if (queue_.pending() + width >= space_left_) {
      // The text's push lays the hint out at once, its span counted as
      // infinite, then the text.
      queue_.set_head(seq + 1);
      const token& hint = queue_.at(seq);
      lay_out_hint(infinity, hint.hint.spaces, hint.hint.offset);
      queue_.count_laid_out(hint.width);
      lay_out_now(width, s);
      queue_hint(spaces, offset);
      return;
    }
    // The new hint completes the span of this one, and takes its place on
    // the scan stack, as scan_stack::push_hint() does it.
    const token& hint = queue_.at(seq);
    const long long hint_width = hint.width;
    const token::hint_args args = hint.hint;
    queue_.count_queued(width);
    token& next = queue_.push(token_kind::hint, -queue_.right_total(), spaces);
    next.hint = {spaces, offset};
    const long long span = hint.span + queue_.right_total();
    scan_.replace_top_hint(queue_);
    queue_.set_head(seq + 1);
    if (!boxes_.empty() && boxes_.back().kind == box_layout::hov && span <= space_left_)
      same_line(args.spaces);
    else
      lay_out_hint(span, args.spaces, args.offset);
    queue_.count_laid_out(hint_width + width);
    space_left_ -= width;
    is_new_line_ = false;
    out_.write_small(s.data(), s.size());
  }

  // text_break() of the texts of `lengths` at `p` (which moves past them)
  // for as long as it would lay out the hint before each on the same line,
  // in an h, hov or fitting box; returns how many.  The totals, the room
  // left and the hint pending are kept in locals, and the last hint is
  // queued at the end as text_break() leaves it.
  std::size_t same_line_run(const char*& p, const std::uint8_t* lengths, std::size_t n, int spaces, int offset) {
    if (!lone_pending_hint() || boxes_.empty()) return 0;
    const std::uint64_t seq = queue_.head_seq();
    const box_layout kind = boxes_.back().kind;
    if (kind != box_layout::hov && kind != box_layout::h && kind != box_layout::fits) return 0;
    const token& hint = queue_.at(seq);
    long long hint_span = hint.span;  // minus the right total before it
    long long hint_width = hint.width;
    long long hint_spaces = hint.hint.spaces;
    long long left = queue_.left_total();
    long long right = queue_.right_total();
    long long room = space_left_;
    std::size_t i = 0;
    for (; i < n; ++i) {
      const long long width = lengths[i];
      // The right total once the text and the next hint are queued.
      const long long next = right + width + spaces;
      if (right - left + width >= room || hint_span + next > room) break;
      out_.write_spaced(static_cast<std::size_t>(hint_spaces), p, lengths[i]);
      room -= hint_spaces + width;
      left += hint_width + width;
      hint_span = -(right + width);
      hint_width = spaces;
      hint_spaces = spaces;
      right = next;
      p += width;
    }
    if (i == 0) return 0;
    queue_.set_head(seq + 1);
    queue_.count_laid_out(left - queue_.left_total());
    queue_.count_queued(right - spaces - queue_.right_total());
    token& last = queue_.push(token_kind::hint, hint_span, spaces);
    last.hint = {spaces, offset};
    scan_.replace_top_hint(queue_);
    space_left_ = room;
    is_new_line_ = false;
    return i;
  }

  // True when the head of the queue (there is one) must wait: its span is
  // unknown and the pending material may still fit on the line.
  [[nodiscard]] bool head_waits() const { return queue_.head().span < 0 && queue_.pending() < space_left_; }

  // Lays out the head of the queue while its span is known or the pending
  // material cannot fit on the line anyway.
  void advance() {
    // The queue's state is kept in locals (stores of text into the staging
    // area would otherwise make the compiler reload it), and read again
    // after any token that could run user code.
    const token* ring = queue_.slots();
    std::size_t mask = queue_.mask();
    std::uint64_t seq = queue_.head_seq();
    std::uint64_t tail = queue_.tail_seq();
    while (seq != tail) {
      const token& head = ring[seq & mask];
      if (head.kind == token_kind::pieces) [[unlikely]] {
        lay_out_pieces(seq);
        continue;
      }
      long long span = head.span;
      if (span < 0) {
        if (queue_.pending() < space_left_) return;
        span = infinity;
      }
      const long long width = head.width;
      queue_.set_head(++seq);
      // The slot stays intact while the token is laid out: only user tag
      // functions could queue more, and they run last.  The frequent kinds,
      // which run no user code, are laid out here, with one jump on the kind.
      switch (head.kind) {
        case token_kind::text:
          space_left_ -= span;
          is_new_line_ = false;
          queue_.count_laid_out(width);
          out_.write_short(head.chars, head.text_len);
          continue;
        case token_kind::hint:
          lay_out_hint(span, head.hint.spaces, head.hint.offset);
          queue_.count_laid_out(width);
          continue;
        case token_kind::open_box:
          lay_out_open_box(span, head.indent, head.box);
          queue_.count_laid_out(width);
          continue;
        case token_kind::close_box:
          if (!boxes_.empty()) boxes_.pop_back();
          queue_.count_laid_out(width);
          continue;
        default: break;
      }
      lay_out_rare_kind(span, head);
      queue_.count_laid_out(width);
      ring = queue_.slots();
      mask = queue_.mask();
      seq = queue_.head_seq();
      tail = queue_.tail_seq();
    }
  }

  // Texts are queued behind material whose layout is not decided yet.  A
  // long text is laid out without being copied into the queue when it would
  // leave the queue at once.
  void enqueue_text(long long width, std::string_view s) {
    if (queue_.empty()) return lay_out_now(width, s);
    if (s.size() <= inline_text) {
      queue_.push_text(width, s.data(), s.size());
      if (!head_waits()) advance();
      return;
    }
    if (queue_.last().kind == token_kind::if_newline) {
      // The conditional mark decides about this text when it is laid out.
      queue_.push_arena_text(width, s);
      advance();
      return;
    }
    // Lay out what the text's width decides, as if it were queued; if that
    // empties the queue, the text itself goes out at once.
    queue_.count_queued(width);
    advance();
    if (queue_.empty()) {
      lay_out_text(width, s);
      queue_.count_laid_out(width);
    } else {
      queue_.push_arena_text(width, s, true);
    }
  }

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
  std::size_t queue_pieces(std::string_view rest, std::size_t piece, int spaces, int offset) {
    if (rest.size() <= piece || piece > UINT32_MAX || queue_.empty() || queue_.head().span >= 0) return 0;
    // After a conditional mark, the first text alone is conditional.
    if (queue_.last().kind == token_kind::if_newline) return 0;
    if (scan_.pending_hint_on_top(queue_) && scan_.top_seq() == queue_.head_seq()) return 0;
    const long long room = space_left_ - queue_.pending();
    const long long step = static_cast<long long>(piece) + spaces;
    if (2 * step >= room + spaces) return 0;
    const auto fit = static_cast<std::size_t>((room + spaces - 1) / step);
    const std::size_t texts = std::min(fit, (rest.size() + piece - 1) / piece);
    const std::size_t run_bytes = (texts - 1) * piece;
    const long long first_hint_at = queue_.right_total() + step;
    queue_.push_pieces(rest.substr(0, run_bytes), {static_cast<std::uint32_t>(piece), spaces, offset});
    scan_.push_pieces(queue_, first_hint_at);
    const std::string_view last = rest.substr(run_bytes, piece);
    if (last.size() <= inline_text)
      queue_.push_text(static_cast<long long>(last.size()), last.data(), last.size());
    else
      queue_.push_arena_text(static_cast<long long>(last.size()), last);
    return run_bytes + last.size();
  }

  // Lays out the texts of the run at the head and its hints but the last,
  // and leaves the last hint in its place.
  void lay_out_pieces(std::uint64_t seq) {
    const token& t = queue_.at(seq);
    const token_queue::pieces_run run = queue_.pieces_of(t);
    const std::string_view s = queue_.pieces_text(t);
    const long long piece = run.piece;
    const long long columns = queue_.at(seq).width - run.spaces;  // but the last hint
    if (!boxes_.empty() && (boxes_.back().kind == box_layout::fits || boxes_.back().kind == box_layout::h)) {
      // A box that never splits: every hint prints its spaces.
      space_left_ -= columns;
      is_new_line_ = false;
      out_.write_pieces(s, run.piece, static_cast<std::size_t>(run.spaces));
    } else {
      const long long hint_span = 2LL * run.spaces + piece;
      for (std::size_t i = 0; i < s.size(); i += run.piece) {
        if (i > 0) lay_out_hint(hint_span, run.spaces, run.offset);
        lay_out_text(piece, s.substr(i, run.piece));
      }
    }
    queue_.count_laid_out(columns);
    queue_.pieces_to_hint(seq, run);
  }

  void lay_out_now(long long width, std::string_view s) {
    queue_.count_queued(width);
    lay_out_text(width, s);
    queue_.count_laid_out(width);
  }

  void lay_out_text(long long width, std::string_view s) {
    space_left_ -= width;
    out_.write(s);
    is_new_line_ = false;
  }

  void new_line(long long offset, long long width) {
    out_.newline();
    is_new_line_ = true;
    long long indent = settings_.margin - width + offset;
    current_indent_ = std::min<long long>(settings_.max_indent, indent);
    space_left_ = settings_.margin - current_indent_;
    out_.spaces(current_indent_);
  }

  void same_line(long long spaces) {
    space_left_ -= spaces;
    out_.spaces(spaces);
  }

  void lay_out_hint(long long span, int spaces, int offset) {
    if (boxes_.empty()) return;
    const laid_box top = boxes_.back();
    switch (top.kind) {
      case box_layout::hov:
        if (span > space_left_)
          new_line(offset, top.width);
        else
          same_line(spaces);
        break;
      case box_layout::b:
        if (is_new_line_)
          same_line(spaces);
        else if (span > space_left_)
          new_line(offset, top.width);
        else if (current_indent_ > settings_.margin - top.width + offset)
          new_line(offset, top.width);
        else
          same_line(spaces);
        break;
      case box_layout::hv:
      case box_layout::v: new_line(offset, top.width); break;
      case box_layout::fits:
      case box_layout::h: same_line(spaces); break;
    }
  }

  void lay_out_open_box(long long span, int indent, box_kind box) {
    if (settings_.margin - space_left_ > settings_.max_indent) split_before_deep_box();
    auto kind = static_cast<box_layout>(box);
    if (kind != box_layout::v && span <= space_left_) kind = box_layout::fits;
    boxes_.push_back({kind, space_left_ - indent});
  }

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
