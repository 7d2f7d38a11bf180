// SPDX-License-Identifier: MIT
// The parts of quarn/dump.hpp that users do not name: the brackets of dumped
// arrays, the braces of dumped records, and the UTF-8, UTF-16 and UTF-32
// strings that dump::string takes.
#pragma once

#include <concepts>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/combinators.hpp"
#include "quarn/format.hpp"

namespace quarn::detail {

// A UTF-8, UTF-16 or UTF-32 string: std::u8string, std::u16string,
// std::u32string, their views, and what converts to one of those, but not a
// pointer (a null one has no text), nullptr, nor an array (see
// unicode_array_view).
template <class S>
concept unicode_string =
    !std::is_pointer_v<S> && !std::is_null_pointer_v<S> && !std::is_array_v<S> &&
    (std::convertible_to<const S&, std::u8string_view> || std::convertible_to<const S&, std::u16string_view> ||
     std::convertible_to<const S&, std::u32string_view>);

// A char8_t, char16_t or char32_t array.
template <class S>
concept unicode_array =
    std::is_bounded_array_v<S> && (std::same_as<std::remove_cv_t<std::remove_extent_t<S>>, char8_t> ||
                                   std::same_as<std::remove_cv_t<std::remove_extent_t<S>>, char16_t> ||
                                   std::same_as<std::remove_cv_t<std::remove_extent_t<S>>, char32_t>);

// The code units of such an array up to its first null one, or all of them
// when it holds none, as for char arrays.
template <unicode_array S>
constexpr auto unicode_array_view(const S& a) {
  using C = std::remove_cv_t<std::remove_extent_t<S>>;
  const std::basic_string_view<C> all(a, std::extent_v<S>);
  return all.substr(0, all.find(C{}));
}

// The text of a UTF-8, UTF-16 or UTF-32 string in double quotes: each
// character's UTF-8 bytes escaped as "%S" escapes bytes; a code unit that
// is no part of a character (a byte of invalid UTF-8, a lone surrogate, a
// value beyond U+10FFFF) named rather than mistaken for one: a byte as
// "%S" writes it (\255), a wider unit as \u{D83D}.
void print_unicode_string(formatter& f, std::u8string_view s);
void print_unicode_string(formatter& f, std::u16string_view s);
void print_unicode_string(formatter& f, std::u32string_view s);

// "[|", `p`, "|]" in a b box of indentation 2.
template <class P>
box_printer<surround_printer<P>> oxford_brackets(P p) {
  return box(surround("[|", "|]", std::move(p)), {.indent = 2});
}

// The fields of a dumped record in braces, separated by ";" and a break hint.
template <class Fields>
auto braced_fields(Fields fields) {
  return box(surround("{ ", " }", vbox(concat(std::move(fields), {.sep = any(";@,")}))), {.indent = 2});
}

}  // namespace quarn::detail
