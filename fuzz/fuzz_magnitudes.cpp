// SPDX-License-Identifier: MIT
// Fuzzes the magnitude printers (byte_size, si_size at every scale,
// bi_byte_size, uint64_ns_span) on arbitrary integers of every width, and
// uint64_ns_span on std::chrono durations.
//
// Each output is parsed back into its figure (integer part, decimals) and
// unit, the value it stands for is computed exactly in 128-bit integers,
// and checked against the count:
//  - si_size, byte_size: the figure is never smaller than the count and
//    exceeds it by less than one in its last significant place (at most
//    three significant digits; a hundredth of the prefix for one integer
//    digit, a tenth for two, a unit for three); the integer part lies in
//    [1, 1000) except at "Y"; no decimal ends in 0; 0 prints "0" at the
//    count's own prefix; a negative count prints "-" and the layout of its
//    magnitude.
//  - bi_byte_size: counts below 1024 and negative ones print in full; the
//    unit is the largest of KiB..PiB that the count reaches; below ten units
//    the figure is the count rounded to the nearest tenth of the unit (half
//    up; the quotient is taken in double precision, so within a few bytes of
//    a half the rounding may go either way); from ten units on the whole
//    number of units rounded up.
//  - uint64_ns_span: the span is never shown shorter than it is, and longer
//    by less than the step of its layout (a hundredth, a tenth or one of an
//    SI unit by the integer digits; one sub-unit for min, h and d; one day
//    for years); the figure's unit is the largest the span reaches; spans
//    below 1000 ns print exactly.  Durations: a negative one prints "-" and
//    its magnitude; one longer than 2^64 - 1 ns (or not a number) throws
//    quarn::invalid_argument and prints nothing; a floating-point count is
//    rounded away from zero to whole nanoseconds.
#include <quarn/engine.hpp>
#include <quarn/failure.hpp>
#include <quarn/magnitudes.hpp>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ratio>
#include <string>
#include <string_view>
#include <type_traits>

#include "common.hpp"

namespace {

using quarn_fuzz::reader;
using quarn_fuzz::render;

__extension__ typedef unsigned __int128 u128;
using u64 = std::uint64_t;

[[noreturn]] void fail(const char* what, std::string_view out) {
  std::fprintf(stderr, "invariant broken: %s (output \"%.*s\")\n", what, static_cast<int>(out.size()), out.data());
  std::abort();
}

constexpr u128 saturated = ~u128{0};

// a * b, or `saturated` when the product does not fit.
u128 mul(u128 a, u128 b) {
  if (a == 0 || b == 0) return 0;
  if (a == saturated || b == saturated || a > saturated / b) return saturated;
  return a * b;
}

u128 pow10(int k) {
  u128 r = 1;
  while (k-- > 0) r = mul(r, 10);
  return r;
}

std::string decimal(u128 v) {
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v != 0);
  return s;
}

// A figure of the output: an integer part, decimals, and the letters after.
struct figure {
  u128 whole = 0;
  int int_digits = 0;
  std::string_view decimals;
  std::string_view unit;
};

// Reads a figure from the front of `s`; false when there is no number.
bool read_figure(std::string_view& s, figure& fig) {
  std::size_t i = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    if (i >= 30) return false;
    fig.whole = fig.whole * 10 + static_cast<unsigned>(s[i] - '0');
    ++i;
  }
  fig.int_digits = static_cast<int>(i);
  if (i == 0 || (i > 1 && s[0] == '0')) return false;  // no digit, or a leading zero
  std::size_t j = i;
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
    fig.decimals = s.substr(i + 1, j - i - 1);
    if (fig.decimals.empty()) return false;
  }
  std::size_t k = j;
  while (k < s.size() && (s[k] < '0' || s[k] > '9')) ++k;
  fig.unit = s.substr(j, k - j);
  s.remove_prefix(k);
  return true;
}

u128 decimals_value(std::string_view d) {
  u128 v = 0;
  for (char c : d) v = v * 10 + static_cast<unsigned>(c - '0');
  return v;
}

// At most three significant digits, and a decimal part of one or two digits
// that does not end in 0.
bool three_digits(const figure& fig) {
  if (!fig.decimals.empty() && fig.decimals.back() == '0') return false;
  return fig.int_digits + static_cast<int>(fig.decimals.size()) <= 3;
}

// ---- SI sizes ----

constexpr std::string_view si_prefixes[17] = {"y", "z", "a", "f", "p", "n", "u", "m", "",
                                              "k", "M", "G", "T", "P", "E", "Z", "Y"};

// The output for a magnitude `m` in units of 1000^scale.
void check_si(std::string_view out, int scale, std::string_view unit, u128 m) {
  const std::string_view all = out;
  if (out.size() < unit.size() || out.substr(out.size() - unit.size()) != unit) fail("si: no unit", all);
  out.remove_suffix(unit.size());
  figure fig;
  if (!read_figure(out, fig) || !out.empty()) fail("si: not a figure and a prefix", all);
  int i = -1;
  for (int k = 0; k < 17; ++k)
    if (fig.unit == si_prefixes[k]) i = k;
  if (i < 0) fail("si: unknown prefix", all);
  if (m == 0) {
    if (fig.whole != 0 || !fig.decimals.empty() || i != scale + 8) fail("si: zero not at its own prefix", all);
    return;
  }
  if (fig.whole == 0 || i < scale + 8) fail("si: figure below one of its prefix", all);
  if (fig.whole >= 1000 && (i != 16 || !fig.decimals.empty())) fail("si: a thousand of a prefix below Y", all);
  if (fig.whole < 1000 && !three_digits(fig)) fail("si: more than three significant digits", all);
  // Everything in units of 10^low, the finest place that can be shown.
  const int low = std::min(3 * (i - 8) - 2, 3 * scale);
  const int places = static_cast<int>(fig.decimals.size());
  const u128 shown = mul(fig.whole, pow10(places)) + decimals_value(fig.decimals);
  const u128 p = mul(shown, pow10(3 * (i - 8) - places - low));
  const u128 v = mul(m, pow10(3 * scale - low));
  const int step_place = 3 * (i - 8) - (fig.int_digits >= 3 ? 0 : 3 - fig.int_digits);
  const u128 step = pow10(step_place - low);
  if (p == saturated || v == saturated) fail("si: figure far from the count", all);
  if (p < v) fail("si: shown smaller than the count", all);
  if (p - v >= step) fail("si: rounded up by a step or more", all);
}

// Signed or unsigned count n of any width, through si_size(scale, unit).
template <class I>
void si_case(I n, int scale, const std::string& unit) {
  const std::string out = render(quarn::si_size(scale, unit), n);
  u128 m;
  bool negative = false;
  if constexpr (std::is_signed_v<I>) {
    negative = n < 0;
    m = negative ? u128{0} - static_cast<u128>(static_cast<long long>(n)) : static_cast<u128>(n);
    m &= u128{~0ULL};  // the magnitude is below 2^64
  } else {
    m = n;
  }
  std::string_view body = out;
  if (negative) {
    if (out.empty() || out[0] != '-') fail("si: a negative count without its sign", out);
    body.remove_prefix(1);
    // The layout of the magnitude.
    if (body != render(quarn::si_size(scale, unit), static_cast<unsigned long long>(m)))
      fail("si: a negative count not laid out as its magnitude", out);
  }
  check_si(body, scale, unit, m);
  if (scale == 0 && unit == "B" && out != render(quarn::byte_size, n)) fail("byte_size differs from si_size 0 B", out);
}

// ---- Binary sizes ----

template <class I>
void bi_case(I n) {
  const std::string out = render(quarn::bi_byte_size, n);
  if constexpr (std::is_signed_v<I>) {
    if (n < 0) {
      if (out != std::to_string(static_cast<long long>(n)) + "B") fail("bi: a negative count not in full", out);
      return;
    }
  }
  const auto m = static_cast<u64>(n);
  if (m < 1024) {
    if (out != std::to_string(m) + "B") fail("bi: a count below 1024 not in full", out);
    return;
  }
  int k = 1;  // 1024^k is the unit: the largest reached, PiB at most
  while (k < 5 && m >> (10 * (k + 1)) != 0) ++k;
  const u64 u = u64{1} << (10 * k);
  const std::string unit = std::string(1, "KMGTP"[k - 1]) + "iB";
  std::string_view body = out;
  figure fig;
  if (!read_figure(body, fig) || !body.empty() || fig.unit != unit) fail("bi: not a figure in the right unit", out);
  if (m / u < 10) {
    // Tenths, half up: 20 m - u < 2 t u <= 20 m + u, within the error of
    // taking m / u in double precision (a few bytes, here 4).
    if (fig.decimals.size() > 1 || fig.decimals == "0") fail("bi: not one decimal", out);
    const u128 t = fig.whole * 10 + decimals_value(fig.decimals);
    const u128 lhs = 2 * t * u, m20 = u128{m} * 20, slack = 20 * 4;
    if (lhs + u + slack <= m20 || lhs > m20 + u + slack) fail("bi: not the nearest tenth", out);
  } else {
    if (!fig.decimals.empty() || fig.whole != (u128{m} + u - 1) / u) fail("bi: not the units rounded up", out);
  }
}

// ---- Time spans ----

constexpr u64 us = 1000, ms = 1000 * us, sec = 1000 * ms, minute = 60 * sec, hour = 60 * minute, day = 24 * hour,
              year = 36525 * day / 100;

void check_span(std::string_view out, u64 s) {
  const std::string_view all = out;
  if (s < 1000) {
    if (out != std::to_string(s) + "ns") fail("span: below 1 us not in full", all);
    return;
  }
  figure fig;
  if (!read_figure(out, fig) || fig.whole == 0) fail("span: no figure", all);
  struct si_unit {
    std::string_view sym;
    u64 unit, next;
  };
  static constexpr si_unit si[] = {{"us", us, ms}, {"ms", ms, sec}, {"s", sec, minute}};
  for (const auto& x : si) {
    if (fig.unit != x.sym) continue;
    if (!out.empty()) fail("span: text after an SI figure", all);
    if (fig.whole >= 1000 || !three_digits(fig)) fail("span: more than three significant digits", all);
    const int places = static_cast<int>(fig.decimals.size());
    const u128 p = (fig.whole * pow10(places) + decimals_value(fig.decimals)) * x.unit / pow10(places);
    const u128 step = x.unit / pow10(fig.int_digits >= 3 ? 0 : 3 - fig.int_digits);
    if (p < s) fail("span: shown shorter", all);
    if (p - s >= step) fail("span: rounded up by a step or more", all);
    if (p >= x.next) fail("span: a whole next unit shown in the smaller", all);
    return;
  }
  struct mixed_unit {
    std::string_view sym;
    u64 unit;
    std::string_view sub_sym;
    u64 sub;
    u128 max_whole;  // the most whole units below the next unit
  };
  static constexpr mixed_unit mixed[] = {{"min", minute, "s", sec, 59},
                                         {"h", hour, "min", minute, 23},
                                         {"d", day, "h", hour, 365},
                                         {"a", year, "d", day, ~u128{0}}};
  for (const auto& x : mixed) {
    if (fig.unit != x.sym) continue;
    if (!fig.decimals.empty() || fig.whole > x.max_whole) fail("span: bad whole units", all);
    u128 p = fig.whole * x.unit;
    if (!out.empty()) {
      figure part;
      if (!read_figure(out, part) || !out.empty() || part.unit != x.sub_sym || !part.decimals.empty())
        fail("span: bad sub-unit", all);
      if (part.whole == 0 || part.whole * x.sub >= x.unit) fail("span: sub-units out of range", all);
      p += part.whole * x.sub;
    }
    if (p < s) fail("span: shown shorter", all);
    if (p - s >= x.sub) fail("span: rounded up by a sub-unit or more", all);
    // A span below a year shows at most 365 days and 6 hours: a year.
    if (x.sym != "a" && p > (x.sym == "d" ? year : x.unit * (x.max_whole + 1))) fail("span: past the next unit", all);
    return;
  }
  fail("span: unknown unit", all);
}

// A duration: "-" and its magnitude, or quarn::invalid_argument and nothing
// printed beyond 2^64 - 1 ns.  `ns` is the magnitude in nanoseconds rounded
// up, computed by the caller; `near` allows one nanosecond less, for a
// floating-point count within the precision of long double above a whole
// number of nanoseconds, where the printer may take it as that number.
template <class D>
void check_duration(D d, bool negative, u128 ns, bool near = false) {
  std::string out;
  quarn::formatter f(out);
  f.open_box(quarn::box_kind::b, 0);
  bool threw = false;
  try {
    quarn::uint64_ns_span(f, d);
  } catch (const quarn::invalid_argument&) {
    threw = true;
  }
  f.close_box();
  f.print_flush();
  const u128 most = ~u64{0};
  const bool may_print = ns <= most || (near && ns - 1 <= most);
  const bool may_throw = ns > most;
  if (threw && !may_throw) fail("duration: threw", out);
  if (!threw && !may_print) fail("duration: too long but printed", out);
  if (threw) {
    if (!out.empty()) fail("duration: printed before throwing", out);
    return;
  }
  std::string_view body = out;
  if (negative && ns != 0) {
    if (out.empty() || out[0] != '-') fail("duration: a negative one without its sign", out);
    body.remove_prefix(1);
  }
  const bool exact = ns <= most && body == render(quarn::uint64_ns_span, static_cast<u64>(ns));
  const bool short_by_one = near && ns - 1 <= most && body == render(quarn::uint64_ns_span, static_cast<u64>(ns - 1));
  if (!exact && !short_by_one) fail("duration: not the span of its magnitude in nanoseconds", out);
}

// An integer count of ticks of Num/Den seconds.
template <long long Num, long long Den>
void tick_case(long long count) {
  using period = std::ratio<Num, Den>;
  using per_ns = std::ratio_divide<period, std::nano>;
  const bool negative = count < 0;
  const u128 ticks = negative ? u128{0} - static_cast<u128>(count) : static_cast<u128>(count);
  const u128 scaled = (ticks & u128{~0ULL}) * static_cast<u128>(per_ns::num);
  const u128 ns = scaled / per_ns::den + (scaled % per_ns::den != 0);
  check_duration(std::chrono::duration<long long, period>(count), negative, ns);
}

// A double count of seconds, rounded away from zero to whole nanoseconds,
// computed exactly from the double's mantissa and exponent.
//
// The printer multiplies in long double, whose 64-bit mantissa cannot hold
// the product of a double by 10^9: a fraction of a nanosecond smaller than
// about 2^-63 of the span is lost, and the span shows one nanosecond less
// (9.59e-05 s, a little above 95900 ns, prints «95.9us»).  That is allowed.
void float_case(double x) {
  if (std::isnan(x)) {
    check_duration(std::chrono::duration<double>(x), false, ~u128{0});
    return;
  }
  const bool negative = std::signbit(x) && x != 0;
  if (std::isinf(x)) {
    check_duration(std::chrono::duration<double>(x), negative, ~u128{0});
    return;
  }
  u128 ns = 0;
  bool near = false;
  if (x != 0) {
    int e;
    const double fr = std::frexp(std::fabs(x), &e);           // |x| = fr * 2^e, fr in [0.5, 1)
    const auto mant = static_cast<u64>(std::ldexp(fr, 53));  // |x| = mant * 2^(e - 53)
    const u128 scaled = u128{mant} * 1000000000;             // below 2^83
    const int shift = e - 53;
    if (shift >= 0) {
      // A whole number of nanoseconds; past 2^64 it only matters that it is.
      ns = shift >= 45 ? ~u128{0} : scaled << shift;
    } else if (-shift >= 100) {
      ns = 1;  // a positive amount far below a nanosecond
    } else {
      const int k = -shift;
      const u128 whole = scaled >> k, rem = scaled & ((u128{1} << k) - 1);
      ns = whole + (rem != 0);
      // rem / 2^k <= whole / 2^63: lost in long double.
      near = rem != 0 && (k >= 63 ? rem <= whole << (k - 63) : rem << (63 - k) <= whole);
    }
  }
  check_duration(std::chrono::duration<double>(x), negative, ns, near);
}

// Applies `fn` to the value as each integer type that the printers take.
template <class Fn>
void every_type(u64 v, int which, Fn fn) {
  switch (which % 8) {
    case 0: fn(static_cast<long long>(v)); break;
    case 1: fn(static_cast<unsigned long long>(v)); break;
    case 2: fn(static_cast<std::int32_t>(v)); break;
    case 3: fn(static_cast<std::uint32_t>(v)); break;
    case 4: fn(static_cast<std::int16_t>(v)); break;
    case 5: fn(static_cast<std::uint16_t>(v)); break;
    case 6: fn(static_cast<signed char>(v)); break;
    case 7: fn(static_cast<std::size_t>(v)); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  reader r{data, size};
  const std::uint8_t op = r.byte();
  const std::uint8_t arg = r.byte();
  u64 v = r.u64();
  // Small counts and the edges of the powers of ten are where the rounding
  // turns: shift the value down at times to reach them more often.
  if (arg & 0x80) v >>= (arg & 0x3f);
  switch (op % 6) {
    case 0:
    case 1: {
      static const std::string units[] = {"B", "s", "", "m", "9", std::string(200, 'u')};
      const int scale = arg % 17 - 8;
      const std::string& unit = units[(op / 6) % 6];
      every_type(v, op / 36, [&](auto n) { si_case(n, scale, unit); });
      break;
    }
    case 2: every_type(v, op / 6, [](auto n) { bi_case(n); }); break;
    case 3:
      // Integers are unsigned nanoseconds; narrower signed ones are widened
      // with their sign first.
      every_type(v, op / 6, [](auto n) {
        u64 ns;
        if constexpr (std::is_signed_v<decltype(n)>)
          ns = static_cast<u64>(static_cast<std::int64_t>(n));
        else
          ns = static_cast<u64>(n);
        check_span(render(quarn::uint64_ns_span, n), ns);
      });
      break;
    case 4: {
      const auto count = static_cast<long long>(v);
      switch ((op / 6) % 6) {
        case 0: tick_case<1, 1000000000>(count); break;
        case 1: tick_case<1, 1000000>(count); break;
        case 2: tick_case<3600, 1>(count); break;
        case 3: tick_case<1, 1000000000000>(count); break;
        case 4: tick_case<1, 3>(count); break;
        case 5: tick_case<7, 1000000000000000>(count); break;
      }
      break;
    }
    case 5: {
      double x;
      std::memcpy(&x, &v, sizeof x);
      float_case(x);
      break;
    }
  }
  return 0;
}
