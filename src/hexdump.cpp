// Hex dumps: width checks, addresses and vec bounds.
#include "quarn/hexdump.hpp"

#include <charconv>
#include <cstring>

#include "quarn/failure.hpp"
#include "quarn/errors.hpp"

namespace quarn {

namespace {

// `address` in lower-case hexadecimal, padded with zeros to `digits` digits,
// then ": " if `colon`.  A single string when `digits` is 16 or less, as it
// always is for the default address printer of a dump.
void print_address(formatter& f, long long address, int digits, bool colon) {
  char hex[16];
  const auto r = std::to_chars(hex, hex + sizeof hex, static_cast<unsigned long long>(address), 16);
  const auto n = static_cast<std::size_t>(r.ptr - hex);
  const auto want = static_cast<std::size_t>(digits > 0 ? digits : 0);
  std::size_t pad = n < want ? want - n : 0;
  // More digits than any address has: the surplus zeros go first, apart.
  constexpr std::string_view zeros = "0000000000000000";
  for (; pad > zeros.size(); pad -= zeros.size()) f.print_string(zeros);
  char text[zeros.size() + sizeof hex + 2];
  std::memcpy(text, zeros.data(), pad);
  std::memcpy(text + pad, hex, n);
  std::size_t len = pad + n;
  if (colon) {
    text[len++] = ':';
    text[len++] = ' ';
  }
  f.print_string(std::string_view(text, len));
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
