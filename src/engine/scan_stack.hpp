// SPDX-License-Identifier: MIT
// The scan stack: the queued boxes and hints whose span is still unknown.
//
// It holds the open boxes and, above each, that box's last hint.  When the
// next hint of the same box, or the box's close, is queued, the span of the
// entry on top becomes known and is written into its token (see
// layout_engine.hpp for how spans are encoded).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/token_queue.hpp"

namespace quarn::detail {

class [[gnu::visibility("hidden")]] scan_stack {
public:
  scan_stack() { reset(); }

  // Back to the sentinel alone.  Its `queued_at` of -1 is below any left
  // total, so it always counts as laid out already: it is never matched nor
  // popped, and the stack is never empty.
  void reset() {
    entries_.clear();
    entries_.push_back({-1, 0, false});
  }

  // Registers the box just queued.
  void push_box(const token_queue& q) { push({q.right_total(), q.last_seq(), false}); }

  // Registers the hint just queued.  The usual case is that the previous
  // hint of the same box is on top: its span is now known, and the new hint
  // takes its place.
  void push_hint(token_queue& q) {
    entry& top = entries_.back();
    if (top.hint && live(top, q)) [[likely]] {
      complete(top, q);
      top = {q.right_total(), q.last_seq(), true};
      return;
    }
    close_last_hint(q);
    push({q.right_total(), q.last_seq(), true});
  }

  // The hint just queued follows the hint on top, of the same box, whose
  // span the caller has completed: it takes its place.
  void replace_top_hint(const token_queue& q) { entries_.back() = {q.right_total(), q.last_seq(), true}; }

  // True when the top is a hint whose span is still to be completed.
  [[nodiscard]] bool pending_hint_on_top(const token_queue& q) const {
    const entry& top = entries_.back();
    return top.hint && live(top, q);
  }
  [[nodiscard]] std::uint64_t top_seq() const { return entries_.back().seq; }
  // A run was just queued: its hints are registered as push_hint()
  // registers hints one by one.  Its first hint completes the hint on top,
  // if any, and its last hint ends up on top.  `first_hint_at` is the right
  // total just after the first hint.
  [[gnu::always_inline]] void push_run(token_queue& q, long long first_hint_at) {
    entry& top = entries_.back();
    if (top.hint && live(top, q)) {
      if (top.seq >= q.head_seq()) q.at(top.seq).span += first_hint_at;
      top = {q.right_total(), q.last_seq(), true};
      return;
    }
    close_last_hint(q);
    push({q.right_total(), q.last_seq(), true});
  }

  // A box closes: its last hint's span is known, then its own.
  void close_last_hint(token_queue& q) { close_last(q, true); }
  void close_last_box(token_queue& q) { close_last(q, false); }

private:
  struct entry {
    long long queued_at;  // the right total when the token was queued
    std::uint64_t seq;    // the token's sequence number in the queue
    bool hint;            // a hint, else a box
  };

  // An entry queued before everything still pending has been laid out: it
  // and everything below it are obsolete.
  static bool live(const entry& e, const token_queue& q) { return e.queued_at >= q.left_total(); }

  static void complete(const entry& e, token_queue& q) {
    if (e.seq >= q.head_seq()) q.at(e.seq).span += q.right_total();
  }

  void close_last(token_queue& q, bool hint) {
    const entry top = entries_.back();
    // The sentinel is never popped (dropped conditional texts can take the
    // left total below its -1).
    if (entries_.size() == 1 || !live(top, q)) {
      reset();
      return;
    }
    if (top.hint != hint) return;
    complete(top, q);
    entries_.pop_back();
  }

  void push(entry e) {
    if (entries_.size() == entries_.capacity()) [[unlikely]]
      entries_.reserve(std::max<std::size_t>(64, 2 * entries_.size()));
    entries_.push_back(e);
  }

  std::vector<entry> entries_;
};

}  // namespace quarn::detail
