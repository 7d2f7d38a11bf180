// SPDX-License-Identifier: MIT
// The toplevel's reading of phrases: directives, when a phrase is complete,
// declarations or statements, and wrapping statements.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "phrases.hpp"

namespace {

using quarn::top::classify;
using quarn::top::directive;
using quarn::top::is_blank;
using quarn::top::parse_directive;
using quarn::top::phrase_kind;
using quarn::top::phrase_scanner;
using quarn::top::split_expression;
using quarn::top::wrap_expression;
using quarn::top::wrap_statements;

TEST(Directive, RecognisesTheThreeDirectives) {
  auto d = parse_directive("#load ./quarn_top.so");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->what, directive::kind::load);
  EXPECT_EQ(d->argument, "./quarn_top.so");

  d = parse_directive("  #  use   script.cpp  ");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->what, directive::kind::use);
  EXPECT_EQ(d->argument, "script.cpp");

  d = parse_directive("#quit");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->what, directive::kind::quit);
  EXPECT_EQ(d->argument, "");
}

TEST(Directive, StripsQuotesAroundTheArgument) {
  auto d = parse_directive("#use \"my script.cpp\"");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->argument, "my script.cpp");
  // A lone quote is part of the name.
  d = parse_directive("#use \"");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->argument, "\"");
}

TEST(Directive, KeepsAnEmptyArgument) {
  auto d = parse_directive("#load");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->what, directive::kind::load);
  EXPECT_EQ(d->argument, "");
}

TEST(Directive, LeavesPreprocessorLinesAndCodeAlone) {
  for (std::string_view line : {"#include <quarn/quarn.hpp>", "#define LOAD 1", "#loader x", "#quitting", "#usex y",
                                "int load = 1;", "", "#", "  // #load x"}) {
    EXPECT_FALSE(parse_directive(line)) << line;
  }
}

bool complete_after(std::initializer_list<std::string_view> lines) {
  phrase_scanner s;
  for (auto l : lines) s.feed(l);
  return s.complete();
}

TEST(Scanner, SingleLinesAreComplete) {
  EXPECT_TRUE(complete_after({"int x = 1;"}));
  EXPECT_TRUE(complete_after({""}));
  EXPECT_TRUE(complete_after({"#include <vector>"}));
  EXPECT_TRUE(complete_after({"f(g(1), h[2]);"}));
}

TEST(Scanner, OpenBracketsContinueThePhrase) {
  EXPECT_FALSE(complete_after({"struct point {"}));
  EXPECT_FALSE(complete_after({"struct point {", "  int x, y;"}));
  EXPECT_TRUE(complete_after({"struct point {", "  int x, y;", "};"}));
  EXPECT_FALSE(complete_after({"int v = f(1,"}));
  EXPECT_TRUE(complete_after({"int v = f(1,", "  2);"}));
  EXPECT_FALSE(complete_after({"int a[] = {1, [](int x) { return x;", "}(2)"}));
}

TEST(Scanner, ExtraClosingBracketsEndThePhrase) {
  // The compiler reports them; the toplevel must not wait for more input.
  EXPECT_TRUE(complete_after({"int x = 1);"}));
  EXPECT_TRUE(complete_after({"}"}));
}

TEST(Scanner, BracketsInLiteralsAndCommentsDoNotCount) {
  EXPECT_TRUE(complete_after({R"(auto s = "({[";)"}));
  EXPECT_TRUE(complete_after({R"(char c = '{';)"}));
  EXPECT_TRUE(complete_after({R"(char c = '\'';)"}));
  EXPECT_TRUE(complete_after({R"(auto s = "\"{";)"}));
  EXPECT_TRUE(complete_after({"int x = 1; // {"}));
  EXPECT_TRUE(complete_after({"int x = 1; /* { */"}));
  EXPECT_TRUE(complete_after({R"(auto s = "//"; int y = 2;)"}));
  EXPECT_FALSE(complete_after({R"(auto s = "//"; int f() {)"}));
}

TEST(Scanner, BlockCommentsSpanLines) {
  EXPECT_FALSE(complete_after({"int x = 1; /* a comment"}));
  EXPECT_FALSE(complete_after({"int x = 1; /* a comment", "still {"}));
  EXPECT_TRUE(complete_after({"int x = 1; /* a comment", "still { */"}));
  EXPECT_FALSE(complete_after({"/* */ struct s { /* } */"}));
}

TEST(Scanner, DigitSeparatorsAreNotCharacterLiterals) {
  EXPECT_TRUE(complete_after({"int n = 1'000'000;"}));
  EXPECT_FALSE(complete_after({"int n = 0x1'F; int f() {"}));
  // A prefix letter before a quote does start a character literal.
  EXPECT_TRUE(complete_after({"auto c = L'{';"}));
  EXPECT_TRUE(complete_after({"auto c = u8'{';"}));
}

TEST(Scanner, BackslashContinuesTheLine) {
  EXPECT_FALSE(complete_after({"#define TWICE(x) \\"}));
  EXPECT_TRUE(complete_after({"#define TWICE(x) \\", "  ((x) + (x))"}));
  EXPECT_FALSE(complete_after({R"(auto s = "a\)"}));
  EXPECT_TRUE(complete_after({R"(auto s = "a\)", R"(b";)"}));
}

TEST(Scanner, AnUnterminatedLiteralEndsWithItsLine) {
  EXPECT_TRUE(complete_after({R"(auto s = "abc;)"}));
  EXPECT_TRUE(complete_after({"char c = 'x;"}));
}

TEST(Scanner, ResetForgetsTheLastPhrase) {
  phrase_scanner s;
  s.feed("struct s {");
  EXPECT_FALSE(s.complete());
  s.reset();
  s.feed("int x;");
  EXPECT_TRUE(s.complete());
}

TEST(Blank, OnlySpacesAndComments) {
  EXPECT_TRUE(is_blank(""));
  EXPECT_TRUE(is_blank("  \n\t\n"));
  EXPECT_TRUE(is_blank("// a comment\n  /* another */\n"));
  EXPECT_TRUE(is_blank("/* unterminated"));
  EXPECT_FALSE(is_blank("// a comment\nint x;"));
  EXPECT_FALSE(is_blank("/* */ x"));
  EXPECT_FALSE(is_blank("/"));
}

TEST(Wrap, StatementsRunInsideAnInitializer) {
  const std::string w = wrap_statements("f();", 7);
  EXPECT_NE(w.find("quarn_top_statements_7"), std::string::npos);
  // The statements start on line 1 for the compiler's messages.
  const auto at = w.find("#line 1\nf();\n");
  ASSERT_NE(at, std::string::npos);
  // A statement without its semicolon still ends.
  EXPECT_NE(wrap_statements("f()", 1).find("f()\n;"), std::string::npos);
  EXPECT_NE(wrap_statements("f()", 1), wrap_statements("f()", 2));
}

bool declarations(std::string_view code) { return classify(code) == phrase_kind::declarations; }

TEST(Classify, Declarations) {
  for (std::string_view code : {
           "#include <quarn/quarn.hpp>",
           "int x = 1;",
           "auto v = std::vector{1, 2};",
           "static const int n = (f(), 0);",
           "struct point {\n  int x, y;\n};",
           "template <class T> T twice(T x) { return x + x; }",
           "using namespace quarn;",
           "namespace a { int b; }",
           "[[maybe_unused]] int y;",
           "std::string s = \"x\";",
           "std::vector<std::vector<int>> vv;",
           "std::map<int, std::pair<int, int>> m;",
           "quarn::formatter& f = quarn::stdout_formatter();",
           "point* p = nullptr;",
           "int_ptr* const q = nullptr;",
           "point** pp;",
           "point p{3, 4};",
           "std::array<int, (2 > 1 ? 3 : 4)> a{};",
           "::std::size_t n = 3;",
           "T const c = 1;",
           "a::template b<int> c;",
           "  /* a comment */ // and another\n int z;",
           "",
           ";",
       }) {
    EXPECT_TRUE(declarations(code)) << code;
  }
}

TEST(Classify, Statements) {
  for (std::string_view code : {
           "quarn::print(\"@[%a@]@.\", quarn::int_, 3);",
           "f();",
           "f(1)",
           "x = 2;",
           "x += 2;",
           "v.push_back(3);",
           "p->x = 4;",
           "a[0] = 5;",
           "std::cout << 6;",
           "x < 3;",
           "++x;",
           "*p = 7;",
           "(void)f();",
           "{ int local = 1; f(local); }",
           "if (x) f();",
           "for (int i = 0; i < 3; ++i) f(i);",
           "throw 1;",
           "static_cast<void>(f());",
           "[] { f(); }();",
           "\"text\";",
           "42;",
           "quarn::print<int>(\"%d\", 1);",
           "::f();",
           "point{1, 2};",
           "delete p;",
           "x * 10",
           "flags & (1 << 3)",
       }) {
    EXPECT_FALSE(declarations(code)) << code;
  }
}

TEST(Classify, LiteralsAndCommentsDoNotConfuseTheReading) {
  EXPECT_FALSE(declarations("u8\"int x\";"));
  EXPECT_FALSE(declarations("L'x';"));
  EXPECT_FALSE(declarations("1'000;"));
  EXPECT_TRUE(declarations("/* f(); */ int x;"));
  EXPECT_FALSE(declarations("// int x;\nf();"));
}

// What is shown of a phrase of statements: the expression after its last
// ';', when it does not end with one.
TEST(SplitExpression, FindsTheExpressionAtTheEnd) {
  const struct {
    std::string_view code, statements, expression;
  } shown[] = {
      {"x + 1", "", "x + 1"},
      {"v.size()\n", "", "v.size()\n"},
      {"x = 2; x * 10", "x = 2;", " x * 10"},
      {"f({1; 2}); g(\";\")", "f({1; 2});", " g(\";\")"},
      {"[] { return 1; }()", "", "[] { return 1; }()"},
      {"std::vector<int>{1, 2}", "", "std::vector<int>{1, 2}"},
      {"x + 1 /* ; */", "", "x + 1 /* ; */"},
  };
  for (const auto& c : shown) {
    const auto e = split_expression(c.code);
    ASSERT_TRUE(e) << c.code;
    EXPECT_EQ(e->statements, c.statements) << c.code;
    EXPECT_EQ(e->expression, c.expression) << c.code;
  }
  for (std::string_view code : {"f(1);", "f(1); // done", "if (x) f()", "for (;;) {}", "{ f(); }", "return 1",
                                "do f(); while (x)", "x = 1; int y = 2", "switch (x) {}"}) {
    EXPECT_FALSE(split_expression(code)) << code;
  }
}

// The wrapped text keeps the phrase's lines: the statements and the
// expression follow "#line 1" as they were typed.
TEST(SplitExpression, WrapsTheExpressionInTheValuePrinter) {
  const std::string w = wrap_expression({"x = 2;\n", "x * 10"}, 3);
  EXPECT_NE(
      w.find("#line 1\nx = 2;\n::quarn::top::show_phrase_value(((x * 10\n), ::quarn::top::phrase_value_probe{}))"),
      std::string::npos)
      << w;
  EXPECT_NE(w, wrap_expression({"x = 2;\n", "x * 10"}, 4));
}

}  // namespace
