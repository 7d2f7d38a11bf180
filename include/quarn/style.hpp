// SPDX-License-Identifier: MIT
// ANSI styling that never changes where lines break.
//
//   quarn::styled(quarn::style::Bold, quarn::string)
//   quarn::styled(quarn::Fg(quarn::Red), quarn::list(quarn::int_, {.sep = quarn::comma}))
//   quarn::styled(quarn::Bg(quarn::Hi(quarn::Blue)), p)
//   quarn::styled(quarn::Fg(quarn::Rgb(255, 136, 0)), p)     // also quarn::Indexed(208)
//
// On a formatter whose renderer is style_renderer::Ansi_tty a styled printer
// writes SGR escape sequences around its content; on any other it prints the
// content unchanged.  The sequences are written as zero-width text, so lines
// break where they would without styles.  Styles nest: an inner style adds
// its parameters to the enclosing ones ("0;1;31"), which are re-established
// when it ends.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "quarn/attributes.hpp"
#include "quarn/combinators.hpp"
#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn {

/// The eight basic colours, with their SGR colour numbers.
enum class basic_color : unsigned char { Black = 0, Red, Green, Yellow, Blue, Magenta, Cyan, White };

/// Black, as a basic_color.
inline constexpr basic_color Black = basic_color::Black;
/// Red, as a basic_color.
inline constexpr basic_color Red = basic_color::Red;
/// Green, as a basic_color.
inline constexpr basic_color Green = basic_color::Green;
/// Yellow, as a basic_color.
inline constexpr basic_color Yellow = basic_color::Yellow;
/// Blue, as a basic_color.
inline constexpr basic_color Blue = basic_color::Blue;
/// Magenta, as a basic_color.
inline constexpr basic_color Magenta = basic_color::Magenta;
/// Cyan, as a basic_color.
inline constexpr basic_color Cyan = basic_color::Cyan;
/// White, as a basic_color.
inline constexpr basic_color White = basic_color::White;

/// A colour: one of the eight basic colours, its bright variant made by
/// Hi(), an entry of the terminal's 256-colour palette made by Indexed(), or
/// a 24-bit colour made by Rgb().  Hi() takes a basic colour only, so a
/// bright colour of a bright colour does not compile.
///
///   quarn::styled(quarn::Fg(quarn::Indexed(208)), p)        // ESC [0;38;5;208m
///   quarn::styled(quarn::Bg(quarn::Rgb(30, 30, 46)), p)     // ESC [0;48;2;30;30;46m
///
/// The basic colours are the most widely supported; 256-colour and 24-bit
/// sequences need a terminal that understands them (most do today), and
/// others show them in some other colour or not at all.
class color {
public:
  /// How the colour is given.
  enum class kind : unsigned char { basic, indexed, rgb };

  /// The basic colour `c`, not bright.
  constexpr color(basic_color c) noexcept  // NOLINT(google-explicit-constructor): implicit by design
      : color(kind::basic, static_cast<std::uint8_t>(c), 0, 0) {}
  /// How the colour is given: basic, indexed or rgb.
  [[nodiscard]] constexpr kind which() const noexcept { return kind_; }
  /// The basic colour and whether it is bright, when which() is kind::basic.
  [[nodiscard]] constexpr basic_color base() const noexcept { return static_cast<basic_color>(a_); }
  /// Whether the basic colour is the bright variant, when which() is kind::basic.
  [[nodiscard]] constexpr bool bright() const noexcept { return b_ != 0; }
  /// The palette entry, when which() is kind::indexed.
  [[nodiscard]] constexpr std::uint8_t index() const noexcept { return a_; }
  /// The components, when which() is kind::rgb.
  [[nodiscard]] constexpr std::uint8_t red() const noexcept { return a_; }
  /// The green component, when which() is kind::rgb.
  [[nodiscard]] constexpr std::uint8_t green() const noexcept { return b_; }
  /// The blue component, when which() is kind::rgb.
  [[nodiscard]] constexpr std::uint8_t blue() const noexcept { return c_; }

  friend constexpr color Hi(basic_color c) noexcept;
  friend constexpr color Indexed(std::uint8_t n) noexcept;
  friend constexpr color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept;
  /// Whether two colours are the same.
  friend constexpr bool operator==(color, color) noexcept = default;

private:
  constexpr color(kind k, std::uint8_t a, std::uint8_t b, std::uint8_t c) noexcept : kind_(k), a_(a), b_(b), c_(c) {}
  kind kind_;
  std::uint8_t a_, b_, c_;  // base and bright, index, or red, green and blue
};

/// The bright variant of a basic colour.
[[nodiscard]] constexpr color Hi(basic_color c) noexcept {
  return color(color::kind::basic, static_cast<std::uint8_t>(c), 1, 0);
}

/// Entry `n` of the 256-colour palette: 0 to 7 are the basic colours and 8
/// to 15 their bright variants (written as palette entries, "38;5;1", not
/// with the codes of Red, "31"), 16 to 231 a 6x6x6 colour cube (16 + 36 r +
/// 6 g + b, each from 0 to 5), and 232 to 255 greys from dark to light.
[[nodiscard]] constexpr color Indexed(std::uint8_t n) noexcept { return color(color::kind::indexed, n, 0, 0); }

/// The 24-bit colour of red, green and blue components `r`, `g` and `b`.
[[nodiscard]] constexpr color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
  return color(color::kind::rgb, r, g, b);
}

/// A text style: one of the plain styles (style::None resets everything,
/// style::Bold, Faint, Italic, Underline, Reverse), a foreground Fg(c) or a
/// background Bg(c) colour; a bare colour means its foreground.  A
/// foreground or a background is always given its colour: `style::Fg`
/// alone is not a style.
class style {
public:
  /// The plain styles, each a style by itself.
  enum kind : unsigned char { None, Bold, Faint, Italic, Underline, Reverse };
  /// What a style sets: a plain style, or the colour of the foreground or of
  /// the background.
  enum class part : unsigned char { plain, foreground, background };

  // NOLINTBEGIN(google-explicit-constructor): implicit by design
  /// The plain style `k`.
  constexpr style(kind k) noexcept : part_(part::plain), kind_(k), color_(basic_color::Black) {}
  /// The foreground colour `c`.
  constexpr style(basic_color c) noexcept : style(part::foreground, c) {}
  /// The foreground colour `c`.
  constexpr style(color c) noexcept : style(part::foreground, c) {}
  // NOLINTEND(google-explicit-constructor)
  /// The foreground colour c.
  [[nodiscard]] static constexpr style Fg(color c) noexcept { return style(part::foreground, c); }
  /// The background colour c.
  [[nodiscard]] static constexpr style Bg(color c) noexcept { return style(part::background, c); }

  /// What the style sets: a plain style, the foreground or the background.
  [[nodiscard]] constexpr part sets() const noexcept { return part_; }
  /// The plain style, when sets() is part::plain.
  [[nodiscard]] constexpr kind which() const noexcept { return kind_; }
  /// The colour, when sets() is part::foreground or part::background.
  [[nodiscard]] constexpr color colour() const noexcept { return color_; }

private:
  constexpr style(part p, color c) noexcept : part_(p), kind_(None), color_(c) {}
  part part_;
  kind kind_;
  color color_;
};

/// The foreground colour c.
[[nodiscard]] constexpr style Fg(color c) noexcept { return style::Fg(c); }
/// The background colour c.
[[nodiscard]] constexpr style Bg(color c) noexcept { return style::Bg(c); }

namespace detail {
/// The SGR parameter text of a style: "1" for Bold, "31" for Fg(Red), "104"
/// for Bg(Hi(Blue)), "38;5;208" for Fg(Indexed(208)), "48;2;1;2;3" for
/// Bg(Rgb(1, 2, 3)) ...
std::string ansi_style_code(style s);
/// Writes ESC "[" params "m" as zero-width text.
void pp_sgr(formatter& f, std::string_view params);

// The enclosing parameters to restore, and the ones of style `s`; writes the
// new ones to the formatter and opens them in the output.
std::string enter_style(formatter& f, style s);
void leave_style(formatter& f, const std::string& previous) noexcept;

/// Runs `body` inside style `s` on `f` (renderer Ansi_tty assumed), restoring
/// the enclosing parameters afterwards, also when `body` throws (the closing
/// sequence is then not written).
template <class Body>
void with_style(formatter& f, style s, Body&& body) {
  std::string previous = enter_style(f, s);
  struct restore {
    formatter& f;
    const std::string& previous;
    ~restore() { leave_style(f, previous); }
  } guard{f, previous};
  std::forward<Body>(body)();
  pp_sgr(f, previous);
}
}  // namespace detail

/// `p` inside style `s`.  On a formatter that does not render styles it is
/// `p` itself.  If `p` throws, the enclosing style attribute is restored and
/// the exception passes on unchanged (the closing sequence is not written).
template <class P>
struct styled_printer : printer_tag {
  /// The style.
  style s;
  /// The printer of the styled text.
  P p;

  /// Prints the value with `p`, inside the style when `f` renders styles.
  template <class... V>
    requires detail::one_or_no_value<V...> && std::invocable<const P&, formatter&, const V&...>
  void operator()(formatter& f, const V&... v) const {
    if (get_style_renderer(f) != style_renderer::Ansi_tty)
      p(f, v...);
    else
      detail::with_style(f, s, [&] { p(f, v...); });
  }
};

/// `p` inside style `s`; on a formatter that does not render styles, `p` itself.
/// @code
/// std::string out;
/// quarn::formatter f(out);
/// quarn::set_style_renderer(f, quarn::style_renderer::Ansi_tty);
/// quarn::fprint(f, "%a", quarn::styled(quarn::style::Bold, quarn::string), "hi");
/// f.print_flush();   // out == "\x1b[0;1mhi\x1b[0m"
/// quarn::sprint("%a", quarn::styled(quarn::style::Bold, quarn::string), "hi")   // "hi"
/// @endcode
template <class P>
[[nodiscard]] styled_printer<P> styled(style s, P p) {
  return {{}, s, std::move(p)};
}

/// A format string without arguments, inside style `s`; ignores its value.
[[nodiscard]] inline styled_printer<any_printer> styled_unit(style s, format_string<> fmt) {
  return styled(s, any(fmt));
}

/// `if_utf8` on formatters that may emit UTF-8 (the default), `otherwise` on
/// the others; the attribute is read at each application.
template <class PUtf8, class POther>
struct if_utf_8_printer : printer_tag {
  /// Printed on formatters that may emit UTF-8.
  PUtf8 if_utf8;
  /// Printed on the others.
  POther otherwise;
  /// Prints the value with `if_utf8` or `otherwise`, as the formatter's attribute says.
  template <class... V>
    requires detail::one_or_no_value<V...> && std::invocable<const PUtf8&, formatter&, const V&...> &&
             std::invocable<const POther&, formatter&, const V&...>
  void operator()(formatter& f, const V&... v) const {
    if (utf_8(f))
      if_utf8(f, v...);
    else
      otherwise(f, v...);
  }
};
/// `if_utf8` on formatters that may emit UTF-8 (the default), `otherwise` on the others.
/// @code
/// quarn::sprint("%a", quarn::if_utf_8(quarn::any("→"), quarn::any("->")), 0)   // "→"
/// @endcode
template <class PUtf8, class POther>
[[nodiscard]] if_utf_8_printer<PUtf8, POther> if_utf_8(PUtf8 if_utf8, POther otherwise) {
  return {{}, std::move(if_utf8), std::move(otherwise)};
}

}  // namespace quarn
