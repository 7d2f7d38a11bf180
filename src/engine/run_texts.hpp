// SPDX-License-Identifier: MIT
// The texts of a run, as the layout engine reads them.
//
// A run is texts with a break hint of the same spaces and offset between
// each two: what print_pieces() cuts from one string and print_texts() is
// given as a list.  The engine lays a run out through one mechanism
// (layout_engine::print_run) whichever of the two holds its texts; each
// kind below gives it the same few operations, the arithmetic of fixed-size
// pieces being cheaper than a walk of a list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/display_columns.hpp"

namespace quarn::detail {

// `s` cut in pieces of `piece` bytes, the last one possibly shorter.
struct piece_texts {
  std::string_view s;
  std::size_t piece;  // not 0

  [[nodiscard]] std::size_t size() const { return (s.size() + piece - 1) / piece; }
  [[nodiscard]] std::string_view operator[](std::size_t i) const {
    const std::size_t at = i * piece;
    return {s.data() + at, s.size() - at < piece ? s.size() - at : piece};
  }
  [[nodiscard]] bool ascii() const { return is_ascii(s); }
  // The size every text has, 0 when they differ.
  [[nodiscard]] std::uint32_t common_size() const { return static_cast<std::uint32_t>(piece); }
  // Appends texts [first, first + n), none the last, to a queued run.
  void append_to(std::string& out, std::size_t first, std::size_t n) const {
    out.append(s.data() + first * piece, n * piece);
  }
  // The bytes of texts [first, first + n): one piece of `s`.
  [[nodiscard]] std::size_t bytes(std::size_t first, std::size_t n) const {
    return (first + n) * piece <= s.size() ? n * piece : s.size() - first * piece;
  }
  // How many texts from `first` (at most `most`, none the last one) each
  // leave the pending material narrower than `room` once queued, with a hint
  // of `spaces` after each: the k-th does while k texts and k - 1 hints are
  // narrower, that is k * (piece + spaces) < room + spaces.
  [[nodiscard]] std::size_t fitting(std::size_t /*first*/, std::size_t most, long long room, long long spaces) const {
    // A queued run holds sizes of 32 bits.
    if (piece > UINT32_MAX) return 0;
    const long long step = static_cast<long long>(piece) + spaces;
    if (room + spaces <= step) return 0;
    const auto fit = static_cast<std::size_t>((room + spaces - 1) / step);
    return fit < most ? fit : most;
  }
};

// A list of texts.
struct listed_texts {
  std::span<const std::string_view> texts;

  [[nodiscard]] std::size_t size() const { return texts.size(); }
  [[nodiscard]] std::string_view operator[](std::size_t i) const { return texts[i]; }
  [[nodiscard]] bool ascii() const {
    for (const std::string_view t : texts)
      if (!is_ascii(t)) return false;
    return true;
  }
  [[nodiscard]] std::uint32_t common_size() const { return 0; }
  // Appends the sizes of texts [first, first + n), then their bytes.
  void append_to(std::string& out, std::size_t first, std::size_t n) const {
    for (std::size_t i = first; i < first + n; ++i) {
      const auto size = static_cast<std::uint32_t>(texts[i].size());
      out.append(reinterpret_cast<const char*>(&size), sizeof size);
    }
    for (std::size_t i = first; i < first + n; ++i) out.append(texts[i]);
  }
  [[nodiscard]] std::size_t bytes(std::size_t first, std::size_t n) const {
    std::size_t sum = 0;
    for (std::size_t i = first; i < first + n; ++i) sum += texts[i].size();
    return sum;
  }
  [[nodiscard]] std::size_t fitting(std::size_t first, std::size_t most, long long room, long long spaces) const {
    long long pending = 0;
    std::size_t k = 0;
    for (; k < most; ++k) {
      pending += static_cast<long long>(texts[first + k].size());
      if (pending >= room) break;
      pending += spaces;
    }
    return k;
  }
};

}  // namespace quarn::detail
