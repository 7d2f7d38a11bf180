// SPDX-License-Identifier: MIT
// The queue of operations waiting to be laid out, and the text they carry.
//
// Tokens live in a ring buffer whose capacity is a power of 2, numbered by a
// sequence number in the order they are queued: token `seq` is in slot
// seq & mask while head <= seq < tail.  Texts of up to `inline_text` bytes
// are kept in the token itself; longer ones in a text arena shared by the
// queued tokens.  The queue also keeps the two running totals the layout
// measures with (see layout_engine.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quarn/engine.hpp"

namespace quarn::detail {

enum class token_kind : unsigned char {
  text,         // bytes in the token
  arena_text,   // bytes in the text arena
  hint,         // a break hint
  open_box,
  close_box,
  newline,      // a forced new line
  if_newline,   // the next token is laid out only right after a new line
  open_tag,     // tag marks, written at zero width
  close_tag,
  run,          // texts with a hint after each (see push_run)
};

// Added to the span of a run token (see token_queue::push_run): far above
// any span, far below overflow once right totals are added.
inline constexpr long long run_span_bias = 1LL << 62;

// Texts of up to this many bytes are kept in the token itself.
inline constexpr std::size_t inline_text = 8;

// A queued operation, 32 bytes.
struct token {
  long long span;   // columns from it to where its layout is decided (see
                    // layout_engine.hpp); negative while unknown
  long long width;  // columns it adds to the line when it stays on the line
  struct hint_args {
    int spaces;  // printed when the line is not split here
    int offset;  // added to the box's indentation when it is
  };
  union {
    char chars[inline_text];  // text: the bytes
    std::size_t text_off;     // arena_text, run: absolute offset in the text arena
    hint_args hint;           // hint
    int indent;               // open_box
  };
  std::uint32_t text_len;  // text, arena_text and run: bytes
  token_kind kind;
  box_kind box;  // open_box
};
static_assert(sizeof(token) == 32);

// Internal to the library, as the engine that owns it: its calls stay direct.
class [[gnu::visibility("hidden")]] token_queue {
public:
  [[nodiscard]] bool empty() const { return head_ == tail_; }
  [[nodiscard]] std::size_t size() const { return static_cast<std::size_t>(tail_ - head_); }
  [[nodiscard]] bool full() const { return size() == ring_.size(); }
  [[nodiscard]] std::uint64_t head_seq() const { return head_; }
  [[nodiscard]] std::uint64_t tail_seq() const { return tail_; }
  [[nodiscard]] std::uint64_t last_seq() const { return tail_ - 1; }
  token& at(std::uint64_t seq) { return ring_[seq & mask_]; }
  [[nodiscard]] const token& at(std::uint64_t seq) const { return ring_[seq & mask_]; }
  [[nodiscard]] const token& head() const { return at(head_); }
  [[nodiscard]] const token& last() const { return at(tail_ - 1); }

  // The ring itself, for a layout loop that keeps its cursor in locals.
  [[nodiscard]] const token* slots() const { return ring_.data(); }
  [[nodiscard]] std::size_t mask() const { return mask_; }
  void set_head(std::uint64_t seq) { head_ = seq; }

  // Appends a token and returns it, for the caller to fill in the fields of
  // its kind.  The right total grows by `width`.
  token& push(token_kind kind, long long span, long long width) {
    if (full()) [[unlikely]]
      grow();
    token& t = ring_[tail_ & mask_];
    t.kind = kind;
    t.span = span;
    t.width = width;
    ++tail_;
    right_total_ += width;
    return t;
  }

  // Removes the head without laying it out.
  token pop() {
    token t = ring_[head_ & mask_];
    ++head_;
    if (t.kind == token_kind::open_tag) tags_.pop_front();
    return t;
  }

  // The two running totals: columns laid out, and columns queued, since the
  // document started, each plus 1 (see layout_engine.hpp).
  [[nodiscard]] long long left_total() const { return left_total_; }
  [[nodiscard]] long long right_total() const { return right_total_; }
  // Columns queued and not laid out yet.
  [[nodiscard]] long long pending() const { return right_total_ - left_total_; }
  // Add columns to the left total (laid out) or the right total (queued).
  void count_laid_out(long long columns) { left_total_ += columns; }
  void count_queued(long long columns) { right_total_ += columns; }
  // Makes the queued material count as wider than any line, so that all of
  // it is laid out.
  void count_rest_as(long long columns) { right_total_ = left_total_ + columns; }

  // Texts.
  // A text of at most inline_text bytes, `width` columns wide.
  void push_text(long long width, const char* p, std::size_t n) {
    token& t = push(token_kind::text, width, width);
    t.text_len = static_cast<std::uint32_t>(n);
    // Copies of 1 to inline_text bytes without a call to memcpy.
    if (n >= 4) {
      std::memcpy(t.chars, p, 4);
      std::memcpy(t.chars + n - 4, p + n - 4, 4);
    } else if (n > 0) {
      t.chars[0] = p[0];
      t.chars[n / 2] = p[n / 2];
      t.chars[n - 1] = p[n - 1];
    }
  }
  // A run: texts with a hint of `spaces` and `offset` after each one, the
  // last included.  One token stands for them all.  Its span is the last
  // hint's, still unknown (as any hint's when it is queued), plus
  // run_span_bias: the scan stack completes it as any hint's, and it never
  // looks unknown, so that the layout takes the run as soon as it reaches
  // the head, without a test of its kind on every token.  Its width counts
  // every text and hint.  The hints but the last have known spans: a
  // hint's span runs to the next hint of its box, here the next one of the
  // run.  In the arena: the shape, then the texts' sizes unless they all
  // have the same, then their bytes.
  struct run_shape {
    std::uint32_t texts;  // how many
    std::uint32_t piece;  // the size of every text, or 0 when they differ
    int spaces;
    int offset;
  };
  // Texts [first, first + n) of `texts` (run_texts.hpp), a hint after each.
  template <class Texts>
  [[gnu::always_inline]] void push_run(const Texts& texts, std::size_t first, std::size_t n, int spaces, int offset) {
    const std::size_t bytes = texts.bytes(first, n);
    if (bytes > UINT32_MAX || n > UINT32_MAX) [[unlikely]]
      run_too_long(bytes);
    const run_shape shape{static_cast<std::uint32_t>(n), texts.common_size(), spaces, offset};
    const std::size_t off = store(std::string_view(reinterpret_cast<const char*>(&shape), sizeof shape));
    texts.append_to(arena_, first, n);
    const long long columns = static_cast<long long>(bytes) + static_cast<long long>(n) * spaces;
    // Its span is the last hint's (minus the right total before its
    // spaces), biased.
    token& t = push(token_kind::run, run_span_bias - (right_total_ + columns - spaces), columns);
    t.text_off = off;
    t.text_len = static_cast<std::uint32_t>(bytes);
  }
  // A queued run, read back: its shape, and its texts one after the other.
  struct run_reader {
    run_shape shape;
    const char* sizes;  // shape.texts sizes when shape.piece is 0 (unaligned)
    const char* bytes;
    [[nodiscard]] std::uint32_t size_of(std::size_t i) const {
      if (shape.piece != 0) return shape.piece;
      std::uint32_t n;
      std::memcpy(&n, sizes + i * sizeof n, sizeof n);
      return n;
    }
  };
  [[nodiscard]] run_reader run_of(const token& t) const {
    run_reader r{};
    const char* p = arena_.data() + (t.text_off - arena_base_);
    std::memcpy(&r.shape, p, sizeof r.shape);
    r.sizes = p + sizeof r.shape;
    r.bytes = r.sizes + (r.shape.piece == 0 ? r.shape.texts * sizeof(std::uint32_t) : 0);
    return r;
  }
  // What is left of a run once its texts and its hints but the last are
  // laid out: that hint, `last`, as a plain one.
  void run_to_hint(std::uint64_t seq, token::hint_args last) {
    token& t = at(seq);
    t.kind = token_kind::hint;
    t.span -= run_span_bias;
    t.width = last.spaces;
    t.hint = last;
  }

  // A text of any length, its bytes copied into the arena.  With `counted`,
  // the right total already includes its width.
  void push_arena_text(long long width, std::string_view s, bool counted = false);

  [[nodiscard]] std::string_view text_of(const token& t) const {
    if (t.kind == token_kind::text) return {t.chars, t.text_len};
    return {arena_.data() + (t.text_off - arena_base_), t.text_len};
  }

  // Tags of the queued open-tag tokens, in order.
  void push_tag(std::shared_ptr<const stag> tag);
  std::shared_ptr<const stag> take_tag() {
    std::shared_ptr<const stag> tag = std::move(tags_.front());
    tags_.pop_front();
    return tag;
  }

  // Forgets every token; the totals start again at 1.
  void clear();

private:
  void grow();
  // Throws std::length_error for a run too long to queue.
  [[noreturn]] static void run_too_long(std::size_t bytes);
  // Copies `s` into the arena; returns its offset there.
  std::size_t store(std::string_view s);

  std::vector<token> ring_;
  std::size_t mask_ = 0;    // ring_.size() - 1
  std::uint64_t head_ = 0;  // the first queued token
  std::uint64_t tail_ = 0;  // one past the last
  std::string arena_;
  std::size_t arena_base_ = 0;  // absolute offset of arena_[0]
  std::deque<std::shared_ptr<const stag>> tags_;
  long long left_total_ = 1;
  long long right_total_ = 1;
};

}  // namespace quarn::detail
