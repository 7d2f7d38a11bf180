// SPDX-License-Identifier: MIT
// Scalar printers: integers of each width, float rounding, exceptions.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <exception>
#include <functional>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "print_helpers.hpp"

namespace quarn_test_errors {
struct not_a_std_exception {};
}  // namespace quarn_test_errors

namespace {

using quarn_test::boxed;

TEST(Scalars, BoolCharStringBuffer) {
  EXPECT_EQ(boxed(quarn::bool_, false) + boxed(quarn::char_, 'x'), "falsex");
  EXPECT_EQ(boxed(quarn::string, std::string("a \"b\"")), "a \"b\"");  // no quotes, no escapes
  std::string buf = "abc";
  buf.clear();
  EXPECT_EQ(boxed(quarn::buffer, buf), "");
}

// A null C string is refused with an error that says so, never read.
TEST(Scalars, NullCStringIsRefused) {
  const char* null = nullptr;
  std::string out;
  quarn::formatter f(out);
  const std::function<void()> uses[] = {
      [&] { quarn::string(f, null); },
      [&] { quarn::dump::string(f, null); },
      [&] { quarn::words(f, null); },
      [&] { quarn::truncated(5)(f, null); },
      [&] { quarn::fprint(f, "%s", null); },
      [&] { quarn::fprint(f, "%S", null); },
      [&] { quarn::fprint(f, quarn::runtime("%s"), null); },
  };
  for (std::size_t i = 0; i < std::size(uses); ++i) {
    try {
      uses[i]();
      ADD_FAILURE() << "use " << i << " did not throw";
    } catch (const quarn::invalid_argument& e) {
      EXPECT_NE(std::string_view(e.what()).find("null C string"), std::string_view::npos) << i << ": " << e.what();
    }
  }
}

// A char array that fills its whole size is its bytes and no more, whichever
// string printer or conversion is given it; one that holds a null byte ends
// there.
TEST(Scalars, CharArrayEndsAtItsSize) {
  const struct {
    char name[4];
    char after[4];
  } fields{{'a', 'b', 'c', 'd'}, {'X', 'Y', 'Z', '\0'}};
  const std::string got[] = {
      boxed(quarn::string, fields.name),
      boxed(quarn::dump::string, fields.name),
      boxed(quarn::words, fields.name),
      boxed(quarn::truncated(10), fields.name),
      quarn::sprint("%s", fields.name),
      quarn::sprint("%S", fields.name),
      quarn::sprint(quarn::runtime("%-5s|"), fields.name),
  };
  const std::string want[] = {"abcd", "\"abcd\"", "abcd", "abcd", "abcd", "\"abcd\"", "abcd |"};
  for (std::size_t i = 0; i < std::size(got); ++i) EXPECT_EQ(got[i], want[i]) << i;
  const char early[4] = {'a', '\0', 'b', '\0'};
  EXPECT_EQ(boxed(quarn::string, early) + quarn::sprint("%s", early), "aa");
}

// The unsigned printers read the same bits as unsigned; a narrower value is
// first widened with its sign.
TEST(Scalars, Integers) {
  EXPECT_EQ(boxed(quarn::int_, LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(boxed(quarn::int32, INT32_MIN), "-2147483648");
  EXPECT_EQ(boxed(quarn::nativeint, std::intptr_t{-42}), "-42");
  EXPECT_EQ(boxed(quarn::uint32, std::int32_t{-1}), "4294967295");
  EXPECT_EQ(boxed(quarn::uint32, INT32_MIN), "2147483648");
  EXPECT_EQ(boxed(quarn::uint64, std::int64_t{-1}), "18446744073709551615");
  EXPECT_EQ(boxed(quarn::uint, -1LL), "18446744073709551615");
  EXPECT_EQ(boxed(quarn::uint, -1), "18446744073709551615");  // an int
  EXPECT_EQ(boxed(quarn::unativeint, std::intptr_t{-1}), "18446744073709551615");
}

struct float_row {
  int d;
  double x;
  const char* want;
};

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double dbl_max = std::numeric_limits<double>::max();

TEST(Scalars, FloatAsPercentG) {
  EXPECT_EQ(boxed(quarn::float_, 1e20), "1e+20");
  EXPECT_EQ(boxed(quarn::float_, 0.0001), "0.0001");
  EXPECT_EQ(boxed(quarn::float_, 0.00001), "1e-05");
  EXPECT_EQ(boxed(quarn::float_, -inf), "-inf");
}

// Halves go toward positive infinity; whole numbers are left alone.
TEST(Scalars, FloatDfrac) {
  const float_row rows[] = {
      {2, 3.14159, "3.14"},
      {1, -2.25, "-2.2"},
      {0, 2.5, "3"},
      {0, -2.5, "-2"},
      {0, 0.5, "1"},
      {3, 1234.5678, "1234.57"},  // rounded to 1234.568, then six digits
      {2, 1e20, "1e+20"},
      {2, -0.0, "-0"},
      {2, 0.0, "0"},
      {5, -7.0, "-7"},
      {2, inf, "inf"},
      {2, -inf, "-inf"},
      {2, nan, "nan"},
      {1, 0.04, "0"},
      // More digits than a double holds: the value as it is, not nan.
      {400, 0.1, "0.1"},
      {400, -2.5, "-2.5"},
      {320, 1.5, "1.5"},
      // 10^-d beyond the double range: whatever is not whole rounds to 0.
      {-400, 1.5, "0"},
      {-400, -1.5, "0"},
      {-400, inf, "inf"},
      {-400, -inf, "-inf"},
      {-400, nan, "nan"},
      {400, inf, "inf"},
  };
  for (const float_row& r : rows) {
    SCOPED_TRACE(testing::Message() << "d=" << r.d << " x=" << r.x);
    EXPECT_EQ(boxed(quarn::float_dfrac(r.d), r.x), r.want);
  }
}

// d + 1 significant digits are kept.  Infinities print as themselves.
TEST(Scalars, FloatDsig) {
  const float_row rows[] = {
      {2, 1234.5, "1230"},
      {2, -1234.5, "-1230"},
      {2, 0.0012345, "0.00123"},
      {1, 9.96, "10"},
      {0, 7.7, "8"},
      {0, 9.5, "10"},
      {2, 1.2345e8, "1.23e+08"},
      {3, 0.0, "0"},
      {3, -0.0, "0"},
      {2, inf, "inf"},
      {2, -inf, "-inf"},
      {2, nan, "nan"},
      {400, 1.25, "1.25"},
      {400, 3e-300, "3e-300"},
      // Subnormals keep their digits; past the largest double, the value as it is.
      {2, 5e-324, "4.94066e-324"},
      {1, 1e-323, "9.88131e-324"},
      {2, 1.23456e-315, "1.23e-315"},
      {2, dbl_max, "1.79769e+308"},
      {2, -dbl_max, "-1.79769e+308"},
  };
  for (const float_row& r : rows) {
    SCOPED_TRACE(testing::Message() << "d=" << r.d << " x=" << r.x);
    EXPECT_EQ(boxed(quarn::float_dsig(r.d), r.x), r.want);
  }
}

std::exception_ptr thrown(auto e) {
  try {
    throw e;
  } catch (...) {
    return std::current_exception();
  }
}

TEST(Scalars, ExnNamesTheDynamicTypeAndMessage) {
  const std::invalid_argument bad("bad width");
  const std::exception& as_base = bad;
  EXPECT_EQ(boxed(quarn::exn, as_base), "std::invalid_argument: bad width");
  EXPECT_EQ(boxed(quarn::exn, quarn::failure("oops")), "quarn::failure: oops");
  EXPECT_EQ(boxed(quarn::exn, thrown(std::runtime_error("boom"))), "std::runtime_error: boom");
  EXPECT_EQ(boxed(quarn::exn, thrown(42)), "int");
  EXPECT_EQ(boxed(quarn::exn, thrown(quarn_test_errors::not_a_std_exception{})),
            "quarn_test_errors::not_a_std_exception");
  EXPECT_EQ(boxed(quarn::exn, std::exception_ptr()), "no exception");
}

}  // namespace
