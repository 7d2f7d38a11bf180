// SPDX-License-Identifier: MIT
// Numbers written as printf writes them, through std::to_chars.
#include "format/number_text.hpp"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace quarn::detail {

namespace {

// Whether std::to_chars writes a long double at its own precision.  libc++
// converts it to double first (the largest long double comes out as "inf"),
// so there long doubles that a double cannot hold go to snprintf.
#if defined(_LIBCPP_VERSION)
constexpr bool exact_long_double_to_chars = LDBL_MANT_DIG == DBL_MANT_DIG;
#else
constexpr bool exact_long_double_to_chars = true;
#endif

// The printf directive of `field`, with C length modifier `length`.
std::string printf_directive(const printf_field& field, const char* length) {
  std::string d = "%";
  if (field.minus) d += '-';
  if (field.zero) d += '0';
  if (field.plus) d += '+';
  if (field.space) d += ' ';
  if (field.hash) d += '#';
  if (field.width >= 0) d += std::to_string(field.width);
  if (field.precision >= 0) d += '.' + std::to_string(field.precision);
  d += length;
  d += field.conv;
  return d;
}

template <class V>
std::string c_format(const std::string& directive, V value) {
  char buf[128];
  const int n = std::snprintf(buf, sizeof buf, directive.c_str(), value);
  if (n < 0) throw std::runtime_error("quarn: number formatting failed");
  if (static_cast<std::size_t>(n) < sizeof buf) return std::string(buf, static_cast<std::size_t>(n));
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), directive.c_str(), value);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

char* fill(char* p, char c, std::size_t n) { return std::fill_n(p, n, c); }
char* copy(char* p, std::string_view s) { return std::copy(s.begin(), s.end(), p); }

std::string_view sign_of(bool negative, const printf_field& field) {
  if (negative) return "-";
  if (field.plus) return "+";
  if (field.space) return " ";
  return {};
}

}  // namespace

// Lays out a field as printf does: `prefix` (sign, "0x"), `zeros` zeros and
// `body`, padded to the width with spaces on the left, on the right ("-"),
// or with zeros after the prefix when `zero_pad`.
struct field_writer {
  static void write(number_text& out, std::string_view prefix, std::size_t zeros, std::string_view body,
                    const printf_field& field, bool zero_pad) {
    const std::size_t length = prefix.size() + zeros + body.size();
    const std::size_t width = field.width > 0 ? static_cast<std::size_t>(field.width) : 0;
    const std::size_t pad = width > length ? width - length : 0;
    char* p = out.buf_;
    if (length + pad > number_text::capacity) {
      out.long_.resize(length + pad);
      p = out.long_.data();
    }
    char* const start = p;
    if (!field.minus && !zero_pad) p = fill(p, ' ', pad);
    p = copy(p, prefix);
    p = fill(p, '0', zeros + (zero_pad && !field.minus ? pad : 0));
    p = copy(p, body);
    if (field.minus) p = fill(p, ' ', pad);
    out.view_ = std::string_view(start, static_cast<std::size_t>(p - start));
  }

  static void write(number_text& out, std::string text) {
    out.long_ = std::move(text);
    out.view_ = out.long_;
  }
};

void write_integer(number_text& out, unsigned long long magnitude, bool negative, const printf_field& field) {
  const int base = field.conv == 'x' || field.conv == 'X' ? 16 : field.conv == 'o' ? 8 : 10;
  char digits[64];
  char* end = digits;
  // With a precision of 0, zero has no digits.
  if (magnitude != 0 || field.precision != 0) end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
  if (field.conv == 'X') std::transform(digits, end, digits, [](char c) { return c >= 'a' ? char(c - 'a' + 'A') : c; });
  const std::string_view body(digits, static_cast<std::size_t>(end - digits));

  std::string_view prefix;
  if (field.conv == 'd') prefix = sign_of(negative, field);
  if (field.hash && magnitude != 0 && field.conv == 'x') prefix = "0x";
  if (field.hash && magnitude != 0 && field.conv == 'X') prefix = "0X";

  const std::size_t precision = field.precision > 0 ? static_cast<std::size_t>(field.precision) : 0;
  std::size_t zeros = precision > body.size() ? precision - body.size() : 0;
  if (!field.group.empty()) {
    // The zeros of the precision are digits like the others, grouped with
    // them; the zeros of the "0" flag pad the field and are not.
    const std::string digits_of_field = std::string(zeros, '0').append(body);
    std::string grouped;
    for (std::size_t k = 0; k < digits_of_field.size(); ++k) {
      if (k != 0 && (digits_of_field.size() - k) % 3 == 0) grouped += field.group;
      grouped += digits_of_field[k];
    }
    field_writer::write(out, prefix, 0, grouped, field, field.zero && field.precision < 0);
    return;
  }
  // "#" makes an octal number start with 0.
  if (field.hash && field.conv == 'o' && zeros == 0 && (body.empty() || body[0] != '0')) zeros = 1;
  field_writer::write(out, prefix, zeros, body, field, field.zero && field.precision < 0);
}

namespace {

// "%.<precision>g" (precision 1 to 15) of `magnitude` when some m * 10^k,
// k below the precision, is a whole number y below 10^precision, as it is
// for most numbers people print (0.25, 1.5, 120).  y is then the value
// rounded to its last places: the product was rounded once, so it is within
// half a unit in y's last place of the exact m * 10^k, and with 15 digits or
// fewer that is less than half of "%g"'s last place.  Returns the end of the
// text written to `out`, or null when no such k exists (or the text would be
// in exponent form): the caller then asks to_chars.
char* whole_general(char* out, double magnitude, int precision) {
  static constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const double limit = powers[precision];
  if (!(magnitude < limit)) return nullptr;  // also infinities and not-a-numbers
  for (int k = 0; k < precision; ++k) {
    const double y = magnitude * powers[k];
    if (y >= limit) return nullptr;
    // y < 10^15 converts to an integer exactly.
    if (y != static_cast<double>(static_cast<long long>(y))) continue;
    char digits[24];
    char* const end = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned long long>(y)).ptr;
    const auto n = static_cast<int>(end - digits);
    if (y == 0) return copy(out, "0");
    // The exponent of the value, as "%g" writes it: below -4, "%g" uses the
    // exponent form.
    if (n - 1 - k < -4) return nullptr;
    if (k == 0) return std::copy(digits, end, out);
    if (n > k) {
      out = std::copy(digits, end - k, out);
    } else {
      out = copy(out, "0");
      *out++ = '.';
      out = fill(out, '0', static_cast<std::size_t>(k - n));
      // Fall through to the fraction, which is all of the digits.
      char* last = end;
      while (last[-1] == '0') --last;
      return std::copy(digits, last, out);
    }
    // The fraction without its trailing zeros, and no point if none is left.
    char* last = end;
    while (last > end - k && last[-1] == '0') --last;
    if (last == end - k) return out;
    *out++ = '.';
    return std::copy(end - k, last, out);
  }
  return nullptr;
}

}  // namespace

char* write_short_general(char* out, double x, int precision) {
  if (precision > 15) return nullptr;
  char* p = out;
  if (std::signbit(x)) *p++ = '-';
  return whole_general(p, std::fabs(x), precision == 0 ? 1 : precision);
}

namespace {

template <class F>
void write_floating_of(number_text& out, F x, const printf_field& field) {
  constexpr bool is_long = std::is_same_v<F, long double>;
  const int precision = field.precision >= 0 ? field.precision : 6;
  const std::chars_format format = field.conv == 'f'                        ? std::chars_format::fixed
                                   : field.conv == 'e' || field.conv == 'E' ? std::chars_format::scientific
                                                                            : std::chars_format::general;
  char digits[400];
  std::to_chars_result r{digits, std::errc::value_too_large};
  // "#" keeps trailing zeros and the point, which to_chars has no switch for.
  if constexpr (!is_long) {
    if (!field.hash && format == std::chars_format::general && precision <= 15) {
      if (char* end = whole_general(digits, std::fabs(x), precision == 0 ? 1 : precision)) r = {end, std::errc{}};
    }
  }
  if (!field.hash && r.ec != std::errc{} && (!is_long || exact_long_double_to_chars))
    r = std::to_chars(digits, digits + sizeof digits, std::fabs(x), format, precision);
  if (r.ec != std::errc{}) {
    field_writer::write(out, c_format(printf_directive(field, is_long ? "L" : ""), x));
    return;
  }
  if (field.conv == 'E' || field.conv == 'G')
    std::transform(digits, r.ptr, digits, [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
  const std::string_view body(digits, static_cast<std::size_t>(r.ptr - digits));
  // Infinities and not-a-numbers are padded with spaces, never zeros.
  field_writer::write(out, sign_of(std::signbit(x), field), 0, body, field, field.zero && std::isfinite(x));
}

}  // namespace

void write_floating(number_text& out, double x, const printf_field& field) { write_floating_of(out, x, field); }

void write_floating(number_text& out, long double x, const printf_field& field) { write_floating_of(out, x, field); }

std::string shortest_text(long double x) {
  char buf[64];
  if constexpr (exact_long_double_to_chars) {
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
  } else {
    if (!std::isfinite(x)) return c_format("%Lg", x);
    // The fewest significant digits that read back as x; then the shorter of
    // the fixed and the exponent form with those digits, the fixed one on a
    // tie, as to_chars chooses.
    std::string e;
    for (int digits = 1; digits <= LDBL_DECIMAL_DIG; ++digits) {
      e = c_format("%." + std::to_string(digits - 1) + "Le", x);
      if (std::strtold(e.c_str(), nullptr) == x) {
        const int exponent = std::atoi(e.c_str() + e.find('e') + 1);
        std::string f = c_format("%." + std::to_string(std::max(0, digits - 1 - exponent)) + "Lf", x);
        return f.size() <= e.size() ? f : e;
      }
    }
    return e;
  }
}

}  // namespace quarn::detail
