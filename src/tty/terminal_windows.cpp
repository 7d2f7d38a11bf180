// SPDX-License-Identifier: MIT
// Terminals on Windows: consoles, through the console API.  A channel is a
// console when GetConsoleMode() succeeds on the handle behind its
// descriptor; pipes and files (also the pipes of terminal emulators such as
// mintty) are not.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "terminal.hpp"

namespace quarn::tty::detail {

namespace {

// The console handle behind `channel`, or null when it is no console.
HANDLE console_of(std::FILE* channel) {
  const int fd = ::_fileno(channel);
  if (fd < 0) return nullptr;
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr || GetConsoleMode(handle, &mode) == 0) return nullptr;
  return handle;
}

}  // namespace

bool dumb_terminal() {
  const char* term = std::getenv("TERM");
  return term != nullptr && std::string_view(term) == "dumb";
}

// Consoles interpret ANSI escape sequences only in virtual-terminal mode
// (Windows 10 and later); where the mode cannot be set, styles would show as
// garbage.
bool styling_terminal(std::FILE* channel) {
  HANDLE console = console_of(channel);
  DWORD mode = 0;
  if (console == nullptr || GetConsoleMode(console, &mode) == 0) return false;
  if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::optional<int> terminal_width(std::FILE* channel) {
  HANDLE console = console_of(channel);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (console == nullptr || GetConsoleScreenBufferInfo(console, &info) == 0) return std::nullopt;
  const int width = info.srWindow.Right - info.srWindow.Left + 1;
  if (width > 0) return width;
  return std::nullopt;
}

}  // namespace quarn::tty::detail
