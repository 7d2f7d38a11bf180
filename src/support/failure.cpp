// SPDX-License-Identifier: MIT
// Failures, recorded backtraces and the exn_backtrace printer.
#include "quarn/failure.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

#include "quarn/format.hpp"
#include "quarn/scalars.hpp"

namespace quarn {

// backtrace::capture() and backtrace::lines() depend on the system: see
// backtrace_posix.cpp and backtrace_windows.cpp.

assertion_failure::assertion_failure(std::string file, int line, int column)
    : std::logic_error("Assert_failure(\"" + file + "\", " + std::to_string(line) + ", " + std::to_string(column) +
                       ")"),
      file_(std::move(file)),
      line_(line),
      column_(column) {}

namespace detail {

void raise_failure(std::string message, bool with_trace) {
  if (with_trace) throw failure(message, backtrace::capture(1));
  throw failure(message);
}

}  // namespace detail

namespace {

// The lines of a backtrace, each ending with a new line, as the backtrace
// printer walks them: every line on its own line of the enclosing v box, the
// final new line left out.
void pp_backtrace_str(formatter& f, const std::string& s) {
  if (s.empty()) {
    f.print_string("No backtrace available.");
    return;
  }
  const std::size_t last = s.size() - 1;
  std::size_t start = 0;
  for (std::size_t cur = 0;; ++cur) {
    if (cur == last) {
      f.print_string(std::string_view(s).substr(start, last - start));
      return;
    }
    if (s[cur] == '\n') {
      f.print_string(std::string_view(s).substr(start, cur - start));
      f.print_cut();
      start = cur + 1;
    }
  }
}

std::string backtrace_text(const backtrace* bt) {
  std::string text;
  if (bt == nullptr) return text;
  for (const std::string& line : bt->lines()) {
    text += "Called from ";
    text += line;
    text += '\n';
  }
  return text;
}

}  // namespace

void exn_backtrace_printer::operator()(formatter& f, const failure& e) const {
  fprint(f, "@[<v>Exception: %a@,%a@]", exn, static_cast<const std::exception&>(e), pp_backtrace_str,
         backtrace_text(e.backtrace()));
}

void exn_backtrace_printer::operator()(formatter& f, const std::pair<std::exception_ptr, backtrace>& eb) const {
  fprint(f, "@[<v>Exception: %a@,%a@]", exn, eb.first, pp_backtrace_str, backtrace_text(&eb.second));
}

}  // namespace quarn
