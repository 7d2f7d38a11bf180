// SPDX-License-Identifier: MIT
// Results: a value (Ok) or an error (Error).
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace quarn {

/// A successful value, convertible to any outcome<T, E> whose T it converts to.
template <class T>
struct Ok {
  /// The value.
  T value;
};
/// Deduces the value's type: `Ok{3}` is an Ok<int>.
template <class T>
Ok(T) -> Ok<T>;

/// An error value, convertible to any outcome<T, E> whose E it converts to.
template <class E>
struct Error {
  /// The error.
  E error;
};
/// Deduces the error's type: `Error{"bad"s}` is an Error<std::string>.
template <class E>
Error(E) -> Error<E>;

/// An error carrying a message text, as made by error_msg().
struct Msg {
  /// The message.
  std::string message;
  /// Whether two messages are equal.
  friend bool operator==(const Msg&, const Msg&) = default;
};

/// Either a value of T (Ok) or an error of E (Error).  (quarn::result is the
/// printer of outcomes.)
template <class T, class E>
class outcome {
public:
  /// An outcome holding the value of `ok`.
  template <class U>
    requires std::is_convertible_v<U, T>
  // NOLINTNEXTLINE(google-explicit-constructor): implicit by design
  outcome(Ok<U> ok) : v_(std::in_place_index<0>, std::move(ok.value)) {}
  /// An outcome holding the error of `err`.
  template <class G>
    requires std::is_convertible_v<G, E>
  outcome(Error<G> err) : v_(std::in_place_index<1>, std::move(err.error)) {}  // NOLINT(google-explicit-constructor)

  /// Whether the outcome holds a value.
  [[nodiscard]] bool is_ok() const noexcept { return v_.index() == 0; }
  /// Whether the outcome holds an error.
  [[nodiscard]] bool is_error() const noexcept { return v_.index() == 1; }
  /// Whether the outcome holds a value, as is_ok().
  explicit operator bool() const noexcept { return is_ok(); }

  /// The value; throws std::bad_variant_access on an error.
  [[nodiscard]] const T& value() const& { return std::get<0>(v_); }
  /// The value, modifiable; throws std::bad_variant_access on an error.
  [[nodiscard]] T& value() & { return std::get<0>(v_); }
  /// The error; throws std::bad_variant_access on a value.
  [[nodiscard]] const E& error() const& { return std::get<1>(v_); }
  /// The error, modifiable; throws std::bad_variant_access on a value.
  [[nodiscard]] E& error() & { return std::get<1>(v_); }

  /// Whether two outcomes hold equal values, or equal errors.
  friend bool operator==(const outcome&, const outcome&) = default;

private:
  std::variant<T, E> v_;
};

}  // namespace quarn
