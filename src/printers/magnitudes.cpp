// SPDX-License-Identifier: MIT
// SI and byte sizes, and time spans.
//
// Everything is computed on unsigned 64-bit magnitudes, with the sign kept
// apart: the magnitude of the most negative count does not fit a signed
// integer, and the steps below multiply a rounded quotient back by its
// factor, which must not overflow for the largest counts.  The bounds that
// keep each product in range are noted where the product is taken.
#include "quarn/magnitudes.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>

#include "quarn/errors.hpp"

namespace quarn::detail {

namespace {

using u64 = unsigned long long;

// Index i stands for 1000^(i - 8).
constexpr std::string_view si_prefixes[17] = {"y", "z", "a", "f", "p", "n", "u", "m", "",
                                              "k", "M", "G", "T", "P", "E", "Z", "Y"};
constexpr int largest_prefix = 16;

// The number of decimal digits of n, minus one; -1 for 0.  Compares with
// powers of ten rather than dividing, which is several times faster.
int ilog10(u64 n) {
  int k = -1;
  for (u64 p = 1; n >= p; p *= 10) {
    ++k;
    if (k == 19) break;  // 10^19 is the largest power of ten below 2^64
  }
  return k;
}

// 10^k, for 0 <= k <= 19.
u64 ipow10(int k) {
  u64 r = 1;
  while (k-- > 0) r *= 10;
  return r;
}

// m / n rounded up.  Written without m + n - 1, which overflows near the top
// of the range.
u64 div_round_up(u64 m, u64 n) { return m / n + (m % n != 0 ? 1 : 0); }

// The text of one magnitude, built on the stack and printed as one piece.
class piece {
public:
  piece& sign(bool negative) {
    if (negative) put('-');
    return *this;
  }
  // Writes are bounded by the buffer, although no head comes near its end.
  piece& put(char c) {
    if (n_ < sizeof buf_) buf_[n_++] = c;
    return *this;
  }
  piece& num(u64 v) {
    auto r = std::to_chars(buf_ + n_, buf_ + sizeof buf_, v);
    n_ = static_cast<std::size_t>(r.ptr - buf_);
    return *this;
  }
  // A number below 100 as two digits, with a leading zero.
  piece& two_digits(u64 v) {
    put(static_cast<char>('0' + v / 10));
    return put(static_cast<char>('0' + v % 10));
  }
  // Short fixed texts only (prefixes, unit letters).
  piece& str(std::string_view s) {
    std::size_t k = std::min(s.size(), sizeof buf_ - n_);
    if (k != 0) std::memcpy(buf_ + n_, s.data(), k);
    n_ += k;
    return *this;
  }
  // Prints the piece followed by `tail` (the caller's unit symbol, of any
  // length) as one text.
  void print(formatter& f, std::string_view tail = {}) {
    if (tail.size() <= sizeof buf_ - n_) {
      if (!tail.empty()) std::memcpy(buf_ + n_, tail.data(), tail.size());
      f.print_string(std::string_view(buf_, n_ + tail.size()));
    } else {
      std::string s(buf_, n_);
      s += tail;
      f.print_string(s);
    }
  }

private:
  // The heads built here (a sign, at most 20 digits, a decimal point and two
  // decimals, a prefix and a few letters) take well under this; the rest is
  // room for the caller's unit symbol.
  char buf_[128];
  std::size_t n_ = 0;
};

// Prints n at `factor` (a power of 1000 above 1) and prefix index i, with
// about three significant digits, rounded up.  Returns 0 when it printed, or
// the rounded-up count to print from the start when the rounding reached the
// next power of ten that changes the layout.
u64 pp_at_factor(formatter& f, bool negative, u64 n, u64 factor, int i, std::string_view unit) {
  u64 q = n / factor;
  u64 r = n % factor;
  piece p;
  p.sign(negative);
  if (q >= 100) {
    if (r > 0) ++q;
    // Only 999 rounds up to 1000, so n < 1000 * factor and the product is at
    // most n rounded up to the next multiple of factor: no overflow.
    if (q == 1000 && i < largest_prefix) return q * factor;
    p.num(q);
  } else if (q >= 10) {
    u64 t = factor / 10;
    u64 d = div_round_up(r, t);
    // (q + 1) * factor is n rounded up to a multiple of factor, and n is at
    // most 2^64 - 1 with q >= 10 only when factor <= 10^18: it fits.
    if (d == 10) return (q + 1) * factor;
    p.num(q);
    if (d != 0) p.put('.').put(static_cast<char>('0' + d));
  } else {
    u64 t = factor / 100;
    u64 d = div_round_up(r, t);
    if (d == 100) return (q + 1) * factor;
    p.num(q);
    if (d % 10 == 0) {
      if (d != 0) p.put('.').put(static_cast<char>('0' + d / 10));
    } else {
      p.put('.').two_digits(d);
    }
  }
  p.str(si_prefixes[i]).print(f, unit);
  return 0;
}

}  // namespace

void print_si_size(formatter& f, int scale, std::string_view unit, bool negative, u64 n) {
  if (scale < -8 || scale > 8) invalid_arg("~scale is %d, must be in [-8;8]", scale);
  // A restart happens at most once: the count it hands back is a multiple of
  // the next factor and prints at once.
  for (;;) {
    int g = n == 0 ? 0 : ilog10(n) / 3;
    int i = scale + g + 8;
    u64 factor;
    if (i > largest_prefix) {
      // scale + g > 8 with g <= 6 means scale >= 3: the factor is at most 10^15.
      i = largest_prefix;
      factor = ipow10(3 * (8 - scale));
    } else {
      factor = ipow10(3 * g);
    }
    if (factor == 1) {
      piece().sign(negative).num(n).str(si_prefixes[i]).print(f, unit);
      return;
    }
    n = pp_at_factor(f, negative, n, factor, i, unit);
    if (n == 0) return;
  }
}

void print_bi_byte_size(formatter& f, bool negative, u64 n) {
  if (negative || n < 1024) {
    piece().sign(negative).num(n).put('B').print(f);
    return;
  }
  struct step {
    u64 bound;
    u64 unit;
    char letter;
  };
  static constexpr step steps[] = {
      {u64{1} << 20, u64{1} << 10, 'K'},
      {u64{1} << 30, u64{1} << 20, 'M'},
      {u64{1} << 40, u64{1} << 30, 'G'},
      {u64{1} << 50, u64{1} << 40, 'T'},
      {std::numeric_limits<u64>::max(), u64{1} << 50, 'P'},
  };
  const step* s = steps;
  while (n >= s->bound && s->letter != 'P') ++s;
  piece p;
  if (n / s->unit < 10) {
    // The quotient rounded half up to one decimal is below 10.05, so "%g"
    // would print its tenths exactly: write them without printf.
    double x = round_dfrac(1, static_cast<double>(n) / static_cast<double>(s->unit));
    auto tenths = static_cast<u64>(std::llround(x * 10));
    p.num(tenths / 10);
    if (tenths % 10 != 0) p.put('.').put(static_cast<char>('0' + tenths % 10));
  } else {
    p.num(div_round_up(n, s->unit));
  }
  p.put(s->letter).str("iB").print(f);
}

namespace {

constexpr u64 us = 1000;
constexpr u64 ms = 1000 * us;
constexpr u64 sec = 1000 * ms;
constexpr u64 minute = 60 * sec;
constexpr u64 hour = 60 * minute;
constexpr u64 day = 24 * hour;
constexpr u64 year = 36525 * day / 100;  // the Julian year

// The SI step: span s in unit u (symbol sym), below the next unit `next`.
// Returns 0 when it printed, or the rounded span to print from the start.
// Every product is below `next`, or the next unit itself: s < next <= 60 s.
u64 pp_si_span(formatter& f, bool negative, std::string_view sym, u64 u, u64 next, u64 s) {
  u64 q = s / u;
  u64 r = s % u;
  piece p;
  p.sign(negative);
  if (q >= 100) {
    if (r != 0) ++q;
    if (q * u >= next) return q * u;
    p.num(q);
  } else if (q >= 10) {
    u64 d = div_round_up(r, u / 10);
    if (d == 10) return (q + 1) * u;
    p.num(q);
    if (d != 0) p.put('.').put(static_cast<char>('0' + d));
  } else {
    u64 d = div_round_up(r, u / 100);
    if (d == 100) return (q + 1) * u;
    p.num(q);
    if (d % 10 == 0) {
      if (d != 0) p.put('.').put(static_cast<char>('0' + d / 10));
    } else {
      p.put('.').two_digits(d);
    }
  }
  p.str(sym).print(f);
  return 0;
}

// The mixed step: a unit and one sub-unit, rounded up.  Returns 0 when it
// printed, or the span rounded up to the next whole unit (below one year, so
// no overflow) to print from the start.
u64 pp_non_si(formatter& f, bool negative, std::string_view sym, u64 u, std::string_view sub_sym, u64 sub, u64 ratio,
              u64 s) {
  u64 q = s / u;
  u64 r = s % u;
  piece p;
  p.sign(negative).num(q).str(sym);
  if (r != 0) {
    u64 k = div_round_up(r, sub);
    if (k >= ratio) return (q + 1) * u;
    p.num(k).str(sub_sym);
  }
  p.print(f);
  return 0;
}

// The year step: years and whole days, rounded up; never hands back.
void pp_years(formatter& f, bool negative, u64 s) {
  u64 y = s / year;
  u64 r = s % year;
  piece p;
  p.sign(negative);
  if (r == 0) {
    p.num(y).put('a');
  } else {
    u64 k = div_round_up(r, day);
    if (k >= 366)
      p.num(y + 1).put('a');
    else
      p.num(y).put('a').num(k).put('d');
  }
  p.print(f);
}

}  // namespace

void print_ns_span(formatter& f, bool negative, std::uint64_t s) {
  negative = negative && s != 0;
  // A span handed back is a whole number of the old unit and prints at the
  // second pass.
  for (;;) {
    if (s < us) {
      piece().sign(negative).num(s).str("ns").print(f);
      return;
    }
    if (s < ms)
      s = pp_si_span(f, negative, "us", us, ms, s);
    else if (s < sec)
      s = pp_si_span(f, negative, "ms", ms, sec, s);
    else if (s < minute)
      s = pp_si_span(f, negative, "s", sec, minute, s);
    else if (s < hour)
      s = pp_non_si(f, negative, "min", minute, "s", sec, 60, s);
    else if (s < day)
      s = pp_non_si(f, negative, "h", hour, "min", minute, 60, s);
    else if (s < year)
      s = pp_non_si(f, negative, "d", day, "h", hour, 24, s);
    else
      return pp_years(f, negative, s);
    if (s == 0) return;
  }
}

namespace {

__extension__ typedef unsigned __int128 u128;

// Nanoseconds per tick of a period of num/den seconds (a reduced std::ratio),
// as a reduced fraction.  num * 10^9 may pass 64 bits (a period of a
// millennium does), never 128; den only shrinks.
struct ns_per_tick {
  u128 num;
  u128 den;
};

ns_per_tick ns_ratio(std::intmax_t num, std::intmax_t den) {
  const std::intmax_t g = std::gcd(std::intmax_t{1000000000}, den);
  return {static_cast<u128>(num) * static_cast<u128>(1000000000 / g), static_cast<u128>(den / g)};
}

}  // namespace

void print_tick_span(formatter& f, bool negative, u64 ticks, std::intmax_t num, std::intmax_t den) {
  const ns_per_tick r = ns_ratio(num, den);
  constexpr u64 max = std::numeric_limits<u64>::max();
  // ticks * r.num may pass 128 bits: split r.num / r.den into its whole part
  // q and the remainder, below r.den < 2^63.  ticks * q is a lower bound of
  // the span, and ticks * remainder < 2^127.
  const u128 q = r.num / r.den;
  if (q != 0 && ticks > max / q) invalid_arg("quarn::uint64_ns_span: the duration is longer than 2^64 - 1 ns");
  const u128 rest = static_cast<u128>(ticks) * (r.num % r.den);
  const u128 ns = ticks * q + rest / r.den + (rest % r.den != 0 ? 1 : 0);
  if (ns > max) invalid_arg("quarn::uint64_ns_span: the duration is longer than 2^64 - 1 ns");
  print_ns_span(f, negative, static_cast<std::uint64_t>(ns));
}

void print_float_span(formatter& f, long double count, std::intmax_t num, std::intmax_t den) {
  const ns_per_tick r = ns_ratio(num, den);
  const long double ns = count * static_cast<long double>(r.num) / static_cast<long double>(r.den);
  if (std::isnan(ns)) invalid_arg("quarn::uint64_ns_span: the duration is not a number");
  long double m = std::ceil(std::fabs(ns));
  if (!(m < 18446744073709551616.0L)) invalid_arg("quarn::uint64_ns_span: the duration is longer than 2^64 - 1 ns");
  print_ns_span(f, ns < 0, static_cast<std::uint64_t>(m));
}

}  // namespace quarn::detail
