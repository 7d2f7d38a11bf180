// SPDX-License-Identifier: MIT
// Hex dumps: width checks, addresses and vec bounds.
#include "quarn/hexdump.hpp"

#include <algorithm>
#include <string_view>

#include "quarn/failure.hpp"
#include "quarn/errors.hpp"

namespace quarn {

namespace {

// `address` in lower-case hexadecimal, padded with zeros to `digits` digits,
// then ": " if `colon`: one text when `digits` is 16 or less, as it always
// is for the default address printer of a dump.  The digits come two at a
// time from the table of byte pairs.
void print_address(formatter& f, long long address, int digits, bool colon) {
  constexpr std::string_view zeros = "0000000000000000";
  constexpr int max_digits = 16;
  auto a = static_cast<unsigned long long>(address);
  // The digits of the address itself, at least one.
  int n = 1;
  while (n < max_digits && (a >> (4 * n)) != 0) ++n;
  int pad = digits > n ? digits - n : 0;
  // More digits than any address has: the surplus zeros go first, apart.
  for (; pad > max_digits; pad -= max_digits) f.print_string(zeros);
  char text[2 * max_digits + 2];
  std::copy_n(zeros.data(), pad, text);
  char* p = text + pad + n;
  for (int k = 0; k < n / 2; ++k, a >>= 8) {
    p -= 2;
    detail::hex_digits(p, static_cast<unsigned char>(a & 0xff));
  }
  if (n % 2 != 0) p[-1] = detail::hex_pair_table.chars[2 * (a & 0xf) + 1];
  auto size = static_cast<std::size_t>(pad + n);
  if (colon) {
    text[size++] = ':';
    text[size++] = ' ';
  }
  f.print_string(std::string_view(text, size));
}

}  // namespace

int address_digits(std::size_t length, int width) {
  detail::check_line_width(width, "address_digits");
  const auto w = static_cast<std::size_t>(width);
  return detail::padded0x(length == 0 ? 0 : (length - 1) / w * w);
}

void hex_address_printer::operator()(formatter& f, const long long& address) const {
  print_address(f, address, digits, false);
}

namespace detail {

void checked_bytes::bad_vec_index(std::size_t i, std::size_t size) {
  invalid_arg("quarn: index %d out of the bounds of a byte vec of length %d", i, size);
}

void check_column_width(int width, const char* who) {
  if (width < 0) invalid_arg("quarn::%s: the width is %d, must be 0 or more", std::string_view(who), width);
}

void check_line_width(int width, const char* who) {
  if (width == 0) throw division_by_zero();
  if (width < 0) invalid_arg("quarn::%s: the width is %d, must be 1 or more", std::string_view(who), width);
}

int padded0x(std::size_t largest) noexcept {
  // Addresses beyond 32 bits get the digits of the largest one rather than
  // a bare minimum of 8, so that every line of the dump stays aligned.
  int k = 1;
  while (k < 16 && (largest >> (4 * k)) != 0) ++k;
  return k;
}

void padded_address::operator()(formatter& f, long long address) const { print_address(f, address, digits, true); }

}  // namespace detail

}  // namespace quarn
