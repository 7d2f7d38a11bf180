// SPDX-License-Identifier: MIT
// Hex dumps: the column layouts byte for byte, address widths, the order in
// which elements are read, the adapters, and bad widths and indexes.
#include <gtest/gtest.h>

#include "print_helpers.hpp"
#include <quarn/hexdump.hpp>
#include <quarn/format.hpp>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_literals;

// Prints inside a box on a formatter with a margin wide enough for any line.
template <class P, class V>
std::string render(const P& p, const V& v, int margin = 1000) {
  return quarn_test::render(p, v, margin);
}

std::string sp(std::size_t n) { return std::string(n, ' '); }

struct dump_case {
  int width;
  std::string input;
  std::string expected;
};

TEST(Hex, Layouts) {
  const std::vector<dump_case> cases = {
      {16, "Hello, world!\n", "0: 4865 6c6c 6f2c 2077 6f72 6c64 210a       Hello, world!.  "},
      {16, "0123456789abcdefghij",
       "00: 3031 3233 3435 3637 3839 6162 6364 6566  0123456789abcdef\n"
       "10: 6768 696a" +
           sp(32) + "ghij" + sp(12)},
      {16, "", "0: " + sp(57)},
      {16, "0123456789abcdef", "0: 3031 3233 3435 3637 3839 6162 6364 6566  0123456789abcdef"},
      {4, "abcdefg", "0: 6162 6364  abcd\n4: 6566 67    efg "},
      {3, "abcd", "0: 6162 63  abc\n3: 64" + sp(7) + "d  "},
      {1, "ab", "0: 61  a\n1: 62  b"},
      {2, "\x00\xff\x7f"s, "0: 00ff  ..\n2: 7f    . "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(render(quarn::for_string(quarn::hex({.width = c.width})), c.input), c.expected)
        << c.width << " " << c.input;
}

// The address column has as many digits as the largest address needs.
TEST(Hex, AddressDigits) {
  struct digits_case {
    std::size_t bytes;
    std::size_t lines;
    const char* first;
    const char* last;
  };
  const std::vector<digits_case> cases = {
      {16, 1, "0: ", "0: "},
      {17, 2, "00: ", "10: "},
      {256, 16, "00: ", "f0: "},
      {257, 17, "000: ", "100: "},
  };
  for (const auto& c : cases) {
    const std::string out = render(quarn::for_string(quarn::hex()), std::string(c.bytes, 'x'));
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
      std::size_t nl = out.find('\n', start);
      lines.push_back(out.substr(start, nl - start));
      if (nl == std::string::npos) break;
      start = nl + 1;
    }
    ASSERT_EQ(lines.size(), c.lines) << c.bytes;
    EXPECT_EQ(lines.front().substr(0, std::string_view(c.first).size()), c.first);
    EXPECT_EQ(lines.back().substr(0, std::string_view(c.last).size()), c.last);
  }
}

// Addresses of eight digits and more stay aligned too.  A vec that is never
// read stands in for gigabytes of data.  address_digits() and hex_address()
// rebuild the default address printer.
TEST(Addresses, WideAddresses) {
  const auto nothing = [](quarn::formatter&, const auto&) {};
  const auto never_read = [](std::size_t) -> char {
    ADD_FAILURE() << "read";
    return 0;
  };
  struct wide_case {
    std::size_t length;
    int width;
    std::string expected;
  };
  const std::vector<wide_case> cases = {
      {std::size_t{1} << 28, 1 << 27, "0000000: \n8000000: "},
      {(std::size_t{1} << 28) + 1, 1 << 28, "00000000: \n10000000: "},
      {std::size_t{3} * 0x7fffffff + 1, 0x7fffffff, "000000000: \n07fffffff: \n0fffffffe: \n17ffffffd: "},
      {0, 16, "0: "},
      {17, 16, "00: \n10: "},
  };
  for (const auto& c : cases) {
    const quarn::vec v{c.length, never_read};
    EXPECT_EQ(render(quarn::addresses(nothing, {.width = c.width}), v), c.expected);
    const auto own = quarn::hex_address(quarn::address_digits(c.length, c.width)) + quarn::const_(quarn::string, ": ");
    EXPECT_EQ(render(quarn::addresses(nothing, {.address = own, .width = c.width}), v), c.expected);
  }
}

TEST(Addresses, AnyElementTypeAndCustomAddress) {
  const std::vector<int> xs = {1, 2, 3, 4, 5};
  const quarn::vec v{xs.size(), [&](std::size_t i) { return xs[i]; }};
  const auto ints = [](quarn::formatter& f, const auto& slice) {
    for (std::size_t i = 0; i < slice.length; ++i) quarn::fprint(f, "%d;", slice.get(i));
  };
  EXPECT_EQ(render(quarn::addresses(ints, {.width = 2}), v), "0: 1;2;\n2: 3;4;\n4: 5;");
  EXPECT_EQ(render(quarn::addresses(ints, {.address = quarn::quarn<long long>("[%d] "), .width = 3}), v),
            "[0] 1;2;3;\n[3] 4;5;");
}

// Every byte is read once per column that shows it, in increasing order,
// through the accessor of the whole vec.
TEST(Hex, ReadsEachByteOncePerColumnInOrder) {
  const std::string data = "0123456789abcdefghij";
  std::vector<std::size_t> reads;
  const quarn::vec v{data.size(), [&](std::size_t i) {
                       reads.push_back(i);
                       return data[i];
                     }};
  render(quarn::hex(), v);
  std::vector<std::size_t> expected;
  for (std::size_t column = 0; column < 2; ++column)
    for (std::size_t i = 0; i < 16; ++i) expected.push_back(i);
  for (std::size_t column = 0; column < 2; ++column)
    for (std::size_t i = 16; i < 20; ++i) expected.push_back(i);
  EXPECT_EQ(reads, expected);
}

TEST(Columns, AsciiAndOctets) {
  const auto s = [](auto p) { return quarn::for_string(std::move(p)); };
  EXPECT_EQ(render(s(quarn::ascii()), "\x1f\x20\x7e\x7f\xff"s), ". ~..");
  EXPECT_EQ(render(s(quarn::ascii()), "\x00\x80\xc3\xa9"s), "....");
  EXPECT_EQ(render(s(quarn::ascii({.width = 5})), "ab"s), "ab   ");
  EXPECT_EQ(render(s(quarn::ascii({.width = 1})), "ab"s), "ab");
  EXPECT_EQ(render(s(quarn::ascii({.nonprint = quarn::any("?")})), "a\tb\n"s), "a?b?");
  EXPECT_EQ(render(s(quarn::octets()), "abcde"s), "6162 6364 65");
  EXPECT_EQ(render(s(quarn::octets({.width = 3})), "\xab"s), "ab" + sp(5));
  EXPECT_EQ(render(s(quarn::octets({.width = 4})), ""s), sp(9));
  EXPECT_EQ(render(s(quarn::octets({.sep = quarn::any(":")})), "abcde"s), "6162:6364:65");
  EXPECT_EQ(render(s(quarn::octets()), "\x00\x0f\xf0\xff"s), "000f f0ff");
}

// The columns are laid out by the engine: a margin too narrow for the line
// breaks it at the separators of the octets and between ASCII characters.
TEST(Hex, NarrowMarginBreaksAtHints) {
  EXPECT_EQ(render(quarn::for_string(quarn::octets()), "abcdefgh"s, 12), "6162 6364\n6566 6768");
  EXPECT_EQ(render(quarn::for_string(quarn::ascii()), "abcdef"s, 4), "abc\ndef");
}

// The columns take a faster path for the default non-printable character
// and separator (and any character or plain break hint like them), a block
// of bytes at a time: it lays out exactly as the general one, across block
// boundaries and at margins that break the columns anywhere.
TEST(Columns, FastPathsLayOutAsTheGeneralOnes) {
  std::string bytes;
  for (int i = 0; i < 700; ++i) bytes += static_cast<char>(i * 7 % 256);
  const quarn::t<quarn::unit> dot = [](quarn::formatter& f, const quarn::unit&) { f.print_char('.'); };
  const quarn::t<quarn::unit> space = [](quarn::formatter& f, const quarn::unit&) { f.print_break(1, 0); };
  for (std::size_t n : {0, 1, 5, 255, 256, 257, 513, 700}) {
    const std::string data = bytes.substr(0, n);
    for (int margin : {6, 11, 40, 1000}) {
      for (int width : {0, 3, 300}) {
        EXPECT_EQ(render(quarn::for_string(quarn::ascii({.width = width})), data, margin),
                  render(quarn::for_string(quarn::ascii({.width = width, .nonprint = dot})), data, margin))
            << n << " " << margin << " " << width;
        EXPECT_EQ(render(quarn::for_string(quarn::octets({.width = width})), data, margin),
                  render(quarn::for_string(quarn::octets({.width = width, .sep = space})), data, margin))
            << n << " " << margin << " " << width;
      }
    }
  }
  EXPECT_EQ(render(quarn::for_string(quarn::ascii({.nonprint = quarn::const_(quarn::char_, '#')})), "a\tb"s), "a#b");
  EXPECT_EQ(render(quarn::for_string(quarn::octets({.sep = quarn::sps(2)})), "abcde"s), "6162  6364  65");
}

TEST(Adapters, BytesPrintAsTheSameString) {
  const std::string s = "Hi\x00\xfe there, bytes"s;
  std::vector<std::byte> bytes;
  for (char c : s) bytes.push_back(static_cast<std::byte>(c));
  std::vector<unsigned char> uchars(s.begin(), s.end());
  const std::string expected = render(quarn::for_string(quarn::hex()), s);
  EXPECT_EQ(render(quarn::for_bytes(quarn::hex()), bytes), expected);
  EXPECT_EQ(render(quarn::for_bytes(quarn::hex()), std::span<std::byte>(bytes)), expected);
  EXPECT_EQ(render(quarn::for_bytes(quarn::hex()), uchars), expected);
  EXPECT_EQ(render(quarn::for_bytes(quarn::hex()), std::vector<std::byte>{}), "0: " + sp(57));
}

TEST(Adapters, AccessorRejectsAnIndexOutOfRange) {
  const auto read_at = [](std::size_t i) { return [i](quarn::formatter&, const auto& v) { (void)v.get(i); }; };
  std::string out;
  quarn::formatter f(out);
  EXPECT_NO_THROW(quarn::for_string(read_at(2))(f, "abc"));
  EXPECT_THROW(quarn::for_string(read_at(3))(f, "abc"), quarn::invalid_argument);
  EXPECT_THROW(quarn::for_string(read_at(0))(f, ""), quarn::invalid_argument);
  EXPECT_THROW(quarn::for_string(read_at(static_cast<std::size_t>(-1)))(f, "abc"), quarn::invalid_argument);
  EXPECT_THROW(quarn::for_bytes(read_at(3))(f, std::vector<std::byte>(3)), quarn::invalid_argument);
}

// Bad widths fail when the printer is applied, before anything is printed.
TEST(Widths, ZeroAndNegativeWidthsFail) {
  const auto fails = [](const auto& p, auto expected) {
    std::string out;
    quarn::formatter f(out);
    EXPECT_THROW(p(f, "abc"), decltype(expected));
    f.print_flush();
    EXPECT_EQ(out, "");
  };
  const auto each = [](quarn::formatter&, const auto&) {};
  fails(quarn::for_string(quarn::hex({.width = 0})), quarn::division_by_zero());
  fails(quarn::for_string(quarn::addresses(each, {.width = 0})), quarn::division_by_zero());
  fails(quarn::for_string(quarn::hex({.width = -1})), quarn::invalid_argument(""));
  fails(quarn::for_string(quarn::addresses(each, {.width = -16})), quarn::invalid_argument(""));
  fails(quarn::for_string(quarn::ascii({.width = -1})), quarn::invalid_argument(""));
  fails(quarn::for_string(quarn::octets({.width = -1})), quarn::invalid_argument(""));
  EXPECT_THROW((void)quarn::address_digits(3, 0), quarn::division_by_zero);
  // Building the printers does not check.
  EXPECT_NO_THROW((void)quarn::hex({.width = 0}));
}

}  // namespace
