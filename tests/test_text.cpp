// SPDX-License-Identifier: MIT
// Text layout: which break hints, new lines and pieces of text each printer
// produces from a string's white space, truncation and text locations.
#include <gtest/gtest.h>
#include <quarn/text.hpp>
#include <quarn/format.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_literals;

// Prints inside a b box on a formatter with the given margin.
template <class Print>
std::string render_with(Print print, int margin) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(margin);
  f.open_box(quarn::box_kind::b, 0);
  print(f);
  f.close_box();
  f.print_flush();
  return out;
}

// The operations a layout is expected to produce, written as a string: "|"
// is a break hint of one space, "\n" a forced new line, "~" an empty text
// (which the engine does not ignore: it can take a hint's place at the start
// of a line), anything else text.
void expected_ops(quarn::formatter& f, std::string_view ops) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= ops.size(); ++i) {
    if (i == ops.size() || ops[i] == '|' || ops[i] == '\n') {
      std::string_view piece = ops.substr(start, i - start);
      if (piece == "~")
        f.print_string("");
      else if (!piece.empty())
        f.print_string(piece);
      if (i == ops.size()) break;
      if (ops[i] == '|')
        f.print_break(1, 0);
      else
        f.force_newline();
      start = i + 1;
    }
  }
}

struct layout_case {
  std::string input;
  std::string ops;
};

// The printer lays out each input as its expected operations do, both where
// everything fits and where every hint must break.
template <class P>
void check_layouts(const P& p, const std::vector<layout_case>& cases) {
  for (const auto& c : cases)
    for (int margin : {2, 1000})
      EXPECT_EQ(render_with([&](quarn::formatter& f) { p(f, c.input); }, margin),
                render_with([&](quarn::formatter& f) { expected_ops(f, c.ops); }, margin))
          << "input \"" << c.input << "\", margin " << margin;
}

TEST(Words, WhiteSpaceRunsBecomeOneHint) {
  check_layouts(quarn::words, {
                                  {"", ""},
                                  {"   ", ""},
                                  {"\n\t", ""},
                                  {"word", "word"},
                                  {"  a \n\t b  ", "a|b"},
                                  {"a\r\n\v\fb c", "a|b|c"},
                                  {"a\n\nb", "a|b"},
                                  {"caf\xc3\xa9 \xe2\x80\x94 ok", "caf\xc3\xa9|\xe2\x80\x94|ok"},
                                  {"a\0b c"s, "a\0b|c"s},
                              });
}

TEST(Paragraphs, TwoNewlinesEndAParagraph) {
  check_layouts(quarn::paragraphs, {
                                       {"", ""},
                                       {" \n\n\t ", ""},
                                       {"a\nb", "a|b"},
                                       {"a\n\nb", "a\n\nb"},
                                       {"a \n  \n b", "a\n\nb"},
                                       {"a\n\n\n\nb", "a\n\nb"},
                                       {"a\r\n\r\nb", "a\n\nb"},
                                       {"\n\na\n\n", "a"},
                                       {"a\n", "a"},
                                       {"a \t\n b", "a|b"},
                                       {"one two\nthree\n\nfour  five", "one|two|three\n\nfour|five"},
                                       {"a\n\nb\n\nc", "a\n\nb\n\nc"},
                                   });
}

TEST(Text, SpacesAreHintsAndNewlinesAreNewLines) {
  check_layouts(quarn::text, {
                                 {"", "~"},
                                 {"a  b", "a|~|b"},
                                 {"a\n", "a\n~"},
                                 {" a", "~|a"},
                                 {"a\n\nb", "a\n~\nb"},
                                 {"a\tb\rc d", "a\tb\rc|d"},
                                 {"a \nb", "a|~\nb"},
                             });
}

TEST(Lines, OnlyNewlinesSeparate) {
  check_layouts(quarn::lines, {
                                  {"", "~"},
                                  {"a b\nc", "a b\nc"},
                                  {"a\n", "a\n~"},
                                  {"\n\n", "~\n~\n~"},
                                  {"  x  ", "  x  "},
                              });
}

// The printers open no box: in the caller's vertical box every hint breaks,
// and new lines take the caller's indentation.
TEST(TextLayout, TheEnclosingBoxDecides) {
  EXPECT_EQ(quarn::sprint("@[<v>%a@]", quarn::words, "a b  c"), "a\nb\nc");
  // (The engine indents the empty line too.)
  EXPECT_EQ(quarn::sprint("@[<v 2>%a@]", quarn::paragraphs, "a b\n\nc"), "a\n  b\n  \n  c");
  EXPECT_EQ(quarn::sprint("@[<h>%a@]", quarn::text, "a b"), "a b");
  EXPECT_EQ(quarn::sprint("@[<2>x: %a@]", quarn::lines, "a\nb"), "x: a\n  b");
}

TEST(Words, RefillsToTheMargin) {
  EXPECT_EQ(render_with([](quarn::formatter& f) { quarn::words(f, "the quick\nbrown   fox jumps over"); }, 16),
            "the quick brown\nfox jumps over");
}

TEST(Truncated, CutsToTheMaximumLength) {
  struct truncated_case {
    long long max;
    std::string input;
    std::string expected;
  };
  const std::vector<truncated_case> cases = {
      {5, "abcde", "abcde"},
      {5, "abcdefgh", "ab..."},
      {4, "abcde", "a..."},
      {3, "abc", "abc"},
      {3, "abcd", "..."},
      {2, "abc", "..."},
      {0, "", ""},
      {0, "a", "..."},
      {-1, "", "..."},
      {5, "h\xc3\xa9llo!!", "h\xc3..."},  // the cut may fall inside a character
      {100, "short", "short"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(quarn::sprint("@[%a@]", quarn::truncated(c.max), c.input), c.expected) << c.max << " " << c.input;
}

TEST(TextLoc, OnePositionOrARange) {
  struct loc_case {
    quarn::text_location loc;
    const char* expected;
  };
  const std::vector<loc_case> cases = {
      {{{3, 4}, {3, 4}}, "3.4"},     {{{3, 4}, {3, 9}}, "3.4-3.9"},
      {{{3, 4}, {5, 0}}, "3.4-5.0"}, {{{5, 0}, {3, 4}}, "5.0-3.4"},  // taken as given
      {{{-1, 0}, {-1, 0}}, "-1.0"},  {{{LLONG_MIN, LLONG_MAX}, {0, 0}}, "-9223372036854775808.9223372036854775807-0.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(quarn::sprint("%a", quarn::text_loc, c.loc), c.expected);
  // Pairs of pairs of other integer types convert.
  const std::pair<std::pair<int, int>, std::pair<int, int>> small{{1, 2}, {1, 3}};
  EXPECT_EQ(quarn::sprint("%a", quarn::text_loc, small), "1.2-1.3");
}

}  // namespace
