// SPDX-License-Identifier: MIT
// SGR escape sequences and the parameters in force on a formatter.
#include "quarn/style.hpp"

namespace quarn::detail {

namespace {

// "38" or "48" (the extended foreground or background) for the palette and
// 24-bit colours, 30 + n, 90 + n, 40 + n or 100 + n for the basic ones.
std::string colour_code(color c, bool background) {
  const std::string extended = background ? "48" : "38";
  switch (c.which()) {
    case color::kind::indexed: return extended + ";5;" + std::to_string(c.index());
    case color::kind::rgb:
      return extended + ";2;" + std::to_string(c.red()) + ";" + std::to_string(c.green()) + ";" +
             std::to_string(c.blue());
    case color::kind::basic: break;
  }
  const int first = background ? (c.bright() ? 100 : 40) : (c.bright() ? 90 : 30);
  return std::to_string(first + static_cast<int>(c.base()));
}

}  // namespace

std::string ansi_style_code(style s) {
  switch (s.sets()) {
    case style::part::foreground: return colour_code(s.colour(), false);
    case style::part::background: return colour_code(s.colour(), true);
    case style::part::plain: break;
  }
  switch (s.which()) {
    case style::None: return "0";
    case style::Bold: return "1";
    case style::Faint: return "2";
    case style::Italic: return "3";
    case style::Underline: return "4";
    case style::Reverse: return "7";
  }
  return "0";
}

void pp_sgr(formatter& f, std::string_view params) {
  f.print_as(0, "\x1b[");
  f.print_as(0, params);
  f.print_as(0, "m");
}

std::string enter_style(formatter& f, style s) {
  std::optional<std::string> current = get(current_sgr, f);
  if (!current) {
    current = "0";
    set(current_sgr, *current, f);
  }
  std::string code = ansi_style_code(s);
  std::string next = s.sets() == style::part::plain && s.which() == style::None ? code : *current + ";" + code;
  set(current_sgr, next, f);
  pp_sgr(f, next);
  return std::move(*current);
}

void leave_style(formatter& f, const std::string& previous) noexcept {
  try {
    set(current_sgr, previous, f);
  } catch (...) {
    // Writing to an installed store does not fail; nothing to report here.
  }
}

}  // namespace quarn::detail
