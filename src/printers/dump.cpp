// SPDX-License-Identifier: MIT
// The signal names of the dump printers, the dump of UTF-8, UTF-16 and
// UTF-32 strings, and the texts of floats and durations for
// quarn::dump::value.
#include "quarn/dump.hpp"

#include <charconv>
#include <csignal>
#include <string>
#include <string_view>
#include <system_error>

#include "quarn/detail/value.hpp"
#include "format/escaped.hpp"
#include "format/number_text.hpp"

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
    {-1, "SIGABRT", SIGABRT},  {-2, "SIGALRM", SIGALRM},  {-3, "SIGFPE", SIGFPE},    {-4, "SIGHUP", SIGHUP},
    {-5, "SIGILL", SIGILL},    {-6, "SIGINT", SIGINT},    {-7, "SIGKILL", SIGKILL},  {-8, "SIGPIPE", SIGPIPE},
    {-9, "SIGQUIT", SIGQUIT},  {-10, "SIGSEGV", SIGSEGV}, {-11, "SIGTERM", SIGTERM}, {-12, "SIGUSR1", SIGUSR1},
    {-13, "SIGUSR2", SIGUSR2}, {-14, "SIGCHLD", SIGCHLD}, {-15, "SIGCONT", SIGCONT}, {-16, "SIGSTOP", SIGSTOP},
    {-17, "SIGTSTP", SIGTSTP}, {-18, "SIGTTIN", SIGTTIN}, {-19, "SIGTTOU", SIGTTOU}, {-20, "SIGVTALRM", SIGVTALRM},
    {-21, "SIGPROF", SIGPROF}, {-22, "SIGBUS", SIGBUS},   {-23, "SIGPOLL", SIGPOLL}, {-24, "SIGSYS", SIGSYS},
    {-25, "SIGTRAP", SIGTRAP}, {-26, "SIGURG", SIGURG},   {-27, "SIGXCPU", SIGXCPU}, {-28, "SIGXFSZ", SIGXFSZ},
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

// Appends the UTF-8 bytes of Unicode scalar value `c`, escaped.
void append_character(std::string& out, char32_t c) {
  char b[4];
  std::size_t n = 0;
  if (c < 0x80) {
    b[n++] = static_cast<char>(c);
  } else if (c < 0x800) {
    b[n++] = static_cast<char>(0xC0 | (c >> 6));
    b[n++] = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    b[n++] = static_cast<char>(0xE0 | (c >> 12));
    b[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    b[n++] = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    b[n++] = static_cast<char>(0xF0 | (c >> 18));
    b[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    b[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    b[n++] = static_cast<char>(0x80 | (c & 0x3F));
  }
  append_escaped_bytes(out, std::string_view(b, n), '"');
}

// Appends a code unit that is no part of a character: \u{D83D}.
void append_unit(std::string& out, char32_t u) {
  char digits[16];
  const auto r = std::to_chars(digits, digits + sizeof digits, static_cast<unsigned long>(u), 16);
  out += "\\u{";
  for (std::size_t i = static_cast<std::size_t>(r.ptr - digits); i < 4; ++i) out += '0';
  for (const char* p = digits; p != r.ptr; ++p) out += static_cast<char>(*p >= 'a' ? *p - 'a' + 'A' : *p);
  out += '}';
}

bool is_surrogate(char32_t u) { return u >= 0xD800 && u <= 0xDFFF; }

void print_quoted(formatter& f, std::string& out) {
  out += '"';
  f.print_string(out);
}

}  // namespace

void print_unicode_string(formatter& f, std::u8string_view s) {
  // "%S" escapes each byte on its own: valid sequences and invalid bytes
  // alike come out as the bytes they are.
  std::string out = "\"";
  append_escaped_bytes(out, std::string_view(reinterpret_cast<const char*>(s.data()), s.size()), '"');
  print_quoted(f, out);
}

void print_unicode_string(formatter& f, std::u16string_view s) {
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char32_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      append_character(out, 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else if (is_surrogate(u)) {
      append_unit(out, u);
    } else {
      append_character(out, u);
    }
  }
  print_quoted(f, out);
}

void print_unicode_string(formatter& f, std::u32string_view s) {
  std::string out = "\"";
  for (const char32_t u : s) {
    if (is_surrogate(u) || u > 0x10FFFF)
      append_unit(out, u);
    else
      append_character(out, u);
  }
  print_quoted(f, out);
}

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
void print_shortest(formatter& f, long double x) { f.print_string(shortest_text(x)); }

void print_period(formatter& f, std::intmax_t num, std::intmax_t den) {
  if (den == 1)
    fprint(f, "[%d]s", static_cast<long long>(num));
  else
    fprint(f, "[%d/%d]s", static_cast<long long>(num), static_cast<long long>(den));
}

}  // namespace quarn::detail
