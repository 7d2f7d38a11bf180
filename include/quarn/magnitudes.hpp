// SPDX-License-Identifier: MIT
// Magnitudes: counts with SI prefixes, byte sizes and time spans, in a short
// human-readable form.
//
//   quarn::byte_size        12345        12.4kB
//   quarn::bi_byte_size     1572864      1.5MiB
//   quarn::si_size(-3, "s") 1500         1.5us
//   quarn::uint64_ns_span   90000000000  1min30s
//
// Every value is rounded upwards, so a size or a span is never shown smaller
// than it is (negative sizes are shown with a minus sign and their magnitude
// rounded upwards, so they are never shown closer to zero than they are).
// Each printer writes one unbroken piece of text: no box, no break hint.
// Micro is always written "u", whatever the formatter's UTF-8 setting.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/magnitudes.hpp"
#include "quarn/engine.hpp"
#include "quarn/printer.hpp"
#include "quarn/scalars.hpp"

namespace quarn {

/// A count in a unit that takes the SI decimal prefixes, from "y" (10^-24)
/// to "Y" (10^24), with at most three significant digits, rounded upwards:
/// «999B», «1.01kB», «12.4kB», «124kB», «4.62EB».  Counts of a thousand and
/// more of the largest prefix are printed in full before "Y" («123457YB»).
///
/// `scale` is the power of 1000 in which counts are expressed (-1: the count
/// is in thousandths of the unit, 1: in thousands); it must lie in [-8;8].
/// It is checked each time the printer is applied: outside that range the
/// printer prints nothing and throws quarn::invalid_argument with the
/// message "~scale is <scale>, must be in [-8;8]".
///
/// Counts are any integer of at most 64 bits, signed or unsigned, so sizes
/// held in std::size_t print as they are.  A negative count prints a minus
/// sign and the layout of its magnitude, rounded away from zero («-5B»,
/// «-1.01kB»): the size is never shown closer to zero than it is.
struct si_size_printer : printer_tag {
  /// The power of 1000 in which counts are expressed, in [-8;8].
  int scale;
  /// The unit after the prefix.
  std::string unit;
  /// Prints the count `n` with its SI prefix and the unit.
  template <detail::count I>
  void operator()(formatter& f, const I& n) const {
    auto [negative, magnitude] = detail::sign_magnitude(n);
    detail::print_si_size(f, scale, unit, negative, magnitude);
  }
};
/// A count in a unit with SI prefixes and at most three significant digits, rounded upwards.
/// @code
/// quarn::sprint("%a", quarn::si_size(-3, "s"), 1500)   // "1.5us"
/// quarn::sprint("%a", quarn::si_size(0, "Hz"), 2400000)   // "2.4MHz"
/// @endcode
[[nodiscard]] inline si_size_printer si_size(int scale, std::string unit) { return {{}, scale, std::move(unit)}; }

/// A number of bytes with SI prefixes: si_size(0, "B").
struct byte_size_printer : printer_tag {
  /// Prints `n` bytes with an SI prefix.
  template <detail::count I>
  void operator()(formatter& f, const I& n) const {
    auto [negative, magnitude] = detail::sign_magnitude(n);
    detail::print_si_size(f, 0, "B", negative, magnitude);
  }
};
/// The printer of byte counts with SI prefixes.
/// @code
/// quarn::sprint("%a", quarn::byte_size, 12345)   // "12.4kB"
/// @endcode
inline constexpr byte_size_printer byte_size{};

/// A number of bytes with binary prefixes (KiB, MiB, GiB, TiB, PiB; there is
/// no larger step).  Below 1024 bytes, and for every negative count, the
/// count itself and "B".  Below ten units, one decimal rounded half up
/// («1.5KiB», «1KiB» for 1075 bytes); from ten units on, the whole number of
/// units rounded upwards («11KiB» for 10241 bytes).  A count just below a
/// unit stays in the smaller one: 1048575 prints «1024KiB».
struct bi_byte_size_printer : printer_tag {
  /// Prints `n` bytes with a binary prefix.
  template <detail::count I>
  void operator()(formatter& f, const I& n) const {
    auto [negative, magnitude] = detail::sign_magnitude(n);
    detail::print_bi_byte_size(f, negative, magnitude);
  }
};
/// The printer of byte counts with binary prefixes.
/// @code
/// quarn::sprint("%a", quarn::bi_byte_size, 1572864)   // "1.5MiB"
/// @endcode
inline constexpr bi_byte_size_printer bi_byte_size{};

/// A duration in nanoseconds, in the largest unit it reaches, rounded
/// upwards: three significant digits from nanoseconds to seconds («999ns»,
/// «1.01us», «59s»), then a unit and one sub-unit («1min30s», «2h5min»,
/// «3d12h», «1a7d»; "a" is the Julian year of 365.25 days).
///
/// Integers are read as unsigned 64-bit nanoseconds: a value with its top
/// bit set is a long span, never a negative one, and every value prints
/// (-1 as a std::int64_t, that is 2^64 - 1, prints «584a198d»).
///
/// std::chrono durations of any period, however coarse or fine, are printed
/// as the span they measure.
/// A negative duration prints a minus sign and its magnitude («-1.5ms»).
/// Periods finer than a nanosecond and floating-point counts are rounded
/// away from zero to whole nanoseconds.  A duration longer than 2^64 - 1 ns
/// (about 584 years), or a floating-point count that is not a number, throws
/// quarn::invalid_argument and prints nothing.
struct uint64_ns_span_printer : printer_tag {
  /// Prints `n` nanoseconds as a span.
  template <class I>
    requires detail::fits<I, std::int64_t> || detail::fits<I, std::uint64_t>
  void operator()(formatter& f, const I& n) const {
    // Narrower signed values are widened with their sign, then read as unsigned.
    std::uint64_t ns;
    if constexpr (std::is_signed_v<I>)
      ns = static_cast<std::uint64_t>(static_cast<std::int64_t>(n));
    else
      ns = static_cast<std::uint64_t>(n);
    detail::print_ns_span(f, false, ns);
  }

  /// Prints the span `d` measures.
  template <class Rep, class Period>
    requires std::is_floating_point_v<Rep> || detail::count<Rep>
  void operator()(formatter& f, const std::chrono::duration<Rep, Period>& d) const {
    // The period is passed as it is and converted at run time in 128-bit
    // arithmetic: std::ratio_divide<Period, std::nano> does not compile for
    // periods of centuries and more (its numerator passes 64 bits).
    if constexpr (std::is_floating_point_v<Rep>) {
      detail::print_float_span(f, static_cast<long double>(d.count()), Period::num, Period::den);
    } else {
      auto [negative, ticks] = detail::sign_magnitude(d.count());
      detail::print_tick_span(f, negative, ticks, Period::num, Period::den);
    }
  }
};
/// The printer of time spans, in nanoseconds or as std::chrono durations.
/// @code
/// quarn::sprint("%a", quarn::uint64_ns_span, 90000000000)   // "1min30s"
/// quarn::sprint("%a", quarn::uint64_ns_span, std::chrono::milliseconds(1500))   // "1.5s"
/// @endcode
inline constexpr uint64_ns_span_printer uint64_ns_span{};

}  // namespace quarn
