// Hex dumps: width checks, addresses and vec bounds.
#include "quarn/hexdump.hpp"

#include <charconv>
#include <cstring>

#include "quarn/failure.hpp"
#include "quarn/errors.hpp"

namespace quarn::detail {

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

void padded_address::operator()(formatter& f, long long address) const {
  char hex[24];
  auto r = std::to_chars(hex, hex + sizeof hex, static_cast<unsigned long long>(address), 16);
  auto n = static_cast<std::size_t>(r.ptr - hex);
  auto want = static_cast<std::size_t>(digits);
  std::size_t pad = n < want ? want - n : 0;
  char text[32];
  std::memset(text, '0', pad);
  std::memcpy(text + pad, hex, n);
  text[pad + n] = ':';
  text[pad + n + 1] = ' ';
  f.print_string(std::string_view(text, pad + n + 2));
}

}  // namespace quarn::detail
