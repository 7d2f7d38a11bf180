// SPDX-License-Identifier: MIT
// Terminals on POSIX systems: isatty() and the TIOCGWINSZ window size.
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "terminal.hpp"

namespace quarn::tty::detail {

bool dumb_terminal() {
  // Case matters: "Dumb" is not dumb.
  const char* term = std::getenv("TERM");
  return term == nullptr || *term == '\0' || std::string_view(term) == "dumb";
}

// fileno() fails with -1 on streams without a descriptor, and isatty() then
// fails too; any failure means "not a terminal".
bool styling_terminal(std::FILE* channel) {
  const int fd = ::fileno(channel);
  return fd >= 0 && ::isatty(fd) == 1;
}

std::optional<int> terminal_width(std::FILE* channel) {
  const int fd = ::fileno(channel);
  ::winsize size{};
  if (fd >= 0 && ::isatty(fd) == 1 && ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return std::nullopt;
}

}  // namespace quarn::tty::detail
