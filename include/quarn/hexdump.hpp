// SPDX-License-Identifier: MIT
// Binary data: an ASCII column, a column of hexadecimal octets, addressed
// lines, and the classic hex dump that puts the three together.
//
//   quarn::fprint(f, "%a@.", quarn::for_string(quarn::hex()), "Hello, world!\n");
//
//   0: 4865 6c6c 6f2c 2077 6f72 6c64 210a       Hello, world!.
//
// The printers work on a vec, a sized random-access sequence read through an
// accessor, so that strings, byte buffers and any indexable source can be
// dumped without copying them.  for_string() and for_bytes() present a string
// or a byte buffer as a vec.  Columns are padded with break hints and lines
// are separated by break hints in a vertical box, so the dump is laid out by
// the engine like any other output: give the formatter a margin wide enough
// for the line if lines must not wrap.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <functional>
#include <ranges>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/combinators.hpp"
#include "quarn/engine.hpp"
#include "quarn/printer.hpp"
#include "quarn/scalars.hpp"

namespace quarn {

/// A sized sequence with random access: `length` elements, element i being
/// `get(i)` for i from 0 to length - 1.  The printers below read elements
/// only through `get`, in increasing order of index, and never outside
/// that range.
///
///   std::vector<int> xs = ...;
///   quarn::vec v{xs.size(), [&](std::size_t i) { return xs[i]; }};
template <class Get>
struct vec {
  /// The number of elements.
  std::size_t length;
  /// Returns element i, for i from 0 to `length` - 1.
  Get get;
};
/// Deduces the element function's type: `vec{n, f}`.
template <class Get>
vec(std::size_t, Get) -> vec<Get>;

namespace detail {

template <class T>
struct is_vec : std::false_type {};
template <class Get>
struct is_vec<vec<Get>> : std::true_type {};

template <class V>
using vec_element = std::remove_cvref_t<std::invoke_result_t<const decltype(V::get)&, std::size_t>>;

// The element types that are bytes.
template <class E>
concept octet = std::same_as<E, char> || std::same_as<E, unsigned char> || std::same_as<E, signed char> ||
                std::same_as<E, std::byte>;

template <class V>
concept byte_vec = is_vec<V>::value && octet<vec_element<V>>;

template <octet E>
constexpr unsigned char to_octet(E e) noexcept {
  return static_cast<unsigned char>(e);
}

// Calls fn(i, element i) for i from 0 up, reading each element first.
template <class Get, class Fn>
void iter_vec(Fn&& fn, const vec<Get>& v) {
  for (std::size_t i = 0; i < v.length; ++i) {
    decltype(auto) e = v.get(i);
    fn(i, e);
  }
}

// The accessor of a slice: element i of the slice is element base + i of
// the whole vec.  A view: it refers to the whole vec's accessor.
template <class Get>
struct offset_get {
  const Get* whole;
  std::size_t base;
  decltype(auto) operator()(std::size_t i) const { return (*whole)(base + i); }
};

template <class Get>
struct slice_get {
  const vec<Get>* whole;
  std::size_t width;
  vec<offset_get<Get>> operator()(std::size_t j) const {
    std::size_t start = j * width;
    return {std::min(width, whole->length - start), {&whole->get, start}};
  }
};

// The slices of `v` of `width` elements each (width > 0), the last one
// possibly shorter; an empty vec has exactly one, empty, slice.  No element
// is copied; the slices refer to `v`, which must outlive them.
template <class Get>
vec<slice_get<Get>> sub_vecs(std::size_t width, const vec<Get>& v) {
  return {v.length == 0 ? 1 : (v.length - 1) / width + 1, {&v, width}};
}

// A byte string presented as a vec; an index out of range is rejected.
struct checked_bytes {
  const char* data;
  std::size_t size;
  char operator()(std::size_t i) const {
    if (i >= size) bad_vec_index(i, size);
    return data[i];
  }
  [[noreturn]] static void bad_vec_index(std::size_t i, std::size_t size);
};

// Throws quarn::invalid_argument when a column width is negative.
void check_column_width(int width, const char* who);
// Throws quarn::division_by_zero for a width of 0 and quarn::invalid_argument
// for a negative one.
void check_line_width(int width, const char* who);

// The two lower-case hexadecimal digits of every byte, "000102...feff".
struct hex_pairs {
  char chars[512];
  constexpr hex_pairs() : chars() {
    constexpr char digits[] = "0123456789abcdef";
    for (int c = 0; c < 256; ++c) {
      chars[2 * c] = digits[c >> 4];
      chars[2 * c + 1] = digits[c & 15];
    }
  }
};
inline constexpr hex_pairs hex_pair_table{};

// Writes the two lower-case hexadecimal digits of c at out.
inline void hex_digits(char* out, unsigned char c) {
  out[0] = hex_pair_table.chars[2 * c];
  out[1] = hex_pair_table.chars[2 * c + 1];
}

// The columns are laid out in blocks of this many bytes: each block is read
// into a buffer on the stack and handed to the engine in one call.
inline constexpr std::size_t column_block = 256;

// True for the bytes that the ASCII column shows as themselves, 0x20 to 0x7E.
constexpr bool printable_ascii(unsigned char c) noexcept { return static_cast<unsigned char>(c - 0x20) < 0x5F; }

// The number of hexadecimal digits of the addresses of a dump whose largest
// address is `largest`: the fewest that hold it, at least 1.
int padded0x(std::size_t largest) noexcept;

// The default address printer: the address in `digits` zero-padded
// lower-case hexadecimal digits, then ": ".
struct padded_address {
  int digits;
  void operator()(formatter& f, long long address) const;
};

}  // namespace detail

/// Options of ascii().
struct ascii_options {
  /// The column is padded with spaces to this many characters (0: none).
  int width = 0;
  /// Printed in place of a byte outside 0x20 to 0x7E.
  t<unit> nonprint = const_(char_, '.');
};

/// The bytes of a vec as text, printable ASCII as itself and every other
/// byte through `nonprint` («. ~..» for 0x1F 0x20 0x7E 0x7F 0xFF), with a
/// break hint of no space between bytes and one of `width` - n spaces after
/// n < `width` bytes.  Opens no box.  A negative width throws
/// quarn::invalid_argument when the printer is applied.
struct ascii_printer : printer_tag {
  /// The column's width in characters (0: no padding).
  int width;
  /// Printed in place of a byte outside 0x20 to 0x7E.
  t<unit> nonprint;
  /// Prints the bytes of `v` as text.
  template <class Get>
    requires detail::byte_vec<vec<Get>>
  void operator()(formatter& f, const vec<Get>& v) const {
    detail::check_column_width(width, "ascii");
    const std::size_t n = v.length;
    if (const auto* k = nonprint.target<const_printer<char_printer, char>>()) {
      // A character for every byte (the default "." is one): the column is
      // the same characters and the same cuts, handed to the engine a block
      // at a time instead of one call for each.
      char chars[detail::column_block];
      for (std::size_t i = 0; i < n;) {
        const std::size_t m = std::min(n - i, sizeof chars);
        const auto dot = static_cast<unsigned char>(k->c);
        for (std::size_t j = 0; j < m; ++j) {
          // Without a branch, which random bytes would mispredict half the time.
          const unsigned char c = detail::to_octet(v.get(i + j));
          const auto keep = static_cast<unsigned char>(-static_cast<int>(detail::printable_ascii(c)));
          chars[j] = static_cast<char>((c & keep) | (dot & ~keep));
        }
        if (i > 0) f.print_cut();
        f.print_pieces(std::string_view(chars, m), 1, 0);
        i += m;
      }
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = detail::to_octet(v.get(i));
        if (i > 0) f.print_cut();
        if (detail::printable_ascii(c))
          f.print_char(static_cast<char>(c));
        else
          nonprint(f, unit{});
      }
    }
    if (n < static_cast<std::size_t>(width)) f.print_break(width - static_cast<int>(n), 0);
  }
};
/// The bytes of a vec as text: printable ASCII as itself, every other byte as `nonprint` ("." by default).
/// @code
/// quarn::sprint("%a", quarn::for_string(quarn::ascii()), "Hi\n")   // "Hi."
/// @endcode
[[nodiscard]] inline ascii_printer ascii(ascii_options o = {}) { return {{}, o.width, std::move(o.nonprint)}; }

/// Options of octets().
struct octets_options {
  /// The column is padded to this many octets (0: none).
  int width = 0;
  /// Printed between groups of two octets.
  t<unit> sep = sp;
};

/// The bytes of a vec as two lower-case hexadecimal digits each, in groups
/// of two separated by `sep` («4865 6c6c 6f»).  Each missing position up to
/// `width` is padded with a break hint of two spaces (and `sep` where a group
/// starts), so a short last line keeps the column's width.  Opens no box.
/// A negative width throws quarn::invalid_argument when the printer is
/// applied.
struct octets_printer : printer_tag {
  /// The column's width in octets (0: no padding).
  int width;
  /// Printed between groups of two octets.
  t<unit> sep;
  /// Prints the bytes of `v` in hexadecimal, in groups of two.
  template <class Get>
    requires detail::byte_vec<vec<Get>>
  void operator()(formatter& f, const vec<Get>& v) const {
    detail::check_column_width(width, "octets");
    // The two octets of a group are printed as one text: nothing can break
    // between them, and the engine then has half as many texts to lay out.
    const std::size_t n = v.length;
    const auto* hint = sep.target<detail::constant_printer<detail::break_body>>();
    if (hint != nullptr) {
      // The separator is a plain break hint (the default sp is one): the
      // column is the same groups and the same hints, handed to the engine
      // a block of groups at a time instead of one call for each.
      static_assert(detail::column_block % 2 == 0, "a block holds whole groups");
      char digits[2 * detail::column_block];
      for (std::size_t i = 0; i < n;) {
        const std::size_t m = std::min(n - i, detail::column_block);
        for (std::size_t j = 0; j < m; ++j) detail::hex_digits(digits + 2 * j, detail::to_octet(v.get(i + j)));
        if (i > 0) f.print_break(hint->fn.spaces, 0);
        f.print_pieces(std::string_view(digits, 2 * m), 4, hint->fn.spaces);
        i += m;
      }
    } else {
      char group[4];
      for (std::size_t i = 0; i < n; i += 2) {
        const unsigned char first = detail::to_octet(v.get(i));
        if (i > 0) sep(f, unit{});
        detail::hex_digits(group, first);
        if (i + 1 == n) {
          f.print_string(std::string_view(group, 2));
          break;
        }
        detail::hex_digits(group + 2, detail::to_octet(v.get(i + 1)));
        f.print_string(std::string_view(group, 4));
      }
    }
    for (std::size_t i = n; i < static_cast<std::size_t>(width); ++i) {
      if (i > 0 && i % 2 == 0) {
        if (hint != nullptr)
          f.print_break(hint->fn.spaces, 0);
        else
          sep(f, unit{});
      }
      f.print_break(2, 0);
    }
  }
};
/// The bytes of a vec as two lower-case hexadecimal digits each, in groups of two.
/// @code
/// quarn::sprint("%a", quarn::for_string(quarn::octets()), "Hello")   // "4865 6c6c 6f"
/// @endcode
[[nodiscard]] inline octets_printer octets(octets_options o = {}) { return {{}, o.width, std::move(o.sep)}; }

/// Options of addresses().
struct addresses_options {
  /// Prints the address of each line (any printer of long long).  When
  /// empty, the default: the address in zero-padded lower-case hexadecimal,
  /// with as many digits as the largest address of the dump needs (at least
  /// 1), then ": ".
  std::function<void(formatter&, const long long&)> address = nullptr;
  /// Elements per line.
  int width = 16;
};

/// Cuts a vec (of any element type) into lines of `width` elements, in a
/// vertical box: each line is its address, then `pp` on the line's slice in
/// a box.  The slices are views of the vec.  An empty vec gives one line
/// with an empty slice.
///
/// A width of 0 throws quarn::division_by_zero, and a negative width
/// quarn::invalid_argument, when the printer is applied, before anything is
/// printed.
template <class P>
struct addresses_printer : printer_tag {
  /// The printer of a line's slice.
  P pp;
  /// The printer of a line's address; when empty, the default (zero-padded hexadecimal, then ": ").
  std::function<void(formatter&, const long long&)> address;
  /// Elements per line.
  int width;
  /// Prints `v` in lines of `width` elements, each its address and its slice.
  template <class Get>
    requires printer_of<P, vec<detail::offset_get<Get>>>
  void operator()(formatter& f, const vec<Get>& v) const {
    detail::check_line_width(width, "addresses");
    const auto w = static_cast<std::size_t>(width);
    const auto lines = detail::sub_vecs(w, v);
    const detail::padded_address fallback{detail::padded0x((lines.length - 1) * w)};
    f.open_box(box_kind::v, 0);
    detail::iter_vec(
        [&](std::size_t j, const auto& slice) {
          if (j > 0) f.print_cut();
          const auto a = static_cast<long long>(j * w);
          if (address)
            address(f, a);
          else
            fallback(f, a);
          f.open_box(box_kind::b, 0);
          pp(f, slice);
          f.close_box();
        },
        lines);
    f.close_box();
  }
};
/// Cuts a vec into lines of `width` elements, each its address then `pp` on the line's slice.
/// @code
/// quarn::sprint("%a", quarn::for_string(quarn::addresses(quarn::octets(), {.width = 4})), "abcdef")   // "0: 6162 6364\n4: 6566"
/// @endcode
template <class P>
[[nodiscard]] addresses_printer<P> addresses(P pp, addresses_options o = {}) {
  return {{}, std::move(pp), std::move(o.address), o.width};
}

/// The number of hexadecimal digits of the addresses that addresses()
/// prints by default for a vec of `length` elements in lines of `width`: the
/// fewest that hold the address of the last line, at least 1.  With
/// hex_address(), it makes an address printer of your own (one that styles
/// the address, say) that keeps the default's column:
///
///   const int digits = quarn::address_digits(data.size(), 16);
///   const auto address = quarn::styled(quarn::Fg(quarn::Cyan), quarn::hex_address(digits)) +
///                        quarn::const_(quarn::string, ": ");
///   quarn::print("%a@.", quarn::for_string(quarn::addresses(quarn::octets(), {.address = address})), data);
///
/// As addresses(), a width of 0 throws quarn::division_by_zero and a
/// negative one quarn::invalid_argument.
[[nodiscard]] int address_digits(std::size_t length, int width);

/// An address as addresses() prints it by default, without the ": " after
/// it: lower-case hexadecimal, padded with zeros to `digits` digits.
struct hex_address_printer : printer_tag {
  /// The number of digits, at least.
  int digits;
  /// Prints `address` in lower-case hexadecimal, zero-padded to `digits` digits.
  void operator()(formatter& f, const long long& address) const;
};
/// An address as addresses() prints it by default, without the ": " after it.
/// @code
/// quarn::sprint("%a", quarn::hex_address(4), 255LL)   // "00ff"
/// @endcode
[[nodiscard]] inline hex_address_printer hex_address(int digits) { return {{}, digits}; }

/// Options of hex().
struct hex_options {
  int width = 16;  ///< Bytes per line.
};

/// The classic hex dump of a byte vec: one line per `width` bytes, each the
/// address, ": ", the octets() column padded to `width` octets, two spaces
/// and the ascii() column padded to `width` characters:
///
///   00: 3031 3233 3435 3637 3839 6162 6364 6566  0123456789abcdef
///   10: 6768 696a                                ghij
///
/// As addresses(), a width of 0 throws quarn::division_by_zero and a
/// negative one quarn::invalid_argument when the printer is applied.
/// @code
/// quarn::sprint("%a", quarn::for_string(quarn::hex({.width = 8})), "0123456789")   // "0: 3031 3233 3435 3637  01234567\n8: 3839                 89      "
/// @endcode
[[nodiscard]] inline auto hex(hex_options o = {}) {
  return addresses(box(octets({.width = o.width})) + sps(2) + box(ascii({.width = o.width})), {.width = o.width});
}

/// Prints a string (anything convertible to std::string_view) with a printer
/// of byte vecs.
template <class P>
struct for_string_printer : printer_tag {
  /// The printer of byte vecs.
  P pp;
  /// Prints the bytes of `s` with `pp`.
  template <class S>
    requires std::convertible_to<const S&, std::string_view> &&
             (!std::same_as<S, std::nullptr_t>) && printer_of<P, vec<detail::checked_bytes>>
  void operator()(formatter& f, const S& s) const {
    const std::string_view sv(s);
    pp(f, vec<detail::checked_bytes>{sv.size(), {sv.data(), sv.size()}});
  }
};
/// Prints a string with a printer of byte vecs.
/// @code
/// quarn::sprint("%a", quarn::for_string(quarn::hex({.width = 4})), "abcdef")   // "0: 6162 6364  abcd\n4: 6566       ef  "
/// @endcode
template <class P>
[[nodiscard]] for_string_printer<P> for_string(P pp) {
  return {{}, std::move(pp)};
}

/// Prints a byte buffer (a contiguous range of std::byte, char, unsigned or
/// signed char: std::vector<std::byte>, std::span<std::byte>, ...) with a
/// printer of byte vecs, exactly as for_string() prints the same bytes.
template <class P>
struct for_bytes_printer : printer_tag {
  /// The printer of byte vecs.
  P pp;
  /// Prints the bytes of `r` with `pp`.
  template <std::ranges::contiguous_range R>
    requires std::ranges::sized_range<const R> && detail::octet<std::ranges::range_value_t<R>> &&
             printer_of<P, vec<detail::checked_bytes>>
  void operator()(formatter& f, const R& r) const {
    const auto n = static_cast<std::size_t>(std::ranges::size(r));
    const char* data = reinterpret_cast<const char*>(std::ranges::data(r));
    pp(f, vec<detail::checked_bytes>{n, {data, n}});
  }
};
/// Prints a byte buffer with a printer of byte vecs.
/// @code
/// quarn::sprint("%a", quarn::for_bytes(quarn::octets()), std::vector<unsigned char>{0xde, 0xad})   // "dead"
/// @endcode
template <class P>
[[nodiscard]] for_bytes_printer<P> for_bytes(P pp) {
  return {{}, std::move(pp)};
}

}  // namespace quarn
