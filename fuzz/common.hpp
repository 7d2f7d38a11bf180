// SPDX-License-Identifier: MIT
// Shared by the fuzz targets: the reader of the input bytes, the stop on a
// broken invariant, and (from the unit tests' helpers) the layout of a
// printer on a string.
#pragma once

#include "../tests/print_helpers.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

// `p` applied to `v` inside a b box, on a fresh string formatter at
// `margin`: the helper the unit tests use.
using quarn_test::render;

}  // namespace quarn_fuzz
