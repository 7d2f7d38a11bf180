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

#include <quarn/quarn.hpp>

namespace {

TEST(Devices, StandardFormattersAreSingletons) {
  EXPECT_EQ(&quarn::stdout_formatter(), &quarn::stdout_formatter());
  EXPECT_EQ(&quarn::stderr_formatter(), &quarn::stderr_formatter());
  EXPECT_NE(&quarn::stdout_formatter(), &quarn::stderr_formatter());
}

// A string formatter printing its own target appends what the string holds
// when the text is read, as s.append(s) does, even when draining grows it.
// A string formatter given its own target prints it as a copy taken at the
// call would print: draining staged text into the string (which may move it)
// must not change what is read.  With undecided material queued (an open hov
// box and a break), laying it out drains before the text is read.
TEST(Devices, StringFormatterPrintsItsOwnTarget) {
  const auto run = [](std::string& buf, bool as_format, bool pending_box, bool copy) {
    quarn::formatter f(buf);
    f.print_string(std::string(30000, 'a'));
    f.print_flush();
    f.print_string(std::string(65530, 'b'));  // nearly fills the staging area
    if (pending_box) {
      f.open_box(quarn::box_kind::hov, 0);
      f.print_string(std::string(20, 'c'));
      f.print_break(1, 0);
    }
    const std::string snapshot = buf;
    const std::string& text = copy ? snapshot : buf;
    if (as_format) {
      quarn::fprint(f, "%s", text.c_str());
    } else {
      f.print_string(text);
    }
    f.print_flush();
  };
  for (bool as_format : {false, true}) {
    for (bool pending_box : {false, true}) {
      std::string self, copied;
      run(self, as_format, pending_box, false);
      run(copied, as_format, pending_box, true);
      EXPECT_EQ(self.size(), copied.size()) << as_format << pending_box;
      EXPECT_TRUE(self == copied) << as_format << pending_box;
    }
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
