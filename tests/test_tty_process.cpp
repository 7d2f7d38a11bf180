// SPDX-License-Identifier: MIT
// The whole path of a program: tty_probe parses --color, calls
// setup_std_outputs and prints a styled word on each standard channel.  It
// runs on a pseudo-terminal, with either channel redirected to a file, under
// a chosen environment; the tests read what reached the terminal and files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#ifndef QUARN_TTY_PROBE
#error "QUARN_TTY_PROBE must name the probe program"
#endif

namespace {

struct probe_result {
  std::string terminal;  // carriage returns removed
  std::string out_file;  // stdout when redirected
  std::string err_file;  // stderr when redirected
  int exit_code = -1;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A scratch file, removed with the object.
class scratch_file {
public:
  scratch_file() : path_(std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/quarn-tty-XXXXXX") {
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) throw std::runtime_error("mkstemp failed");
  }
  scratch_file(const scratch_file&) = delete;
  scratch_file& operator=(const scratch_file&) = delete;
  ~scratch_file() {
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  [[nodiscard]] int fd() const { return fd_; }
  [[nodiscard]] const std::string& path() const { return path_; }

private:
  std::string path_;
  int fd_ = -1;
};

// Runs the probe with exactly `env` (plus the sanitizers' settings) on a new
// pseudo-terminal; stdout and/or stderr go to files when asked.
probe_result run_probe(const std::vector<std::string>& env, const std::vector<std::string>& args, bool out_to_file,
                       bool err_to_file) {
  std::vector<std::string> envs = env;
  for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* v = std::getenv(keep)) envs.push_back(std::string(keep) + "=" + v);
  }
  std::vector<std::string> argv_s{QUARN_TTY_PROBE};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (auto& s : argv_s) argv.push_back(s.data());
  argv.push_back(nullptr);
  for (auto& s : envs) envp.push_back(s.data());
  envp.push_back(nullptr);

  scratch_file out, err;
  int master = -1, slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(master);
    ::setsid();
    ::dup2(slave, 0);
    ::dup2(out_to_file ? out.fd() : slave, 1);
    ::dup2(err_to_file ? err.fd() : slave, 2);
    if (slave > 2) ::close(slave);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(slave);

  probe_result r;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n > 0) {
      for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] != '\r') r.terminal += buf[i];
      }
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the probe has exited and closed the terminal
    }
  }
  ::close(master);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out_file = slurp(out.path());
  r.err_file = slurp(err.path());
  return r;
}

// The probe's line for `channel` ("out" or "err") in `text`, or "".
std::string line_of(const std::string& text, const std::string& channel) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(channel + " ", 0) == 0) return line;
  }
  return "";
}

std::string expected_line(const std::string& channel, bool ansi, bool utf_8) {
  return channel + " renderer=" + (ansi ? "Ansi_tty" : "None") + " utf_8=" + (utf_8 ? "true" : "false") +
         " word=" + (ansi ? "\x1b[0;31mword\x1b[0m" : "word");
}

struct row {
  const char* name;
  std::vector<std::string> env;
  std::vector<std::string> args;
  bool out_to_file, err_to_file;
  bool out_ansi, err_ansi;
  bool utf_8;
};

void PrintTo(const row& r, std::ostream* os) { *os << r.name; }

class TtyProcess : public testing::TestWithParam<row> {};

TEST_P(TtyProcess, ChannelsGetTheirRendererAndUtf8) {
  const row& c = GetParam();
  const probe_result r = run_probe(c.env, c.args, c.out_to_file, c.err_to_file);
  ASSERT_EQ(r.exit_code, 0) << r.terminal << r.err_file;

  const std::string& out_sink = c.out_to_file ? r.out_file : r.terminal;
  const std::string& err_sink = c.err_to_file ? r.err_file : r.terminal;
  EXPECT_EQ(line_of(out_sink, "out"), expected_line("out", c.out_ansi, c.utf_8)) << out_sink;
  EXPECT_EQ(line_of(err_sink, "err"), expected_line("err", c.err_ansi, c.utf_8)) << err_sink;
  // No escape sequence anywhere a plain channel writes to.
  if (!c.out_ansi && (c.out_to_file || !c.err_ansi)) {
    EXPECT_EQ(out_sink.find('\x1b'), std::string::npos);
  }
  if (!c.err_ansi && (c.err_to_file || !c.out_ansi)) {
    EXPECT_EQ(err_sink.find('\x1b'), std::string::npos);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Term, TtyProcess, testing::Values(
    row{"xterm",              {"TERM=xterm"},    {}, false, false, true,  true,  false},
    row{"xterm_stdout_file",  {"TERM=xterm"},    {}, true,  false, false, true,  false},
    row{"xterm_stderr_file",  {"TERM=xterm"},    {}, false, true,  true,  false, false},
    row{"xterm_both_files",   {"TERM=xterm"},    {}, true,  true,  false, false, false},
    row{"dumb",               {"TERM=dumb"},     {}, false, false, false, false, false},
    row{"Dumb",               {"TERM=Dumb"},     {}, false, false, true,  true,  false},
    row{"dumb_256",           {"TERM=dumb-256"}, {}, false, false, true,  true,  false},
    row{"empty",              {"TERM="},         {}, false, false, false, false, false},
    row{"unset",              {},                {}, false, false, false, false, false},
    row{"no_color",           {"TERM=xterm", "NO_COLOR=1"}, {}, false, false, false, false, false},
    row{"no_color_empty",     {"TERM=xterm", "NO_COLOR="},  {}, false, false, true,  true,  false}),
    [](const testing::TestParamInfo<row>& i) { return i.param.name; });

INSTANTIATE_TEST_SUITE_P(ColorOption, TtyProcess, testing::Values(
    row{"always_on_files",    {},                {"--color=always"}, true,  true,  true,  true,  false},
    row{"never_on_terminal",  {"TERM=xterm"},    {"--color=never"},  false, false, false, false, false},
    row{"auto_detects",       {"TERM=xterm"},    {"--color=auto"},   true,  false, false, true,  false},
    row{"env_never",          {"TERM=xterm", "PROBE_COLOR=never"},  {}, false, false, false, false, false},
    row{"env_always",         {"PROBE_COLOR=always"},               {}, true,  false, true,  true,  false},
    row{"option_beats_env",   {"TERM=xterm", "PROBE_COLOR=always"}, {"--color", "never"}, false, false, false, false, false},
    row{"always_beats_no_color", {"TERM=xterm", "NO_COLOR=1"}, {"--color=always"}, false, false, true, true, false}),
    [](const testing::TestParamInfo<row>& i) { return i.param.name; });

INSTANTIATE_TEST_SUITE_P(Locale, TtyProcess, testing::Values(
    row{"lc_all_names_it",    {"TERM=xterm", "LANG=C", "LC_ALL=en_US.utf-8"}, {}, false, false, true, true, true},
    row{"lang_names_it",      {"TERM=xterm", "LANG=en_US.UTF-8", "LC_ALL=C"}, {}, false, false, true, true, true},
    row{"lc_ctype_names_it",  {"TERM=xterm", "LC_CTYPE=C.UTF-8"},             {}, false, false, true, true, true},
    row{"no_hyphen",          {"TERM=xterm", "LANG=en_US.utf8"},              {}, false, false, true, true, false},
    row{"none_set",           {"TERM=xterm"},                                 {}, false, false, true, true, false}),
    [](const testing::TestParamInfo<row>& i) { return i.param.name; });
// clang-format on

TEST(TtyProcessErrors, BadColorValueStopsTheProgramWithCli11sReport) {
  const probe_result r = run_probe({"TERM=xterm"}, {"--color=bogus"}, false, false);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.terminal.find("bogus"), std::string::npos) << r.terminal;
  EXPECT_EQ(line_of(r.terminal, "out"), "") << r.terminal;
}

}  // namespace
