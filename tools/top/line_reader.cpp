// SPDX-License-Identifier: MIT
#include "line_reader.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "interrupt.hpp"

#if QUARN_TOP_HAVE_EDITLINE
#include <editline/readline.h>
#endif

namespace quarn::top {

#if QUARN_TOP_HAVE_EDITLINE
namespace {

// The terminal opened a second time, non-blocking, for read_key; -1 when
// that failed and standard input is read as it is.
int key_fd = -1;

// Reads a key for libedit. A Ctrl-C that comes after libedit has decided to
// read and before the read starts would be lost (the read would not be cut
// short), so SIGINT stays blocked but while waiting for a key, which ppoll
// unblocks and blocks again atomically; a Ctrl-C that came meanwhile ends
// the line at once. EOF makes libedit give up the line.
//
// The read that follows ppoll must not block: a Ctrl-C between the two
// makes the terminal discard the keys typed so far, and a blocking read
// would then wait, with SIGINT blocked, for a key that may never come.
// Hence the non-blocking descriptor; without it the terminal's count of
// waiting bytes is asked first, which leaves only a much narrower window.
int read_key(std::FILE*) {
  sigset_t sigint, waiting;
  sigemptyset(&sigint);
  sigaddset(&sigint, SIGINT);
  ::pthread_sigmask(SIG_BLOCK, &sigint, &waiting);
  sigdelset(&waiting, SIGINT);
  int key = EOF;
  while (!interrupt::requested_at_prompt()) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::ppoll(&p, 1, nullptr, &waiting) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (key_fd < 0) {
      int waiting_bytes = 0;
      if (::ioctl(STDIN_FILENO, FIONREAD, &waiting_bytes) == 0 && waiting_bytes == 0 &&
          (p.revents & (POLLHUP | POLLERR)) == 0)
        continue;
    }
    unsigned char c = 0;
    const ssize_t n = ::read(key_fd >= 0 ? key_fd : STDIN_FILENO, &c, 1);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (n == 1) key = c;
    break;
  }
  ::pthread_sigmask(SIG_UNBLOCK, &sigint, nullptr);
  return key;
}

// A second open file description of the terminal on standard input, so that
// its non-blocking flag does not reach the other programs sharing the first.
int open_key_fd() {
  char name[256];
  if (::ttyname_r(STDIN_FILENO, name, sizeof name) != 0) return -1;
  return ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

}  // namespace
#endif

line_reader::line_reader() : interactive_(::isatty(STDIN_FILENO) == 1) {
#if QUARN_TOP_HAVE_EDITLINE
  if (interactive_) {
    if (key_fd < 0) key_fd = open_key_fd();
    rl_getc_function = read_key;
  }
#endif
}

std::optional<std::string> line_reader::read(const char* prompt) {
  interrupted_ = false;
#if QUARN_TOP_HAVE_EDITLINE
  if (interactive_) {
    // After a Ctrl-C, read_key gives libedit an end of file, and libedit
    // gives up the line.
    std::unique_ptr<char, decltype(&std::free)> line(::readline(prompt), &std::free);
    if (!line) {
      interrupted_ = interrupt::take_at_prompt();
      return std::nullopt;
    }
    return std::string(line.get());
  }
#else
  if (interactive_) {
    std::fputs(prompt, stdout);
    std::fflush(stdout);
  }
#endif
  char* buf = nullptr;
  std::size_t cap = 0;
  const ssize_t n = ::getline(&buf, &cap, stdin);
  std::unique_ptr<char, decltype(&std::free)> owner(buf, &std::free);
  if (n < 0) {
    if (interactive_ && interrupt::take_at_prompt()) {
      // The part of the line read so far is dropped with the error.
      std::clearerr(stdin);
      interrupted_ = true;
    }
    return std::nullopt;
  }
  std::string line(buf, static_cast<std::size_t>(n));
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

void line_reader::remember([[maybe_unused]] const std::string& phrase) {
#if QUARN_TOP_HAVE_EDITLINE
  if (interactive_ && !phrase.empty()) ::add_history(phrase.c_str());
#endif
}

}  // namespace quarn::top
