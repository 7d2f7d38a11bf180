// SPDX-License-Identifier: MIT
// Integers and floating-point numbers written exactly as C's printf writes
// them, through std::to_chars: the digits are the same (to_chars with a
// precision is defined as printf in the "C" locale) at a fraction of the
// cost, and the flags, width and precision are applied here.  What this
// does not handle itself (the "#" flag of floats, very wide fields) goes to
// snprintf.
#pragma once

#include <string>
#include <string_view>

namespace quarn::detail {

// A printf conversion: its flags, width and precision (-1: none) and letter,
// one of d u x X o for integers and f e E g G for floats.
struct printf_field {
  bool minus = false, zero = false, plus = false, space = false, hash = false;
  int width = -1;
  int precision = -1;
  char conv = 'd';
  // "d" and "u" only: when not empty, what separates the digits in groups
  // of three ("'" in a format string, the grouped printer).
  std::string_view group;
};

// The text of one number.  Short texts (all but fields wider than the
// inline buffer) live in the object itself.
class number_text {
public:
  number_text() = default;
  number_text(const number_text&) = delete;
  number_text& operator=(const number_text&) = delete;

  [[nodiscard]] std::string_view view() const noexcept { return view_; }

private:
  friend struct field_writer;

  static constexpr std::size_t capacity = 128;
  char buf_[capacity];
  std::string long_;
  std::string_view view_;
};

// Writes the magnitude `magnitude`, negative when `negative` is set, as
// printf writes a value of that sign and magnitude with `field` (the
// letter's base; the sign flags apply to "d" only).
void write_integer(number_text& out, unsigned long long magnitude, bool negative, const printf_field& field);

// Writes "%.<precision>g" of `x` (precision -1: 6) to `out`, which has
// room for 40 bytes, when a short way applies (most numbers with a few
// digits); returns the end of the text, or null when write_floating() must
// do it.
char* write_short_general(char* out, double x, int precision);

// Writes `x` as printf writes it with `field`; a long double at its own
// precision (as with printf's "L").
void write_floating(number_text& out, double x, const printf_field& field);
void write_floating(number_text& out, long double x, const printf_field& field);

// The shortest text that reads back as `x`, as std::to_chars(first, last, x)
// writes it (where to_chars would narrow a long double to double, made with
// snprintf instead).
std::string shortest_text(long double x);

}  // namespace quarn::detail
