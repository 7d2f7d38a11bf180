// SPDX-License-Identifier: MIT
// What quarn_tty asks of the system about a channel, one implementation per
// system: terminal_posix.cpp (isatty, TIOCGWINSZ) and terminal_windows.cpp
// (the console API).  Not installed.
#pragma once

#include <cstdio>
#include <optional>

namespace quarn::tty::detail {

/// Whether TERM asks for no styles.  POSIX: TERM unset, empty or exactly
/// "dumb".  Windows, whose consoles set no TERM: TERM exactly "dumb".
[[nodiscard]] bool dumb_terminal();

/// Whether `channel` is a terminal that shows ANSI styles.  POSIX: isatty()
/// on its descriptor.  Windows: a console whose virtual-terminal processing
/// is on or can be turned on (this turns it on).  A channel without a
/// descriptor is no terminal.
[[nodiscard]] bool styling_terminal(std::FILE* channel);

/// The width in columns of the terminal behind `channel`, when it is one and
/// knows its width.  POSIX: TIOCGWINSZ; Windows: the console window's width.
[[nodiscard]] std::optional<int> terminal_width(std::FILE* channel);

}  // namespace quarn::tty::detail
