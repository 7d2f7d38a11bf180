// SPDX-License-Identifier: MIT
// The layout engine, and quarn::formatter's operations, which forward to it
// (see layout_engine.hpp for how the engine works).  The frequent paths are
// defined inline, first; then the less frequent operations: tags, boxes as
// they are laid out, flushes and settings; then the formatter.
#include "engine/layout_engine.hpp"

#include <algorithm>
#include <charconv>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/display_columns.hpp"

namespace quarn::detail {

// ---- the frequent paths, inlined where they are called -------------------
//
// The hottest are always inlined: with the whole engine in one translation
// unit, the compiler's budget for inlining would otherwise leave them as
// calls in the loops that use them (advance() and the runs of texts).

template <class Target>
layout_engine::layout_engine(Target&& target) : out_(std::forward<Target>(target)) {
  out_.on_failure(&layout_engine::abandon_document, this);
  start_document();
}

inline bool layout_engine::busy() const noexcept { return out_.busy(); }

inline bool layout_engine::target_holds(std::string_view s) const noexcept { return out_.holds(s); }

inline void layout_engine::begin_operation() { out_.begin_operation(); }

inline void layout_engine::lay_out_now(long long width, std::string_view s) {
  queue_.count_queued(width);
  lay_out_text(width, s);
  queue_.count_laid_out(width);
}

inline void layout_engine::lay_out_text(long long width, std::string_view s) {
  space_left_ -= width;
  out_.write(s);
  is_new_line_ = false;
}

inline void layout_engine::new_line(long long offset, long long width) {
  out_.newline();
  is_new_line_ = true;
  long long indent = settings_.margin - width + offset;
  current_indent_ = std::min<long long>(settings_.max_indent, indent);
  space_left_ = settings_.margin - current_indent_;
  out_.spaces(current_indent_);
}

inline void layout_engine::same_line(long long spaces) {
  space_left_ -= spaces;
  out_.spaces(spaces);
}

[[gnu::always_inline]] inline bool layout_engine::hint_splits(const laid_box& box, long long span, long long room,
                                                              bool fresh, int offset) const {
  switch (box.kind) {
    case box_layout::hov: return span > room;
    case box_layout::b:
      // A b box splits where a hov box would, and also where the new line
      // would be indented less than the current one; never at the start of
      // a line.
      return !fresh && (span > room || current_indent_ > settings_.margin - box.width + offset);
    case box_layout::hv:
    case box_layout::v: return true;
    case box_layout::fits:
    case box_layout::h: return false;
  }
  return false;
}

[[gnu::always_inline]] inline void layout_engine::lay_out_hint(long long span, int spaces, int offset) {
  if (boxes_.empty()) return;
  const laid_box top = boxes_.back();
  if (hint_splits(top, span, space_left_, is_new_line_, offset))
    new_line(offset, top.width);
  else
    same_line(spaces);
}

inline void layout_engine::lay_out_open_box(long long span, int indent, box_kind box) {
  if (settings_.margin - space_left_ > settings_.max_indent) split_before_deep_box();
  auto kind = static_cast<box_layout>(box);
  if (kind != box_layout::v && span <= space_left_) kind = box_layout::fits;
  boxes_.push_back({kind, space_left_ - indent});
}

inline void layout_engine::open_box(int indent, box_kind kind) {
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

inline void layout_engine::close_box() {
  if (depth_ <= 1) return;
  if (depth_ < settings_.max_boxes) end_box();
  --depth_;
}

inline void layout_engine::print_as(long long width, std::string_view s) {
  if (depth_ < settings_.max_boxes) enqueue_text(width, s);
}

inline void layout_engine::print_char(char c) {
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

inline void layout_engine::print_break(int spaces, int offset) {
  if (depth_ >= settings_.max_boxes) return;
  queue_hint(spaces, offset);
}

template <class Texts>
[[gnu::always_inline]] inline void layout_engine::print_run(const Texts& texts, int spaces, int offset) {
  if (depth_ >= settings_.max_boxes) return;
  const std::size_t n = texts.size();
  if (n == 0) return;
  if (settings_.measure == text_measure::columns && !texts.ascii()) [[unlikely]]
    return print_measured_run(texts, spaces, offset);
  // Every text but the last with the hint after it, then the last text.
  const std::size_t last = n - 1;
  for (std::size_t i = 0; i < last;) {
    if (lone_pending_hint()) {
      if (!boxes_.empty()) {
        i = lay_out_run_directly(texts, i, last, spaces, offset);
        continue;
      }
    } else if (const std::size_t queued = queue_run(texts, i, last, spaces, offset); queued != i) {
      i = queued;
      continue;
    } else if (!queue_.empty() && queue_.head().span >= 0 && queue_.last().kind != token_kind::if_newline) {
      // The text's push would lay out the head, its span known: doing it
      // first may leave the hint before the text alone in the queue, for
      // the text to decide.  Not before a conditional mark, which takes the
      // text that follows it.
      advance();
      continue;
    }
    queue_unit(texts[i], spaces, offset);
    ++i;
  }
  const std::string_view s = texts[last];
  enqueue_text(static_cast<long long>(s.size()), s);
}

inline void layout_engine::force_newline() { queue_zero_width(token_kind::newline); }

inline void layout_engine::print_if_newline() { queue_zero_width(token_kind::if_newline); }

inline bool layout_engine::next_text_conditional() const {
  return !queue_.empty() && queue_.last().kind == token_kind::if_newline;
}

inline const layout_settings& layout_engine::settings() const { return settings_; }

inline void layout_engine::set_max_indent(long long n) {
  if (n > 1) set_min_space_left(settings_.margin - n);
}

inline void layout_engine::set_max_boxes(int n) {
  if (n > 1) customized().max_boxes = n;
}

inline void layout_engine::set_ellipsis(std::string s) { customized().ellipsis = std::move(s); }

inline void layout_engine::set_mark_tags(bool on) { customized().mark_tags = on; }

inline void layout_engine::set_print_tags(bool on) { customized().print_tags = on; }

inline void layout_engine::set_measure(text_measure m) { customized().measure = m; }

inline void layout_engine::set_tag_functions(stag_functions fns) { customized().tag_functions = std::move(fns); }

inline int layout_engine::depth() const { return depth_; }

inline void layout_engine::retarget(std::string& buffer) { out_.retarget(buffer); }

inline layout_settings& layout_engine::customized() {
  customized_ = true;
  return settings_;
}

inline void layout_engine::end_box() {
  queue_.push(token_kind::close_box, 0, 0);
  scan_.close_last_hint(queue_);
  scan_.close_last_box(queue_);
}

inline void layout_engine::queue_unit(std::string_view s, int spaces, int offset) {
  enqueue_text(static_cast<long long>(s.size()), s);
  queue_hint(spaces, offset);
  advance();
}

inline void layout_engine::queue_hint(int spaces, int offset) {
  token& t = queue_.push(token_kind::hint, -queue_.right_total(), spaces);
  t.hint = {spaces, offset};
  scan_.push_hint(queue_);
}

inline void layout_engine::queue_zero_width(token_kind kind) {
  if (depth_ >= settings_.max_boxes) return;
  queue_.push(kind, 0, 0);
  advance();
}

inline bool layout_engine::lone_pending_hint() const {
  const std::uint64_t seq = queue_.head_seq();
  return queue_.tail_seq() == seq + 1 && queue_.head().kind == token_kind::hint && scan_.pending_hint_on_top(queue_) &&
         scan_.top_seq() == seq;
}

template <class Texts>
[[gnu::always_inline]] inline std::size_t layout_engine::lay_out_run_directly(const Texts& texts, std::size_t i,
                                                                              std::size_t end, int spaces, int offset) {
  // The state is kept in locals (stores of text into the staging area would
  // otherwise make the compiler reload it) and written back at the end.
  const std::uint64_t seq = queue_.head_seq();
  const token& hint = queue_.at(seq);
  long long hint_span = hint.span;  // minus the right total before it
  long long hint_width = hint.width;
  token::hint_args args = hint.hint;
  long long left = queue_.left_total();
  long long right = queue_.right_total();
  long long room = space_left_;
  bool fresh = is_new_line_;
  const laid_box box = boxes_.back();
  for (; i < end; ++i) {
    const std::string_view s = texts[i];
    const auto width = static_cast<long long>(s.size());
    // The right total once the text and the hint after it are queued.
    const long long next = right + width + spaces;
    // The text's push lays the hint out at once, its span counted as
    // infinite, when the pending material reaches the room left.  Else the
    // next hint completes its span, and the next text's push lays it out
    // with that span, then the text, and nothing else is laid out between:
    // so both are laid out here, and the next hint is left pending.
    const long long span = right - left + width >= room ? infinity : hint_span + next;
    if (hint_splits(box, span, room, fresh, args.offset)) [[unlikely]] {
      new_line(args.offset, box.width);
      room = space_left_;
      out_.write_small(s.data(), s.size());
    } else {
      out_.write_spaced(static_cast<std::size_t>(args.spaces), s.data(), s.size());
      room -= args.spaces;
    }
    room -= width;
    fresh = false;
    left += hint_width + width;
    hint_span = -(right + width);
    hint_width = spaces;
    args = {spaces, offset};
    right = next;
  }
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

inline bool layout_engine::head_waits() const { return queue_.head().span < 0 && queue_.pending() < space_left_; }

inline void layout_engine::advance() {
  // The queue's state is kept in locals (stores of text into the staging
  // area would otherwise make the compiler reload it), and read again
  // after any token that could run user code.
  const token* ring = queue_.slots();
  std::size_t mask = queue_.mask();
  std::uint64_t seq = queue_.head_seq();
  std::uint64_t tail = queue_.tail_seq();
  while (seq != tail) {
    const token& head = ring[seq & mask];
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
      case token_kind::run: {
        // Its texts and its hints but the last.  The last hint is laid out
        // as any other when its span is known; otherwise it takes the run's
        // place, to be taken next.
        const token::hint_args last = lay_out_run(head);
        span -= run_span_bias;
        if (span >= 0) {
          lay_out_hint(span, last.spaces, last.offset);
          queue_.count_laid_out(last.spaces);
        } else {
          queue_.set_head(--seq);
          queue_.run_to_hint(seq, last);
        }
        continue;
      }
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

inline void layout_engine::enqueue_text(long long width, std::string_view s) {
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

template <class Texts>
[[gnu::always_inline]] inline std::size_t layout_engine::queue_run(const Texts& texts, std::size_t i, std::size_t end,
                                                                   int spaces, int offset) {
  // One by one, the texts would only be queued while the head of the queue
  // waits: its span is unknown and the pending material narrower than the
  // room left.  The head goes on waiting as long as the pending material
  // stays narrower (fitting() counts the texts that keep it so) and the
  // head is not the hint on top of the scan stack, the only token besides
  // the new ones whose span the run's first hint completes.  After a
  // conditional mark, the first text alone is conditional: it goes alone.
  if (queue_.empty() || queue_.head().span >= 0 || queue_.last().kind == token_kind::if_newline) return i;
  if (scan_.pending_hint_on_top(queue_) && scan_.top_seq() == queue_.head_seq()) return i;
  const std::size_t n = texts.fitting(i, end - i, space_left_ - queue_.pending(), spaces);
  if (n < 2) return i;
  const long long first_hint_at = queue_.right_total() + static_cast<long long>(texts[i].size()) + spaces;
  queue_.push_run(texts, i, n, spaces, offset);
  scan_.push_run(queue_, first_hint_at);
  return i + n;
}

// A run reaches the head of the queue with the spans of its texts and its
// hints but the last known (a hint's span runs to the next hint of the
// run): they are laid out as advance() would lay each of them out.
[[gnu::always_inline]] inline token::hint_args layout_engine::lay_out_run(const token& t) {
  const token_queue::run_reader run = queue_.run_of(t);
  const token_queue::run_shape& shape = run.shape;
  const long long columns = t.width - shape.spaces;  // but the last hint
  if (shape.piece != 0 && !boxes_.empty() && never_splits(boxes_.back().kind)) {
    // Pieces in a box that never splits: every hint prints its spaces.
    space_left_ -= columns;
    is_new_line_ = false;
    out_.write_pieces(std::string_view(run.bytes, t.text_len), shape.piece, static_cast<std::size_t>(shape.spaces));
  } else {
    lay_out_run_texts(run);
  }
  queue_.count_laid_out(columns);
  return {shape.spaces, shape.offset};
}

// Kept out of advance(), whose frequent paths run faster without it.
[[gnu::noinline]] void layout_engine::lay_out_run_texts(const token_queue::run_reader& run) {
  const token_queue::run_shape& shape = run.shape;
  const char* p = run.bytes;
  for (std::size_t i = 0; i < shape.texts; ++i) {
    const long long size = run.size_of(i);
    if (i > 0) lay_out_hint(2LL * shape.spaces + size, shape.spaces, shape.offset);
    lay_out_text(size, std::string_view(p, static_cast<std::size_t>(size)));
    p += size;
  }
}

template <class Texts>
void layout_engine::print_measured_run(const Texts& texts, int spaces, int offset) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) print_break(spaces, offset);
    const std::string_view s = texts[i];
    print_as(static_cast<long long>(measure_text(settings_.measure, s)), s);
  }
}

// ---- the less frequent operations ------------------------------------------

// Box kinds are laid out under their own names, in the same order.
static_assert(static_cast<int>(box_kind::h) == 0 && static_cast<int>(box_kind::v) == 1 &&
              static_cast<int>(box_kind::hv) == 2 && static_cast<int>(box_kind::hov) == 3 &&
              static_cast<int>(box_kind::b) == 4);

layout_engine::~layout_engine() {
  if (busy()) return;  // destroyed by its own write or tag function
  try {
    flush(false);
  } catch (...) {
    // A destructor cannot report a failing target.
  }
}

void layout_engine::start_document() {
  queue_.clear();
  scan_.reset();
  boxes_.clear();
  printed_tags_.clear();
  marked_tags_.clear();
  current_indent_ = 0;
  depth_ = 0;
  space_left_ = settings_.margin;
  open_box(0, box_kind::hov);
  start_tail_ = queue_.tail_seq();
}

bool layout_engine::at_document_start() const {
  // Every token goes through the queue, which holds the outermost box's
  // alone until something else is printed; tags printed without text leave
  // the queue as it is, and settings changes mark customized_.
  return queue_.tail_seq() == start_tail_ && queue_.head_seq() + 1 == start_tail_ && depth_ == 1 && boxes_.empty() &&
         printed_tags_.empty() && marked_tags_.empty() && current_indent_ == 0 && space_left_ == settings_.margin;
}

// After a failed write: forgets the document being laid out, so that the
// next one starts as on a new formatter.  Text already staged is kept.
void layout_engine::abandon_document(void* self) {
  auto* e = static_cast<layout_engine*>(self);
  e->start_document();
  e->is_new_line_ = true;
}

void layout_engine::flush(bool newline) {
  for (std::size_t n = printed_tags_.size(); n > 0; --n) close_stag();
  while (depth_ > 1) close_box();
  // The outermost box closes at every flush too, so that its last hint, and
  // the box itself if none of it has been laid out yet, are measured
  // against what is actually left, as at the close of any other box.
  end_box();
  queue_.count_rest_as(infinity);
  advance();
  if (newline) out_.newline();
  start_document();
  out_.flush();
}

void layout_engine::reset() {
  // Rebuilding the settings (four functions and a string) is most of the
  // cost of recycling a formatter: skip it when none was changed.
  if (customized_) {
    settings_ = layout_settings{};
    customized_ = false;
    start_document();
  } else if (!at_document_start()) {
    start_document();
  }
  is_new_line_ = true;
  out_.discard();
}

void layout_engine::open_stag(std::shared_ptr<const stag> tag) {
  if (!tag) throw std::invalid_argument("quarn::formatter::open_stag: null tag");
  if (settings_.print_tags) {
    printed_tags_.push_back(tag);
    if (settings_.tag_functions.print_open_stag) settings_.tag_functions.print_open_stag(*tag);
  }
  if (settings_.mark_tags) queue_.push_tag(std::move(tag));
}

void layout_engine::close_stag() {
  if (settings_.mark_tags) queue_.push(token_kind::close_tag, 0, 0);
  if (settings_.print_tags && !printed_tags_.empty()) {
    std::shared_ptr<const stag> tag = std::move(printed_tags_.back());
    printed_tags_.pop_back();
    if (settings_.tag_functions.print_close_stag) settings_.tag_functions.print_close_stag(*tag);
  }
}

// The text of a tag's mark, from the user's function when there is one.
std::string layout_engine::mark(const stag& tag, bool open) {
  const auto& fn = open ? settings_.tag_functions.mark_open_stag : settings_.tag_functions.mark_close_stag;
  if (!fn) return open ? default_stag_functions().mark_open_stag(tag) : default_stag_functions().mark_close_stag(tag);
  output_device::busy_scope busy(out_);
  return fn(tag);
}

void layout_engine::split_before_deep_box() {
  if (boxes_.empty()) {
    out_.newline();
    return;
  }
  const laid_box top = boxes_.back();
  if (top.width > space_left_ && top.kind != box_layout::fits && top.kind != box_layout::h) new_line(0, top.width);
}

void layout_engine::skip_token() {
  if (queue_.empty()) return;
  token t = queue_.pop();
  queue_.count_laid_out(-t.width);
  space_left_ += t.span;
}

void layout_engine::lay_out_rare_kind(long long span, const token& t) {
  switch (t.kind) {
    case token_kind::arena_text: lay_out_text(span, queue_.text_of(t)); break;
    case token_kind::newline:
      if (boxes_.empty())
        out_.newline();
      else
        new_line(0, boxes_.back().width);
      break;
    case token_kind::if_newline:
      if (current_indent_ != settings_.margin - space_left_) skip_token();
      break;
    case token_kind::text:
    case token_kind::hint:
    case token_kind::open_box:
    case token_kind::close_box:
    case token_kind::run: break;  // laid out by advance() itself
    case token_kind::open_tag: {
      // Open-tag tokens leave the queue in order, so theirs is the first.
      std::shared_ptr<const stag> tag = queue_.take_tag();
      out_.write(mark(*tag, true));
      marked_tags_.push_back(std::move(tag));
      break;
    }
    case token_kind::close_tag: {
      if (marked_tags_.empty()) break;
      std::shared_ptr<const stag> tag = std::move(marked_tags_.back());
      marked_tags_.pop_back();
      out_.write(mark(*tag, false));
      break;
    }
  }
}

static long long below_infinity(long long n) { return n < infinity ? n : infinity - 1; }

void layout_engine::set_min_space_left(long long n) {
  if (n < 1) return;
  customized().min_space_left = below_infinity(n);
  settings_.max_indent = settings_.margin - settings_.min_space_left;
}

void layout_engine::set_margin(long long n) {
  if (n < 1) return;
  n = below_infinity(n);
  // Keep the columns of the current line and of the open boxes.
  const long long delta = n - settings_.margin;
  customized().margin = n;
  space_left_ += delta;
  for (laid_box& b : boxes_) b.width += delta;
  const long long max_indent = settings_.max_indent;
  set_max_indent(max_indent <= n ? max_indent : std::max({n - settings_.min_space_left, n / 2, 1LL}));
}

}  // namespace quarn::detail

// ---- quarn::formatter ------------------------------------------------------

namespace quarn {

namespace {
[[noreturn, gnu::noinline]] void negative_spaces() {
  throw std::invalid_argument("quarn::formatter::print_break: negative number of spaces");
}
[[noreturn, gnu::noinline]] void moved_from() {
  throw std::logic_error("quarn::formatter: used after being moved from");
}
[[noreturn, gnu::noinline]] void reentered() {
  throw std::logic_error("quarn::formatter: printed to from its own write, flush or tag function");
}
}  // namespace

// Every operation goes through one of these two: a moved-from formatter has
// no engine, and an engine whose write or tag function is running is in the
// middle of a change that a nested operation would corrupt.  An operation
// that may print marks where its own staged text starts, which a failing
// write drops.
detail::layout_engine& formatter::engine_for_change() {
  if (e_ == nullptr || e_->busy()) [[unlikely]] {
    if (e_ == nullptr) moved_from();
    reentered();
  }
  e_->begin_operation();
  return *e_;
}

const detail::layout_engine& formatter::engine_for_reading() const {
  if (e_ == nullptr) [[unlikely]]
    moved_from();
  return *e_;
}

formatter::formatter(std::string& buffer) : e_(new detail::layout_engine(buffer)) {}
formatter::formatter(std::FILE* channel) : e_(new detail::layout_engine(channel)) {}
formatter::formatter(std::ostream& stream) : e_(new detail::layout_engine(stream)) {}
formatter::formatter(output_functions out) : e_(new detail::layout_engine(std::move(out))) {}
formatter::formatter(formatter&& other) noexcept : e_(std::exchange(other.e_, nullptr)) {}
// The engine this formatter held is destroyed (and so flushed) after it has
// taken the other's, as a std::unique_ptr would do it; self-assignment keeps it.
formatter& formatter::operator=(formatter&& other) noexcept {
  delete std::exchange(e_, std::exchange(other.e_, nullptr));
  return *this;
}
formatter::~formatter() { delete e_; }

void formatter::open_box(box_kind kind, int indent) { engine_for_change().open_box(indent, kind); }
void formatter::close_box() { engine_for_change().close_box(); }

// A text taken from the formatter's own target string is copied first:
// laying out what is pending may drain into that string and move it.  The
// result is that of s.append(s) with the text as it was at the call.
void formatter::print_string(std::string_view s) {
  detail::layout_engine& e = engine_for_change();
  if (e.target_holds(s)) return print_string(std::string(s));
  e.print_as(static_cast<long long>(detail::measure_text(e.settings().measure, s)), s);
}

void formatter::print_as(int width, std::string_view s) {
  if (width < 0) throw std::invalid_argument("quarn::formatter::print_as: negative width");
  detail::layout_engine& e = engine_for_change();
  if (e.target_holds(s)) return print_as(width, std::string(s));
  e.print_as(width, s);
}

void formatter::print_char(char c) { engine_for_change().print_char(c); }

void formatter::print_pieces(std::string_view s, std::size_t piece, int spaces, int offset) {
  if (piece == 0) throw std::invalid_argument("quarn::formatter::print_pieces: pieces of 0 bytes");
  if (spaces < 0) throw std::invalid_argument("quarn::formatter::print_pieces: negative number of spaces");
  detail::layout_engine& e = engine_for_change();
  // Printing may move the target string, and `s` with it if it lies there.
  if (e.target_holds(s)) [[unlikely]]
    return print_pieces(std::string(s), piece, spaces, offset);
  e.print_run(detail::piece_texts{s, piece}, spaces, offset);
}

void formatter::print_texts(std::span<const std::string_view> texts, int spaces, int offset) {
  if (spaces < 0) throw std::invalid_argument("quarn::formatter::print_texts: negative number of spaces");
  detail::layout_engine& e = engine_for_change();
  for (const std::string_view s : texts) {
    if (e.target_holds(s)) [[unlikely]] {
      // Printing may move the target string: print copies of the texts.
      const std::vector<std::string> copies(texts.begin(), texts.end());
      const std::vector<std::string_view> views(copies.begin(), copies.end());
      return print_texts(views, spaces, offset);
    }
  }
  e.print_run(detail::listed_texts{texts}, spaces, offset);
}

void formatter::print_int(long long n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  print_string(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void formatter::print_bool(bool b) { print_string(b ? "true" : "false"); }

void formatter::print_break(int spaces, int offset) {
  if (spaces < 0) [[unlikely]]
    negative_spaces();
  engine_for_change().print_break(spaces, offset);
}

void formatter::force_newline() { engine_for_change().force_newline(); }
void formatter::print_if_newline() { engine_for_change().print_if_newline(); }
void formatter::print_flush() { engine_for_change().flush(false); }
void formatter::print_newline() { engine_for_change().flush(true); }

bool detail::formatter_access::next_text_conditional(const formatter& f) {
  return f.e_ != nullptr && f.e_->next_text_conditional();
}

void detail::formatter_access::open_stag(formatter& f, std::shared_ptr<const stag> tag) {
  f.engine_for_change().open_stag(std::move(tag));
}
bool detail::formatter_access::in_target(const formatter& f, std::string_view s) {
  return f.engine_for_reading().target_holds(s);
}
void formatter::close_stag() { engine_for_change().close_stag(); }
void formatter::open_tag(std::string name) {
  engine_for_change().open_stag(std::make_shared<const string_tag>(std::move(name)));
}
void formatter::set_mark_tags(bool on) { engine_for_change().set_mark_tags(on); }
void formatter::set_print_tags(bool on) { engine_for_change().set_print_tags(on); }
void formatter::set_tags(bool on) {
  detail::layout_engine& e = engine_for_change();
  e.set_mark_tags(on);
  e.set_print_tags(on);
}
bool formatter::mark_tags() const { return engine_for_reading().settings().mark_tags; }
bool formatter::print_tags() const { return engine_for_reading().settings().print_tags; }
const stag_functions& formatter::get_stag_functions() const { return engine_for_reading().settings().tag_functions; }
void formatter::set_stag_functions(stag_functions fns) { engine_for_change().set_tag_functions(std::move(fns)); }

void formatter::set_margin(int n) { engine_for_change().set_margin(n); }
int formatter::margin() const { return static_cast<int>(engine_for_reading().settings().margin); }
void formatter::set_max_indent(int n) { engine_for_change().set_max_indent(n); }
int formatter::max_indent() const { return static_cast<int>(engine_for_reading().settings().max_indent); }
void formatter::set_max_boxes(int n) { engine_for_change().set_max_boxes(n); }
int formatter::max_boxes() const { return engine_for_reading().settings().max_boxes; }
bool formatter::over_max_boxes() const {
  const detail::layout_engine& e = engine_for_reading();
  return e.depth() >= e.settings().max_boxes;
}
void formatter::set_measure(text_measure m) { engine_for_change().set_measure(m); }
text_measure formatter::measure() const { return engine_for_reading().settings().measure; }
void formatter::set_ellipsis_text(std::string s) { engine_for_change().set_ellipsis(std::move(s)); }
const std::string& formatter::ellipsis_text() const { return engine_for_reading().settings().ellipsis; }
int formatter::depth() const { return engine_for_reading().depth(); }

void formatter::reset() { engine_for_change().reset(); }
void formatter::retarget(std::string& buffer) { engine_for_change().retarget(buffer); }

}  // namespace quarn
