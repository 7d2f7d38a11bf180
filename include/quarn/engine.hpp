// SPDX-License-Identifier: MIT
// The engine's extension points: semantic tags, and the function records a
// formatter calls (its tag functions and its output functions), with
// everything of <quarn/formatter.hpp>.  These carry std::function and
// std::shared_ptr, so they live apart from the formatter's own header, which
// only declares them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "quarn/formatter.hpp"

namespace quarn {

/// A semantic tag.  Tags form an open family of kinds: derive from `stag` to
/// add one.  Kinds are told apart by their dynamic type.
class stag {
public:
  virtual ~stag();
  /// A readable name of the kind ("String_tag" for string tags).
  [[nodiscard]] virtual std::string_view kind_name() const noexcept = 0;

protected:
  stag() = default;
  /// Copies the tag.
  stag(const stag&) = default;
  /// Copies the tag.
  stag& operator=(const stag&) = default;
};

/// The tag kind that format strings open with "@{<name>".
class string_tag final : public stag {
public:
  /// A string tag named `name`.
  explicit string_tag(std::string name) : name_(std::move(name)) {}
  /// The tag's name.
  [[nodiscard]] const std::string& name() const noexcept { return name_; }
  [[nodiscard]] std::string_view kind_name() const noexcept override;

private:
  std::string name_;
};

/// The four functions a formatter calls on semantic tags, read and replaced as
/// one record.  The mark functions return text written into the output at
/// zero width where the tag opens or closes (when tag marking is on); the print
/// functions are called for their effect when a tag opens or closes (when tag
/// printing is on).  An empty function behaves as the default.
struct stag_functions {
  /// Returns the text marked where a tag opens.
  std::function<std::string(const stag&)> mark_open_stag;
  /// Returns the text marked where a tag closes.
  std::function<std::string(const stag&)> mark_close_stag;
  /// Called when a tag opens.
  std::function<void(const stag&)> print_open_stag;
  /// Called when a tag closes.
  std::function<void(const stag&)> print_close_stag;
};

/// The defaults: string tags are marked "<name>" and "</name>", every other
/// kind with the empty text; the print functions do nothing.
[[nodiscard]] stag_functions default_stag_functions();

/// Where a formatter's text goes.  `write` receives laid-out bytes in order;
/// `flush` is called when the formatter is flushed.  Either may be empty.
/// Either may throw to report a failure (see "Write errors" at `formatter`);
/// neither may print to the formatter it serves (that throws
/// std::logic_error).
struct output_functions {
  /// Receives the laid-out bytes, in order.
  std::function<void(std::string_view)> write;
  /// Called when the formatter is flushed.
  std::function<void()> flush;
};

namespace detail {

// What the library's own templates and printers (formatter::open_stag(),
// the text and collection printers) reach past the formatter's public
// interface.
struct formatter_access {
  static void open_stag(formatter& f, std::shared_ptr<const stag> tag);
  // Whether `s` lies in the string `f` writes to: printing to `f` may then
  // move it, and a printer that reads `s` between its calls on `f` reads a
  // copy instead.
  static bool in_target(const formatter& f, std::string_view s);
  // Whether the next text `f` receives is conditional (print_if_newline):
  // a caller that joins texts must then hand over the first one alone.
  static bool next_text_conditional(const formatter& f);
};

}  // namespace detail

template <class Tag>
void formatter::open_stag(Tag tag) {
  std::shared_ptr<const stag> t = std::move(tag);
  detail::formatter_access::open_stag(*this, std::move(t));
}

}  // namespace quarn
