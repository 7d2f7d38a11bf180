// SPDX-License-Identifier: MIT
// Fuzzes the hex dump printers (hex, addresses, octets, ascii) on arbitrary
// bytes and line widths 1 to 64, with a margin just wide enough for a line
// (the engine keeps lines within margin - 1 columns).
//
// The first two bytes choose the printer, the width and the margin's slack;
// the rest are the data.  The output is parsed back, and checked:
//  - a dump has floor((n - 1) / w) + 1 lines (1 for no data); line j starts
//    with the address j * w in lower-case hexadecimal, every line with the
//    same number of digits, the fewest that hold the largest address (at
//    least 1), then ": ";
//  - the octets column, read back, gives every byte exactly once and in
//    order, two lower-case digits each, in groups of two separated by one
//    space, padded to the column width with blanks of the same shape;
//  - the ASCII column shows each byte from 0x20 to 0x7E as itself and every
//    other as ".", padded with spaces to the column width;
//  - hex reads each byte through the vec's accessor exactly twice, once for
//    each column, line after line, in increasing order within a column.
#include <quarn/engine.hpp>
#include <quarn/hexdump.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common.hpp"

namespace {

using quarn_fuzz::check;
using quarn_fuzz::render;

// The width in characters of an octets column of `w` positions: two digits
// each, and a separator before every group of two but the first.
std::size_t octets_columns(std::size_t w) { return 2 * w + (w == 0 ? 0 : (w - 1) / 2); }

// The digits of the largest address, at least one.
std::size_t address_digits(std::size_t largest) {
  std::size_t k = 1;
  while (largest >= 16) {
    largest /= 16;
    ++k;
  }
  return k;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // upper case is wrong too
}

// Reads an octets column of `n` bytes padded to `width` positions from the
// front of `s`, appending the bytes to `bytes`; returns what follows it.
std::string_view read_octets(std::string_view s, std::size_t n, std::size_t width, std::string& bytes) {
  const std::size_t positions = n > width ? n : width;
  for (std::size_t i = 0; i < positions; ++i) {
    if (i > 0 && i % 2 == 0) {
      check(!s.empty() && s[0] == ' ', "octets: no separator before a group");
      s.remove_prefix(1);
    }
    check(s.size() >= 2, "octets: column cut short");
    if (i < n) {
      int hi = hex_value(s[0]), lo = hex_value(s[1]);
      check(hi >= 0 && lo >= 0, "octets: not two lower-case hexadecimal digits");
      bytes += static_cast<char>(hi * 16 + lo);
    } else {
      check(s[0] == ' ' && s[1] == ' ', "octets: padding is not blank");
    }
    s.remove_prefix(2);
  }
  return s;
}

// Checks an ASCII column of the bytes `b` padded to `width` characters at
// the front of `s`; returns what follows it.
std::string_view read_ascii(std::string_view s, std::string_view b, std::size_t width) {
  check(s.size() >= b.size(), "ascii: column cut short");
  for (std::size_t i = 0; i < b.size(); ++i) {
    auto c = static_cast<unsigned char>(b[i]);
    char want = c >= 0x20 && c <= 0x7e ? static_cast<char>(c) : '.';
    check(s[i] == want, "ascii: a byte shown wrong");
  }
  s.remove_prefix(b.size());
  for (std::size_t i = b.size(); i < width; ++i) {
    check(!s.empty() && s[0] == ' ', "ascii: padding is not spaces");
    s.remove_prefix(1);
  }
  return s;
}

std::vector<std::string_view> split_lines(std::string_view out) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    std::size_t nl = out.find('\n', start);
    lines.push_back(out.substr(start, nl == std::string_view::npos ? nl : nl - start));
    if (nl == std::string_view::npos) return lines;
    start = nl + 1;
  }
}

enum class column { octets, ascii, both };

// Checks a dump of `data` at `w` per line whose lines are an address and
// then the given columns (padded to w when `padded`; always for both).
void check_dump(std::string_view out, std::string_view data, std::size_t w, column cols, bool padded) {
  const std::size_t n = data.size();
  const std::size_t want_lines = n == 0 ? 1 : (n - 1) / w + 1;
  const auto lines = split_lines(out);
  check(lines.size() == want_lines, "dump: wrong line count");
  const std::size_t digits = address_digits((want_lines - 1) * w);
  const std::size_t pad = padded ? w : 0;
  std::string bytes;
  for (std::size_t j = 0; j < lines.size(); ++j) {
    std::string_view line = lines[j];
    // The address, aligned.
    check(line.size() >= digits + 2, "dump: line shorter than its address");
    std::size_t address = 0;
    for (std::size_t i = 0; i < digits; ++i) {
      int v = hex_value(line[i]);
      check(v >= 0, "dump: address not in lower-case hexadecimal");
      address = address * 16 + static_cast<std::size_t>(v);
    }
    check(address == j * w, "dump: wrong address");
    check(line.substr(digits, 2) == ": ", "dump: address not followed by \": \"");
    line.remove_prefix(digits + 2);
    const std::string_view slice = data.substr(j * w, w);
    if (cols != column::ascii) {
      std::size_t before = bytes.size();
      line = read_octets(line, slice.size(), pad, bytes);
      check(bytes.size() - before == slice.size(), "dump: a line shows the wrong number of octets");
    }
    if (cols == column::both) {
      check(line.substr(0, 2) == "  ", "hex: no two spaces between the columns");
      line.remove_prefix(2);
    }
    if (cols != column::octets) line = read_ascii(line, slice, pad);
    check(line.empty(), "dump: extra text at the end of a line");
  }
  if (cols != column::ascii) check(bytes == data, "dump: the octets are not the data, once each and in order");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* raw, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t w = raw[1] % 64 + 1;
  const int slack = raw[1] / 64;  // 0 to 3 columns more than the line needs
  const std::string_view data(reinterpret_cast<const char*>(raw + 2), size - 2);
  const std::size_t n = data.size();
  const std::size_t digits = address_digits((n == 0 ? 0 : (n - 1) / w) * w);
  const int iw = static_cast<int>(w);
  // The widest line: address, ": ", both columns and the two spaces between.
  const int line = static_cast<int>(digits + 2 + octets_columns(w) + 2 + w);
  // The engine keeps a line within margin - 1 columns.
  const int margin = line + 1 + slack;

  switch (raw[0] % 7) {
    case 0:
      check_dump(render(quarn::for_string(quarn::hex({.width = iw})), data, margin), data, w, column::both, true);
      break;
    case 1: {
      std::vector<std::byte> buffer(n);
      for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<std::byte>(data[i]);
      check_dump(render(quarn::for_bytes(quarn::hex({.width = iw})), buffer, margin), data, w, column::both, true);
      break;
    }
    case 2: {
      // A vec that records its reads.
      std::vector<std::size_t> reads;
      const quarn::vec v{n, [&](std::size_t i) {
                           check(i < n, "vec read out of range");
                           reads.push_back(i);
                           return static_cast<unsigned char>(data[i]);
                         }};
      check_dump(render(quarn::hex({.width = iw}), v, margin), data, w, column::both, true);
      check(reads.size() == 2 * n, "hex: a byte not read exactly twice");
      std::size_t k = 0;
      for (std::size_t start = 0; start < n; start += w)
        for (int pass = 0; pass < 2; ++pass)
          for (std::size_t i = start; i < n && i < start + w; ++i)
            check(reads[k++] == i, "hex: bytes read out of order");
      break;
    }
    case 3:
    case 4: {
      const bool padded = raw[0] % 7 == 3;
      const auto p = quarn::addresses(quarn::octets({.width = padded ? iw : 0}), {.width = iw});
      check_dump(render(quarn::for_string(p), data, margin), data, w, column::octets, padded);
      break;
    }
    case 5: {
      const bool padded = raw[0] & 128;
      const auto p = quarn::addresses(quarn::ascii({.width = padded ? iw : 0}), {.width = iw});
      check_dump(render(quarn::for_string(p), data, margin), data, w, column::ascii, padded);
      break;
    }
    case 6: {
      // A column alone, on all the data, padded to w when there are fewer.
      std::string bytes;
      const int positions = static_cast<int>(n > w ? n : w);
      const int wide = static_cast<int>(octets_columns(static_cast<std::size_t>(positions)));
      std::string out = render(quarn::for_string(quarn::octets({.width = iw})), data, wide + 1 + slack);
      check(read_octets(out, n, w, bytes).empty(), "octets: extra text after the column");
      check(bytes == data, "octets: the octets are not the data");
      out = render(quarn::for_string(quarn::ascii({.width = iw})), data, positions + 1 + slack);
      check(read_ascii(out, data, w).empty(), "ascii: extra text after the column");
      break;
    }
  }
  return 0;
}
