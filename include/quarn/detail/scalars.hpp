// SPDX-License-Identifier: MIT
// The parts of quarn/scalars.hpp that users do not name: which integers the
// integer printers take, and the functions behind the printers.
#pragma once

#include <concepts>
#include <string_view>
#include <type_traits>

#include "quarn/engine.hpp"

namespace quarn::detail {

// The integer types: the integral types but bool and the character types.
template <class I>
concept integer = std::integral<I> && !std::same_as<I, bool> && !std::same_as<I, char> && !std::same_as<I, wchar_t> &&
                  !std::same_as<I, char8_t> && !std::same_as<I, char16_t> && !std::same_as<I, char32_t>;

// I converts to Target without narrowing.
template <class I, class Target>
concept fits = integer<I> && requires(I v) { Target{v}; };

void print_signed(formatter& f, long long v);
void print_unsigned(formatter& f, unsigned long long v);
// Prints `magnitude`, with "-" when `negative`, its digits in groups of
// three separated by `separator`.
void print_grouped(formatter& f, unsigned long long magnitude, bool negative, std::string_view separator);
// Throws quarn::invalid_argument: a separator of grouped_with() is longer
// than 8 bytes.
[[noreturn]] void separator_too_long();
void print_g(formatter& f, double x);
void print_g(formatter& f, long double x);

/// floor(x + 0.5): halves go toward positive infinity.
double round(double x);
/// x rounded to d fractional digits; whole numbers (and zeros), infinities
/// and not-a-number unchanged.
double round_dfrac(int d, double x);
long double round_dfrac(int d, long double x);
/// x rounded to d + 1 significant digits; zeros give +0, infinities and
/// not-a-number stay.
double round_dsig(int d, double x);
long double round_dsig(int d, long double x);

/// A float at the precision of its type: long double stays long double,
/// float and double become double.
template <class F>
using printed_float_t = std::conditional_t<std::is_same_v<F, long double>, long double, double>;

}  // namespace quarn::detail
