// SPDX-License-Identifier: MIT
// pty_run INPUT COMMAND [ARG...]
// pty_run --script SCRIPT COMMAND [ARG...]
//
// Runs COMMAND with its standard output and standard error on a new
// pseudo-terminal, copies everything written to the terminal to standard
// output, and exits with the command's status (128 + signal number when it
// was killed). Lets tests run a program "on a terminal" without a terminal of
// their own.
//
// In the first form the command's standard input is read from the file
// INPUT. In the second it is the terminal too, and the lines of SCRIPT are
// played as a user at the keyboard would:
//   expect TEXT   wait until the command has written TEXT (after what the
//                 previous expect matched); gives up after 60 seconds, and
//                 then exits with status 124 once the command is killed
//   send TEXT     type TEXT: \n is Enter, \xHH any byte (\x03 is Ctrl-C,
//                 \x04 Ctrl-D), \\ a backslash
// When the script ends, the terminal is left to the command until it exits.
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <time.h>
#include <unistd.h>

namespace {

int master = -1;
std::string seen;         // everything the command wrote
std::size_t matched = 0;  // where the next expect starts looking

// Copies what the command wrote, waiting at most `ms`; false at its end.
bool pump(int ms) {
  pollfd p{master, POLLIN, 0};
  const int r = ::poll(&p, 1, ms);
  if (r <= 0) return r == 0 || errno == EINTR;
  char buf[4096];
  const ssize_t n = ::read(master, buf, sizeof buf);
  if (n > 0) {
    seen.append(buf, static_cast<std::size_t>(n));
    std::fwrite(buf, 1, static_cast<std::size_t>(n), stdout);
    return true;
  }
  return n < 0 && errno == EINTR;  // EIO once the command has closed the terminal
}

double now() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
    } else if (s[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else if (s[i + 1] == 'x' && i + 3 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i + 1];
      ++i;
    }
  }
  return out;
}

// Plays the script; false when an expect timed out.
bool play(const char* script) {
  std::ifstream in(script);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("send ", 0) == 0) {
      const std::string text = unescape(line.substr(5));
      if (::write(master, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return false;
    } else if (line.rfind("expect ", 0) == 0) {
      const std::string text = unescape(line.substr(7));
      const double deadline = now() + 60;
      std::size_t at = std::string::npos;
      while ((at = seen.find(text, matched)) == std::string::npos) {
        if (now() > deadline || !pump(100)) {
          std::fflush(stdout);
          std::fprintf(stderr, "pty_run: gave up waiting for \"%s\"\n", text.c_str());
          return false;
        }
      }
      matched = at + text.size();
    } else if (!line.empty() && line[0] != '#') {
      std::fprintf(stderr, "pty_run: bad script line: %s\n", line.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool scripted = argc >= 2 && std::string(argv[1]) == "--script";
  const int first = scripted ? 2 : 1;
  if (argc < first + 2) {
    std::fputs("usage: pty_run INPUT COMMAND [ARG...]\n       pty_run --script SCRIPT COMMAND [ARG...]\n", stderr);
    return 2;
  }
  int input = -1;
  if (!scripted) {
    input = ::open(argv[first], O_RDONLY | O_CLOEXEC);
    if (input < 0) {
      std::perror(argv[first]);
      return 2;
    }
  }
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) {
    std::perror("forkpty");
    return 2;
  }
  if (pid == 0) {
    if (input >= 0) ::dup2(input, STDIN_FILENO);
    ::execvp(argv[first + 1], argv + first + 1);
    std::perror(argv[first + 1]);
    std::_Exit(127);
  }
  if (input >= 0) ::close(input);
  bool gave_up = false;
  if (scripted && !play(argv[first])) {
    gave_up = true;
    ::kill(pid, SIGKILL);
  }
  while (pump(-1)) {
  }
  std::fflush(stdout);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 2;
  }
  if (gave_up) return 124;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 2;
}
