// SPDX-License-Identifier: MIT
// SI and byte sizes and time spans: the rounding tables, the largest and most
// negative counts, the scale check and the std::chrono adapter.
#include <gtest/gtest.h>
#include <quarn/magnitudes.hpp>
#include <quarn/format.hpp>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ratio>
#include <string>
#include <vector>

namespace {

template <class P, class V>
std::string show(const P& p, const V& v) {
  return quarn::sprint("@[%a@]", p, v);
}

struct count_case {
  long long n;
  const char* expected;
};

TEST(ByteSize, RoundsUpToThreeSignificantDigits) {
  const std::vector<count_case> cases = {
      {0, "0B"},
      {1, "1B"},
      {999, "999B"},
      {1000, "1kB"},
      {1001, "1.01kB"},
      {1005, "1.01kB"},
      {1010, "1.01kB"},
      {1011, "1.02kB"},
      {1050, "1.05kB"},
      {1099, "1.1kB"},
      {1100, "1.1kB"},
      {1500, "1.5kB"},
      {1999, "2kB"},
      {9949, "9.95kB"},
      {9991, "10kB"},
      {9999, "10kB"},
      {10000, "10kB"},
      {10001, "10.1kB"},
      {12345, "12.4kB"},
      {99901, "100kB"},
      {99999, "100kB"},
      {100000, "100kB"},
      {100001, "101kB"},
      {123456, "124kB"},
      {999001, "1MB"},
      {1000000, "1MB"},
      {1234567, "1.24MB"},
      {1000000000000000000, "1EB"},
      {999999999999999999, "1EB"},  // rounds up across two prefixes at once
      {4611686018427387903, "4.62EB"},
      {LLONG_MAX, "9.23EB"},
  };
  for (const auto& c : cases) EXPECT_EQ(show(quarn::byte_size, c.n), c.expected) << c.n;
}

// Negative counts show their magnitude, rounded away from zero, after a
// minus sign; the most negative count has no positive counterpart.
TEST(ByteSize, NegativeCountsShowTheirMagnitudeRoundedUp) {
  const std::vector<count_case> cases = {
      {-1, "-1B"},      {-5, "-5B"},       {-999, "-999B"},     {-1000, "-1kB"},         {-1001, "-1.01kB"},
      {-9991, "-10kB"}, {-999001, "-1MB"}, {-12345, "-12.4kB"}, {-LLONG_MAX, "-9.23EB"}, {LLONG_MIN, "-9.23EB"},
  };
  for (const auto& c : cases) EXPECT_EQ(show(quarn::byte_size, c.n), c.expected) << c.n;
}

// Unsigned counts (sizes in std::size_t) take the whole 64-bit range; the
// restart after rounding 9.99... up to 10 must not overflow.
TEST(ByteSize, UnsignedCountsUpToTheLargest) {
  EXPECT_EQ(show(quarn::byte_size, std::size_t{12345}), "12.4kB");
  EXPECT_EQ(show(quarn::byte_size, 9999999999999999999ULL), "10EB");
  EXPECT_EQ(show(quarn::byte_size, ULLONG_MAX), "18.5EB");
  EXPECT_EQ(show(quarn::byte_size, std::uint8_t{255}), "255B");
}

struct scaled_case {
  int scale;
  const char* unit;
  long long n;
  const char* expected;
};

TEST(SiSize, ScaleShiftsThePrefix) {
  const std::vector<scaled_case> cases = {
      {-1, "s", 1, "1ms"},
      {-1, "s", 1000, "1s"},
      {-1, "s", 1500, "1.5s"},
      {-3, "s", 999, "999ns"},
      {-3, "s", 1500, "1.5us"},
      {-8, "B", 0, "0yB"},
      {-8, "B", 1000, "1zB"},
      {1, "B", 0, "0kB"},
      {1, "B", 999999999999999999, "1ZB"},
      {2, "B", 999999999999999999, "1YB"},
      {8, "B", 1, "1YB"},
      {8, "B", 1000, "1000YB"},
      {8, "B", 123456, "123456YB"},
      {8, "B", LLONG_MAX, "9223372036854775807YB"},
      {8, "B", LLONG_MIN, "-9223372036854775808YB"},
      {7, "B", 999, "999ZB"},
      {7, "B", 1000, "1YB"},
      {7, "B", 999001, "1000YB"},
      {7, "B", 1000000, "1000YB"},
      {7, "B", 123456789, "123457YB"},
      {3, "B", 4611686018427387903, "4612YB"},
      {3, "B", LLONG_MAX, "9224YB"},
      {3, "B", 999999999999999999, "1000YB"},  // no prefix left to move to
      {2, "B", 4611686018427387903, "4.62YB"},
      {0, "", 1500, "1.5k"},
      {0, "bytes per second", 1500, "1.5kbytes per second"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(show(quarn::si_size(c.scale, c.unit), c.n), c.expected) << c.scale << " " << c.n;
  EXPECT_EQ(show(quarn::si_size(8, "B"), ULLONG_MAX), "18446744073709551615YB");
  EXPECT_EQ(show(quarn::si_size(3, "B"), ULLONG_MAX), "18447YB");
  EXPECT_EQ(show(quarn::si_size(0, std::string(300, 'x')), 1), "1" + std::string(300, 'x'));
}

TEST(SiSize, ScaleOutOfRangeFailsWhenAppliedAndPrintsNothing) {
  for (int scale : {9, -9, INT_MAX, INT_MIN}) {
    auto p = quarn::si_size(scale, "B");  // building the printer does not check
    std::string out;
    quarn::formatter f(out);
    try {
      p(f, 1);
      ADD_FAILURE() << "no failure for scale " << scale;
    } catch (const quarn::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()), "~scale is " + std::to_string(scale) + ", must be in [-8;8]");
    }
    f.print_flush();
    EXPECT_EQ(out, "");
  }
}

TEST(BiByteSize, BinaryUnitsWithOneDecimalBelowTen) {
  const long long k = 1024, m = k * k, g = m * k, t = g * k, p = t * k;
  const std::vector<count_case> cases = {
      {-5000, "-5000B"},
      {-1, "-1B"},
      {0, "0B"},
      {1023, "1023B"},
      {1024, "1KiB"},
      {1025, "1KiB"},
      {1075, "1KiB"},
      {1076, "1.1KiB"},
      {1127, "1.1KiB"},
      {1536, "1.5KiB"},
      {10239, "10KiB"},
      {10240, "10KiB"},
      {10241, "11KiB"},
      {m - 1, "1024KiB"},
      {m, "1MiB"},
      {1572864, "1.5MiB"},
      {10485761, "11MiB"},
      {g - 1, "1024MiB"},
      {g, "1GiB"},
      {t, "1TiB"},
      {p, "1PiB"},
      {10 * p + 1, "11PiB"},
      {4611686018427387903, "4096PiB"},
      {LLONG_MAX, "8192PiB"},  // no unit above PiB
      {LLONG_MIN, "-9223372036854775808B"},
  };
  for (const auto& c : cases) EXPECT_EQ(show(quarn::bi_byte_size, c.n), c.expected) << c.n;
  EXPECT_EQ(show(quarn::bi_byte_size, ULLONG_MAX), "16384PiB");
}

struct span_case {
  std::uint64_t ns;
  const char* expected;
};

TEST(Uint64NsSpan, RoundsUpInTheLargestUnitReached) {
  const std::vector<span_case> cases = {
      {0, "0ns"},
      {999, "999ns"},
      {1000, "1us"},
      {1001, "1.01us"},
      {1005, "1.01us"},
      {1010, "1.01us"},
      {1050, "1.05us"},
      {1099, "1.1us"},
      {1100, "1.1us"},
      {1999, "2us"},
      {9990, "9.99us"},
      {9991, "10us"},
      {9999, "10us"},
      {10000, "10us"},
      {10001, "10.1us"},
      {10100, "10.1us"},
      {99900, "99.9us"},
      {99901, "100us"},
      {100000, "100us"},
      {100001, "101us"},
      {999000, "999us"},
      {999001, "1ms"},
      {999999, "1ms"},
      {1000000, "1ms"},
      {1500000, "1.5ms"},
      {999999999, "1s"},
      {59000000000, "59s"},
      {59900000001, "1min"},
      {59999999999, "1min"},
      {60000000000, "1min"},
      {60000000001, "1min1s"},
      {61500000000, "1min2s"},
      {90000000000, "1min30s"},
      {119000000000, "1min59s"},
      {119000000001, "2min"},
      {3599000000000, "59min59s"},
      {3599000000001, "1h"},
      {3600000000000, "1h"},
      {3600000000001, "1h1min"},
      {86399999999999, "1d"},
      {86400000000000, "1d"},
      {86400000000001, "1d1h"},
      {31557599999999999, "365d6h"},
      {31557600000000000, "1a"},
      {31557600000000001, "1a1d"},
      {63093600000000000, "1a365d"},
      {63093600000000001, "2a"},
      {std::uint64_t{1} << 63, "292a99d"},
      {18446744073709551615ULL, "584a198d"},
  };
  for (const auto& c : cases) EXPECT_EQ(show(quarn::uint64_ns_span, c.ns), c.expected) << c.ns;
}

// Signed integers are read as unsigned: the top bit makes a long span.
TEST(Uint64NsSpan, SignedValuesAreReadAsUnsigned) {
  EXPECT_EQ(show(quarn::uint64_ns_span, std::int64_t{-1}), "584a198d");
  EXPECT_EQ(show(quarn::uint64_ns_span, -1), "584a198d");  // an int, widened with its sign
  EXPECT_EQ(show(quarn::uint64_ns_span, std::int64_t{1500}), "1.5us");
}

TEST(Uint64NsSpan, ChronoDurations) {
  using namespace std::chrono;
  EXPECT_EQ(show(quarn::uint64_ns_span, seconds(90)), "1min30s");
  EXPECT_EQ(show(quarn::uint64_ns_span, milliseconds(1500)), "1.5s");
  EXPECT_EQ(show(quarn::uint64_ns_span, microseconds(999001)), "1s");
  EXPECT_EQ(show(quarn::uint64_ns_span, hours(24 * 366)), "1a1d");
  EXPECT_EQ(show(quarn::uint64_ns_span, nanoseconds(0)), "0ns");
  // Negative durations: a minus sign and the magnitude.
  EXPECT_EQ(show(quarn::uint64_ns_span, milliseconds(-1500)), "-1.5s");
  EXPECT_EQ(show(quarn::uint64_ns_span, nanoseconds(-1001)), "-1.01us");
  EXPECT_EQ(show(quarn::uint64_ns_span, nanoseconds::min()), "-292a99d");
  // Finer periods and floating-point counts round away from zero.
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<long long, std::pico>(1)), "1ns");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<long long, std::pico>(1000)), "1ns");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<long long, std::pico>(1001)), "2ns");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<double>(1.5)), "1.5s");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<double, std::nano>(1.2)), "2ns");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<double, std::nano>(-1.2)), "-2ns");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<double>(-0.0)), "0ns");
  // The longest span that fits, and one tick more.
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<unsigned long long, std::nano>(ULLONG_MAX)), "584a198d");
  EXPECT_EQ(show(quarn::uint64_ns_span, duration<long long, std::pico>(LLONG_MAX)), "106d19h");
}

TEST(Uint64NsSpan, ChronoDurationsBeyondTheRangeFail) {
  using namespace std::chrono;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::string out;
  quarn::formatter f(out);
  EXPECT_THROW(quarn::uint64_ns_span(f, hours::max()), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, hours::min()), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, hours(24 * 366 * 585)), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, duration<double>(nan)), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, duration<double>(inf)), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, duration<double>(-inf)), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, duration<double, std::nano>(18446744073709551616.0)), quarn::invalid_argument);
  f.print_flush();
  EXPECT_EQ(out, "");
}

// Periods whose length in nanoseconds passes 64 bits, which std::ratio
// cannot convert: what fits prints, the rest is refused.
TEST(Uint64NsSpan, CoarsePeriods) {
  using half_millennia = std::chrono::duration<long long, std::ratio<15778476000>>;
  using millennia = std::chrono::duration<long long, std::ratio<31556952000>>;
  using float_millennia = std::chrono::duration<double, std::ratio<31556952000>>;
  EXPECT_EQ(show(quarn::uint64_ns_span, half_millennia(0)), "0ns");
  EXPECT_EQ(show(quarn::uint64_ns_span, half_millennia(1)), "499a362d");
  EXPECT_EQ(show(quarn::uint64_ns_span, half_millennia(-1)), "-499a362d");
  EXPECT_EQ(show(quarn::uint64_ns_span, float_millennia(0.5)), "499a362d");
  std::string out;
  quarn::formatter f(out);
  EXPECT_THROW(quarn::uint64_ns_span(f, half_millennia(2)), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, millennia(1)), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, millennia::min()), quarn::invalid_argument);
  EXPECT_THROW(quarn::uint64_ns_span(f, float_millennia(1.0)), quarn::invalid_argument);
}

// The printers write one unbroken piece: a margin narrower than the text
// does not split it.
TEST(Magnitudes, OneUnbrokenPiece) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(3);
  quarn::fprint(f, "@[%a@ %a@ %a@]", quarn::byte_size, 1234567LL, quarn::bi_byte_size, 1572864LL, quarn::uint64_ns_span,
                std::uint64_t{90000000000});
  f.print_flush();
  EXPECT_EQ(out, "1.24MB\n1.5MiB\n1min30s");
}

}  // namespace
