// SPDX-License-Identifier: MIT
// The layout engine's less frequent operations: tags, boxes as they are laid
// out, flushes and settings.
#include "engine/layout_engine.hpp"

#include <algorithm>
#include <stdexcept>

namespace quarn::detail {

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
  return queue_.tail_seq() == start_tail_ && queue_.head_seq() + 1 == start_tail_ && depth_ == 1 &&
         boxes_.empty() && printed_tags_.empty() && marked_tags_.empty() && current_indent_ == 0 &&
         space_left_ == settings_.margin;
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

void layout_engine::queue_text_break(std::string_view s, int spaces, int offset) {
  enqueue_text(static_cast<long long>(s.size()), s);
  queue_hint(spaces, offset);
  // The next text's push would lay out what this does.
  advance();
}

void formatter_access::print_text_breaks(formatter& f, const char* p, const unsigned char* lengths, std::size_t n,
                                         int spaces, int offset) {
  layout_engine* e = f.e_;
  // A moved-from or busy formatter throws as any other call on it does.
  if (e == nullptr || e->busy()) [[unlikely]]
    e = &f.engine_for_change();
  e->print_text_breaks(p, lengths, n, spaces, offset);
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
    case token_kind::pieces: break;  // laid out by advance() itself
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
