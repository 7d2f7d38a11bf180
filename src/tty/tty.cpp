// Terminal and locale detection for output channels.
#include "quarn/tty.hpp"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>

#include "detect.hpp"
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

// TERM unset, empty or exactly "dumb" (case matters: "Dumb" is not dumb).
bool dumb_terminal() {
  const char* term = std::getenv("TERM");
  return term == nullptr || *term == '\0' || std::string_view(term) == "dumb";
}

// NO_COLOR set to anything but the empty text asks for no colours.
bool no_color_asked() {
  const char* v = std::getenv("NO_COLOR");
  return v != nullptr && *v != '\0';
}

// fileno() fails with -1 on streams without a descriptor, and isatty() then
// fails too; any failure means "not a terminal".
bool is_terminal(std::FILE* channel) {
  const int fd = ::fileno(channel);
  return fd >= 0 && ::isatty(fd) == 1;
}

// The first of LANG, LC_ALL, LC_CTYPE that names UTF-8 decides.
bool detect_utf_8() {
  return detail::has_utf_8("LANG") || detail::has_utf_8("LC_ALL") || detail::has_utf_8("LC_CTYPE");
}

}  // namespace

::quarn::style_renderer detect_style_renderer(std::FILE* channel, detect_options o) {
  if (channel == nullptr) throw std::invalid_argument("quarn::tty::detect_style_renderer: null channel");
  // Both tests are always made, in this order.
  const bool dumb = dumb_terminal();
  const bool tty = is_terminal(channel);
  const bool plain = o.follow_no_color && no_color_asked();
  return !dumb && tty && !plain ? ::quarn::style_renderer::Ansi_tty : ::quarn::style_renderer::None;
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
  return result;
}

void setup_std_outputs(setup_options o) {
  (void)setup(stdout, o);
  (void)setup(stderr, o);
}

}  // namespace quarn::tty
