// SPDX-License-Identifier: MIT
// Text measured in display columns: widths of UTF-8 text, and the layouts
// and paddings that follow from them, next to the same calls measured in
// bytes.
#include <gtest/gtest.h>

#include <quarn/quarn.hpp>

#include <initializer_list>
#include <string>
#include <string_view>

namespace {

using quarn::text_measure;

// Wide (CJK), emoji, a precomposed letter, a letter with a combining
// accent, and malformed UTF-8.
constexpr std::string_view wide = "\u65e5\u672c\u8a9e";         // 3 characters, 6 columns, 9 bytes
constexpr std::string_view emoji = "\U0001F600";                // 1 character, 2 columns, 4 bytes
constexpr std::string_view e_acute = "\u00e9";                  // 1 column, 2 bytes
constexpr std::string_view e_combining = "e\u0301";             // 1 column, 3 bytes

// The pieces joined.  (Chains of "literal" + std::string trip GCC 12's
// -Wrestrict at -O3 with a false warning; appending to one string does not.)
std::string cat(std::initializer_list<std::string_view> pieces) {
  std::string s;
  for (std::string_view p : pieces) s.append(p);
  return s;
}

TEST(DisplayColumns, CountsWhatATerminalShows) {
  const struct {
    std::string_view text;
    std::size_t columns;
  } cases[] = {
      {"", 0},
      {"plain ascii\t", 12},
      {e_acute, 1},
      {e_combining, 1},
      {wide, 6},
      {emoji, 2},
      {"\xff", 1},                  // never valid in UTF-8
      {"a\xc3", 2},                 // a sequence cut short at the end
      {"\xe6\x97"
       "a",
       3},          // cut short before an ASCII byte
      {"\x80\x80", 2},              // stray continuation bytes
      {"\xc0\xaf", 2},              // overlong "/"
      {"\xed\xa0\x80", 3},          // an encoded surrogate
      {"a\u65e5\xff\u00e9e\u0301", 6},
  };
  for (const auto& c : cases) EXPECT_EQ(quarn::display_columns(c.text), c.columns) << c.text;
}

std::string words_at(int margin, text_measure m, std::string_view s) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(margin);
  f.set_measure(m);
  quarn::fprint(f, "@[<hov>%a@]@?", quarn::words, s);
  return out;
}

TEST(ColumnMeasure, FillsLinesByColumns) {
  const std::string ee = std::string(e_acute) + std::string(e_acute);
  const std::string w = std::string(wide);
  const std::string m = std::string(emoji) + std::string(emoji);
  const std::string c = std::string(e_combining) + std::string(e_combining) + std::string(e_combining);
  const struct {
    std::string text;
    int margin;
    std::string bytes, columns;
  } cases[] = {
      // Lines hold margin - 1 columns.
      {ee + ee + std::string(e_acute) + " " + ee + ee + std::string(e_acute), 20,
       ee + ee + std::string(e_acute) + "\n" + ee + ee + std::string(e_acute),
       ee + ee + std::string(e_acute) + " " + ee + ee + std::string(e_acute)},
      {w + " " + w + " " + w, 14, w + "\n" + w + "\n" + w, w + " " + w + "\n" + w},
      {w + " " + w, 13, w + "\n" + w, w + "\n" + w},
      {m + " " + m + " " + m, 10, m + "\n" + m + "\n" + m, m + " " + m + "\n" + m},
      {c + " x", 6, c + "\nx", c + " x"},
      {"\xff\xff\xff \xff", 6, "\xff\xff\xff \xff", "\xff\xff\xff \xff"},
      {"ab " + w + " cd", 10, "ab\n" + w + "\ncd", "ab " + w + "\ncd"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(words_at(k.margin, text_measure::bytes, k.text), k.bytes) << k.text << " at " << k.margin;
    EXPECT_EQ(words_at(k.margin, text_measure::columns, k.text), k.columns) << k.text << " at " << k.margin;
  }
}

std::string formatted(text_measure m, const char* fmt, std::string_view s) {
  std::string out;
  quarn::formatter f(out);
  f.set_measure(m);
  quarn::fprint(f, quarn::runtime(fmt), s);
  f.print_flush();
  return out;
}

TEST(ColumnMeasure, WidthsAndPrecisionsOfStrings) {
  const std::string ne = cat({"n", e_acute});
  const std::string w = std::string(wide);
  const struct {
    const char* fmt;
    std::string arg, bytes, columns;
  } cases[] = {
      {"[%-8s]", ne, cat({"[", ne, "     ]"}), cat({"[", ne, "      ]"})},
      {"[%8s]", ne, cat({"[     ", ne, "]"}), cat({"[      ", ne, "]"})},
      {"[%7s]", w, cat({"[", w, "]"}), cat({"[ ", w, "]"})},
      // A precision in columns keeps whole characters; in bytes it cuts.
      {"[%.4s]", w, cat({"[", w.substr(0, 4), "]"}), cat({"[", w.substr(0, 6), "]"})},
      {"[%.3s]", w, cat({"[", w.substr(0, 3), "]"}), cat({"[", w.substr(0, 3), "]"})},
      {"[%.1s]", cat({e_combining, "x"}), "[e]", cat({"[", e_combining, "]"})},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(formatted(text_measure::bytes, k.fmt, k.arg), k.bytes) << k.fmt;
    EXPECT_EQ(formatted(text_measure::columns, k.fmt, k.arg), k.columns) << k.fmt;
  }
}

TEST(ColumnMeasure, TruncatedCountsColumnsAndKeepsWholeCharacters) {
  const std::string w = std::string(wide);
  std::string out;
  quarn::formatter f(out);
  f.set_measure(text_measure::columns);
  quarn::fprint(f, "%a|%a|%a@?", quarn::truncated(6), w, quarn::truncated(5), w + w, quarn::truncated(6), w + w);
  EXPECT_EQ(out, w + "|" + w.substr(0, 3) + "...|" + w.substr(0, 3) + "...");
}

// Pieces are cut by bytes and measured as print_string() would measure each.
TEST(ColumnMeasure, PiecesAreMeasuredOneByOne) {
  const std::string w = std::string(wide);
  std::string out;
  quarn::formatter f(out);
  f.set_margin(9);
  f.set_measure(text_measure::columns);
  f.open_box(quarn::box_kind::hov, 0);
  f.print_pieces(w + w, 3, 1);
  f.close_box();
  f.print_flush();
  EXPECT_EQ(out, "\u65e5 \u672c \u8a9e\n\u65e5 \u672c \u8a9e");
}

// Escape sequences stay zero-width: the styled text breaks where the plain
// text does.
TEST(ColumnMeasure, StylesTakeNoColumns) {
  const std::string w = std::string(wide);
  const auto styled = quarn::styled(quarn::Fg(quarn::Red), quarn::words);
  std::string plain, ansi;
  for (std::string* out : {&plain, &ansi}) {
    quarn::formatter f(*out);
    f.set_margin(14);
    f.set_measure(text_measure::columns);
    quarn::set_style_renderer(f, out == &ansi ? quarn::style_renderer::Ansi_tty : quarn::style_renderer::None);
    quarn::fprint(f, "@[<hov>%a@]@?", styled, w + " " + w + " " + w);
  }
  EXPECT_EQ(plain, w + " " + w + "\n" + w);
  std::string stripped;
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    if (ansi[i] == '\x1b')
      i = ansi.find('m', i);
    else
      stripped += ansi[i];
  }
  EXPECT_NE(ansi, plain);
  EXPECT_EQ(stripped, plain);
}

// Every way of making a formatter like another takes its measure; a plain
// sprint after them still counts bytes.
TEST(ColumnMeasure, FormattersMadeLikeAnotherTakeIt) {
  const std::string ne = cat({"n", e_acute});
  std::string unused;
  quarn::formatter like(unused);
  like.set_measure(text_measure::columns);
  const auto with_buffer = [&](const char* fmt) {
    std::string out;
    quarn::formatter f = quarn::with_buffer(out, {.like = &like});
    quarn::fprint(f, quarn::runtime(fmt), ne);
    f.print_flush();
    return out;
  };
  const std::string padded = cat({ne, "      |"});
  EXPECT_EQ(quarn::str_like(like, "%-8s|", ne), padded);  // a flat string, made without a formatter
  EXPECT_EQ(quarn::str_like(like, "@[%-8s|@]", ne), padded);
  EXPECT_EQ(quarn::str_like(like, quarn::runtime("%-8s|"), ne), padded);
  EXPECT_EQ(with_buffer("%-8s|"), padded);
  EXPECT_EQ(quarn::sprint("@[%-8s|@]", ne), cat({ne, "     |"}));
}

TEST(ColumnMeasure, IsASettingThatResetRestores) {
  std::string out;
  quarn::formatter f(out);
  EXPECT_EQ(f.measure(), text_measure::bytes);
  f.set_measure(text_measure::columns);
  f.set_ellipsis_text("\u2026");
  f.set_max_boxes(3);
  f.set_margin(6);
  quarn::fprint(f, "@[<hov>abc@ @[x@]@]@?");
  EXPECT_EQ(out, "abc \u2026");  // the ellipsis is one column wide: it fits
  f.reset();
  EXPECT_EQ(f.measure(), text_measure::bytes);
}

}  // namespace
