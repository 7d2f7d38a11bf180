// SPDX-License-Identifier: MIT
// The parts of quarn/magnitudes.hpp that users do not name: the counts the
// printers take and the functions behind them.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/scalars.hpp"
#include "quarn/engine.hpp"

namespace quarn::detail {

// An integer of at most 64 bits, signed or unsigned.
template <class I>
concept count = integer<I> && sizeof(I) <= sizeof(unsigned long long);

// The sign and the magnitude of a count; the magnitude of the most negative
// count does not fit its own type, so it is computed unsigned.
template <count I>
constexpr std::pair<bool, unsigned long long> sign_magnitude(I n) noexcept {
  if constexpr (std::is_signed_v<I>) {
    if (n < 0) return {true, 0ULL - static_cast<unsigned long long>(n)};
  }
  return {false, static_cast<unsigned long long>(n)};
}

void print_si_size(formatter& f, int scale, std::string_view unit, bool negative, unsigned long long magnitude);
void print_bi_byte_size(formatter& f, bool negative, unsigned long long magnitude);
void print_ns_span(formatter& f, bool negative, std::uint64_t ns);
// `ticks` ticks of num/den seconds each (a std::ratio, however coarse),
// rounded up to whole nanoseconds.  Throws quarn::invalid_argument when that
// exceeds 2^64 - 1 ns.
void print_tick_span(formatter& f, bool negative, unsigned long long ticks, std::intmax_t num, std::intmax_t den);
// A floating-point number of ticks of num/den seconds each, rounded away
// from zero to whole nanoseconds.  Throws quarn::invalid_argument for
// not-a-number and beyond 2^64 - 1 ns.
void print_float_span(formatter& f, long double count, std::intmax_t num, std::intmax_t den);

}  // namespace quarn::detail
