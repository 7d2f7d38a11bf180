#include "line_reader.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

#if QUARN_TOP_HAVE_EDITLINE
#include <editline/readline.h>
#endif

namespace quarn::top {

line_reader::line_reader() : interactive_(::isatty(STDIN_FILENO) == 1) {}

std::optional<std::string> line_reader::read(const char* prompt) {
#if QUARN_TOP_HAVE_EDITLINE
  if (interactive_) {
    std::unique_ptr<char, decltype(&std::free)> line(::readline(prompt), &std::free);
    if (!line) return std::nullopt;
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
  if (n < 0) return std::nullopt;
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
