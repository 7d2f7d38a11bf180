// SPDX-License-Identifier: MIT
// The devices a formatter writes to (a stream, functions, a C file), the
// flush printer, and the standard formatters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <quarn/quarn.hpp>

namespace {

TEST(Devices, StandardFormattersAreSingletons) {
  EXPECT_EQ(&quarn::stdout_formatter(), &quarn::stdout_formatter());
  EXPECT_EQ(&quarn::stderr_formatter(), &quarn::stderr_formatter());
  EXPECT_NE(&quarn::stdout_formatter(), &quarn::stderr_formatter());
}

// A string formatter printing its own target appends what the string holds
// when the text is read, as s.append(s) does, even when draining grows it:
// the text printed at once, laid out behind pending material, in pieces, as
// a list of texts, or walked word by word.
TEST(Devices, StringFormatterPrintsItsOwnTarget) {
  using print_fn = void (*)(quarn::formatter&, const std::string&);
  const struct {
    const char* what;
    print_fn print;
    bool pending;  // a long text waits in the queue before it
  } table[] = {
      {"print_string", [](quarn::formatter& f, const std::string& b) { f.print_string(b); }, false},
      {"%s", [](quarn::formatter& f, const std::string& b) { quarn::fprint(f, "%s", b.c_str()); }, false},
      {"behind pending", [](quarn::formatter& f, const std::string& b) { f.print_string(b); }, true},
      {"pieces", [](quarn::formatter& f, const std::string& b) { f.print_pieces(b, 100, 0); }, false},
      {"pieces in columns",
       [](quarn::formatter& f, const std::string& b) {
         f.set_measure(quarn::text_measure::columns);
         f.print_pieces(b, 100, 0);
       },
       false},
      {"texts",
       [](quarn::formatter& f, const std::string& b) {
         std::vector<std::string_view> texts;
         for (std::size_t i = 0; i < b.size(); i += 100) texts.push_back(std::string_view(b).substr(i, 100));
         f.print_texts(texts, 0);
       },
       false},
      {"words", [](quarn::formatter& f, const std::string& b) { quarn::fprint(f, "@[<h>%a@]", quarn::words, b); },
       false},
  };
  std::string words = "w\xc3\xa9";  // words of a UTF-8 text
  for (int i = 0; i < 4000; ++i) words += " word\xc3\xa9";
  // Prints the target itself, or a copy of it taken at the call, which must
  // come out the same.
  const auto run = [&words](print_fn print, bool pending, bool copy) {
    std::string buf;
    quarn::formatter f(buf);
    f.print_string(words);
    f.print_flush();
    if (pending) {
      f.set_margin(30000);
      f.print_string(std::string(60000, 'b'));
      f.force_newline();
      f.open_box(quarn::box_kind::hov, 0);
      f.print_string(std::string(10000, 'c'));
    } else {
      f.print_string(std::string(50000, 'b'));  // staged, not in buf yet
    }
    const std::string snapshot = buf;
    print(f, copy ? snapshot : buf);
    f.print_flush();
    return buf;
  };
  for (const auto& t : table) {
    SCOPED_TRACE(t.what);
    const std::string got = run(t.print, t.pending, false);
    const std::string expected = run(t.print, t.pending, true);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    EXPECT_EQ(got.substr(0, words.size()), words);
  }
}

TEST(Devices, FlushAsAPrinter) {
  std::string buf;
  quarn::formatter f(buf);
  quarn::fprint(f, "@[abc%a", quarn::flush, 0);
  EXPECT_EQ(buf, "abc");
  quarn::fprint(f, "@[def%a", quarn::flush, std::string("any value"));
  EXPECT_EQ(buf, "abcdef");
  quarn::fprint(f, "@[ghi%t", quarn::flush);
  EXPECT_EQ(buf, "abcdefghi");
  EXPECT_EQ(f.depth(), 1);
}

TEST(Devices, OutputReachesTheDeviceAtFlush) {
  std::ostringstream os;
  quarn::formatter fs(os);
  quarn::fprint(fs, "@[hello@ %d@]", 1);
  fs.print_flush();
  EXPECT_EQ(os.str(), "hello 1");

  std::string written;
  int flushes = 0;
  quarn::formatter fo(quarn::output_functions{[&](std::string_view s) { written += s; }, [&] { ++flushes; }});
  quarn::fprint(fo, "@[hello@ %d@]", 2);
  fo.print_flush();
  EXPECT_EQ(written, "hello 2");
  EXPECT_EQ(flushes, 1);
  quarn::fprint(fo, "x@.");
  EXPECT_EQ(written, "hello 2x\n");
  EXPECT_EQ(flushes, 2);
}

TEST(Devices, CFile) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> fp(std::tmpfile(), &std::fclose);
  ASSERT_NE(fp, nullptr);
  quarn::formatter f(fp.get());
  quarn::fprint(f, "@[hello@ %d@]", 3);
  f.print_flush();
  // Read the file beneath the C stream: the flush must have reached it.
  char got[16] = {};
  const int fd = ::fileno(fp.get());
  ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  ASSERT_EQ(::read(fd, got, sizeof got), 7);
  EXPECT_STREQ(got, "hello 3");

  EXPECT_THROW(quarn::formatter(static_cast<std::FILE*>(nullptr)), std::invalid_argument);
}

}  // namespace
