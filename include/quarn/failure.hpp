// SPDX-License-Identifier: MIT
// The kinds of failure the library raises, and recorded backtraces.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn {

/// The call stack at some point of the program, as return addresses.
class backtrace {
public:
  /// Records the current stack, leaving out the innermost `skip` frames
  /// besides capture() itself.
  [[nodiscard]] static backtrace capture(int skip = 0);

  /// The recorded return addresses, innermost first.
  [[nodiscard]] const std::vector<void*>& frames() const noexcept { return frames_; }
  /// Whether no frame was recorded.
  [[nodiscard]] bool empty() const noexcept { return frames_.empty(); }
  /// One readable line per frame: the demangled function name and offset
  /// when the symbol is known, the module and the address.
  [[nodiscard]] std::vector<std::string> lines() const;

private:
  std::vector<void*> frames_;
};

/// The general failure, raised by failwith() and failwith_notrace().
class failure : public std::runtime_error {
public:
  /// A failure with `message` and no backtrace.
  explicit failure(const std::string& message) : std::runtime_error(message) {}
  /// A failure with `message` and the stack `trace` where it was raised.
  failure(const std::string& message, quarn::backtrace trace)
      : std::runtime_error(message), trace_(std::make_shared<const quarn::backtrace>(std::move(trace))) {}
  /// The stack where failwith() raised it; null when none was recorded.
  [[nodiscard]] const quarn::backtrace* backtrace() const noexcept { return trace_.get(); }

private:
  std::shared_ptr<const quarn::backtrace> trace_;
};

/// An argument outside what a function accepts (invalid_arg(), bad options).
class invalid_argument : public std::invalid_argument {
public:
  using std::invalid_argument::invalid_argument;
};

/// A division by zero, such as a dump width of 0.
class division_by_zero : public std::domain_error {
public:
  division_by_zero() : std::domain_error("Division_by_zero") {}
  using std::domain_error::domain_error;
};

/// An internal invariant that does not hold.  The message names the source
/// file, line and column: "Assert_failure(FILE, LINE, COLUMN)".
class assertion_failure : public std::logic_error {
public:
  /// The failure of the assertion at `file`, `line` and `column`.
  assertion_failure(std::string file, int line, int column);
  /// The source file of the assertion.
  [[nodiscard]] const std::string& file() const noexcept { return file_; }
  /// The line of the assertion.
  [[nodiscard]] int line() const noexcept { return line_; }
  /// The column of the assertion.
  [[nodiscard]] int column() const noexcept { return column_; }

private:
  std::string file_;
  int line_;
  int column_;
};

namespace detail {
[[noreturn]] void raise_failure(std::string message, bool with_trace);
}

}  // namespace quarn
