// SPDX-License-Identifier: MIT
// Text layout.
//
// Each printer walks its string once with a single index: `stop_at` finds
// the next byte of a class, and the piece before it is printed as a view of
// the string, never copied here (unless the string lies in the formatter's
// own target, which printing may move).
#include "quarn/text.hpp"

#include <charconv>
#include <string>

#include "engine/display_columns.hpp"

namespace quarn {

namespace detail {

namespace {

constexpr bool is_white(unsigned char c) { return (c >= 9 && c <= 13) || c == 32; }

struct is_nl {
  constexpr bool operator()(unsigned char c) const { return c == '\n'; }
};
struct is_nl_or_sp {
  constexpr bool operator()(unsigned char c) const { return c == '\n' || c == ' '; }
};
struct white {
  constexpr bool operator()(unsigned char c) const { return is_white(c); }
};
struct not_white {
  constexpr bool operator()(unsigned char c) const { return !is_white(c); }
};

// The least index from `start` on whose byte satisfies `p`, or s.size() when
// there is none (start itself if it is already past the end).  A result of
// s.size() or more means that no byte matched.
template <class Pred>
std::size_t stop_at(Pred p, std::size_t start, std::string_view s) {
  std::size_t i = start;
  while (i < s.size() && !p(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

// The bytes from `start` up to `stop` (excluded), as a view.
std::string_view sub(std::string_view s, std::size_t start, std::size_t stop) { return s.substr(start, stop - start); }

// Calls `walk(f, s)`, on a copy of `s` when `s` lies in the string `f`
// writes to: the walk reads `s` between its calls on `f`, which may move
// that string.
template <class Walk>
void walk_stable(formatter& f, std::string_view s, Walk walk) {
  if (formatter_access::in_target(f, s)) [[unlikely]] {
    const std::string copy(s);
    return walk(f, copy);
  }
  walk(f, s);
}

// The words of a string (runs of bytes other than white space) in order,
// each with the white space before it: the one walk over white space that
// print_words and print_paragraphs share.  White space before the first
// word and after the last is skipped.
class word_splitter {
public:
  explicit word_splitter(std::string_view s) : s_(s), at_(stop_at(not_white{}, 0, s)) {}

  // The next word, and in `gap` the white space between it and the word
  // before (empty for the first word); false after the last word.
  bool next(std::string_view& word, std::string_view& gap) {
    const std::size_t start = stop_at(not_white{}, at_, s_);
    if (start >= s_.size()) return false;
    gap = sub(s_, at_, start);
    at_ = stop_at(white{}, start, s_);
    word = sub(s_, start, at_);
    return true;
  }

private:
  std::string_view s_;
  std::size_t at_;  // just past the last word given, or the first word
};

void walk_words(formatter& f, std::string_view s) {
  word_splitter words(s);
  std::string_view word;
  std::string_view gap;
  for (bool first = true; words.next(word, gap); first = false) {
    if (!first) f.print_break(1, 0);
    f.print_string(word);
  }
}

// Words separated by white space holding two newlines or more (a blank
// line) are in two paragraphs, which an empty line separates.
void walk_paragraphs(formatter& f, std::string_view s) {
  word_splitter words(s);
  std::string_view word;
  std::string_view gap;
  for (bool first = true; words.next(word, gap); first = false) {
    if (!first && gap.find('\n') != gap.rfind('\n')) {
      f.force_newline();
      f.force_newline();
    } else if (!first) {
      f.print_break(1, 0);
    }
    f.print_string(word);
  }
}

void walk_text(formatter& f, std::string_view s) {
  const std::size_t n = s.size();
  std::size_t start = 0;
  for (;;) {
    const std::size_t stop = stop_at(is_nl_or_sp{}, start, s);
    f.print_string(sub(s, start, stop));
    if (stop >= n) return;
    if (s[stop] == '\n')
      f.force_newline();
    else
      f.print_break(1, 0);
    start = stop + 1;
  }
}

void walk_lines(formatter& f, std::string_view s) {
  const std::size_t n = s.size();
  std::size_t start = 0;
  for (;;) {
    const std::size_t stop = stop_at(is_nl{}, start, s);
    f.print_string(sub(s, start, stop));
    if (stop >= n) return;
    f.force_newline();
    start = stop + 1;
  }
}

}  // namespace

void print_words(formatter& f, std::string_view s) { walk_stable(f, s, walk_words); }
void print_paragraphs(formatter& f, std::string_view s) { walk_stable(f, s, walk_paragraphs); }
void print_text(formatter& f, std::string_view s) { walk_stable(f, s, walk_text); }
void print_lines(formatter& f, std::string_view s) { walk_stable(f, s, walk_lines); }

void print_truncated(formatter& f, long long max, std::string_view s) {
  const text_measure m = f.measure();
  if (max >= 0 && measure_text(m, s) <= static_cast<unsigned long long>(max)) {
    f.print_string(s);
    return;
  }
  // Here s is wider than max, so what fits in max - 3 is shorter than s.
  if (max > 3) f.print_string(s.substr(0, measured_prefix(m, s, static_cast<std::size_t>(max - 3))));
  f.print_string("...");
}

}  // namespace detail

void text_loc_printer::operator()(formatter& f, const text_location& loc) const {
  const auto& [start, end] = loc;
  // Four numbers of at most 20 characters and three separators.
  char buf[96];
  char* p = buf;
  char* const last = buf + sizeof buf;
  const auto number = [&](long long n) { p = std::to_chars(p, last, n).ptr; };
  const auto separator = [&](char c) {
    if (p != last) *p++ = c;
  };
  number(start.first);
  separator('.');
  number(start.second);
  if (start != end) {
    separator('-');
    number(end.first);
    separator('.');
    number(end.second);
  }
  f.print_string(std::string_view(buf, static_cast<std::size_t>(p - buf)));
}

}  // namespace quarn
