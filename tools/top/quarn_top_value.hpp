// SPDX-License-Identifier: MIT
// How quarn-top shows the value of an expression phrase: a phrase `e` typed
// without a final ';' runs as
//
//   ::quarn::top::show_phrase_value(((e), ::quarn::top::phrase_value_probe{}));
//
// and prints "- : TYPE = VALUE" on standard output (through
// quarn::stdout_formatter()), the value by quarn::dump::value, or "- : TYPE"
// when quarn::dump::value cannot print the type; nothing for an expression
// of type void. The toplevel includes this header, once, before the first
// such phrase. A type of your own prints once it has a
// quarn::dump::printer_for (see <quarn/value.hpp>).
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include <quarn/format.hpp>
#include <quarn/value.hpp>

namespace quarn::top {

/// The right operand of the comma that carries the expression's value: for
/// an expression of type void the built-in comma applies and yields the
/// probe itself.
struct phrase_value_probe {};

/// The expression's value, by reference; it lives until the end of the
/// phrase's statement.
template <class T>
struct phrase_value {
  T&& value;
};

template <class T>
phrase_value<T> operator,(T&& value, phrase_value_probe) {
  return {std::forward<T>(value)};
}

/// T's name as the compiler writes it (clang, which compiles the phrases,
/// leaves default template arguments out), with the usual names of the
/// standard strings and streams.
template <class T>
std::string phrase_type_name() {
  const std::string_view f = __PRETTY_FUNCTION__;  // "... [T = std::vector<int>]"
  const auto at = f.find("[T = ");
  std::string name(at == std::string_view::npos ? f : f.substr(at + 5, f.size() - at - 6));
  static constexpr std::pair<std::string_view, std::string_view> usual[] = {
      {"std::basic_string<char>", "std::string"},
      {"std::basic_string_view<char>", "std::string_view"},
      {"std::basic_ostream<char>", "std::ostream"},
      {"std::basic_istream<char>", "std::istream"},
  };
  for (const auto& [long_name, short_name] : usual) {
    for (auto p = name.find(long_name); p != std::string::npos; p = name.find(long_name, p + short_name.size())) {
      name.replace(p, long_name.size(), short_name);
    }
  }
  return name;
}

/// An expression of type void: nothing to show.
inline void show_phrase_value(phrase_value_probe) {}

template <class T>
void show_phrase_value(phrase_value<T> v) {
  using type = std::remove_cvref_t<T>;
  const std::string name = phrase_type_name<type>();
  if constexpr (quarn::dump::printable<type>) {
    quarn::print("@[<2>- : %s =@ %a@]@.", name, quarn::dump::value, v.value);
  } else {
    quarn::print("- : %s@.", name);
  }
}

}  // namespace quarn::top
