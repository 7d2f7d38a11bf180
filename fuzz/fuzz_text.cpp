// SPDX-License-Identifier: MIT
// Fuzzes the text printers (words, paragraphs, text, lines, truncated) on
// arbitrary bytes, in a box of any kind and indentation, at any margin.
//
// The first three bytes choose the printer, the box and the geometry (or the
// maximum length of truncated); the rest is the string.  The box starts at
// column 0, so new lines are indented by the box's indentation, capped at
// the maximum indentation (which a narrow margin lowers).  Checked:
//  - words, paragraphs: the words of the output (maximal runs of bytes other
//    than 9..13 and 32) are exactly those of the input, in order; nothing
//    precedes the first word or follows the last; two words are separated by
//    one space or a new line and the indentation, except the two words
//    around a run of white space with two newlines or more, which
//    paragraphs separates by exactly one empty line.  In an h box the
//    output is the words joined by single spaces (and, for paragraphs, the
//    paragraphs joined by one empty line).
//  - text: the input byte for byte, except that each newline is followed by
//    the indentation and each space is either itself or a new line and the
//    indentation; in an h box with no indentation, the input itself.
//  - lines: the input line by line, each output line but the first being the
//    indentation and the input line; no new line of its own.
//  - truncated: a string within the bound prints whole; a longer one prints
//    a proper prefix of itself followed by "...", exactly `max` bytes long
//    when max >= 3 and "..." alone below; the words shown before the "..."
//    are the input's first words, the last one possibly cut short.
// Every other input measures text in display columns rather than bytes.
// The content checks above do not depend on the measure, except
// truncated's: there the bound counts columns, the cut keeps whole
// characters, and the result is at most `max` columns and, after a cut, at
// least max - 1 (a wide character that does not fit leaves one free).
#include <quarn/engine.hpp>
#include <quarn/text.hpp>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common.hpp"

namespace {

using quarn_fuzz::check;

bool white(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 9 && u <= 13) || u == 32;
}

// A word of a string and the white bytes that follow it up to the next word
// (empty after the last word).
struct word {
  std::string_view text;
  std::string_view gap;
};

std::vector<word> words_of(std::string_view s) {
  std::vector<word> ws;
  std::size_t i = 0;
  while (i < s.size() && white(s[i])) ++i;
  while (i < s.size()) {
    std::size_t j = i;
    while (j < s.size() && !white(s[j])) ++j;
    std::size_t k = j;
    while (k < s.size() && white(s[k])) ++k;
    ws.push_back({s.substr(i, j - i), k < s.size() ? s.substr(j, k - j) : std::string_view()});
    i = k;
  }
  return ws;
}

std::size_t count(std::string_view s, char c) {
  std::size_t n = 0;
  for (char x : s) n += x == c;
  return n;
}

// The gap between two words of words/paragraphs output: one hint (a space,
// or a new line and the indentation), or two forced new lines (the second
// line empty but for the indentation).
bool hint_gap(std::string_view g, const std::string& newline) { return g == " " || g == newline; }
bool paragraph_gap(std::string_view g, const std::string& newline) { return g == newline + newline; }

enum class printer { words, paragraphs, text, lines, truncated };

struct setup {
  quarn::box_kind kind;
  int indent;
  int margin;  // 0: the default
  quarn::text_measure measure = quarn::text_measure::bytes;
  // A new line and the indentation of the lines that follow it, once the
  // formatter is set up.
  std::string newline = "\n";
};

template <class Print>
std::string render(setup& s, Print print) {
  std::string out;
  quarn::formatter f(out);
  if (s.margin > 0) f.set_margin(s.margin);
  f.set_measure(s.measure);
  s.newline = "\n" + std::string(static_cast<std::size_t>(std::min(s.indent, f.max_indent())), ' ');
  f.open_box(s.kind, s.indent);
  print(f);
  f.close_box();
  f.print_flush();
  return out;
}

void check_words(std::string_view in, std::string_view out, bool paragraphs, const setup& s) {
  const auto want = words_of(in);
  const auto got = words_of(out);
  check(got.size() == want.size(), "a word lost or split");
  for (std::size_t i = 0; i < want.size(); ++i) check(got[i].text == want[i].text, "a word changed");
  if (want.empty()) {
    check(out.empty(), "output from a string of white space");
    return;
  }
  check(out.substr(0, want[0].text.size()) == want[0].text, "white space before the first word");
  check(got.back().gap.empty() && !white(out.back()), "white space after the last word");
  std::string joined;
  for (std::size_t i = 0; i < want.size(); ++i) {
    joined += want[i].text;
    if (i + 1 == want.size()) break;
    const bool ends_paragraph = paragraphs && count(want[i].gap, '\n') >= 2;
    if (ends_paragraph)
      check(paragraph_gap(got[i].gap, s.newline), "paragraphs not separated by exactly one empty line");
    else
      check(hint_gap(got[i].gap, s.newline), "words not separated by one hint");
    joined += ends_paragraph ? "\n\n" : " ";
  }
  if (s.kind == quarn::box_kind::h && s.indent == 0) check(out == joined, "an h box broke a hint");
}

void check_text(std::string_view in, std::string_view out, const setup& s) {
  const auto want = words_of(in);
  const auto got = words_of(out);
  check(got.size() == want.size(), "text: a word lost or split");
  for (std::size_t i = 0; i < want.size(); ++i) check(got[i].text == want[i].text, "text: a word changed");
  std::string_view rest = out;
  for (char c : in) {
    if (c == '\n' || (c == ' ' && !rest.empty() && rest[0] == '\n')) {
      check(rest.substr(0, s.newline.size()) == s.newline, "text: a new line without its indentation");
      rest.remove_prefix(s.newline.size());
    } else {
      check(!rest.empty() && rest[0] == c, "text: a byte changed or lost");
      rest.remove_prefix(1);
    }
  }
  check(rest.empty(), "text: extra output");
  if (s.kind == quarn::box_kind::h && s.indent == 0) check(out == in, "text: an h box broke a hint");
}

void check_lines(std::string_view in, std::string_view out, const setup& s) {
  check(count(out, '\n') == count(in, '\n'), "lines: a line added or lost");
  std::string want;
  for (char c : in) {
    if (c == '\n')
      want += s.newline;
    else
      want += c;
  }
  check(out == want, "lines: a line changed or not indented");
}

void check_truncated(std::string_view in, std::string_view out, long long max, quarn::text_measure m) {
  const bool columns = m == quarn::text_measure::columns;
  const auto width = [&](std::string_view t) { return columns ? quarn::display_columns(t) : t.size(); };
  if (max >= 0 && width(in) <= static_cast<unsigned long long>(max)) {
    check(out == in, "truncated: a string within the bound was changed");
    return;
  }
  check(out.size() >= 3 && out.substr(out.size() - 3) == "...", "truncated: no ellipsis after a cut");
  const std::string_view kept = out.substr(0, out.size() - 3);
  // (A negative bound cuts even the empty string.)
  check((kept.empty() || kept.size() < in.size()) && in.substr(0, kept.size()) == kept,
        "truncated: not a proper prefix of the input");
  if (max >= 3 && columns)
    check(width(out) <= static_cast<unsigned long long>(max) && width(out) + 1 >= static_cast<unsigned long long>(max),
          "truncated: not within a column of the bound");
  else if (max >= 3)
    check(out.size() == static_cast<unsigned long long>(max), "truncated: not exactly the bound");
  else
    check(out == "...", "truncated: more than the ellipsis below a bound of 3");
  // The words shown are the input's first words, the last possibly cut.
  const auto want = words_of(in);
  const auto got = words_of(kept);
  check(got.size() <= want.size(), "truncated: more words than the input");
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (i + 1 < got.size())
      check(got[i].text == want[i].text, "truncated: a word changed");
    else
      check(want[i].text.substr(0, got[i].text.size()) == got[i].text, "truncated: the last word is no prefix");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  constexpr quarn::box_kind kinds[] = {quarn::box_kind::h, quarn::box_kind::v, quarn::box_kind::hv,
                                       quarn::box_kind::hov, quarn::box_kind::b};
  const auto which = static_cast<printer>(data[0] % 5);
  setup s{kinds[(data[0] / 5) % 5], 0, 0};
  // Half the inputs keep no indentation, as most callers do.
  if (data[0] >= 128) s.indent = data[2] % 9;
  if ((data[0] / 25) % 2 == 1) s.measure = quarn::text_measure::columns;
  // Margins from 1 (everything overflows) to well past most inputs.
  if (data[1] != 0) s.margin = data[1] < 200 ? data[1] % 60 + 1 : (data[1] - 199) * 40;
  const std::string_view in(reinterpret_cast<const char*>(data + 3), size - 3);

  std::string out;
  switch (which) {
    case printer::words:
      out = render(s, [&](quarn::formatter& f) { quarn::words(f, in); });
      check_words(in, out, false, s);
      break;
    case printer::paragraphs:
      out = render(s, [&](quarn::formatter& f) { quarn::paragraphs(f, in); });
      check_words(in, out, true, s);
      break;
    case printer::text:
      out = render(s, [&](quarn::formatter& f) { quarn::text(f, in); });
      check_text(in, out, s);
      break;
    case printer::lines:
      out = render(s, [&](quarn::formatter& f) { quarn::lines(f, in); });
      check_lines(in, out, s);
      break;
    case printer::truncated: {
      // Bounds around the input's length, negative ones, and the extremes.
      long long max;
      switch (data[2] % 8) {
        case 0: max = LLONG_MIN; break;
        case 1: max = LLONG_MAX; break;
        case 2: max = -static_cast<long long>(data[1] % 5); break;
        case 3: max = data[1] % 6; break;
        default: max = static_cast<long long>(in.size()) + (data[1] % 16) - 12; break;
      }
      out = render(s, [&](quarn::formatter& f) { quarn::truncated(max)(f, in); });
      check_truncated(in, out, max, s.measure);
      break;
    }
  }
  return 0;
}
