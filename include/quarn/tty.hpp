// SPDX-License-Identifier: MIT
// Quarn_tty: configures the formatter of an output channel for the terminal
// and locale the program runs in.
//
//   int main(int argc, char** argv) {
//     quarn::tty::setup_std_outputs();      // stdout_formatter(), stderr_formatter()
//     quarn::print("%a@.", quarn::styled(quarn::Red, quarn::string), "error");
//   }
//
// Styles are rendered (style_renderer::Ansi_tty) when the environment
// variable TERM is set to something other than "" or "dumb", the channel is
// a terminal and NO_COLOR is not set to a non-empty value (the convention of
// no-color.org, which a program may choose to ignore); otherwise the
// renderer is style_renderer::None.  UTF-8 is allowed when one of LANG,
// LC_ALL or LC_CTYPE contains "UTF-8", in any case of letters.  Either choice
// can be fixed by the caller instead, for example from the --color option
// that quarn::cli adds to a command line.  On request, the margin follows
// the terminal's width:
//
//   quarn::tty::setup_std_outputs({.margin_from_terminal = true});
//
// and, in a UTF-8 locale, text can be measured in the columns the terminal
// shows it in rather than in bytes:
//
//   quarn::tty::setup_std_outputs({.columns_when_utf_8 = true});
//
// The environment and the terminal are read at every call; nothing is
// cached.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>

#include "quarn/attributes.hpp"
#include "quarn/engine.hpp"

namespace quarn::tty {

/// The choices a caller may fix; an absent one is detected.
struct setup_options {
  /// How styles are rendered.  Absent: detect_style_renderer(channel,
  /// {.follow_no_color = follow_no_color}), that is Ansi_tty on a terminal
  /// whose TERM is not dumb unless NO_COLOR is set to a non-empty value,
  /// None otherwise.  A renderer given here is used as it is, whatever
  /// NO_COLOR says (it usually comes from the user's own --color option).
  std::optional<::quarn::style_renderer> style_renderer = std::nullopt;
  /// Whether a detected renderer follows NO_COLOR.  A program whose styles
  /// carry meaning that plain text would lose may set it to false.
  bool follow_no_color = true;
  /// Whether UTF-8 may be emitted.  Absent: whether LANG, LC_ALL or LC_CTYPE
  /// names UTF-8.
  std::optional<bool> utf_8 = std::nullopt;
  /// Whether to set the formatter's margin to the width of the terminal,
  /// terminal_columns(channel).  Lines then take at most that width less
  /// one column, as with any margin, which leaves the last column free
  /// (where some terminals wrap by themselves).  The width is brought into
  /// [4, 65535]: 4 is the narrowest margin whose maximum indentation the
  /// engine keeps below it, and 65535 the widest a terminal can report (a
  /// larger COLUMNS would let the engine hold that much text in look-ahead).
  /// The maximum indentation follows set_margin(): lowered when it exceeds
  /// the new margin, kept otherwise.  When terminal_columns() has no answer,
  /// the margin is left as it is.
  bool margin_from_terminal = false;
  /// Whether to choose how the formatter measures text from the UTF-8
  /// choice above (given or detected): in display columns when UTF-8 is
  /// allowed, in bytes otherwise (formatter::set_measure()).  Wide CJK
  /// characters then take two columns and combining accents none, as on the
  /// terminal.  When false, the measure is left as it is.
  bool columns_when_utf_8 = false;
};

/// What detect_style_renderer() takes into account besides TERM and the
/// terminal.
struct detect_options {
  /// Whether a NO_COLOR variable set to a non-empty value means None.
  bool follow_no_color = true;
};

/// The renderer that setup() detects for `channel` when none is fixed:
/// Ansi_tty when TERM is set to something other than "" or "dumb", the
/// channel is a terminal (isatty() on its descriptor; a channel without a
/// usable descriptor is not one) and NO_COLOR is unset or empty, None
/// otherwise.  With `.follow_no_color = false`, NO_COLOR is not read.
///
///   // On a terminal with TERM=xterm and NO_COLOR=1:
///   quarn::tty::detect_style_renderer(stdout);                              // None
///   quarn::tty::detect_style_renderer(stdout, {.follow_no_color = false});  // Ansi_tty
///
/// Throws std::invalid_argument when `channel` is null.
[[nodiscard]] ::quarn::style_renderer detect_style_renderer(std::FILE* channel, detect_options o = {});

/// The width in columns of the terminal that `channel` writes to, as the
/// terminal reports it (ioctl TIOCGWINSZ on the channel's descriptor).  When
/// the channel is not a terminal, or the terminal reports no width (0), the
/// COLUMNS environment variable when it is a positive decimal number that
/// fits an int ("80"; not "", "0", "-1", "80 ", "+80"); otherwise nothing.
///
///   const int width = quarn::tty::terminal_columns(stdout).value_or(80);
///
/// The value is read at every call (terminals are resized); see
/// setup_options::margin_from_terminal for setting a formatter's margin
/// from it.
///
/// Throws std::invalid_argument when `channel` is null.
[[nodiscard]] std::optional<int> terminal_columns(std::FILE* channel);

/// The formatter that setup() configured, together with who owns it.
///
/// For the standard channels it refers to stdout_formatter() or
/// stderr_formatter(), which belong to the library and outlive every
/// channel_formatter (owns() is false).  For any other channel it owns a new
/// formatter writing to that channel, destroyed with it (owns() is true); as
/// any formatter does, it writes what it still holds when destroyed (flush
/// first to see a write error: the destructor cannot report one).
///
/// Use it where a formatter is expected:
///
///   auto log = quarn::tty::setup(log_file);
///   quarn::fprint(log, "@[%d files@]@.", n);     // implicit formatter&
///   log->set_margin(100);
///
/// The implicit conversion exists for lvalues only, so a reference to the
/// formatter of a temporary cannot be taken by accident
/// (`formatter& f = setup(file);` does not compile); get(), * and -> are
/// there for the deliberate cases, such as `*setup(stdout)`.
///
/// Move-only.  A moved-from channel_formatter refers to nothing: only
/// destruction, assignment and owns() (false) are valid on it.
class channel_formatter {
public:
  /// Takes over the other's formatter; the other then refers to nothing.
  channel_formatter(channel_formatter&& other) noexcept;
  /// Releases this object's formatter (flushing it) and takes over the other's.
  channel_formatter& operator=(channel_formatter&& other) noexcept;
  channel_formatter(const channel_formatter&) = delete;
  channel_formatter& operator=(const channel_formatter&) = delete;
  ~channel_formatter();

  /// The formatter.
  [[nodiscard]] formatter& get() const noexcept { return *f_; }
  /// The formatter.
  formatter& operator*() const noexcept { return *f_; }
  /// The formatter, for calling its member functions.
  formatter* operator->() const noexcept { return f_; }
  /// The formatter, for passing this object where a formatter& is expected.
  operator formatter&() const& noexcept { return *f_; }  // NOLINT(google-explicit-constructor): implicit by design
  operator formatter&() const&& = delete;
  /// Whether this object owns the formatter (true for channels other than
  /// stdout and stderr).
  [[nodiscard]] bool owns() const noexcept { return owned_ != nullptr; }

private:
  friend channel_formatter setup(std::FILE* channel, setup_options o);
  explicit channel_formatter(formatter& borrowed) noexcept;
  explicit channel_formatter(std::unique_ptr<formatter> owned) noexcept;

  std::unique_ptr<formatter> owned_;
  formatter* f_;
};

/// Configures the formatter of `channel` and returns it: stdout_formatter()
/// itself when `channel` is stdout, stderr_formatter() when it is stderr, and
/// a new formatter on `channel` (a different one at every call) otherwise.
///
/// Both attributes are written, the renderer first, so neither is left
/// unset; with `.margin_from_terminal = true` the margin is set too.  A
/// detected renderer is detect_style_renderer(channel, {.follow_no_color =
/// o.follow_no_color}): a channel without a usable descriptor (fmemopen(),
/// for instance) counts as not a terminal.
///
/// Throws std::invalid_argument when `channel` is null.
[[nodiscard("a formatter other than stdout_formatter() or stderr_formatter() dies with the result")]]
channel_formatter setup(std::FILE* channel, setup_options o = {});

/// setup() on stdout, then on stderr, with the same options.  Each channel's
/// renderer, when detected, follows its own descriptor: with stdout
/// redirected to a file and stderr on a terminal, only stderr gets Ansi_tty.
void setup_std_outputs(setup_options o = {});

}  // namespace quarn::tty
