// SPDX-License-Identifier: MIT
// Terminal and locale detection for output channels.
#include "quarn/tty.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

#include "detect.hpp"
#include "terminal.hpp"
#include "quarn/format.hpp"

namespace quarn::tty {

namespace detail {

bool is_infix(std::string_view affix, std::string_view s) noexcept {
  if (affix.size() > s.size()) return false;
  for (std::size_t i = 0; i + affix.size() <= s.size(); ++i) {
    std::size_t k = 0;
    while (k < affix.size() && s[i + k] == affix[k]) ++k;
    if (k == affix.size()) return true;
  }
  return false;
}

bool has_utf_8(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr) return false;
  std::string up(v);
  for (char& c : up) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return is_infix("UTF-8", up);
}

}  // namespace detail

namespace {

// NO_COLOR set to anything but the empty text asks for no colours.
bool no_color_asked() {
  const char* v = std::getenv("NO_COLOR");
  return v != nullptr && *v != '\0';
}

// COLUMNS when it is a whole positive decimal number that fits an int.
std::optional<int> columns_variable() {
  const char* v = std::getenv("COLUMNS");
  if (v == nullptr) return std::nullopt;
  const std::string_view s(v);
  int n = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (error != std::errc() || end != s.data() + s.size() || n < 1) return std::nullopt;
  return n;
}

// The margins that margin_from_terminal sets: from the narrowest that keeps
// the maximum indentation below the margin (set_margin() lowers it to at
// least margin / 2, and 1 is not a maximum indentation) to the widest width
// a terminal can report.
constexpr int narrowest_margin = 4;
constexpr int widest_margin = 65535;

// The first of LANG, LC_ALL, LC_CTYPE that names UTF-8 decides.
bool detect_utf_8() {
  return detail::has_utf_8("LANG") || detail::has_utf_8("LC_ALL") || detail::has_utf_8("LC_CTYPE");
}

}  // namespace

::quarn::style_renderer detect_style_renderer(std::FILE* channel, detect_options o) {
  if (channel == nullptr) throw std::invalid_argument("quarn::tty::detect_style_renderer: null channel");
  // Both tests are always made, in this order.
  const bool dumb = detail::dumb_terminal();
  const bool tty = detail::styling_terminal(channel);
  const bool plain = o.follow_no_color && no_color_asked();
  return !dumb && tty && !plain ? ::quarn::style_renderer::Ansi_tty : ::quarn::style_renderer::None;
}

std::optional<int> terminal_columns(std::FILE* channel) {
  if (channel == nullptr) throw std::invalid_argument("quarn::tty::terminal_columns: null channel");
  if (const std::optional<int> width = detail::terminal_width(channel)) return width;
  return columns_variable();
}

channel_formatter::channel_formatter(formatter& borrowed) noexcept : f_(&borrowed) {}

channel_formatter::channel_formatter(std::unique_ptr<formatter> owned) noexcept
    : owned_(std::move(owned)), f_(owned_.get()) {}

channel_formatter::channel_formatter(channel_formatter&& other) noexcept
    : owned_(std::move(other.owned_)), f_(std::exchange(other.f_, nullptr)) {}

channel_formatter& channel_formatter::operator=(channel_formatter&& other) noexcept {
  if (this != &other) {
    owned_ = std::move(other.owned_);
    f_ = std::exchange(other.f_, nullptr);
  }
  return *this;
}

channel_formatter::~channel_formatter() = default;

channel_formatter setup(std::FILE* channel, setup_options o) {
  if (channel == nullptr) throw std::invalid_argument("quarn::tty::setup: null channel");
  channel_formatter result = channel == stdout   ? channel_formatter(stdout_formatter())
                             : channel == stderr ? channel_formatter(stderr_formatter())
                                                 : channel_formatter(std::make_unique<formatter>(channel));
  const ::quarn::style_renderer r =
      o.style_renderer ? *o.style_renderer : detect_style_renderer(channel, {.follow_no_color = o.follow_no_color});
  const bool u = o.utf_8 ? *o.utf_8 : detect_utf_8();
  set_style_renderer(*result, r);
  set_utf_8(*result, u);
  if (o.columns_when_utf_8) result->set_measure(u ? text_measure::columns : text_measure::bytes);
  if (o.margin_from_terminal) {
    if (const std::optional<int> columns = terminal_columns(channel)) {
      result->set_margin(std::clamp(*columns, narrowest_margin, widest_margin));
    }
  }
  return result;
}

void setup_std_outputs(setup_options o) {
  (void)setup(stdout, o);
  (void)setup(stderr, o);
}

}  // namespace quarn::tty
