// SPDX-License-Identifier: MIT
// Scalar printers: integers, floats and exceptions.  exn_backtrace is in
// failure.cpp, beside the backtraces it prints.
#include "quarn/scalars.hpp"

#include <cxxabi.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <typeinfo>

#include "quarn/detail/demangle.hpp"
#include "quarn/format.hpp"
#include "format/number_text.hpp"

namespace quarn {

namespace detail {

void print_signed(formatter& f, long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  f.print_string(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void print_unsigned(formatter& f, unsigned long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  f.print_string(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void print_grouped(formatter& f, unsigned long long magnitude, bool negative, std::string_view separator) {
  number_text text;
  write_integer(text, magnitude, negative, printf_field{.conv = negative ? 'd' : 'u', .group = separator});
  f.print_string(text.view());
}

void separator_too_long() { throw invalid_argument("quarn: grouped_with: a separator of more than 8 bytes"); }

void print_g(formatter& f, double x) {
  number_text text;
  write_floating(text, x, printf_field{.conv = 'g', .group = {}});
  f.print_string(text.view());
}

void print_g(formatter& f, long double x) {
  number_text text;
  write_floating(text, x, printf_field{.conv = 'g', .group = {}});
  f.print_string(text.view());
}

double round(double x) { return std::floor(x + 0.5); }

namespace {

// The rounding of the two functions below, in the type of the value: a
// double for float and double, a long double for long double.
template <class F>
F round_dfrac_of(int d, F x) {
  // The scaling below would turn an infinity into not-a-number.
  if (!std::isfinite(x) || x - std::floor(x + F(0.5)) == 0) return x;
  F m = std::pow(F(10), static_cast<F>(d));
  // 10^-d beyond the range of F: x, which is not whole and so below
  // 2^digits, is nearer 0 than any other multiple of 10^-d.
  if (m == 0) return F(0);
  // With more digits asked for than F holds, scaling would overflow (and
  // give not-a-number): the value is already as precise as it gets.
  if (!std::isfinite(x * m)) return x;
  return std::floor(x * m + F(0.5)) / m;
}

template <class F>
F round_dsig_of(int d, F x) {
  if (x == 0) return F(0);
  // The scaling below would turn an infinity into not-a-number.
  if (!std::isfinite(x)) return x;
  F e = std::floor(std::log10(std::fabs(x)));
  // Near the bottom of the range (below 1e-300 for a double) the power of
  // ten is subnormal or zero, and scaling by it loses the digits: bring the
  // value up first.
  constexpr int low = std::numeric_limits<F>::min_exponent10 + 7;
  if (e < low) {
    const F up = std::pow(F(10), static_cast<F>(-low));
    return round_dsig_of(d, x * up) / up;
  }
  F m = std::pow(F(10), e);
  F r = round_dfrac_of(d, x / m) * m;
  // Rounded up past the largest value (as DBL_MAX to four digits is): the
  // value stays as it is rather than become an infinity.
  return std::isfinite(r) ? r : x;
}

}  // namespace

double round_dfrac(int d, double x) { return round_dfrac_of(d, x); }
long double round_dfrac(int d, long double x) { return round_dfrac_of(d, x); }
double round_dsig(int d, double x) { return round_dsig_of(d, x); }
long double round_dsig(int d, long double x) { return round_dsig_of(d, x); }

std::string demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> d(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return status == 0 && d ? std::string(d.get()) : std::string(mangled);
}

}  // namespace detail

namespace {

void print_exception(formatter& f, const std::string& type, const char* what) {
  f.print_string(type);
  if (what != nullptr && *what != '\0') {
    f.print_string(": ");
    f.print_string(what);
  }
}

}  // namespace

void exn_printer::operator()(formatter& f, const std::exception& e) const {
  print_exception(f, detail::demangle(typeid(e).name()), e.what());
}

void exn_printer::operator()(formatter& f, const std::exception_ptr& e) const {
  if (!e) {
    f.print_string("no exception");
    return;
  }
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    (*this)(f, ex);
  } catch (...) {
    const std::type_info* t = abi::__cxa_current_exception_type();
    print_exception(f, t != nullptr ? detail::demangle(t->name()) : std::string("unknown exception"), nullptr);
  }
}

}  // namespace quarn
