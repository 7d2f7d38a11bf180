// SPDX-License-Identifier: MIT
// The layout engine beyond the layout cases: settings, tags, the box limit,
// devices, and behaviour on deep or long documents.
#include <gtest/gtest.h>
#include <quarn/engine.hpp>
#include <quarn/format.hpp>

#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <sstream>
#include <string>
#include <system_error>
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
  fns.print_open_stag = [&](const quarn::stag& t) {
    events.push_back(std::string("open ") + std::string(t.kind_name()));
  };
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

// What a formatter holds when it is destroyed reaches its target, whatever
// the target, boxes left open included.
TEST(Engine, DestructorWritesWhatIsPending) {
  auto print = [](formatter& f) {
    f.open_box(box_kind::hov, 0);
    f.print_string("a");
    f.print_space();
    f.print_string("b");
  };
  std::string buffer;
  {
    formatter f(buffer);
    print(f);
  }
  std::ostringstream os;
  {
    formatter f(os);
    print(f);
  }
  std::string got;
  int flushes = 0;
  {
    formatter f(quarn::output_functions{[&](std::string_view s) { got += s; }, [&] { ++flushes; }});
    print(f);
  }
  std::FILE* tmp = std::tmpfile();
  ASSERT_NE(tmp, nullptr);
  {
    formatter f(tmp);
    print(f);
  }
  std::rewind(tmp);
  char file[8] = {};
  EXPECT_EQ(std::fread(file, 1, sizeof file - 1, tmp), 3U);
  std::fclose(tmp);
  for (const std::string& out : {buffer, os.str(), got, std::string(file)}) EXPECT_EQ(out, "a b");
  EXPECT_EQ(flushes, 1);

  // Assigning over a formatter flushes the one it replaces.
  std::string first, second;
  formatter f(first);
  print(f);
  f = formatter(second);
  EXPECT_EQ(first, "a b");
}

// Each way a C stream fails makes the call that sees it throw with the errno
// or, on Windows, the system's error where the failure left one.
TEST(Engine, FileWriteErrorsThrowWithTheError) {
  int pipe_fds[2];
  int closed = ::dup(1);
  std::FILE* closed_file = ::fdopen(closed, "w");
  ::close(closed);
  struct failing {
    const char* what;
    std::FILE* file;
    std::error_code error;
  };
#ifdef _WIN32
  ASSERT_EQ(::_pipe(pipe_fds, 256, _O_BINARY), 0);
  ::close(pipe_fds[0]);
  const failing cases[] = {{"closed pipe", ::fdopen(pipe_fds[1], "w"), {ERROR_NO_DATA, std::system_category()}},
                           {"closed descriptor", closed_file, {EBADF, std::generic_category()}}};
#else
  std::signal(SIGPIPE, SIG_IGN);
  ASSERT_EQ(::pipe(pipe_fds), 0);
  ::close(pipe_fds[0]);
  const failing cases[] = {{"/dev/full", std::fopen("/dev/full", "w"), {ENOSPC, std::generic_category()}},
                           {"closed pipe", ::fdopen(pipe_fds[1], "w"), {EPIPE, std::generic_category()}},
                           {"closed descriptor", closed_file, {EBADF, std::generic_category()}}};
#endif
  for (const failing& t : cases) {
    SCOPED_TRACE(t.what);
    ASSERT_NE(t.file, nullptr);
    {
      formatter f(t.file);
      f.print_string("text");
      try {
        f.print_flush();
        ADD_FAILURE() << "no error reported";
      } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), t.error) << e.what();
      }
    }  // the destructor fails to write again, quietly
    std::fclose(t.file);
  }
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_DFL);
#endif
}

TEST(Engine, StreamThatGoesBadThrows) {
  // A stream buffer that accepts nothing.
  struct full : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
  } buf;
  std::ostream os(&buf);
  formatter f(os);
  f.print_string("text");
  EXPECT_THROW(f.print_flush(), std::ios_base::failure);
  EXPECT_TRUE(os.bad());
}

// A failing write keeps what it was given, and the rest of the failing
// document does not leak into the next one.
TEST(Engine, FailedWriteKeepsStagedTextAndResetsTheLayout) {
  std::string got;
  int calls = 0;
  formatter f(quarn::output_functions{[&](std::string_view s) {
                                        if (calls++ == 0) throw std::runtime_error("disk full");
                                        got += s;
                                      },
                                      {}});
  auto document = [](formatter& g, int items) {
    g.open_box(box_kind::hov, 2);
    for (int i = 0; i < items; ++i) {
      g.print_string("item");
      g.print_break(1, 0);
    }
    g.close_box();
  };
  EXPECT_THROW(document(f, 100000), std::runtime_error);
  f.print_string("x");
  f.print_break(1, 0);
  f.print_string("y");
  f.print_flush();

  std::string whole;
  {
    formatter g(whole);
    document(g, 100000);
  }
  ASSERT_GT(got.size(), 60000U);
  const std::string staged = got.substr(0, got.size() - 3);
  EXPECT_EQ(whole.compare(0, staged.size(), staged), 0) << "staged text lost or changed";
  EXPECT_EQ(got.substr(got.size() - 3), "x y");
}

// Whichever write fails, and however (a write function or a stream buffer
// that throws, a stream buffer that takes part of the text), the failing
// document is dropped whole: the next one comes out alone, as on a new
// formatter.
TEST(Engine, FailedWriteLeavesTheNextDocumentAlone) {
  // Takes every write but the `fail_at`-th, which throws or is cut short.
  struct failing_buf : std::streambuf {
    std::string got;
    int calls = 0;
    int fail_at = 0;
    bool cut_short = false;
    std::streamsize xsputn(const char* p, std::streamsize n) override {
      if (++calls == fail_at) {
        if (!cut_short) throw std::runtime_error("write failed");
        n /= 2;
      }
      got.append(p, static_cast<std::size_t>(n));
      return n;
    }
    int overflow(int c) override { return xsputn(reinterpret_cast<const char*>(&c), 1) == 1 ? c : EOF; }
  };
  enum class target { write_function, throwing_buffer, short_buffer };
  const std::function<void(formatter&)> failing_calls[] = {
      // A box of 200 kB, pending until the flush, which writes it in chunks.
      [](formatter& f) {
        f.set_margin(1000000000);
        f.open_box(box_kind::hov, 2);
        for (int i = 0; i < 40000; ++i) {
          f.print_string("item");
          f.print_break(1, 0);
        }
        f.print_flush();
      },
      // A text too long for the staging area, written directly.
      [](formatter& f) {
        quarn::fprint(f, "@[<v 6>head@ ");
        f.print_string(std::string(70000, 'x'));
      },
  };
  for (target kind : {target::write_function, target::throwing_buffer, target::short_buffer}) {
    for (std::size_t call = 0; call < std::size(failing_calls); ++call) {
      for (int fail_at : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "target " << static_cast<int>(kind) << ", call " << call << ", write "
                                        << fail_at);
        failing_buf buf;
        buf.fail_at = fail_at;
        buf.cut_short = kind == target::short_buffer;
        std::ostream os(&buf);
        formatter f =
            kind == target::write_function
                ? formatter(quarn::output_functions{
                      [&](std::string_view s) { (void)buf.sputn(s.data(), static_cast<std::streamsize>(s.size())); },
                      {}})
                : formatter(os);
        EXPECT_ANY_THROW(failing_calls[call](f));
        ASSERT_EQ(buf.calls, fail_at);
        os.clear();
        const std::size_t before = buf.got.size();
        f.set_margin(20);
        quarn::fprint(f, "@[<hov 2>aa@ bb@ cc@ dd@]@?");
        EXPECT_EQ(buf.got.substr(before), "aa bb cc dd");
      }
    }
  }
}

TEST(Engine, MisuseThrowsLogicError) {
  std::string out;
  formatter f(out);
  formatter g(std::move(f));
  EXPECT_THROW(f.print_string("x"), std::logic_error);  // NOLINT(bugprone-use-after-move)
  EXPECT_THROW((void)f.margin(), std::logic_error);

  // Write and tag functions that print to the formatter they serve.
  formatter* self = nullptr;
  formatter h(quarn::output_functions{[&](std::string_view) { self->print_string("again"); }, {}});
  self = &h;
  h.print_string("x");
  EXPECT_THROW(h.print_flush(), std::logic_error);
  g.set_mark_tags(true);
  quarn::stag_functions fns = g.get_stag_functions();
  fns.mark_open_stag = [&](const quarn::stag&) {
    g.print_string("inside");
    return std::string();
  };
  g.set_stag_functions(fns);
  g.open_tag("t");
  EXPECT_THROW(g.print_flush(), std::logic_error);
  g.set_stag_functions(quarn::default_stag_functions());
  g.print_string("after");
  g.print_flush();
  EXPECT_EQ(out, "after");
}

}  // namespace

// print_pieces() and print_texts() lay a run of texts and hints out
// directly, or queue it as one token when nothing can be laid out
// meanwhile: random documents laid out with them and with print_string()
// and print_break() one by one must come out the same, at every margin, in
// every box kind, right after a new line or a conditional text, and beyond
// the maximum indentation.
TEST(Engine, RunsLayOutAsTextsAndHintsOneByOne) {
  struct op {
    enum { open, close, text, hint, pieces, listed, newline, if_newline, flush } kind;
    int a = 0, b = 0;
    std::string s;
    std::vector<std::string> texts = {};  // listed
  };
  unsigned state = 12345;
  const auto next = [&state](int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<unsigned>(n));
  };
  const auto play = [](const std::vector<op>& ops, int margin, bool one_by_one) {
    std::string out;
    formatter f(out);
    f.set_margin(margin);
    for (const op& o : ops) {
      switch (o.kind) {
        case op::open: f.open_box(static_cast<box_kind>(o.a), o.b); break;
        case op::close: f.close_box(); break;
        case op::text: f.print_string(o.s); break;
        case op::hint: f.print_break(o.a, o.b); break;
        case op::newline: f.force_newline(); break;
        case op::if_newline: f.print_if_newline(); break;
        case op::flush: f.print_flush(); break;
        case op::pieces:
          if (!one_by_one) {
            f.print_pieces(o.s, static_cast<std::size_t>(o.a), o.b, 1);
            break;
          }
          for (std::size_t i = 0; i < o.s.size(); i += static_cast<std::size_t>(o.a)) {
            if (i > 0) f.print_break(o.b, 1);
            f.print_string(o.s.substr(i, static_cast<std::size_t>(o.a)));
          }
          break;
        case op::listed:
          if (!one_by_one) {
            const std::vector<std::string_view> views(o.texts.begin(), o.texts.end());
            f.print_texts(views, o.b, 1);
            break;
          }
          for (std::size_t i = 0; i < o.texts.size(); ++i) {
            if (i > 0) f.print_break(o.b, 1);
            f.print_string(o.texts[i]);
          }
          break;
      }
    }
    f.print_flush();
    return out;
  };
  for (int doc = 0; doc < 400; ++doc) {
    std::vector<op> ops;
    const int n = 5 + next(40);
    for (int i = 0; i < n; ++i) {
      const int k = next(16);
      if (k < 3)
        ops.push_back({op::open, next(5), next(3), {}});
      else if (k < 5)
        ops.push_back({op::close, 0, 0, {}});
      else if (k < 7)
        ops.push_back(
            {op::text, 0, 0, std::string(static_cast<std::size_t>(next(6)), static_cast<char>('a' + next(26)))});
      else if (k < 9)
        ops.push_back({op::hint, next(3), next(5) - 2, {}});
      else if (k < 14) {
        std::string s(static_cast<std::size_t>(next(40)), 'x');
        for (char& c : s) c = static_cast<char>('a' + next(26));
        if (next(2) == 0) {
          ops.push_back({op::pieces, 1 + next(10), next(3), s});
        } else {
          // The same letters as texts of 0 to 7 bytes.
          op o{op::listed, 0, next(3), {}};
          for (std::size_t i = 0; i < s.size();) {
            const auto size = std::min(s.size() - i, static_cast<std::size_t>(next(8)));
            o.texts.push_back(s.substr(i, size));
            i += size;
          }
          ops.push_back(o);
        }
      } else if (k < 15)
        ops.push_back({next(2) == 0 ? op::newline : op::if_newline, 0, 0, {}});
      else
        ops.push_back({op::flush, 0, 0, {}});
    }
    for (int margin : {3, 7, 12, 20, 33, 50, 80, 200}) {
      ASSERT_EQ(play(ops, margin, false), play(ops, margin, true)) << "document " << doc << ", margin " << margin;
    }
  }
  std::string out;
  formatter f(out);
  EXPECT_THROW(f.print_pieces("ab", 0, 1), std::invalid_argument);
  EXPECT_THROW(f.print_pieces("ab", 1, -1), std::invalid_argument);
  const std::string_view texts[] = {"a", "b"};
  EXPECT_THROW(f.print_texts(texts, -1), std::invalid_argument);
}
