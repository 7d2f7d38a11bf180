// SPDX-License-Identifier: MIT
// The token queue's slow paths: growing the ring, storing long texts.
#include "engine/token_queue.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <stdexcept>

namespace quarn::detail {

void token_queue::grow() {
  std::vector<token> bigger(ring_.empty() ? 64 : ring_.size() * 2);
  const std::size_t bigger_mask = bigger.size() - 1;
  for (std::uint64_t seq = head_; seq != tail_; ++seq) bigger[seq & bigger_mask] = ring_[seq & mask_];
  ring_.swap(bigger);
  mask_ = bigger_mask;
}

namespace {
void check_text_length(std::size_t n) {
  if (n > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("quarn::formatter: text longer than 4 GiB");
}
}  // namespace

// Texts of queued tokens live in one arena; the prefix that the layout has
// consumed is dropped when it makes up most of the arena.
std::size_t token_queue::store(std::string_view s) {
  if (empty()) {
    arena_base_ += arena_.size();
    arena_.clear();
  } else if (arena_.size() > 4096) {
    std::size_t live = arena_.size();
    for (std::uint64_t seq = head_; seq != tail_; ++seq) {
      const token& t = at(seq);
      if (t.kind == token_kind::arena_text || t.kind == token_kind::run) {
        live = t.text_off - arena_base_;
        break;
      }
    }
    if (live > arena_.size() / 2) {
      arena_.erase(0, live);
      arena_base_ += live;
    }
  }
  std::size_t off = arena_base_ + arena_.size();
  arena_.append(s);
  return off;
}

void token_queue::push_arena_text(long long width, std::string_view s, bool counted) {
  check_text_length(s.size());
  const std::size_t off = store(s);
  token& t = push(token_kind::arena_text, width, counted ? 0 : width);
  t.width = width;
  t.text_len = static_cast<std::uint32_t>(s.size());
  t.text_off = off;
}

void token_queue::run_too_long(std::size_t bytes) {
  check_text_length(bytes);
  throw std::length_error("quarn::formatter: more than 4 Gi texts in one call");
}

void token_queue::push_tag(std::shared_ptr<const stag> tag) {
  tags_.push_back(std::move(tag));
  push(token_kind::open_tag, 0, 0);
}

void token_queue::clear() {
  left_total_ = 1;
  right_total_ = 1;
  head_ = tail_;
  arena_.clear();
  arena_base_ = 0;
  if (!tags_.empty()) tags_.clear();
}

}  // namespace quarn::detail
