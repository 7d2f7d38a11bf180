// SPDX-License-Identifier: MIT
// The examples of the public headers' comments and of README.md, written as
// they are there, with the output they claim: a header example that stops
// compiling or printing what it says fails here.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <ostream>
#include <stack>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>  // all of CLI11, as the example of quarn/cli.hpp says
#include <quarn/cli.hpp>
#include <quarn/fmt.hpp>
#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include "posix_env.hpp"

namespace {

using namespace std::chrono_literals;

struct point {
  int x;
  int y;
};

struct version {
  int major, minor;
};
std::ostream& operator<<(std::ostream& os, const version& v) { return os << v.major << '.' << v.minor; }

// What `body` writes on standard output.  The standard formatter's settings
// are restored afterwards (the tty examples change them).
template <class Body>
std::string stdout_of(Body body) {
  testing::internal::CaptureStdout();
  body();
  quarn::flush_std_outputs();
  std::fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  quarn::set_style_renderer(quarn::stdout_formatter(), quarn::style_renderer::None);
  quarn::set_utf_8(quarn::stdout_formatter(), true);
  quarn::stdout_formatter().set_measure(quarn::text_measure::bytes);
  quarn::stderr_formatter().set_measure(quarn::text_measure::bytes);
  return out;
}

// What `body` prints on `f`, a fresh string formatter with default settings.
template <class Body>
std::string on_f(Body body) {
  std::string out;
  quarn::formatter f(out);
  body(f);
  f.print_flush();
  return out;
}

}  // namespace

// The example of quarn/value.hpp (and of README.md).
template <>
struct quarn::dump::printer_for<point> {
  void operator()(quarn::formatter& f, const point& p) const {
    quarn::fprint(f, "@[<1>{x = %a;@ y = %a}@]", quarn::dump::value, p.x, quarn::dump::value, p.y);
  }
};

TEST(Examples, Readme) {
  EXPECT_EQ(stdout_of([] { quarn::print("@[<hov 2>point:@ x = %d,@ y = %d@]@.", 3, 4); }), "point: x = 3, y = 4\n");
  std::string s;
  EXPECT_EQ(stdout_of([&] {
              std::vector<int> v{1, 2, 3};
              quarn::print("@[<2>v =@ %a@]@.", quarn::dump::list(quarn::int_), v);          // v = [1; 2; 3]
              quarn::print("@[%a@]@.", quarn::list(quarn::int_, {.sep = quarn::comma}), v);  // 1, 2, 3
              quarn::print("%a@.", quarn::hovbox(quarn::brackets(quarn::list(quarn::int_, {.sep = quarn::semi}))), v);
              quarn::print("%a %a@.", quarn::byte_size, 12345LL, quarn::uint64_ns_span, 90s);  // 12.4kB 1min30s
              quarn::print("%2$s holds %1$'d bytes@.", 1234567, "disk");  // disk holds 1,234,567 bytes
              s = quarn::sprint("@[<hov 2>%s =@ %S@]", "name", "a \"quoted\" value");
            }),
            "v = [1; 2; 3]\n1, 2, 3\n[1; 2; 3]\n12.4kB 1min30s\ndisk holds 1,234,567 bytes\n");
  EXPECT_EQ(s, R"(name = "a \"quoted\" value")");
}

TEST(Examples, Format) {
  EXPECT_EQ(on_f([](quarn::formatter& f) { quarn::fprint(f, "@[<2>Some@ @[%a@]@]", quarn::int_, 42); }), "Some 42");
  const int n = 3;
  const std::string name = "in.txt";
  std::string s = quarn::sprint("%d items in %S", n, name);
  EXPECT_EQ(s, R"(3 items in "in.txt")");
}

TEST(Examples, Combinators) {
  EXPECT_EQ(quarn::sprint("%a", quarn::quarn<int>("x =@ %d"), 5), "x = 5");
  EXPECT_EQ(quarn::sprint("%a", quarn::concat({quarn::int_, quarn::int_}), 5), "55");
  EXPECT_EQ(quarn::sprint("%a", quarn::concat<int>({quarn::int_, quarn::any("!")}), 5), "5!");
}

TEST(Examples, Fields) {
  EXPECT_EQ(
      quarn::sprint(
          "%a", quarn::record({quarn::field("x", &point::x, quarn::int_), quarn::field("y", &point::y, quarn::int_)}),
          point{1, 2}),
      "x: 1\ny: 2");
}

TEST(Examples, Dump) {
  std::stack<int> st;
  for (int i : {1, 2, 3}) st.push(i);
  EXPECT_EQ(quarn::sprint("%a", quarn::dump::list(quarn::int_), std::vector<int>{1, 2, 3}), "[1; 2; 3]");
  EXPECT_EQ(quarn::sprint("%a", quarn::dump::option(quarn::dump::string), std::optional<std::string>("x")),
            R"(Some "x")");
  EXPECT_EQ(quarn::sprint("%a", quarn::dump::stack(quarn::int_), st), "(stack 3 2 1)");
  const auto fields = quarn::dump::record(
      {quarn::dump::field("x", &point::x, quarn::int_), quarn::dump::field("y", &point::y, quarn::int_)});
  EXPECT_EQ(quarn::sprint("%a", fields, point{1, 2}), "{ \"x\" = 1;\n  \"y\" = 2 }");
}

TEST(Examples, Value) {
  std::map<std::string, std::vector<int>> m{{"a", {1, 2}}, {"b", {}}};
  EXPECT_EQ(stdout_of([&] {
              quarn::print("%a@.", quarn::dump::value, m);
              std::cout << quarn::dump::show(std::tuple(1, 2.5, 'x')) << '\n';
              quarn::print("%a@.", quarn::dump::value, std::vector<point>{{1, 2}});
            }),
            "(hashtbl (\"a\", [1; 2]) (\"b\", []))\n(1, 2.5, 'x')\n[{x = 1; y = 2}]\n");
}

TEST(Examples, ReadmeValueFallbacksAndLimits) {
  EXPECT_EQ(stdout_of([] {
              quarn::print("%a@.", quarn::dump::value, std::vector<version>{{1, 2}, {2, 0}});
              quarn::print("@[<2>running@ %a@]@.", quarn::streamed, version{1, 2});
            }),
            "[1.2; 2.0]\nrunning 1.2\n");
  EXPECT_EQ(stdout_of([] {
              std::vector<int> big(1000, 7);
              quarn::print("%a@.", quarn::dump::value_with({.elements = 3}), big);
              std::vector<std::vector<int>> nested{{1, 2}, {3}};
              quarn::print("%a@.", quarn::dump::value_with({.depth = 1}), nested);
              quarn::dump::set_limits(quarn::stdout_formatter(), {.elements = 2});
              quarn::print("%a@.", quarn::dump::value, big);
              quarn::dump::set_limits(quarn::stdout_formatter(), {});
            }),
            "[7; 7; 7; \u2026 (997 more)]\n[\u2026; \u2026]\n[7; 7; \u2026 (998 more)]\n");
}

TEST(Examples, Style) {
  const auto p = quarn::int_;
  EXPECT_EQ(quarn::sprint("%a %a %a", quarn::styled(quarn::style::Bold, quarn::string), "s",
                          quarn::styled(quarn::Fg(quarn::Red), quarn::list(quarn::int_, {.sep = quarn::comma})),
                          std::vector<int>{1, 2}, quarn::styled(quarn::Bg(quarn::Hi(quarn::Blue)), p), 3),
            "s 1, 2 3");
}

TEST(Examples, Hexdump) {
  EXPECT_EQ(
      on_f([](quarn::formatter& f) { quarn::fprint(f, "%a@.", quarn::for_string(quarn::hex()), "Hello, world!\n"); }),
      "0: 4865 6c6c 6f2c 2077 6f72 6c64 210a       Hello, world!.  \n");
  EXPECT_EQ(quarn::sprint("%a", quarn::for_string(quarn::hex()), "0123456789abcdefghij"),
            "00: 3031 3233 3435 3637 3839 6162 6364 6566  0123456789abcdef\n"
            "10: 6768 696a                                ghij            ");
  std::vector<int> xs = {4, 5};
  quarn::vec v{xs.size(), [&](std::size_t i) { return xs[i]; }};
  EXPECT_EQ(v.get(1), 5);
}

TEST(Examples, Magnitudes) {
  const std::pair<std::string, std::string> rows[] = {
      {quarn::sprint("%a", quarn::byte_size, 12345), "12.4kB"},
      {quarn::sprint("%a", quarn::bi_byte_size, 1572864), "1.5MiB"},
      {quarn::sprint("%a", quarn::si_size(-3, "s"), 1500), "1.5us"},
      {quarn::sprint("%a", quarn::uint64_ns_span, 90000000000), "1min30s"},
  };
  for (const auto& [got, want] : rows) EXPECT_EQ(got, want);
}

TEST(Examples, Suggest) {
  EXPECT_EQ(on_f([](quarn::formatter& f) {
              auto pp = quarn::did_you_mean("command", quarn::string);
              quarn::fprint(f, "%a", pp, std::pair{"lst", std::vector<std::string>{"list", "last"}});
            }),
            "Unknown command lst. Did you mean either list or last ?");
}

TEST(Examples, Text) {
  const std::string long_text = "A paragraph\nrefilled   to the margin.\n\nAnother one.";
  EXPECT_EQ(on_f([&](quarn::formatter& f) {
              f.set_margin(20);
              quarn::fprint(f, "@[%a@]", quarn::paragraphs, long_text);  // refilled
            }),
            "A paragraph\nrefilled to the\nmargin.\n\nAnother one.");
}

TEST(Examples, ShowAndFmt) {
  const std::vector<int> v{1, 2, 3};
  EXPECT_EQ(stdout_of([&] {
              std::cout << quarn::show(quarn::dump::list(quarn::int_), v);
              std::cout << '\n';
              fmt::print("{}\n", quarn::show(quarn::dump::list(quarn::int_), v));
            }),
            "[1; 2; 3]\n[1; 2; 3]\n");
}

// Standard output is captured, so it is no terminal: no styles.
TEST(Examples, Tty) {
  EXPECT_EQ(stdout_of([] {
              quarn::tty::setup_std_outputs();  // stdout_formatter(), stderr_formatter()
              quarn::print("%a@.", quarn::styled(quarn::Red, quarn::string), "error");
            }),
            "error\n");

  std::FILE* log_file = std::tmpfile();
  ASSERT_NE(log_file, nullptr);
  const int n = 3;
  {
    auto log = quarn::tty::setup(log_file);
    quarn::fprint(log, "@[%d files@]@.", n);  // implicit formatter&
    log->set_margin(100);
  }
  char text[32] = {};
  std::rewind(log_file);
  EXPECT_STREQ(std::fgets(text, sizeof text, log_file), "3 files\n");
  std::fclose(log_file);
}

// Standard output is captured, so it is no terminal: COLUMNS gives the
// width, and the text is plain.
TEST(Examples, ReadmeTerminals) {
  const char* old_columns = std::getenv("COLUMNS");
  const std::optional<std::string> saved = old_columns ? std::optional<std::string>(old_columns) : std::nullopt;
  ::setenv("COLUMNS", "30", 1);
  EXPECT_EQ(stdout_of([] {
              quarn::tty::setup_std_outputs({.margin_from_terminal = true});
              std::vector<int> squares;
              for (int i = 1; i <= 40; ++i) squares.push_back(i * i);
              quarn::print("@[<hov 2>squares =@ %a@]@.", quarn::list(quarn::int_, {.sep = quarn::comma}), squares);
              quarn::print("margin %d, terminal %d@.", quarn::stdout_formatter().margin(),
                           quarn::tty::terminal_columns(stdout).value_or(0));
            }),
            "squares = 1, 4, 9, 16, 25,\n  36, 49, 64, 81, 100, 121,\n  144, 169, 196, 225, 256,\n"
            "  289, 324, 361, 400, 441,\n  484, 529, 576, 625, 676,\n  729, 784, 841, 900, 961,\n"
            "  1024, 1089, 1156, 1225,\n  1296, 1369, 1444, 1521,\n  1600\nmargin 30, terminal 30\n");
  quarn::stdout_formatter().set_margin(78);
  quarn::stderr_formatter().set_margin(78);
  if (saved)
    ::setenv("COLUMNS", saved->c_str(), 1);
  else
    ::unsetenv("COLUMNS");

  EXPECT_EQ(stdout_of([] {
              quarn::tty::setup_std_outputs();  // NO_COLOR=1 ./app: plain text
              quarn::print("%a@.", quarn::styled(quarn::Fg(quarn::Red), quarn::string), "error");
              quarn::tty::setup_std_outputs({.follow_no_color = false});  // red on a terminal
              quarn::print("%a@.", quarn::styled(quarn::Fg(quarn::Red), quarn::string), "error");
            }),
            "error\nerror\n");
}

TEST(Examples, ReadmeDisplayColumns) {
  EXPECT_EQ(stdout_of([] {
              quarn::tty::setup_std_outputs({.columns_when_utf_8 = true});  // columns when LANG=C.UTF-8
              quarn::stdout_formatter().set_measure(quarn::text_measure::columns);  // or in any locale
              for (const char* city : {"Z\u00fcrich", "\u6771\u4eac", "Oslo"}) quarn::print("%-8s|%5d@.", city, 42);
            }),
            "Z\u00fcrich  |   42\n\u6771\u4eac    |   42\nOslo    |   42\n");
  // The example of quarn/formatter.hpp.
  EXPECT_EQ(quarn::display_columns("na\u00efve"), 5u);
  EXPECT_EQ(quarn::display_columns("\u65e5\u672c"), 4u);
  EXPECT_EQ(quarn::display_columns("e\u0301"), 1u);
}

TEST(Examples, ReadmeColours) {
  const auto example = [] {
    const auto orange = quarn::styled(quarn::Fg(quarn::Rgb(255, 136, 0)), quarn::string);
    const auto on_grey = quarn::styled(quarn::Bg(quarn::Indexed(236)), orange);
    quarn::print("%a %a@.", orange, "warning:", on_grey, "disk nearly full");
  };
  EXPECT_EQ(stdout_of(example), "warning: disk nearly full\n");
  EXPECT_EQ(stdout_of([&] {
              quarn::set_style_renderer(quarn::stdout_formatter(), quarn::style_renderer::Ansi_tty);
              example();
            }),
            "\x1b[0;38;2;255;136;0mwarning:\x1b[0m \x1b[0;48;5;236m\x1b[0;48;5;236;38;2;255;136;0mdisk nearly "
            "full\x1b[0;48;5;236m\x1b[0m\n");
}

TEST(Examples, Cli) {
  const auto frobnicate = [](int argc, char** argv) {
    CLI::App app{"frobnicate things"};
    auto color = quarn::cli::style_renderer(app, {.env = "FROB_COLOR"});
    CLI11_PARSE(app, argc, argv);
    quarn::tty::setup_std_outputs({.style_renderer = color.value()});
    return 0;
  };
  char prog[] = "frob", always[] = "--color=always";
  char* argv[] = {prog, always, nullptr};
  (void)stdout_of([&] {
    EXPECT_EQ(frobnicate(2, argv), 0);
    EXPECT_EQ(quarn::get_style_renderer(quarn::stdout_formatter()), quarn::style_renderer::Ansi_tty);
  });
}
