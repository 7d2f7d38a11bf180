// Numbers written as printf writes them, through std::to_chars.
#include "number_text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

namespace quarn::detail {

namespace {

// The printf directive of `spec`, with C length modifier `length`.
std::string printf_directive(const printf_spec& spec, const char* length) {
  std::string d = "%";
  if (spec.minus) d += '-';
  if (spec.zero) d += '0';
  if (spec.plus) d += '+';
  if (spec.space) d += ' ';
  if (spec.hash) d += '#';
  if (spec.width >= 0) d += std::to_string(spec.width);
  if (spec.precision >= 0) d += '.' + std::to_string(spec.precision);
  d += length;
  d += spec.conv;
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

std::string_view sign_of(bool negative, const printf_spec& spec) {
  if (negative) return "-";
  if (spec.plus) return "+";
  if (spec.space) return " ";
  return {};
}

}  // namespace

// Lays out a field as printf does: `prefix` (sign, "0x"), `zeros` zeros and
// `body`, padded to the width with spaces on the left, on the right ("-"),
// or with zeros after the prefix when `zero_pad`.
struct field_writer {
  static void write(number_text& out, std::string_view prefix, std::size_t zeros, std::string_view body,
                    const printf_spec& spec, bool zero_pad) {
    const std::size_t length = prefix.size() + zeros + body.size();
    const std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
    const std::size_t pad = width > length ? width - length : 0;
    char* p = out.buf_;
    if (length + pad > number_text::capacity) {
      out.long_.resize(length + pad);
      p = out.long_.data();
    }
    char* const start = p;
    if (!spec.minus && !zero_pad) p = fill(p, ' ', pad);
    p = copy(p, prefix);
    p = fill(p, '0', zeros + (zero_pad && !spec.minus ? pad : 0));
    p = copy(p, body);
    if (spec.minus) p = fill(p, ' ', pad);
    out.view_ = std::string_view(start, static_cast<std::size_t>(p - start));
  }

  static void write(number_text& out, std::string text) {
    out.long_ = std::move(text);
    out.view_ = out.long_;
  }
};

void write_integer(number_text& out, unsigned long long magnitude, bool negative, const printf_spec& spec) {
  const int base = spec.conv == 'x' || spec.conv == 'X' ? 16 : spec.conv == 'o' ? 8 : 10;
  char digits[64];
  char* end = digits;
  // With a precision of 0, zero has no digits.
  if (magnitude != 0 || spec.precision != 0) end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
  if (spec.conv == 'X') std::transform(digits, end, digits, [](char c) { return c >= 'a' ? char(c - 'a' + 'A') : c; });
  const std::string_view body(digits, static_cast<std::size_t>(end - digits));

  std::string_view prefix;
  if (spec.conv == 'd') prefix = sign_of(negative, spec);
  if (spec.hash && magnitude != 0 && spec.conv == 'x') prefix = "0x";
  if (spec.hash && magnitude != 0 && spec.conv == 'X') prefix = "0X";

  const std::size_t precision = spec.precision > 0 ? static_cast<std::size_t>(spec.precision) : 0;
  std::size_t zeros = precision > body.size() ? precision - body.size() : 0;
  // "#" makes an octal number start with 0.
  if (spec.hash && spec.conv == 'o' && zeros == 0 && (body.empty() || body[0] != '0')) zeros = 1;
  field_writer::write(out, prefix, zeros, body, spec, spec.zero && spec.precision < 0);
}

void write_floating(number_text& out, double x, const printf_spec& spec) {
  const int precision = spec.precision >= 0 ? spec.precision : 6;
  const std::chars_format format = spec.conv == 'f'                      ? std::chars_format::fixed
                                   : spec.conv == 'e' || spec.conv == 'E' ? std::chars_format::scientific
                                                                          : std::chars_format::general;
  char digits[400];
  std::to_chars_result r{digits, std::errc::value_too_large};
  // "#" keeps trailing zeros and the point, which to_chars has no switch for.
  if (!spec.hash) r = std::to_chars(digits, digits + sizeof digits, std::fabs(x), format, precision);
  if (r.ec != std::errc{}) {
    field_writer::write(out, c_format(printf_directive(spec, ""), x));
    return;
  }
  if (spec.conv == 'E' || spec.conv == 'G')
    std::transform(digits, r.ptr, digits, [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
  const std::string_view body(digits, static_cast<std::size_t>(r.ptr - digits));
  // Infinities and not-a-numbers are padded with spaces, never zeros.
  field_writer::write(out, sign_of(std::signbit(x), spec), 0, body, spec, spec.zero && std::isfinite(x));
}

}  // namespace quarn::detail
