// pty_run INPUT COMMAND [ARG...]
//
// Runs COMMAND with its standard output and standard error on a new
// pseudo-terminal and its standard input read from the file INPUT, copies
// everything written to the terminal to standard output, and exits with the
// command's status (128 + signal number when it was killed). Lets tests run
// a program "on a terminal" without a terminal of their own.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: pty_run INPUT COMMAND [ARG...]\n", stderr);
    return 2;
  }
  const int input = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  if (input < 0) {
    std::perror(argv[1]);
    return 2;
  }
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) {
    std::perror("forkpty");
    return 2;
  }
  if (pid == 0) {
    ::dup2(input, STDIN_FILENO);
    ::execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    std::_Exit(127);
  }
  ::close(input);
  char buf[4096];
  while (true) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n > 0) {
      if (std::fwrite(buf, 1, static_cast<std::size_t>(n), stdout) != static_cast<std::size_t>(n)) return 2;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the command and its children have closed the terminal
    }
  }
  std::fflush(stdout);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 2;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 2;
}
