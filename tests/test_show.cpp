// SPDX-License-Identifier: MIT
// Printers bound to values, written through iostreams and {fmt}.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <quarn/fmt.hpp>
#include <quarn/quarn.hpp>

#include <sstream>
#include <vector>

namespace {

TEST(Show, StreamsAndFmtWriteTheLaidOutText) {
  const std::vector<int> v{1, 2, 3};
  std::ostringstream os;
  os << quarn::show(quarn::dump::list(quarn::int_), v) << "!";
  EXPECT_EQ(os.str(), "[1; 2; 3]!");
  EXPECT_EQ(fmt::format("<{}>", quarn::show(quarn::list(quarn::int_, {.sep = quarn::comma}), v)), "<1, 2, 3>");
  // Width and alignment apply to the laid-out text as a whole.
  EXPECT_EQ(fmt::format("{:>12}", quarn::show(quarn::dump::list(quarn::int_), v)), "   [1; 2; 3]");
}

TEST(Show, LongValuesBreakAtTheDefaultMargin) {
  std::vector<int> v(40, 12345);
  std::string s = fmt::format("{}", quarn::show(quarn::dump::list(quarn::int_), v));
  std::size_t longest = 0, start = 0;
  for (std::size_t nl; (nl = s.find('\n', start)) != std::string::npos; start = nl + 1)
    longest = std::max(longest, nl - start);
  EXPECT_NE(s.find('\n'), std::string::npos);
  EXPECT_LE(longest, 78U);
}

}  // namespace
