// SPDX-License-Identifier: MIT
// Shared by the fuzz targets: the reader of the input bytes, the stop on a
// broken invariant, and the layout of a printer on a string.
#pragma once

#include <quarn/engine.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quarn_fuzz {

// Takes the input front to back; past its end every byte reads as 0.
struct reader {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  // A number from lo to hi, from one byte.
  int small(int lo, int hi) { return lo + byte() % (hi - lo + 1); }
  // Eight bytes, the least significant first.
  std::uint64_t u64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t{byte()} << (8 * i);
    return v;
  }
};

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// `p` applied to `v` inside a b box, on a fresh string formatter at `margin`.
template <class P, class V>
std::string render(const P& p, const V& v, int margin = 78) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(margin);
  f.open_box(quarn::box_kind::b, 0);
  p(f, v);
  f.close_box();
  f.print_flush();
  return out;
}

}  // namespace quarn_fuzz
