// The layout engine beyond the layout cases: settings, tags, the box limit,
// devices, and behaviour on deep or long documents.
#include <gtest/gtest.h>
#include <quarn/engine.hpp>

#include <climits>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using quarn::box_kind;
using quarn::formatter;

TEST(Engine, Defaults) {
  std::string out;
  formatter f(out);
  EXPECT_EQ(f.margin(), 78);
  EXPECT_EQ(f.max_indent(), 68);
  EXPECT_EQ(f.max_boxes(), INT_MAX);
  EXPECT_FALSE(f.mark_tags());
  EXPECT_FALSE(f.print_tags());
}

TEST(Engine, GeometrySettersIgnoreOutOfRangeValues) {
  std::string out;
  formatter f(out);
  f.set_margin(0);
  f.set_margin(-5);
  EXPECT_EQ(f.margin(), 78);
  f.set_max_indent(1);
  f.set_max_indent(78);
  f.set_max_indent(100);
  EXPECT_EQ(f.max_indent(), 68);
  f.set_max_indent(40);
  EXPECT_EQ(f.max_indent(), 40);
  // Lowering the margin below the maximum indentation lowers the latter.
  f.set_margin(30);
  EXPECT_EQ(f.margin(), 30);
  EXPECT_LT(f.max_indent(), 30);
  f.set_max_boxes(1);
  EXPECT_EQ(f.max_boxes(), INT_MAX);
  f.set_margin(INT_MAX);
  EXPECT_EQ(f.margin(), 1000000009);
}

TEST(Engine, NegativeWidthsAreRejected) {
  std::string out;
  formatter f(out);
  EXPECT_THROW(f.print_as(-1, "x"), std::invalid_argument);
  EXPECT_THROW(f.print_break(-1, 0), std::invalid_argument);
  f.print_break(1, -3);  // a negative offset is fine
  f.print_flush();
}

TEST(Engine, NullFileIsRejected) { EXPECT_THROW(formatter(static_cast<std::FILE*>(nullptr)), std::invalid_argument); }

TEST(Engine, MarginChangeMidDocumentKeepsPendingText) {
  std::string out;
  formatter f(out);
  f.open_box(box_kind::hov, 2);
  f.print_string("alpha");
  f.print_break(1, 0);
  f.print_string("beta");
  f.set_margin(12);
  f.print_break(1, 0);
  f.print_string("gamma");
  f.close_box();
  f.print_flush();
  EXPECT_EQ(out, "alpha beta\n  gamma");
}

TEST(Engine, MaxBoxesPrintsEllipsisOnceAndDropsDeeperContent) {
  std::string out;
  formatter f(out);
  f.set_max_boxes(3);  // the engine's outermost box counts as one
  f.open_box(box_kind::h);
  f.print_string("a");
  f.open_box(box_kind::h);  // at the limit: "." instead of the box
  f.print_string("b");
  f.open_box(box_kind::h);
  f.print_string("c");
  f.close_box();
  f.close_box();
  f.print_string("d");
  f.close_box();
  f.print_flush();
  EXPECT_EQ(out, "a.d");
  EXPECT_EQ(f.depth(), 1);
}

TEST(Engine, ZeroWidthTextDoesNotMoveLineBreaks) {
  auto layout = [](bool styled) {
    std::string out;
    formatter f(out);
    f.set_margin(10);
    f.open_box(box_kind::hov);
    for (int i = 0; i < 6; ++i) {
      if (i > 0) f.print_break(1, 0);
      if (styled) f.print_as(0, "\x1b[1m");
      f.print_string("ab");
      if (styled) f.print_as(0, "\x1b[0m");
    }
    f.close_box();
    f.print_flush();
    std::string plain;
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (out[i] == '\x1b') {
        i = out.find('m', i);
        continue;
      }
      plain += out[i];
    }
    return plain;
  };
  EXPECT_EQ(layout(false), "ab ab ab\nab ab ab");
  EXPECT_EQ(layout(true), layout(false));
}

struct color_tag final : quarn::stag {
  explicit color_tag(int c) : color(c) {}
  int color;
  std::string_view kind_name() const noexcept override { return "color_tag"; }
};

TEST(Engine, StringTagsAreMarkedWhenMarkingIsOn) {
  std::string out;
  formatter f(out);
  f.open_tag("off");
  f.print_string("x");
  f.close_tag();
  f.set_mark_tags(true);
  f.open_tag("b");
  f.print_string("y");
  f.open_stag(std::make_shared<color_tag>(3));  // not a string tag: marked with ""
  f.print_string("z");
  f.close_stag();
  f.close_tag();
  f.print_flush();
  EXPECT_EQ(out, "x<b>yz</b>");
}

TEST(Engine, TagFunctionsAreOneRecordAndPrintFunctionsRunWhenTagsOpen) {
  std::string out;
  formatter f(out);
  std::vector<std::string> events;
  quarn::stag_functions fns = f.get_stag_functions();
  fns.mark_open_stag = [](const quarn::stag& t) {
    auto* c = dynamic_cast<const color_tag*>(&t);
    return c ? "[" + std::to_string(c->color) + "]" : std::string("[?]");
  };
  fns.mark_close_stag = [](const quarn::stag&) { return std::string("[/]"); };
  fns.print_open_stag = [&](const quarn::stag& t) { events.push_back(std::string("open ") + std::string(t.kind_name())); };
  fns.print_close_stag = [&](const quarn::stag&) { events.push_back("close"); };
  f.set_stag_functions(fns);
  f.set_tags(true);
  f.open_box(box_kind::hov);
  f.open_stag(std::make_shared<color_tag>(1));
  f.print_string("a");
  f.close_stag();
  f.open_tag("s");
  f.print_string("b");
  f.close_box();
  f.print_flush();  // closes the tag left open
  EXPECT_EQ(out, "[1]a[/][?]b[/]");
  EXPECT_EQ(events, (std::vector<std::string>{"open color_tag", "close", "open String_tag", "close"}));
  // A read gives back what was set.
  EXPECT_EQ(f.get_stag_functions().mark_close_stag(color_tag(0)), "[/]");
}

TEST(Engine, FlushResetsColumnsAndIsReusable) {
  std::string out;
  formatter f(out);
  f.open_box(box_kind::hov, 4);
  f.print_string("abc");
  f.print_flush();
  EXPECT_EQ(f.depth(), 1);
  f.print_string("def");
  f.print_newline();
  EXPECT_EQ(out, "abcdef\n");
}

TEST(Engine, ResetRestoresDefaults) {
  std::string out;
  formatter f(out);
  f.set_margin(20);
  f.set_max_boxes(5);
  f.set_tags(true);
  f.open_box(box_kind::v, 2);
  f.print_string("pending");
  f.reset();
  EXPECT_EQ(f.margin(), 78);
  EXPECT_EQ(f.max_indent(), 68);
  EXPECT_EQ(f.max_boxes(), INT_MAX);
  EXPECT_FALSE(f.mark_tags());
  EXPECT_EQ(f.depth(), 1);
}

TEST(Engine, DevicesReceiveTextAtFlush) {
  std::ostringstream os;
  formatter to_stream(os);
  to_stream.print_string("stream");
  to_stream.print_flush();
  EXPECT_EQ(os.str(), "stream");

  std::string got;
  int flushes = 0;
  formatter to_fn(quarn::output_functions{[&](std::string_view s) { got += s; }, [&] { ++flushes; }});
  to_fn.print_string("fn");
  to_fn.print_flush();
  EXPECT_EQ(got, "fn");
  EXPECT_EQ(flushes, 1);

  std::FILE* tmp = std::tmpfile();
  ASSERT_NE(tmp, nullptr);
  {
    formatter to_file(tmp);
    to_file.print_string("file");
    to_file.print_flush();
  }
  std::rewind(tmp);
  char buf[16] = {};
  EXPECT_EQ(std::fread(buf, 1, sizeof buf - 1, tmp), 4U);
  EXPECT_STREQ(buf, "file");
  std::fclose(tmp);
}

TEST(Engine, MillionNestedBoxesDoNotRecurse) {
  std::string out;
  formatter f(out);
  constexpr int depth = 1000000;
  for (int i = 0; i < depth; ++i) f.open_box(box_kind::hov, 1);
  f.print_string("x");
  for (int i = 0; i < depth; ++i) f.close_box();
  f.print_flush();
  EXPECT_EQ(out, "x");
}

// A long document streamed to a device must not be held in memory: the
// device sees most of the text before the final flush.
TEST(Engine, LongDocumentsStreamToTheDevice) {
  std::size_t written = 0;
  formatter f(quarn::output_functions{[&](std::string_view s) { written += s.size(); }, {}});
  f.open_box(box_kind::hov, 1);
  std::size_t total = 0;
  for (int i = 0; i < 200000; ++i) {
    f.print_string("item");
    f.print_break(1, 0);
    total += 5;
  }
  std::size_t before_flush = written;
  f.close_box();
  f.print_flush();
  EXPECT_GT(before_flush, total - 100000);
  EXPECT_GE(written, total);
}

}  // namespace
