// SPDX-License-Identifier: MIT
// Formatter attributes, ANSI styling, labelled fields, records and string
// conversions.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <quarn/quarn.hpp>

namespace {

using quarn::style_renderer;
const quarn::style Bold = quarn::style::Bold;

// Prints `v` with `p` inside a box, on a fresh buffer formatter whose renderer
// is `r` (left unset when absent), and returns the flushed text.
template <class P, class V>
std::string render(std::optional<style_renderer> r, const P& p, const V& v, int margin = 78) {
  std::string buf;
  quarn::formatter f(buf);
  f.set_margin(margin);
  if (r) quarn::set_style_renderer(f, *r);
  quarn::fprint(f, "@[%a@]", p, v);
  f.print_flush();
  return buf;
}

std::string ansi(const quarn::t<std::string>& p, const std::string& v = "x", int margin = 78) {
  return render(style_renderer::Ansi_tty, p, v, margin);
}

// The text without its SGR sequences (ESC "[" digits and ";" "m").
std::string strip_escapes(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\x1b' && i + 1 < s.size() && s[i + 1] == '[') {
      std::size_t j = i + 2;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == ';')) ++j;
      if (j < s.size() && s[j] == 'm') {
        i = j;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

std::optional<std::string> sgr(const quarn::formatter& f) { return quarn::detail::get(quarn::detail::current_sgr, f); }

// ---------------------------------------------------------------- styling

TEST(Styled, WorkedOutputs) {
  using quarn::styled;
  EXPECT_EQ(ansi(styled(Bold, quarn::string)), "\x1b[0;1mx\x1b[0m");
  EXPECT_EQ(ansi(styled(quarn::Fg(quarn::Red), quarn::string)), "\x1b[0;31mx\x1b[0m");
  EXPECT_EQ(ansi(styled(Bold, styled(quarn::Bg(quarn::Hi(quarn::Blue)), quarn::string))),
            "\x1b[0;1m\x1b[0;1;104mx\x1b[0;1m\x1b[0m");
  EXPECT_EQ(ansi(styled(quarn::style::Underline, styled(quarn::style::None, quarn::string))),
            "\x1b[0;4m\x1b[0mx\x1b[0;4m\x1b[0m");
  // Parameters accumulate without merging.
  EXPECT_EQ(ansi(styled(Bold, styled(Bold, quarn::string))), "\x1b[0;1m\x1b[0;1;1mx\x1b[0;1m\x1b[0m");
}

TEST(Styled, EveryCode) {
  struct colour_row {
    quarn::basic_color c;
    const char *fg, *fg_hi, *bg, *bg_hi;
  };
  const colour_row colours[] = {{quarn::Black, "30", "90", "40", "100"}, {quarn::Red, "31", "91", "41", "101"},
                                {quarn::Green, "32", "92", "42", "102"}, {quarn::Yellow, "33", "93", "43", "103"},
                                {quarn::Blue, "34", "94", "44", "104"},  {quarn::Magenta, "35", "95", "45", "105"},
                                {quarn::Cyan, "36", "96", "46", "106"},  {quarn::White, "37", "97", "47", "107"}};
  std::vector<std::pair<quarn::style, std::string>> table = {{quarn::style::Bold, "1"},
                                                             {quarn::style::Faint, "2"},
                                                             {quarn::style::Italic, "3"},
                                                             {quarn::style::Underline, "4"},
                                                             {quarn::style::Reverse, "7"}};
  for (const colour_row& r : colours) {
    table.emplace_back(quarn::Fg(r.c), r.fg);
    table.emplace_back(r.c, r.fg);  // a bare colour is its foreground
    table.emplace_back(quarn::Fg(quarn::Hi(r.c)), r.fg_hi);
    table.emplace_back(quarn::Hi(r.c), r.fg_hi);
    table.emplace_back(quarn::Bg(r.c), r.bg);
    table.emplace_back(quarn::Bg(quarn::Hi(r.c)), r.bg_hi);
  }
  for (const auto& [s, code] : table) {
    SCOPED_TRACE(code);
    EXPECT_EQ(quarn::detail::ansi_style_code(s), code);
    EXPECT_EQ(ansi(quarn::styled(s, quarn::string)), "\x1b[0;" + code + "mx\x1b[0m");
    // Nothing is rendered on a formatter that was never set up or says None.
    EXPECT_EQ(render(std::nullopt, quarn::styled(s, quarn::string), "x"), "x");
    EXPECT_EQ(render(style_renderer::None, quarn::styled(s, quarn::string), "x"), "x");
  }
  EXPECT_EQ(quarn::detail::ansi_style_code(quarn::style::None), "0");
  EXPECT_EQ(ansi(quarn::styled(quarn::style::None, quarn::string)), "\x1b[0mx\x1b[0m");
}

// Palette and 24-bit colours: their codes, and the same nesting and
// restoring as every other style.
TEST(Styled, PaletteAndRgbColours) {
  using quarn::Bg, quarn::Fg, quarn::Indexed, quarn::Rgb, quarn::styled;
  const std::pair<quarn::style, std::string> codes[] = {
      {Fg(Indexed(0)), "38;5;0"},         {Fg(Indexed(255)), "38;5;255"},   {Indexed(208), "38;5;208"},
      {Bg(Indexed(1)), "48;5;1"},         {Fg(Rgb(0, 0, 0)), "38;2;0;0;0"}, {Bg(Rgb(255, 128, 7)), "48;2;255;128;7"},
      {Rgb(12, 34, 56), "38;2;12;34;56"},
  };
  for (const auto& [s, code] : codes) {
    SCOPED_TRACE(code);
    EXPECT_EQ(quarn::detail::ansi_style_code(s), code);
    EXPECT_EQ(render(std::nullopt, styled(s, quarn::string), "x"), "x");
  }

  const auto inner = styled(Fg(Indexed(208)), quarn::string);
  const std::pair<quarn::t<std::string>, std::string> nested[] = {
      {styled(Bold, styled(Bg(Rgb(1, 2, 3)), quarn::string)), "\x1b[0;1m\x1b[0;1;48;2;1;2;3mx\x1b[0;1m\x1b[0m"},
      {styled(Bg(Rgb(1, 2, 3)), inner), "\x1b[0;48;2;1;2;3m\x1b[0;48;2;1;2;3;38;5;208mx\x1b[0;48;2;1;2;3m\x1b[0m"},
      {styled(Rgb(9, 9, 9), styled(quarn::style::None, inner)),
       "\x1b[0;38;2;9;9;9m\x1b[0m\x1b[0;38;5;208mx\x1b[0m\x1b[0;38;2;9;9;9m\x1b[0m"},
      {styled(Fg(Indexed(208)), styled(quarn::Red, quarn::string)),
       "\x1b[0;38;5;208m\x1b[0;38;5;208;31mx\x1b[0;38;5;208m\x1b[0m"},
  };
  for (const auto& [p, bytes] : nested) EXPECT_EQ(ansi(p), bytes);

  // A palette entry is not the basic colour of the same number.
  static_assert(Indexed(1) != quarn::color(quarn::Red) && Hi(quarn::Red) != quarn::color(quarn::Red));
  static_assert(Rgb(1, 2, 3) == Rgb(1, 2, 3) && Rgb(1, 2, 3) != Rgb(3, 2, 1) && Indexed(3) != Rgb(3, 0, 0));
}

TEST(Styled, NoneRendererTouchesNoAttribute) {
  std::string buf;
  quarn::formatter f(buf);
  quarn::set_utf_8(f, true);  // a store, so that a write would be kept
  quarn::fprint(f, "@[%a@]", quarn::styled(Bold, quarn::string), "x");
  f.print_flush();
  EXPECT_EQ(buf, "x");
  EXPECT_EQ(sgr(f), std::nullopt);
}

TEST(Styled, EscapesTakeNoColumns) {
  const std::vector<std::string> words = {"alpha", "be", "gamma", "delta", "e", "zeta", "etaeta", "theta"};
  const auto plain = quarn::list(quarn::string, {.sep = quarn::sp});
  const auto styled = quarn::styled(
      Bold, quarn::list(quarn::styled(quarn::Bg(quarn::Hi(quarn::Cyan)), quarn::string), {.sep = quarn::sp}));
  for (int margin = 4; margin <= 40; ++margin) {
    SCOPED_TRACE(margin);
    std::string expected = render(std::nullopt, plain, words, margin);
    std::string got = render(style_renderer::Ansi_tty, styled, words, margin);
    EXPECT_NE(got, expected);
    EXPECT_EQ(strip_escapes(got), expected);
  }
  // "abc defgh" fills a line of margin 10 (one more letter does not fit): the
  // styled word stays on it.
  auto two_words = [](const auto& last) {
    return [last](quarn::formatter& f, const std::string& w) { quarn::fprint(f, "abc@ %a", last, w); };
  };
  const auto green = quarn::styled(quarn::Green, quarn::string);
  ASSERT_EQ(render(std::nullopt, two_words(quarn::string), std::string("defgh"), 10), "abc defgh");
  ASSERT_EQ(render(std::nullopt, two_words(quarn::string), std::string("defghi"), 10), "abc\ndefghi");
  EXPECT_EQ(render(style_renderer::Ansi_tty, two_words(green), std::string("defgh"), 10), "abc \x1b[0;32mdefgh\x1b[0m");
}

struct oops : std::runtime_error {
  int code;
  explicit oops(int c) : std::runtime_error("oops"), code(c) {}
};

TEST(Styled, FailureRestoresTheAttribute) {
  auto fails = [](quarn::formatter& f, const int& n) {
    f.print_string("ab");
    throw oops(n);
  };
  std::string buf;
  quarn::formatter f(buf);
  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  f.open_box(quarn::box_kind::hov, 0);
  try {
    quarn::styled(quarn::Fg(quarn::Red), fails)(f, 7);
    ADD_FAILURE() << "no exception";
  } catch (const oops& e) {
    EXPECT_STREQ(e.what(), "oops");
    EXPECT_EQ(e.code, 7);
  }
  EXPECT_EQ(sgr(f), "0");  // absent before the call
  f.print_flush();
  EXPECT_EQ(buf, "\x1b[0;31mab");

  // Inside an enclosing style, the enclosing parameters come back.
  buf.clear();
  std::optional<std::string> after;
  auto outer = [&](quarn::formatter& g, const int& n) {
    try {
      quarn::styled(quarn::Blue, fails)(g, n);
    } catch (const oops&) {
      after = sgr(g);
    }
  };
  quarn::fprint(f, "@[%a@]", quarn::styled(quarn::style::Italic, outer), 1);
  f.print_flush();
  EXPECT_EQ(after, "0;3");
  EXPECT_EQ(buf, "\x1b[0;3m\x1b[0;3;34mab\x1b[0m");  // the inner closing is never written
  EXPECT_EQ(sgr(f), "0");
}

TEST(Styled, UnitAndUtf8Choice) {
  EXPECT_EQ(ansi(quarn::styled_unit(Bold, "hi@ there")), "\x1b[0;1mhi there\x1b[0m");
  EXPECT_EQ(render(style_renderer::Ansi_tty, quarn::styled_unit(Bold, "hi"), 42), "\x1b[0;1mhi\x1b[0m");

  const auto arrow = quarn::if_utf_8(quarn::any("\xe2\x86\x92"), quarn::any("->"));
  std::string buf;
  quarn::formatter f(buf);
  quarn::fprint(f, "@[%a@]", arrow, quarn::unit{});
  quarn::set_utf_8(f, false);
  quarn::fprint(f, "@[%a@]", arrow, quarn::unit{});
  f.print_flush();
  EXPECT_EQ(buf, "\xe2\x86\x92->");
}

// ------------------------------------------------------- attribute store

TEST(Attributes, DefaultsWritesAndIndependence) {
  std::string buf;
  quarn::formatter f(buf);
  quarn::fprint(f, "@[a@ ");
  EXPECT_TRUE(quarn::utf_8(f));
  EXPECT_EQ(quarn::get_style_renderer(f), style_renderer::None);
  quarn::fprint(f, "b@]");
  f.print_flush();
  EXPECT_EQ(buf, "a b");

  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  EXPECT_EQ(quarn::get_style_renderer(f), style_renderer::Ansi_tty);
  EXPECT_TRUE(quarn::utf_8(f));
  quarn::set_utf_8(f, false);
  EXPECT_FALSE(quarn::utf_8(f));
  EXPECT_EQ(quarn::get_style_renderer(f), style_renderer::Ansi_tty);
  quarn::set_style_renderer(f, style_renderer::None);
  EXPECT_EQ(quarn::get_style_renderer(f), style_renderer::None);
  EXPECT_FALSE(quarn::utf_8(f));

  // Tag functions that do not forward drop the store: defaults again, and the
  // next write starts an empty one.
  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  f.set_stag_functions(quarn::default_stag_functions());
  EXPECT_TRUE(quarn::utf_8(f));
  quarn::set_utf_8(f, false);
  EXPECT_FALSE(quarn::utf_8(f));
  EXPECT_EQ(quarn::get_style_renderer(f), style_renderer::None);
}

TEST(Attributes, StoreIsTransparentToOtherTags) {
  auto tagged = [](quarn::formatter& f) {
    std::string buf;
    f.retarget(buf);
    quarn::fprint(f, "@[@{<b>x@}@]");
    f.print_flush();
    return buf;
  };
  std::string unused;
  quarn::formatter f(unused);
  f.set_mark_tags(true);
  EXPECT_EQ(tagged(f), "<b>x</b>");
  quarn::set_utf_8(f, false);
  EXPECT_EQ(tagged(f), "<b>x</b>");

  // A store also forwards to an open-mark function of someone else's.
  quarn::formatter g(unused);
  g.set_mark_tags(true);
  quarn::stag_functions fns = g.get_stag_functions();
  fns.mark_open_stag = [](const quarn::stag& t) {
    const auto* s = dynamic_cast<const quarn::string_tag*>(&t);
    return s ? "[" + s->name() + "]" : std::string();
  };
  g.set_stag_functions(fns);
  quarn::set_style_renderer(g, style_renderer::Ansi_tty);
  EXPECT_EQ(tagged(g), "[b]x</b>");
  EXPECT_EQ(style_renderer(g), style_renderer::Ansi_tty);
}

TEST(Attributes, ForeignAnswerIsAnAssertionFailure) {
  std::string buf;
  quarn::formatter f(buf);
  quarn::stag_functions fns = f.get_stag_functions();
  fns.mark_open_stag = [](const quarn::stag&) { return std::string("zz"); };
  f.set_stag_functions(fns);
  EXPECT_THROW((void)style_renderer(f), quarn::assertion_failure);
  try {
    (void)quarn::utf_8(f);
    ADD_FAILURE() << "no exception";
  } catch (const quarn::assertion_failure& e) {
    EXPECT_EQ(e.file(), "src/engine/attributes.cpp");
    EXPECT_GT(e.line(), 0);
    EXPECT_GT(e.column(), 0);
    EXPECT_NE(std::string(e.what()).find("src/engine/attributes.cpp"), std::string::npos);
  }
}

TEST(Attributes, WithBufferSharesTheStore) {
  std::string fb, gb, hb;
  EXPECT_TRUE(quarn::utf_8(quarn::with_buffer(gb)));
  EXPECT_EQ(style_renderer(quarn::with_buffer(gb)), style_renderer::None);

  quarn::formatter f(fb);
  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  quarn::formatter g = quarn::with_buffer(gb, {.like = &f});
  EXPECT_EQ(style_renderer(g), style_renderer::Ansi_tty);
  quarn::set_utf_8(g, false);
  EXPECT_FALSE(quarn::utf_8(f));

  quarn::formatter plain(fb);
  (void)quarn::utf_8(plain);  // reads install nothing
  quarn::formatter h = quarn::with_buffer(hb, {.like = &plain});
  quarn::set_utf_8(h, false);
  EXPECT_FALSE(quarn::utf_8(h));
  EXPECT_TRUE(quarn::utf_8(plain));
}

TEST(Attributes, StrLike) {
  std::string buf;
  quarn::formatter f(buf);
  const auto red = quarn::styled(quarn::Red, quarn::string);
  EXPECT_EQ(quarn::str_like(f, "<%a>", red, "x"), "<x>");
  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  EXPECT_EQ(quarn::str_like(f, "<%a>", red, "x"), "<\x1b[0;31mx\x1b[0m>");
  EXPECT_EQ(quarn::str_like(f, "%s", "a"), "a");
  EXPECT_EQ(quarn::str_like(f, "%s", "b"), "b");

  // A string formatter like f continues f's enclosing style.
  std::string inner;
  auto nested = [&](quarn::formatter& g, const std::string& s) { inner = quarn::str_like(g, "%a", red, s); };
  quarn::fprint(f, "@[%a@]", quarn::styled(Bold, nested), "x");
  EXPECT_EQ(inner, "\x1b[0;1;31mx\x1b[0;1m");
}

TEST(Attributes, StrLikeFromTwoThreads) {
  std::string buf;
  quarn::formatter shared(buf);
  quarn::set_style_renderer(shared, style_renderer::Ansi_tty);
  const auto red = quarn::styled(quarn::Red, quarn::string);
  auto run = [&](int& wrong) {
    for (int i = 0; i < 2000; ++i) wrong += quarn::str_like(shared, "<%a>", red, "x") != "<\x1b[0;31mx\x1b[0m>";
  };
  int wrong1 = 0, wrong2 = 0;
  std::thread other(run, std::ref(wrong1));
  run(wrong2);
  other.join();
  EXPECT_EQ(wrong1 + wrong2, 0);
  // Styles written in the string formatters never reach the shared one.
  EXPECT_FALSE(quarn::detail::get(quarn::detail::current_sgr, shared));
}

// --------------------------------------------------------------- fields

TEST(Fields, Field) {
  const auto name = quarn::field("name", quarn::id, quarn::string);
  EXPECT_EQ(render(style_renderer::Ansi_tty, name, std::string("value")), "\x1b[0;33mname\x1b[0m: value");
  EXPECT_EQ(render(std::nullopt, name, std::string("value")), "name: value");
  EXPECT_EQ(render(std::nullopt, name, std::string("value"), 8), "name:\n value");
  EXPECT_EQ(render(style_renderer::Ansi_tty, quarn::styled(Bold, name), std::string("v")),
            "\x1b[0;1m\x1b[0;1;33mname\x1b[0;1m: v\x1b[0m");

  struct point {
    int x, y;
  };
  std::vector<std::string> log;
  quarn::t<std::string> label = [&](quarn::formatter& f, const std::string& s) {
    log.push_back("label");
    f.print_string("<" + s + ">");
  };
  auto prj = [&](const point& p) {
    log.push_back("prj");
    return p.y;
  };
  const auto y = quarn::field("y", prj, quarn::int_, {.label = label, .sep = quarn::any(" = ")});
  EXPECT_EQ(render(std::nullopt, y, point{1, 2}), "<y> = 2");
  EXPECT_EQ(log, (std::vector<std::string>{"prj", "label"}));
  EXPECT_EQ(render(std::nullopt, quarn::field("x", &point::x, quarn::int_), point{1, 2}), "x: 1");
}

TEST(Fields, Record) {
  struct point {
    int x, y;
  };
  const auto x = quarn::field("x", &point::x, quarn::int_);
  const auto y = quarn::field("y", &point::y, quarn::int_);
  EXPECT_EQ(render(std::nullopt, quarn::record<point>({}), point{1, 2}), "");
  EXPECT_EQ(render(std::nullopt, quarn::record<point>({x}), point{1, 2}), "x: 1");
  for (int margin : {8, 78, 1000})
    EXPECT_EQ(render(std::nullopt, quarn::record<point>({x, y}), point{1, 2}, margin), "x: 1\ny: 2");
  EXPECT_EQ(render(std::nullopt, quarn::record<point>({x, y}, {.sep = quarn::any("; ")}), point{1, 2}), "x: 1; y: 2");
}

TEST(Fields, StringConversions) {
  auto hash = [](int n) { return "#" + std::to_string(n); };
  EXPECT_EQ(quarn::to_to_string(quarn::of_to_string(hash))(42), "#42");
  EXPECT_EQ(render(std::nullopt, quarn::of_to_string(hash), 7), "#7");

  // Always plain, whatever other formatters render.
  const auto to_s = quarn::to_to_string(quarn::styled(Bold, quarn::string));
  quarn::set_style_renderer(quarn::stdout_formatter(), style_renderer::Ansi_tty);
  std::string buf;
  quarn::formatter f(buf);
  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  (void)quarn::str_like(f, "%a", quarn::styled(Bold, quarn::string), "a");
  EXPECT_EQ(to_s("x"), "x");
  quarn::set_style_renderer(quarn::stdout_formatter(), style_renderer::None);
}

TEST(Fields, PrefixSuffix) {
  std::vector<std::string> log;
  auto mark = [&](quarn::formatter& f, const quarn::unit&) {
    log.push_back("mark");
    f.print_string("|");
  };
  auto logged = [&](quarn::formatter& f, const int& n) {
    log.push_back("value");
    quarn::int_(f, n);
  };
  EXPECT_EQ(render(std::nullopt, quarn::prefix(mark, logged), 3), "|3");
  EXPECT_EQ(log, (std::vector<std::string>{"mark", "value"}));
  log.clear();
  EXPECT_EQ(render(std::nullopt, quarn::suffix(mark, logged), 3), "3|");
  EXPECT_EQ(log, (std::vector<std::string>{"value", "mark"}));
}

TEST(Fields, SecondNames) {
  std::string buf;
  quarn::formatter f(buf);
  quarn::set_style_renderer(f, style_renderer::Ansi_tty);
  const auto b = quarn::styled(Bold, quarn::string);
  EXPECT_EQ(quarn::str("@[%d@ %s@]", 1, "a"), quarn::sprint("@[%d@ %s@]", 1, "a"));
  EXPECT_EQ(quarn::kstr([](std::string s) { return s.size(); }, "%d", 123), 3U);
  EXPECT_EQ(quarn::format_like(f, "%a", b, "x"), quarn::str_like(f, "%a", b, "x"));
  EXPECT_EQ(render(std::nullopt, quarn::always("a@ b"), 0), "a b");
  EXPECT_EQ(render(std::nullopt, quarn::literal("a@ b"), 0), "a b");
}

}  // namespace
