// SPDX-License-Identifier: MIT
// Failures and errors with formatted messages: failwith() and the others
// format their message as sprint() does, then throw it (failwith,
// failwith_notrace, invalid_arg) or return it as an Error (error, error_msg).
//
//   if (n < 0) quarn::invalid_arg("negative count %d", n);
//   quarn::outcome<int, std::string> r = quarn::error("no such key %S", key);
#pragma once

#include <string>

#include "quarn/failure.hpp"
#include "quarn/format.hpp"
#include "quarn/result.hpp"

namespace quarn {

/// Throws quarn::failure with the formatted message and the stack of the
/// call, which quarn::failure::backtrace() gives back.
///
///   quarn::failwith("cannot open %S", path);
template <class... Args>
[[noreturn]] void failwith(const format_string<Args...>& fmt, const Args&... args) {
  detail::raise_failure(sprint<Args...>(fmt, args...), true);
}

/// As failwith(), without recording the stack.
template <class... Args>
[[noreturn]] void failwith_notrace(const format_string<Args...>& fmt, const Args&... args) {
  detail::raise_failure(sprint<Args...>(fmt, args...), false);
}

/// Throws quarn::invalid_argument (a std::invalid_argument) with the
/// formatted message.
///
///   quarn::invalid_arg("width %d is not positive", width);
template <class... Args>
[[noreturn]] void invalid_arg(const format_string<Args...>& fmt, const Args&... args) {
  throw invalid_argument(sprint<Args...>(fmt, args...));
}

/// The formatted message as an error, convertible to any
/// quarn::outcome<T, std::string>.
///
///   quarn::outcome<int, std::string> r = quarn::error("no such key %S", key);
template <class... Args>
[[nodiscard]] Error<std::string> error(const format_string<Args...>& fmt, const Args&... args) {
  return Error<std::string>{sprint<Args...>(fmt, args...)};
}

/// The formatted message as a Msg error, convertible to any
/// quarn::outcome<T, quarn::Msg>.
///
///   quarn::outcome<int, quarn::Msg> r = quarn::error_msg("bad line %d", 12);
template <class... Args>
[[nodiscard]] Error<Msg> error_msg(const format_string<Args...>& fmt, const Args&... args) {
  return Error<Msg>{Msg{sprint<Args...>(fmt, args...)}};
}

}  // namespace quarn
