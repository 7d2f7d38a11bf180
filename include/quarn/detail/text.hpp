// SPDX-License-Identifier: MIT
// The parts of quarn/text.hpp that users do not name: the functions behind
// the text printers and the printer type of words, paragraphs, text and lines.
#pragma once

#include <concepts>
#include <cstddef>
#include <string_view>

#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn::detail {

// What the text printers take: anything that views as a string, but a null
// pointer constant.
template <class S>
concept string_like = std::convertible_to<const S&, std::string_view> && (!std::same_as<S, std::nullptr_t>);

void print_words(formatter& f, std::string_view s);
void print_paragraphs(formatter& f, std::string_view s);
void print_text(formatter& f, std::string_view s);
void print_lines(formatter& f, std::string_view s);
void print_truncated(formatter& f, long long max, std::string_view s);

// A printer of strings that calls Fn on the bytes.
template <void (*Fn)(formatter&, std::string_view)>
struct string_layout : printer_tag {
  template <string_like S>
  void operator()(formatter& f, const S& s) const {
    Fn(f, string_arg(s));
  }
};

}  // namespace quarn::detail
