// SPDX-License-Identifier: MIT
// Format strings: every directive and conversion, with the exact text it
// produces, and the errors of strings checked only at run time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <quarn/quarn.hpp>

namespace {

// Expects the run-time format string `fmt`, given `args`, to be refused with
// an invalid_argument whose message contains `want`.
template <class... Args>
void expect_refused(std::string_view fmt, std::string_view want, const Args&... args) {
  try {
    (void)quarn::sprint(quarn::runtime(fmt), args...);
    ADD_FAILURE() << fmt << " was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string_view(e.what()).find(want), std::string_view::npos) << fmt << ": " << e.what();
  }
}

template <class T>
struct conv_case {
  std::string_view fmt;
  T value;
  std::string_view want;
};

// Runs each case through the run-time interpreter, which is the one that
// compile-time-checked strings use too.
template <class T>
void check_table(std::initializer_list<conv_case<T>> cases) {
  for (const auto& c : cases)
    EXPECT_EQ(quarn::sprint(quarn::runtime(c.fmt), c.value), c.want) << "format \"" << c.fmt << "\"";
}

const std::string s30a(30, 'a');
const std::string s30b(30, 'b');
const std::string s30c(30, 'c');
const std::string s70(70, 'x');

// Formats into a string formatter with tag marking on, then flushes.
template <class... Args>
std::string marked(quarn::format_string<Args...> fmt, const Args&... args) {
  std::string buf;
  quarn::formatter f(buf);
  f.set_mark_tags(true);
  quarn::fprint<Args...>(f, fmt, args...);
  f.print_flush();
  return buf;
}

TEST(FormatConversions, SignedDecimal) {
  check_table<int>({{"%d", 42, "42"},
                    {"%i", -42, "-42"},
                    {"%d", 0, "0"},
                    {"%02d", 5, "05"},
                    {"%02d", -5, "-5"},
                    {"%03d", -5, "-05"},
                    {"%+d", 5, "+5"},
                    {"% d", 5, " 5"},
                    {"%4d|", 5, "   5|"},
                    {"%-4d|", 5, "5   |"},
                    {"%.3d", 7, "007"},
                    {"%ld", -3, "-3"},
                    {"%Ld", -3, "-3"},
                    {"%nd", -3, "-3"},
                    {"%02Ld", 7, "07"}});
  check_table<long long>({{"%d", INT64_MIN, "-9223372036854775808"}, {"%i", INT64_MAX, "9223372036854775807"}});
  check_table<signed char>({{"%d", -5, "-5"}});
  check_table<unsigned long long>(
      {{"%d", UINT64_MAX, "18446744073709551615"}, {"%21d", UINT64_MAX, " 18446744073709551615"}});
}

TEST(FormatConversions, UnsignedReadsAtTheTypesWidth) {
  check_table<std::int32_t>({{"%u", -1, "4294967295"},
                             {"%x", -1, "ffffffff"},
                             {"%X", -2, "FFFFFFFE"},
                             {"%o", -1, "37777777777"},
                             {"%lu", -1, "4294967295"},
                             {"%Lu", -1, "4294967295"},
                             {"%nu", -1, "4294967295"},
                             {"%08x", -1, "ffffffff"},
                             {"%010x", -1, "00ffffffff"}});
  check_table<std::int64_t>({{"%u", -1, "18446744073709551615"}, {"%x", -1, "ffffffffffffffff"}});
  check_table<long long>(
      {{"%u", -1, "18446744073709551615"}, {"%X", -1, "FFFFFFFFFFFFFFFF"}, {"%o", -1, "1777777777777777777777"}});
  check_table<std::int16_t>({{"%u", -1, "65535"}, {"%x", -1, "ffff"}});
  check_table<std::int8_t>({{"%x", -1, "ff"}, {"%d", -1, "-1"}});
  check_table<unsigned>({{"%u", 4000000000U, "4000000000"}, {"%d", 4000000000U, "4000000000"}});
}

TEST(FormatConversions, HexWidthsAndFlags) {
  check_table<int>({{"%01x", 0xab, "ab"},
                    {"%02x", 0xab, "ab"},
                    {"%03x", 0xab, "0ab"},
                    {"%04x", 0xab, "00ab"},
                    {"%05x", 0xab, "000ab"},
                    {"%06x", 0xab, "0000ab"},
                    {"%07x", 0xab, "00000ab"},
                    {"%08x", 0xab, "000000ab"},
                    {"%04X", 0xab, "00AB"},
                    {"%#x", 255, "0xff"},
                    {"%5x|", 255, "   ff|"},
                    {"%-5x|", 255, "ff   |"}});
}

TEST(FormatConversions, FloatingPoint) {
  check_table<double>({{"%g", 0.0001, "0.0001"},
                       {"%g", 0.00001, "1e-05"},
                       {"%g", 123456.0, "123456"},
                       {"%g", 1234567.0, "1.23457e+06"},
                       {"%g", 0.5, "0.5"},
                       {"%g", 100.0, "100"},
                       {"%g", -2.5, "-2.5"},
                       {"%G", 0.00001, "1E-05"},
                       {"%f", 3.14159, "3.141590"},
                       {"%.2f", 3.14159, "3.14"},
                       {"%8.3f|", 3.14159, "   3.142|"},
                       {"%08.2f", -1.5, "-0001.50"},
                       {"%e", 12345.678, "1.234568e+04"},
                       {"%.2E", 0.000123, "1.23E-04"}});
  check_table<float>({{"%g", 0.25f, "0.25"}});
}

// Every combination of flags, width and precision, on values at the edges
// of each conversion, gives printf's text.
TEST(FormatConversions, NumbersMatchPrintf) {
#ifdef _WIN32
  // The printf of Windows' C libraries is no reference: it differs from the
  // C standard (a space before unsigned numbers, no "0" for %#.0o of 0, no
  // sign on a negative NaN ...).
  GTEST_SKIP() << "the C library's printf does not follow the C standard";
#endif
  const char* const flags[] = {"-", "0", "+", " ", "#"};
  const char* const widths[] = {"", "1", "7", "25"};
  const char* const precisions[] = {"", ".0", ".1", ".3", ".17", ".60"};
  const long long ints[] = {0, 1, -1, 7, 255, -255, 1234567, INT64_MIN, INT64_MAX};
  std::vector<double> floats = {0.0,
                                -0.0,
                                1.0,
                                -1.0,
                                0.5,
                                2.5,
                                0.125,
                                123456.0,
                                1234567,
                                1e-5,
                                0.0001,
                                1e300,
                                -1e-300,
                                5e-324,
                                1.7976931348623157e308,
                                HUGE_VAL,
                                -HUGE_VAL,
                                std::nan(""),
                                -std::nan(""),
                                9.9999995,
                                0.05,
                                0.1,
                                0.3,
                                1.0 / 3,
                                99999.95,
                                999999.0,
                                0.000123,
                                1.5e-5,
                                999999999999999.0,
                                123.456};
  std::mt19937_64 rng(7);
  for (int k = 0; k < 40; ++k) {
    const std::uint64_t bits = rng();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    floats.push_back(d);
    floats.push_back(static_cast<double>(rng() % 100000) / 64);
    floats.push_back(static_cast<double>(rng() % 10000000) / 1000);
  }
  char want[512];
  int mismatches = 0;
  for (unsigned set = 0; set < 32; ++set) {
    std::string f = "%";
    for (unsigned k = 0; k < 5; ++k)
      if ((set >> k) & 1) f += flags[k];
    for (const char* w : widths)
      for (const char* p : precisions) {
        const std::string field = f + w + p;
        for (char conv : std::string_view("duxXo")) {
          const std::string fmt = field + conv;
          const std::string c_fmt = field + "ll" + conv;
          for (long long v : ints) {
            if (conv == 'd')
              std::snprintf(want, sizeof want, c_fmt.c_str(), v);
            else
              std::snprintf(want, sizeof want, c_fmt.c_str(), static_cast<unsigned long long>(v));
            const std::string got = quarn::sprint(quarn::runtime(fmt), v);
            if (got != want && ++mismatches < 20) ADD_FAILURE() << fmt << " of " << v << ": " << got << " != " << want;
          }
        }
        for (char conv : std::string_view("feEgG")) {
          const std::string fmt = field + conv;
          for (double v : floats) {
            std::snprintf(want, sizeof want, fmt.c_str(), v);
            const std::string got = quarn::sprint(quarn::runtime(fmt), v);
            if (got != want && ++mismatches < 20) ADD_FAILURE() << fmt << " of " << v << ": " << got << " != " << want;
          }
        }
      }
  }
  EXPECT_EQ(mismatches, 0);
}

// A long double keeps its own range and precision: "%g" of it is C's
// "%Lg", at compile time and at run time, and so is what the float printers
// print of it.
TEST(FormatConversions, LongDoublesAsPrintfWithL) {
  const long double values[] = {std::numeric_limits<long double>::max(), 1e-4000L, 0.1L, -1.0L / 3,
                                std::numeric_limits<long double>::denorm_min()};
  const auto c_text = [](const std::string& c_fmt, long double v) {
    std::string s(static_cast<std::size_t>(std::snprintf(nullptr, 0, c_fmt.c_str(), v)) + 1, '\0');
    s.resize(static_cast<std::size_t>(std::snprintf(s.data(), s.size(), c_fmt.c_str(), v)));
    return s;
  };
  for (const std::string field : {"%", "%.20", "%-30.25", "%#+"}) {
    for (char conv : std::string_view("feEgG")) {
      for (long double v : values) {
        const std::string want = c_text(field + 'L' + conv, v);
        EXPECT_EQ(quarn::sprint(quarn::runtime(field + conv), v), want) << field + conv << " of " << want;
      }
    }
  }
  for (long double v : values) {
    EXPECT_EQ(quarn::sprint("%g|%.20e", v, v), c_text("%Lg", v) + "|" + c_text("%.20Le", v));
    EXPECT_EQ(quarn::sprint("%a", quarn::float_, v), c_text("%Lg", v));
    EXPECT_EQ(quarn::sprint("%a", quarn::float_dsig(20), v), c_text("%Lg", v));
    EXPECT_EQ(quarn::sprint("%a", quarn::float_dfrac(6000), v), c_text("%Lg", v));
    // The shortest text that reads back as the value.
    EXPECT_EQ(std::strtold(quarn::sprint("%a", quarn::dump::value, v).c_str(), nullptr), v);
  }
}

TEST(FormatConversions, Strings) {
  check_table<std::string_view>({{"%s", "abc", "abc"},
                                 {"%s", "", ""},
                                 {"%5s|", "ab", "   ab|"},
                                 {"%-5s|", "ab", "ab   |"},
                                 {"%2s", "abcdef", "abcdef"},
                                 {"%.2s", "abcdef", "ab"},
                                 {"%S", "say \"hi\"", "\"say \\\"hi\\\"\""},
                                 {"%S", "a\\b", "\"a\\\\b\""},
                                 {"%S", "\n\t\r\b", "\"\\n\\t\\r\\b\""},
                                 {"%S", "\001\037\177\xff", "\"\\001\\031\\127\\255\""},
                                 {"%S", "\xc3\xa9", "\"\\195\\169\""},
                                 {"%S", "it's ~", "\"it's ~\""},
                                 {"%8S|", "ab", "    \"ab\"|"}});
  // Every byte counts, the NUL included.
  EXPECT_EQ(quarn::sprint("%S", std::string("a\0b", 3)), "\"a\\000b\"");
  EXPECT_EQ(quarn::sprint("%s", std::string("a\0b", 3)), std::string("a\0b", 3));
  // C strings, std::string and string views all print as strings.
  const char* cs = "c";
  EXPECT_EQ(quarn::sprint("%s%s%s", cs, std::string("d"), std::string_view("e")), "cde");
}

TEST(FormatConversions, CharsAndBools) {
  check_table<char>({{"%c", 'x', "x"},
                     {"%3c|", 'x', "  x|"},
                     {"%C", 'x', "'x'"},
                     {"%C", '\'', "'\\''"},
                     {"%C", '\\', "'\\\\'"},
                     {"%C", '\n', "'\\n'"},
                     {"%C", '\001', "'\\001'"}});
  check_table<bool>({{"%b", true, "true"}, {"%B", false, "false"}, {"%6b|", true, "  true|"}});
}

TEST(FormatDirectives, Literals) {
  struct {
    std::string_view fmt, want;
  } cases[] = {{"100%%", "100%"}, {"a@@b", "a@b"}, {"a@%b", "a%b"},  {"a%@b", "a@b"},
               {"a%,b", "ab"},    {"a@", "a@"},    {"a@xb", "a@xb"}, {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(quarn::sprint(quarn::runtime(c.fmt)), c.want) << c.fmt;
}

TEST(FormatDirectives, FlushAndNewLines) {
  std::string buf;
  quarn::formatter f(buf);
  // Text inside an open box waits for the box's size to be known.
  quarn::fprint(f, "@[abc");
  EXPECT_EQ(buf, "");
  quarn::fprint(f, "%!");
  EXPECT_EQ(buf, "abc");
  quarn::fprint(f, "@[def@?");
  EXPECT_EQ(buf, "abcdef");
  quarn::fprint(f, "@[ghi@.");
  EXPECT_EQ(buf, "abcdefghi\n");

  EXPECT_EQ(quarn::sprint("a@.b"), "a\nb");
  // A flush resets the column: the next line is measured from 0 again.
  EXPECT_EQ(quarn::sprint("%s@?@[%s@ %s@]", s70, s30a, s30b), s70 + s30a + " " + s30b);
  // A forced new line goes to the current box's indentation.
  EXPECT_EQ(quarn::sprint("@[<h>a@\nb@]"), "a\nb");
  EXPECT_EQ(quarn::sprint("@[<hov 2>ab@\ncd@]"), "ab\n  cd");
  EXPECT_EQ(quarn::sprint("xx@[<v 1>ab@\ncd@]"), "xxab\n   cd");
}

TEST(FormatDirectives, WidthHint) {
  const std::string ten = "0123456789";
  // 70 + 1 + 10 columns do not fit in 78; counted as 1 column, the text does.
  EXPECT_EQ(quarn::sprint("@[%s@ %s@]", s70, ten), s70 + "\n" + ten);
  EXPECT_EQ(quarn::sprint("@[%s@ @<1>%s@]", s70, ten), s70 + " " + ten);
  EXPECT_EQ(quarn::sprint("@[%s@ @<1>0123456789@]", s70), s70 + " " + ten);
  // The hint counts for the column that follows too.
  EXPECT_EQ(quarn::sprint("@[@<0>%s%s@ %s@]", s70, s30a, s30b), s70 + s30a + " " + s30b);
  // It applies to the next piece only.
  EXPECT_EQ(quarn::sprint("@[@<1>%s%s@ %s@]", ten, s70, ten), ten + s70 + "\n" + ten);
}

TEST(FormatDirectives, Tags) {
  EXPECT_EQ(marked("@{<b>x@}"), "<b>x</b>");
  EXPECT_EQ(marked("a@{<b>x@{<i>y@}@}z"), "a<b>x<i>y</i></b>z");
  // Markers take no room on the line.
  EXPECT_EQ(marked("@[%s@ @{<some-long-tag-name>abc@}@]", s70), s70 + " <some-long-tag-name>abc</some-long-tag-name>");
  // With tag marking off (the default) tags leave no trace.
  EXPECT_EQ(quarn::sprint("@{<b>x@}"), "x");
}

TEST(FormatDirectives, Boxes) {
  const std::string A = s30a, B = s30b, C = s30c;
  struct {
    std::string_view fmt;
    std::string a, b, c, want;
  } cases[] = {
      // h: never split.
      {"@[<h>%s@ %s@ %s@]", A, B, C, A + " " + B + " " + C},
      // v: every hint splits.
      {"@[<v 2>%s@ %s@ %s@]", "a", "b", "c", "a\n  b\n  c"},
      // hv: all on one line, or every hint split.
      {"@[<hv 2>%s@ %s@ %s@]", "a", "b", "c", "a b c"},
      {"@[<hv 2>%s@ %s@ %s@]", A, B, C, A + "\n  " + B + "\n  " + C},
      // hov, b and the default box: fill the line.
      {"@[<hov 2>%s@ %s@ %s@]", A, B, C, A + " " + B + "\n  " + C},
      {"@[<b 2>%s@ %s@ %s@]", A, B, C, A + " " + B + "\n  " + C},
      {"@[<2>%s@ %s@ %s@]", A, B, C, A + " " + B + "\n  " + C},
      {"@[%s@ %s@ %s@]", A, B, C, A + " " + B + "\n" + C},
      {"@[< hov  3 >%s@ %s@ %s@]", A, B, C, A + " " + B + "\n   " + C},
      // A cut prints nothing when the line is not split.
      {"@[<h>%s@,%s@,%s@]", "a", "b", "c", "abc"},
      {"@[<v>%s@,%s@,%s@]", "a", "b", "c", "a\nb\nc"},
      // Custom hints: spaces when not split, offset when split.
      {"@[<h>%s@;<3 0>%s@;%s@]", "a", "b", "c", "a   b c"},
      {"@[<v 2>%s@;<1 3>%s@;<1 -2>%s@]", "a", "b", "c", "a\n     b\nc"},
      // A box indents from the column where it opens.
      {"ab@[<v 1>%s@ %s@ %s@]", "c", "d", "e", "abc\n   d\n   e"},
  };
  for (const auto& c : cases) EXPECT_EQ(quarn::sprint(quarn::runtime(c.fmt), c.a, c.b, c.c), c.want) << c.fmt;
}

TEST(FormatDirectives, StructuralBoxBreaksBackToItsIndentation) {
  // The outer box does not fit on one line.  After the nested box left the
  // line indented by 4, a b box splits rather than go on to the right of
  // its own indentation; an hov box does not.
  const std::string z(10, 'z');
  EXPECT_EQ(quarn::sprint("@[<b>@[<v 4>%s@ y@]@ %s@]", s70, z), s70 + "\n    y\n" + z);
  EXPECT_EQ(quarn::sprint("@[<hov>@[<v 4>%s@ y@]@ %s@]", s70, z), s70 + "\n    y " + z);
  // A box that fits prints every hint as spaces, whatever its kind.
  EXPECT_EQ(quarn::sprint("@[<b>@[<v 4>x@ y@]@ z@]"), "x\n    y z");
}

TEST(FormatDirectives, HintsOutsideAnyBox) {
  // Outside any box the text is laid out as in an hov box that closes at the
  // flush: the last hint splits only when what follows it does not fit.
  EXPECT_EQ(quarn::sprint("a@ b"), "a b");
  EXPECT_EQ(quarn::sprint("@[a@ b@]"), "a b");
  EXPECT_EQ(quarn::sprint("%s@ %s@ %s", s70, "bbbb", "cccc"), s70 + " bbbb\ncccc");
}

void print_pair(quarn::formatter& f, const std::pair<int, int>& p) {
  quarn::fprint(f, "@[<1>(%d,@ %d)@]", p.first, p.second);
}

TEST(FormatConversions, Printers) {
  auto angle = [](quarn::formatter& f, int v) { quarn::fprint(f, "<%d>", v); };
  EXPECT_EQ(quarn::sprint("x%ay", angle, 5), "x<5>y");
  EXPECT_EQ(quarn::sprint("%a %a", angle, 1, angle, 2), "<1> <2>");
  EXPECT_EQ(quarn::sprint("%a", print_pair, std::pair{1, 2}), "(1, 2)");
  EXPECT_EQ(quarn::sprint("%a", &print_pair, std::pair{3, 4}), "(3, 4)");
  // A printer's boxes and hints join the layout around it.
  EXPECT_EQ(quarn::sprint("@[<v 2>%s@ %a@]", s70, print_pair, std::pair{1, 2}), s70 + "\n  (1, 2)");
  EXPECT_EQ(quarn::sprint("[%t]", [](quarn::formatter& f) { f.print_string("t"); }), "[t]");
  // Arguments after a printer line up with the conversions after it.
  EXPECT_EQ(quarn::sprint("%a-%t-%d", angle, 1, [](quarn::formatter& f) { f.print_int(2); }, 3), "<1>-2-3");
  // A printer's print_if_newline drops the next text only, not the texts
  // after it that the string prints.
  auto if_newline = [](quarn::formatter& f) { f.print_if_newline(); };
  EXPECT_EQ(quarn::sprint("x%t%s%d.", if_newline, "a", 1), "x1.");
  EXPECT_EQ(quarn::sprint("%t%s%d.", if_newline, "a", 1), "a1.");
}

// After print_if_newline only the next text is conditional: the first text
// of every call into a formatter stays a text of its own, whatever joins it.
TEST(FormatConversions, ConditionalTextDropsOnlyItself) {
  const std::function<void(quarn::formatter&)> calls[] = {
      [](quarn::formatter& f) { quarn::fprint(f, "ab%d", 7); },
      [](quarn::formatter& f) { quarn::fprint(f, "%s%d", "ab", 7); },
      [](quarn::formatter& f) { quarn::fprint(f, quarn::runtime("ab%d"), 7); },
      [](quarn::formatter& f) { quarn::quarn<int>("ab%d")(f, 7); },
      [](quarn::formatter& f) { quarn::fprint(f, "%a", quarn::quarn<int>("ab%d"), 7); },
  };
  for (std::size_t i = 0; i < std::size(calls); ++i) {
    std::string out;
    quarn::formatter f(out);
    f.print_string("x");
    f.print_if_newline();
    calls[i](f);
    f.print_flush();
    EXPECT_EQ(out, "x7") << "call " << i;
  }
}

// Strings checked at compile time run from their compiled operations (flat
// ones without a formatter); each must print what the interpreter prints.
TEST(FormatCompiled, SameOutputAsRuntime) {
#define SAME(FMT, ...) \
  EXPECT_EQ(quarn::sprint(FMT, __VA_ARGS__), quarn::sprint(quarn::runtime(FMT), __VA_ARGS__)) << FMT
  SAME("%d: %s = %g", 7, "seven", 1.75);
  SAME("%5d|%-6s|%08.3f|%x|%S|%C|%b", -42, "ab", -3.25, 255U, "q\"", 'c', true);
  SAME("@<3>%s and @<1>%d", "wide", 12345);
  SAME("%s%s%s%s%s", s70, s70, s70, s70, s70);  // more than is gathered at once
  SAME("%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18);
  SAME("%d@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x@,x", 1);  // more operations than are kept
  SAME("@[<hov 2>%s@ %s@ %s@]", s30a, s30b, s30c);
  SAME("@[<v>a@ %d@]@.%s@?@{<t>%s@}", 1, "b", "c");
#undef SAME
}

TEST(FormatRuntime, CheckedWhileInterpreted) {
  auto p = [](quarn::formatter& f, int v) { f.print_int(v); };
  const char* null_cstr = nullptr;
  EXPECT_EQ(quarn::sprint(quarn::runtime("%d-%s-%a"), 1, "two", p, 3), "1-two-3");
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%d %d"), 1), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%d"), 1, 2), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%d"), "x"), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%s"), 1), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%c"), 1), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%b"), 1), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%f"), 1), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%s"), null_cstr), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%a"), p), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%a"), p, "x"), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%t"), 1), std::invalid_argument);
  for (std::string_view bad : {"%q", "%", "%5", "%ls", "%5%", "@[<", "@[<hov 2", "@[<zz 2>", "@[<2x>", "@;<1", "@;<x>",
                               "@{b", "@{<b", "@<x>", "@<3"})
    EXPECT_THROW((void)quarn::sprint(quarn::runtime(bad)), std::invalid_argument) << bad;
}

// A number above 4096 is refused by name, however many digits it has, before
// anything is padded or printed; 4096 itself passes.
TEST(FormatRuntime, NumbersAreLimited) {
  EXPECT_EQ(quarn::sprint(quarn::runtime("%4096d"), 1).size(), 4096U);
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"%4097d", "width too large"},
      {"%5000000000d", "width too large"},
      {"%.1000000000f", "precision too large"},
      {"@;<1000000000 0>", "number of spaces too large"},
      {"@;<1 -4097>", "offset too large"},
      {"@[<hov 4097>", "indentation too large"},
      {"@<4097>", "width too large"},
  };
  for (auto [fmt, want] : cases) expect_refused(fmt, want);
}

// "*" widths and precisions take an int before the value, as C's printf
// does: the same text as snprintf, negative widths left-justify, negative
// precisions count as none.
TEST(FormatStars, AsPrintf) {
  struct star_case {
    const char* fmt;
    int a, b;
  };
  const star_case cases[] = {{"[%*d]", 6, -42},  {"[%*d]", -6, 42}, {"[%-*d]", 6, 42}, {"[%0*d]", 6, -42},
                             {"[%.*d]", 4, 7},   {"[%.*d]", -1, 7}, {"[%*d]", 0, 7},   {"[%-*d]", -6, 42},
                             {"[%0*d]", -6, 42}, {"[%*x]", 5, 255}};
  for (const auto& c : cases) {
    char want[64];
    std::snprintf(want, sizeof want, c.fmt, c.a, c.b);
    EXPECT_EQ(quarn::sprint(quarn::runtime(c.fmt), c.a, c.b), want) << c.fmt << " " << c.a;
  }
  char want[64];
  std::snprintf(want, sizeof want, "[%*.*f|%.*f|%-*s|%*s]", 9, 2, 3.14159, -3, 2.5, 4, "ab", -4, "cd");
  EXPECT_EQ(quarn::sprint("[%*.*f|%.*f|%-*s|%*s]", 9, 2, 3.14159, -3, 2.5, 4, "ab", -4, "cd"), want);
  EXPECT_EQ(quarn::sprint(quarn::runtime("[%*.*f|%.*f|%-*s|%*s]"), 9, 2, 3.14159, -3, 2.5, 4, "ab", -4, "cd"), want);
  std::string out;
  quarn::formatter f(out);
  quarn::quarn<int, int, int>("[%*.*d]")(f, 5, 3, 7);
  f.print_flush();
  EXPECT_EQ(out, "[  007]");
}

TEST(FormatStars, CheckedAtRunTime) {
  EXPECT_EQ(quarn::sprint(quarn::runtime("%*d"), 4096, 1).size(), 4096U);
  EXPECT_EQ(quarn::sprint(quarn::runtime("%*d"), -4096, 1).size(), 4096U);
  const std::pair<std::string_view, std::string_view> cases[] = {{"%*d", "width too large"},
                                                                 {"%.*d", "precision too large"}};
  for (const int n : {4097, -4097, INT32_MIN, INT32_MAX})
    for (auto [fmt, want] : cases) {
      if (n < 0 && fmt[1] == '.') continue;  // a negative precision is none
      SCOPED_TRACE(n);
      expect_refused(fmt, want, n, 1);
    }
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%*d"), 5LL, 1), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%*d"), 5), std::invalid_argument);
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%*%")), std::invalid_argument);
}

// C's snprintf of `fmt`, through a function so that the compiler does not
// check the string (-Wpedantic refuses "%N$").
template <class... A>
std::string c_sprintf(const char* fmt, const A&... a) {
  char out[128];
  std::snprintf(out, sizeof out, fmt, a...);
  return out;
}

// Positional conversions ("%N$") name their arguments, as POSIX printf has
// them; glibc's printf reads them alike, so it gives the expected text.
// Each string runs checked at compile time and at run time.
TEST(FormatPositional, AsPrintf) {
#define POSITIONAL(FMT, ...)                                                 \
  do {                                                                       \
    const std::string want = c_sprintf(FMT, __VA_ARGS__);                    \
    EXPECT_EQ(quarn::sprint(FMT, __VA_ARGS__), want) << FMT;                 \
    EXPECT_EQ(quarn::sprint(quarn::runtime(FMT), __VA_ARGS__), want) << FMT; \
  } while (false)
#if !defined(_WIN32)
  POSITIONAL("%2$s %1$d", 7, "x");
  POSITIONAL("%1$d %1$5d %1$-5d| %2$x", -42, 255);
  POSITIONAL("[%1$*2$d|%1$-*2$d|%3$.*2$f|%3$*2$.*4$f]", 42, 6, 3.14159, 1);
  POSITIONAL("%3$s%%%2$c%1$d", 5, 'c', "s");
#endif
#undef POSITIONAL
  // "%N$a" takes the printer at N and its value at N + 1; "%N$t" the
  // callable at N.
  const auto t = [](quarn::formatter& f) { f.print_string("t"); };
  EXPECT_EQ(quarn::sprint("%3$d %1$a %3$d %4$t", quarn::int_, 5, 9, t), "9 5 9 t");
  EXPECT_EQ(quarn::sprint(quarn::runtime("%3$d %1$a %3$d %4$t"), quarn::int_, 5, 9, t), "9 5 9 t");
}

TEST(FormatPositional, ErrorsAtRunTime) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"%1$d %d", "mixed"},
      {"%d %2$d", "mixed"},
      {"%2$d", "named by no"},
      {"%1$d %1$d", "named by no"},
      {"%3$d %1$d %2$d", "past the last"},
      {"%2$a", "does not match"},
      {"%0$d", "count from 1"},
      {"%4097$d", "too large"},
      {"%1$*d %2$d", "names its argument"},
      {"%*1$d %d", "belongs to a positional"},
      {"%1$s %2$d", "does not match"},
      {"%1$*2$d", "not an int"},
  };
  for (auto [fmt, want] : cases) expect_refused(fmt, want, 1, 2u);
}

// "'" and the grouped printers: digits in groups of three, whatever the
// locale.  The zeros of a precision are grouped, those of "0" are not.
TEST(FormatGrouped, Digits) {
  const conv_case<long long> cases[] = {
      {"%'d", 0, "0"},
      {"%'d", 999, "999"},
      {"%'d", 1000, "1,000"},
      {"%'d", -1234567, "-1,234,567"},
      {"%'i", 123456, "123,456"},
      {"%'d", INT64_MIN, "-9,223,372,036,854,775,808"},
      {"%'u", -1, "18,446,744,073,709,551,615"},
      {"%'+d", 1234, "+1,234"},
      {"[%'8d]", 12345, "[  12,345]"},
      {"[%'-8d]", 12345, "[12,345  ]"},
      {"[%'08d]", -12345, "[-012,345]"},
      {"[%'.5d]", 12, "[00,012]"},
      {"[%'.0d]", 0, "[]"},
  };
  for (const auto& c : cases) EXPECT_EQ(quarn::sprint(quarn::runtime(c.fmt), c.value), c.want) << c.fmt;
  EXPECT_EQ(quarn::sprint("%'d|%'u", 1234567, 4000000000U), "1,234,567|4,000,000,000");
  EXPECT_EQ(quarn::sprint("%'d", static_cast<short>(-12345)), "-12,345");
  EXPECT_THROW((void)quarn::sprint(quarn::runtime("%'x"), 1), std::invalid_argument);

  const std::pair<std::string, std::string_view> printed[] = {
      {quarn::sprint("%a", quarn::grouped, 0), "0"},
      {quarn::sprint("%a", quarn::grouped, INT64_MIN), "-9,223,372,036,854,775,808"},
      {quarn::sprint("%a", quarn::grouped, UINT64_MAX), "18,446,744,073,709,551,615"},
      {quarn::sprint("%a", quarn::grouped, static_cast<signed char>(-100)), "-100"},
      {quarn::sprint("%a", quarn::grouped_with(""), 1234567), "1234567"},
      {quarn::sprint("%a", quarn::grouped_with("\u202f"), 1234567), "1\u202f234\u202f567"},
  };
  for (const auto& [got, want] : printed) EXPECT_EQ(got, want);
  EXPECT_THROW((void)quarn::grouped_with("123456789"), std::invalid_argument);
}

}  // namespace
