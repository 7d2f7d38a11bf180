// SPDX-License-Identifier: MIT
// The conversions of format strings ("%d", "%s", "%a" ...) as one table.
// The parser reads it to know which letters are conversions and what may
// stand between "%" and the letter, the compile-time checker to match each
// conversion with its argument, and the interpreter to fetch that argument
// and write it.  A conversion's meaning is written here and nowhere else.
#pragma once

#include <array>

namespace quarn::detail {

// What a conversion takes from the arguments.
enum class takes : unsigned char {
  nothing,            // "%%" "%@" "%," "%!"
  integer,            // an integer type other than bool and the character types
  floating,           // a floating-point type
  string,             // anything convertible to std::string_view
  character,          // char
  boolean,            // bool
  printer_and_value,  // two arguments: a printer, then the value it prints
  callable,           // a callable taking the formatter alone
};

// What the interpreter writes.
enum class writes : unsigned char {
  signed_integer,    // through printf_letter, a signed type read as signed
  unsigned_integer,  // through printf_letter, the bits read as unsigned at the type's width
  grouped_integer,   // as signed_integer (d) or unsigned_integer (u), the digits in groups of three
                     // (the "'" flag, which the parser sets in a conversion's copy of its rule)
  floating,          // through printf_letter, padded by printf itself
  string,            // the bytes, cut to the precision
  quoted_string,     // in double quotes, escaped
  character,         // the char
  quoted_character,  // in single quotes, escaped
  boolean,           // "true" or "false"
  printer,           // the printer applied to the value
  callable,          // the callable applied to the formatter
  letter,            // the conversion's own letter: "%%" is "%", "%@" is "@"
  nothing,           // no text
  flush,             // flushes the formatter
};

struct conversion_rule {
  char letter = 0;  // 0: no conversion
  takes arg = takes::nothing;
  writes out = writes::nothing;
  bool modifiers = false;  // accepts flags, a width and a precision
  bool length = false;     // accepts a length modifier: l, L or n
  char printf_letter = 0;  // the letter of C's printf that writes it (d for i), or 0
};

inline constexpr conversion_rule conversion_rules[] = {
    // letter argument                 writes                     mods   length printf
    {'d', takes::integer, writes::signed_integer, true, true, 'd'},
    {'i', takes::integer, writes::signed_integer, true, true, 'd'},
    {'u', takes::integer, writes::unsigned_integer, true, true, 'u'},
    {'x', takes::integer, writes::unsigned_integer, true, true, 'x'},
    {'X', takes::integer, writes::unsigned_integer, true, true, 'X'},
    {'o', takes::integer, writes::unsigned_integer, true, true, 'o'},
    {'f', takes::floating, writes::floating, true, false, 'f'},
    {'e', takes::floating, writes::floating, true, false, 'e'},
    {'E', takes::floating, writes::floating, true, false, 'E'},
    {'g', takes::floating, writes::floating, true, false, 'g'},
    {'G', takes::floating, writes::floating, true, false, 'G'},
    {'s', takes::string, writes::string, true, false, 0},
    {'S', takes::string, writes::quoted_string, true, false, 0},
    {'c', takes::character, writes::character, true, false, 0},
    {'C', takes::character, writes::quoted_character, true, false, 0},
    {'b', takes::boolean, writes::boolean, true, false, 0},
    {'B', takes::boolean, writes::boolean, true, false, 0},
    {'a', takes::printer_and_value, writes::printer, true, false, 0},
    {'t', takes::callable, writes::callable, true, false, 0},
    {'%', takes::nothing, writes::letter, false, false, 0},
    {'@', takes::nothing, writes::letter, false, false, 0},
    {',', takes::nothing, writes::nothing, false, false, 0},
    {'!', takes::nothing, writes::flush, false, false, 0},
};

// The position in conversion_rules plus one of each ASCII character's rule, 0
// where it is no conversion: the parser looks a letter up once per
// conversion.  Positions rather than pointers: GCC's UBSan instrumentation
// makes a pointer-to-null comparison non-constant.
inline constexpr std::array<unsigned char, 128> conversion_index = [] {
  std::array<unsigned char, 128> index{};
  for (unsigned char k = 0; k < std::size(conversion_rules); ++k)
    index[static_cast<unsigned char>(conversion_rules[k].letter)] = static_cast<unsigned char>(k + 1);
  return index;
}();

// The rule of `letter`, or a rule whose letter is 0 where it is no conversion.
constexpr conversion_rule find_conversion(char letter) {
  const auto c = static_cast<unsigned char>(letter);
  if (c >= conversion_index.size() || conversion_index[c] == 0) return conversion_rule{};
  return conversion_rules[conversion_index[c] - 1];
}

}  // namespace quarn::detail
