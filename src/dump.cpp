// SPDX-License-Identifier: MIT
// The signal names of the dump printers, and the texts of floats and
// durations for quarn::dump::value.
#include "quarn/dump.hpp"

#include <charconv>
#include <csignal>
#include <string_view>
#include <system_error>

#include "quarn/detail/value.hpp"

namespace quarn::dump {

namespace {

struct signal_entry {
  int portable;
  const char* name;
  int posix;  // 0 where the system has no such signal
};

// Signals that the system lacks are 0 (Windows has only the six of the C
// standard: SIGABRT, SIGFPE, SIGILL, SIGINT, SIGSEGV and SIGTERM).
#ifndef SIGALRM
#define SIGALRM 0
#endif
#ifndef SIGHUP
#define SIGHUP 0
#endif
#ifndef SIGKILL
#define SIGKILL 0
#endif
#ifndef SIGPIPE
#define SIGPIPE 0
#endif
#ifndef SIGQUIT
#define SIGQUIT 0
#endif
#ifndef SIGUSR1
#define SIGUSR1 0
#endif
#ifndef SIGUSR2
#define SIGUSR2 0
#endif
#ifndef SIGCHLD
#define SIGCHLD 0
#endif
#ifndef SIGCONT
#define SIGCONT 0
#endif
#ifndef SIGSTOP
#define SIGSTOP 0
#endif
#ifndef SIGTSTP
#define SIGTSTP 0
#endif
#ifndef SIGTTIN
#define SIGTTIN 0
#endif
#ifndef SIGTTOU
#define SIGTTOU 0
#endif
#ifndef SIGVTALRM
#define SIGVTALRM 0
#endif
#ifndef SIGPROF
#define SIGPROF 0
#endif
#ifndef SIGBUS
#define SIGBUS 0
#endif
#ifndef SIGPOLL
#define SIGPOLL 0
#endif
#ifndef SIGSYS
#define SIGSYS 0
#endif
#ifndef SIGTRAP
#define SIGTRAP 0
#endif
#ifndef SIGURG
#define SIGURG 0
#endif
#ifndef SIGXCPU
#define SIGXCPU 0
#endif
#ifndef SIGXFSZ
#define SIGXFSZ 0
#endif

// Searched from the front; the first equal number wins.
constexpr signal_entry signals[] = {
    {-1, "SIGABRT", SIGABRT},   {-2, "SIGALRM", SIGALRM},   {-3, "SIGFPE", SIGFPE},     {-4, "SIGHUP", SIGHUP},
    {-5, "SIGILL", SIGILL},     {-6, "SIGINT", SIGINT},     {-7, "SIGKILL", SIGKILL},   {-8, "SIGPIPE", SIGPIPE},
    {-9, "SIGQUIT", SIGQUIT},   {-10, "SIGSEGV", SIGSEGV},  {-11, "SIGTERM", SIGTERM},  {-12, "SIGUSR1", SIGUSR1},
    {-13, "SIGUSR2", SIGUSR2},  {-14, "SIGCHLD", SIGCHLD},  {-15, "SIGCONT", SIGCONT},  {-16, "SIGSTOP", SIGSTOP},
    {-17, "SIGTSTP", SIGTSTP},  {-18, "SIGTTIN", SIGTTIN},  {-19, "SIGTTOU", SIGTTOU},  {-20, "SIGVTALRM", SIGVTALRM},
    {-21, "SIGPROF", SIGPROF},  {-22, "SIGBUS", SIGBUS},    {-23, "SIGPOLL", SIGPOLL},  {-24, "SIGSYS", SIGSYS},
    {-25, "SIGTRAP", SIGTRAP},  {-26, "SIGURG", SIGURG},    {-27, "SIGXCPU", SIGXCPU},  {-28, "SIGXFSZ", SIGXFSZ},
};

}  // namespace

void signal_printer::print(formatter& f, long long n) {
  for (const signal_entry& s : signals) {
    if (s.portable == n) {
      fprint(f, "%s", s.name);
      return;
    }
  }
  fprint(f, "SIG(%d)", n);
}

int portable_signal(int posix_signal) noexcept {
  if (posix_signal > 0) {
    for (const signal_entry& s : signals)
      if (s.posix == posix_signal) return s.portable;
  }
  return posix_signal;
}

}  // namespace quarn::dump

namespace quarn::detail {

namespace {

template <class F>
void print_shortest_of(formatter& f, F x) {
  // The longest shortest form is that of a long double, under 50 bytes.
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  if (r.ec == std::errc()) f.print_string(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

}  // namespace

void print_shortest(formatter& f, float x) { print_shortest_of(f, x); }
void print_shortest(formatter& f, double x) { print_shortest_of(f, x); }
void print_shortest(formatter& f, long double x) { print_shortest_of(f, x); }

void print_period(formatter& f, std::intmax_t num, std::intmax_t den) {
  if (den == 1)
    fprint(f, "[%d]s", static_cast<long long>(num));
  else
    fprint(f, "[%d/%d]s", static_cast<long long>(num), static_cast<long long>(den));
}

}  // namespace quarn::detail
