// SPDX-License-Identifier: MIT
// Reading the toplevel's input a line at a time: with libedit's line editing
// and in-memory history when standard input is a terminal, plain lines
// otherwise.
#pragma once

#include <optional>
#include <string>

namespace quarn::top {

class line_reader {
public:
  /// Reads standard input.
  line_reader();

  /// The next line without its new line, or nullopt at the end of input or
  /// when a Ctrl-C abandoned the line (see interrupted()). `prompt` is
  /// shown only when the input is a terminal.
  [[nodiscard]] std::optional<std::string> read(const char* prompt);

  /// Whether the last read() was cut short by a Ctrl-C rather than the end
  /// of the input.
  [[nodiscard]] bool interrupted() const noexcept { return interrupted_; }

  /// Keeps `phrase` in the history, when there is one.
  void remember(const std::string& phrase);

  /// Whether standard input is a terminal.
  [[nodiscard]] bool interactive() const noexcept { return interactive_; }

private:
  bool interactive_;
  bool interrupted_ = false;
};

}  // namespace quarn::top
