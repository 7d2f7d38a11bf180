// SPDX-License-Identifier: MIT
// String formatting: sprint and its pool of formatters, continuations, and
// formatters that share another formatter's tag functions.
#include <gtest/gtest.h>

#include <malloc.h>

#include <string>

#include <quarn/quarn.hpp>

namespace {

const std::string s40(40, 'a');
const std::string s30(30, 'b');

TEST(Sprint, PrintersSeeAFreshFormatter) {
  // Dirty a pooled formatter first: the next sprint must not see it.
  auto dirty = [](quarn::formatter& f, int) {
    f.set_margin(10);
    f.set_mark_tags(true);
    f.set_max_indent(5);
  };
  (void)quarn::sprint("%a", dirty, 0);
  int margin = 0, max_indent = 0, depth = 0;
  bool mark = true;
  auto record = [&](quarn::formatter& f, int) {
    margin = f.margin();
    max_indent = f.max_indent();
    mark = f.mark_tags();
    depth = f.depth();
  };
  EXPECT_EQ(quarn::sprint("x%a", record, 0), "x");
  EXPECT_EQ(margin, 78);
  EXPECT_EQ(max_indent, 68);
  EXPECT_FALSE(mark);
  EXPECT_EQ(depth, 1);
}

TEST(Sprint, Continuations) {
  std::string buf;
  quarn::formatter f(buf);
  quarn::formatter* seen = nullptr;
  int r = quarn::kfprint(
      [&](quarn::formatter& g) {
        seen = &g;
        return 42;
      },
      f, "x%d", 1);
  EXPECT_EQ(r, 42);
  EXPECT_EQ(seen, &f);
  f.print_flush();
  EXPECT_EQ(buf, "x1");
  // A reference returned by the continuation stays a reference.
  int target = 0;
  int& ref = quarn::kfprint([&](quarn::formatter&) -> int& { return target; }, f, "");
  EXPECT_EQ(&ref, &target);

  EXPECT_EQ(quarn::ksprint([](std::string s) { return s + "!"; }, "@[%d@ %s@]", 12, "ab"), "12 ab!");
}

TEST(Sprint, IsReentrant) {
  auto inner = [](quarn::formatter& f, int v) { f.print_string(quarn::sprint("(%d)", v)); };
  auto outer = [&](quarn::formatter& f, int v) {
    quarn::fprint(f, "[%s|%a]", quarn::sprint("%a", inner, v), inner, v + 1);
  };
  EXPECT_EQ(quarn::sprint("a%ab", outer, 1), "a[(1)|(2)]b");
  // A nested sprint lays out on its own line, not on the outer one.
  auto nested_long = [](quarn::formatter& f, int) { f.print_string(quarn::sprint("@[%s@ %s@]", s40, s30)); };
  EXPECT_EQ(quarn::sprint("@[%s%a@]", s40, nested_long, 0), s40 + s40 + " " + s30);
}

struct printer_error {
  int code;
};

TEST(Sprint, ExceptionsLeaveThePoolClean) {
  auto throwing = [](quarn::formatter& f, int code) {
    f.set_margin(10);
    quarn::fprint(f, "@[<v 2>@{<t>abc@ ");
    throw printer_error{code};
  };
  try {
    (void)quarn::sprint("@[x%a", throwing, 7);
    FAIL() << "the printer's exception was lost";
  } catch (const printer_error& e) {
    EXPECT_EQ(e.code, 7);
  }
  EXPECT_EQ(quarn::sprint("@[%s@ %s@]", s40, s30), s40 + " " + s30);
  EXPECT_EQ(quarn::sprint("@[a@ b@]"), "a b");
}

// Tag functions that mark tags with brackets.
quarn::stag_functions bracket_marks() {
  quarn::stag_functions fns = quarn::default_stag_functions();
  fns.mark_open_stag = [](const quarn::stag& t) { return "[" + static_cast<const quarn::string_tag&>(t).name() + "]"; };
  return fns;
}

// Prints what the formatter's open-mark function makes of tag "q": the way a
// printer reads attributes carried by the tag functions.
void show_mark(quarn::formatter& f, int) {
  const auto& fns = f.get_stag_functions();
  f.print_string(fns.mark_open_stag ? fns.mark_open_stag(quarn::string_tag("q")) : "none");
}

TEST(SharedTagFunctions, WithBuffer) {
  std::string buf = "pre:";
  quarn::formatter plain = quarn::with_buffer(buf);
  quarn::fprint(plain, "x%d@?", 1);
  EXPECT_EQ(buf, "pre:x1");

  std::string sink;
  quarn::formatter g(sink);
  g.set_stag_functions(bracket_marks());
  g.set_mark_tags(true);
  g.set_margin(20);
  std::string out;
  quarn::formatter f = quarn::with_buffer(out, {.like = &g});
  // Only the tag functions are shared, not the other settings.
  EXPECT_FALSE(f.mark_tags());
  EXPECT_EQ(f.margin(), 78);
  f.set_mark_tags(true);
  quarn::fprint(f, "@{<t>x@}@?");
  EXPECT_EQ(out, "[t]x</t>");
}

TEST(SharedTagFunctions, StrLike) {
  std::string sink;
  quarn::formatter g(sink);
  g.set_stag_functions(bracket_marks());
  EXPECT_EQ(quarn::str_like(g, "%a", show_mark, 0), "[q]");
  EXPECT_EQ(quarn::sprint("%a", show_mark, 0), "<q>");
  EXPECT_EQ(quarn::str_like(g, "@[%s@ %s@]", s40, s30), s40 + " " + s30);
  // The pooled formatter does not keep the borrowed functions.
  EXPECT_EQ(quarn::sprint("%a", show_mark, 0), "<q>");
}

}  // namespace

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)  // glibc's mallinfo2; ASan's allocator does not report to it
// A formatter that made a big string is not kept by the pool with its buffer.
TEST(Sprint, BigStringsAreNotKeptAlive) {
  const auto in_use = [] {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
  };
  (void)quarn::sprint("warm up");
  const std::size_t before = in_use();
  {
    const std::string big(32 << 20, 'x');
    EXPECT_EQ(quarn::sprint("%s", big).size(), big.size());
  }
  EXPECT_LT(in_use(), before + (1 << 20));
}
#endif
