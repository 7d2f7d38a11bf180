// SPDX-License-Identifier: MIT
// Terminal setup in-process: the detection helpers, the formatter choice and
// ownership, and the renderer and UTF-8 flag read back after setup() on
// real terminals (pseudo-terminals; on Windows the console, which the test
// program must have), files and streams without a descriptor.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include "detect.hpp"

namespace {

using quarn::style_renderer;
using quarn::tty::setup;
using unset_t = std::nullopt_t;
constexpr unset_t unset = std::nullopt;

#ifdef _WIN32
// Windows cannot hold an empty variable: setting one to "" removes it.
void set_env(const char* name, const char* value) { ::_putenv_s(name, value != nullptr ? value : ""); }

// Makes the console window `columns` wide.
void set_console_width(HANDLE console, short columns) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(console, &info) == 0) throw std::runtime_error("not a console");
  if (columns > info.dwSize.X && SetConsoleScreenBufferSize(console, {columns, info.dwSize.Y}) == 0)
    throw std::runtime_error("SetConsoleScreenBufferSize failed");
  const SMALL_RECT window{0, info.srWindow.Top, static_cast<short>(columns - 1), info.srWindow.Bottom};
  if (SetConsoleWindowInfo(console, TRUE, &window) == 0) throw std::runtime_error("SetConsoleWindowInfo failed");
}
#else
void set_env(const char* name, const char* value) {
  if (value != nullptr)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
}
#endif

// Sets environment variables for one test and restores them afterwards.
class env_guard {
public:
  env_guard() = default;
  env_guard(const env_guard&) = delete;
  env_guard& operator=(const env_guard&) = delete;
  ~env_guard() {
    for (const auto& [name, old] : saved_) {
      set_env(name.c_str(), old ? old->c_str() : nullptr);
    }
  }
  void set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.contains(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    set_env(name.c_str(), value ? value->c_str() : nullptr);
  }

private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// The three kinds of channel: a terminal, a file, a stream with no descriptor.
enum class channel_kind { terminal, file, no_descriptor };

// A terminal reports `columns` as its width (0: no width, as a new
// pseudo-terminal does; a console always has one).
class test_channel {
public:
  // Whether the system has such a channel: Windows has no stream without a
  // descriptor (fmemopen) and no console without a width.
  static bool possible([[maybe_unused]] channel_kind k, [[maybe_unused]] unsigned short columns) {
#ifdef _WIN32
    return k == channel_kind::file || (k == channel_kind::terminal && columns > 0);
#else
    return true;
#endif
  }

  explicit test_channel(channel_kind k, unsigned short columns = 0) {
    switch (k) {
#ifdef _WIN32
      case channel_kind::terminal: {
        HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        if (console == INVALID_HANDLE_VALUE) throw std::runtime_error("no console: run the tests in a terminal");
        if (columns > 0) set_console_width(console, static_cast<short>(columns));
        f_ = ::_fdopen(::_open_osfhandle(reinterpret_cast<intptr_t>(console), _O_WRONLY), "w");
        break;
      }
      case channel_kind::file: f_ = std::tmpfile(); break;
      case channel_kind::no_descriptor: break;
#else
      case channel_kind::terminal: {
        int slave = -1;
        if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
        const ::winsize size{.ws_row = 24, .ws_col = columns, .ws_xpixel = 0, .ws_ypixel = 0};
        if (::ioctl(master_, TIOCSWINSZ, &size) != 0) throw std::runtime_error("TIOCSWINSZ failed");
        f_ = ::fdopen(slave, "w");
        break;
      }
      case channel_kind::file: f_ = std::tmpfile(); break;
      case channel_kind::no_descriptor: f_ = ::fmemopen(buf_, sizeof buf_, "w"); break;
#endif
    }
    if (f_ == nullptr) throw std::runtime_error("cannot open test channel");
  }
  test_channel(const test_channel&) = delete;
  test_channel& operator=(const test_channel&) = delete;
  ~test_channel() {
    std::fclose(f_);
#ifndef _WIN32
    if (master_ >= 0) ::close(master_);
#endif
  }
  [[nodiscard]] std::FILE* get() const { return f_; }

private:
  std::FILE* f_ = nullptr;
  int master_ = -1;
  char buf_[256] = {};
};

TEST(TtyDetect, IsInfix) {
  struct row {
    const char* affix;
    const char* text;
    bool expected;
  };
  const row rows[] = {
      {"UTF-8", "UTF-8", true},
      {"UTF-8", "UTF-", false},
      {"", "", true},
      {"", "abc", true},
      {"UTF-8", "UTUTF-8", true},
      {"aab", "aaab", true},
      {"UTF-8", "EN_US.UTF-8@EURO", true},
      {"UTF-8", "UTF_8", false},
      {"abc", "ab", false},
      {"c", "abc", true},
      {"x", "", false},
  };
  for (const row& r : rows) {
    EXPECT_EQ(quarn::tty::detail::is_infix(r.affix, r.text), r.expected)
        << '"' << r.affix << "\" in \"" << r.text << '"';
  }
}

TEST(TtyDetect, HasUtf8UpperCasesAsciiAndNeedsTheHyphen) {
  struct row {
    std::optional<std::string> value;
    bool expected;
  };
  const row rows[] = {
      {unset, false},
      {"", false},
      {"en_US.UTF-8", true},
      {"C.utf-8", true},
      {"de_DE.uTf-8@euro", true},
      {"en_US.utf8", false},
      {"UTF8", false},
      {"C", false},
      {"\xc3\xa9.utf-8", true},
  };
  for (const row& r : rows) {
    env_guard env;
    env.set("QUARN_TEST_LOCALE", r.value);
    EXPECT_EQ(quarn::tty::detail::has_utf_8("QUARN_TEST_LOCALE"), r.expected) << r.value.value_or("(unset)");
  }
}

TEST(TtySetup, RendererNeedsATerminalChannel) {
  struct row {
    std::optional<std::string> term;
    channel_kind channel;
    style_renderer::value expected;
  };
  // The TERM values on a terminal are run in full by test_tty_process.cpp.
  const row rows[] = {
      {"xterm", channel_kind::terminal, style_renderer::Ansi_tty},  {"xterm", channel_kind::file, style_renderer::None},
      {"xterm", channel_kind::no_descriptor, style_renderer::None}, {"Dumb", channel_kind::file, style_renderer::None},
      {"dumb", channel_kind::terminal, style_renderer::None},
  };
  for (const row& r : rows) {
    if (!test_channel::possible(r.channel, 1)) continue;
    env_guard env;
    env.set("TERM", r.term);
    env.set("NO_COLOR", unset);
    test_channel c(r.channel);
    auto f = setup(c.get());
    EXPECT_EQ(style_renderer(*f), r.expected)
        << "TERM=" << r.term.value_or("(unset)") << " channel kind " << static_cast<int>(r.channel);
  }
}

// NO_COLOR turns detected styles off on a terminal, unless the program opts
// out or fixes the renderer itself.
TEST(TtySetup, NoColor) {
  struct row {
    std::optional<std::string> no_color;
    bool follow;
    std::optional<style_renderer> given;
    style_renderer::value expected;
  };
  const row rows[] = {
      {"1", true, std::nullopt, style_renderer::None},
      {"0", true, std::nullopt, style_renderer::None},  // any non-empty value
      {"", true, std::nullopt, style_renderer::Ansi_tty},
      {"1", false, std::nullopt, style_renderer::Ansi_tty},
      {"1", true, style_renderer::Ansi_tty, style_renderer::Ansi_tty},
  };
  for (const row& r : rows) {
    env_guard env;
    env.set("TERM", "xterm");
    env.set("NO_COLOR", r.no_color);
    test_channel tty(channel_kind::terminal);
    auto f = setup(tty.get(), {.style_renderer = r.given, .follow_no_color = r.follow});
    EXPECT_EQ(style_renderer(*f), r.expected)
        << "NO_COLOR=" << r.no_color.value_or("(unset)") << " follow=" << r.follow;
    if (!r.given) {
      EXPECT_EQ(quarn::tty::detect_style_renderer(tty.get(), {.follow_no_color = r.follow}), r.expected);
    }
  }
}

// The terminal's own width first, then a well-formed COLUMNS.
TEST(TtyColumns, TerminalThenColumnsVariable) {
  struct row {
    channel_kind channel;
    unsigned short width;  // reported by the terminal
    std::optional<std::string> columns;
    std::optional<int> expected;
  };
  const row rows[] = {
      {channel_kind::terminal, 40, unset, 40},      {channel_kind::terminal, 40, "100", 40},
      {channel_kind::terminal, 0, "100", 100},      {channel_kind::terminal, 0, unset, unset},
      {channel_kind::file, 0, "100", 100},          {channel_kind::no_descriptor, 0, "90", 90},
      {channel_kind::file, 0, "2147483648", unset}, {channel_kind::file, 0, "0", unset},
      {channel_kind::file, 0, "-80", unset},        {channel_kind::file, 0, "", unset},
      {channel_kind::file, 0, "80x", unset},        {channel_kind::file, 0, "+80", unset},
  };
  for (const row& r : rows) {
    if (!test_channel::possible(r.channel, r.width)) continue;
    env_guard env;
    env.set("COLUMNS", r.columns);
    test_channel c(r.channel, r.width);
    EXPECT_EQ(quarn::tty::terminal_columns(c.get()), r.expected)
        << "channel kind " << static_cast<int>(r.channel) << " width " << r.width
        << " COLUMNS=" << r.columns.value_or("(unset)");
  }
  EXPECT_THROW((void)quarn::tty::terminal_columns(nullptr), std::invalid_argument);
}

// The margin follows the terminal only when asked, and stays in the engine's
// range with a maximum indentation below it.
TEST(TtySetup, MarginFromTerminal) {
  struct row {
    bool asked;
    channel_kind channel;
    unsigned short width;
    std::optional<std::string> columns;
    int margin, max_indent;
  };
  const row rows[] = {
      {false, channel_kind::terminal, 40, "40", 78, 68},   {true, channel_kind::terminal, 40, unset, 40, 30},
      {true, channel_kind::terminal, 200, unset, 200, 68}, {true, channel_kind::terminal, 1, unset, 4, 2},
      {true, channel_kind::terminal, 0, unset, 78, 68},    {true, channel_kind::file, 0, "99999999", 65535, 68},
  };
  for (const row& r : rows) {
    if (!test_channel::possible(r.channel, r.width)) continue;
    env_guard env;
    env.set("COLUMNS", r.columns);
    test_channel c(r.channel, r.width);
    auto f = setup(c.get(), {.margin_from_terminal = r.asked});
    SCOPED_TRACE(testing::Message() << "asked " << r.asked << " channel kind " << static_cast<int>(r.channel)
                                    << " width " << r.width << " COLUMNS=" << r.columns.value_or("(unset)"));
    EXPECT_EQ(f->margin(), r.margin);
    EXPECT_EQ(f->max_indent(), r.max_indent);
  }
}

TEST(TtySetup, GivenChoicesAreUsedAsTheyAre) {
  env_guard env;
  env.set("TERM", unset);
  env.set("LANG", "en_US.UTF-8");
  {
    test_channel file(channel_kind::file);
    auto f = setup(file.get(), {.style_renderer = style_renderer::Ansi_tty, .utf_8 = false});
    EXPECT_EQ(style_renderer(*f), style_renderer::Ansi_tty);
    EXPECT_FALSE(quarn::utf_8(*f));
  }
  env.set("TERM", "xterm");
  env.set("LANG", unset);
  env.set("LC_ALL", unset);
  env.set("LC_CTYPE", unset);
  {
    test_channel tty(channel_kind::terminal);
    auto f = setup(tty.get(), {.style_renderer = style_renderer::None, .utf_8 = true});
    EXPECT_EQ(style_renderer(*f), style_renderer::None);
    EXPECT_TRUE(quarn::utf_8(*f));
  }
}

TEST(TtySetup, ColumnMeasureFollowsTheUtf8Choice) {
  using quarn::text_measure;
  const struct {
    bool asked;
    const char* lang;
    std::optional<bool> utf_8;
    text_measure measure;
  } rows[] = {
      {false, "C.UTF-8", std::nullopt, text_measure::bytes}, {true, "C.UTF-8", std::nullopt, text_measure::columns},
      {true, "C", std::nullopt, text_measure::bytes},        {true, "C", true, text_measure::columns},
      {true, "C.UTF-8", false, text_measure::bytes},
  };
  for (const auto& r : rows) {
    env_guard env;
    for (const char* v : {"LC_ALL", "LC_CTYPE"}) env.set(v, unset);
    env.set("LANG", r.lang);
    test_channel c(channel_kind::file);
    auto f = setup(c.get(), {.utf_8 = r.utf_8, .columns_when_utf_8 = r.asked});
    EXPECT_EQ(f->measure(), r.measure) << r.asked << " " << r.lang;
  }
}

TEST(TtySetup, WritesBothAttributesEvenWhenTheyMatchTheDefaults) {
  env_guard env;
  for (const char* v : {"LANG", "LC_ALL", "LC_CTYPE"}) env.set(v, unset);
  test_channel c(channel_kind::file);
  quarn::formatter fresh(c.get());
  EXPECT_TRUE(quarn::utf_8(fresh));  // never set: true
  auto f = setup(c.get());
  EXPECT_FALSE(quarn::utf_8(*f));  // set from an empty locale: false
}

TEST(TtySetup, StandardChannelsAreBorrowedOthersOwned) {
  auto out1 = setup(stdout, {.style_renderer = style_renderer::None});
  auto out2 = setup(stdout, {.style_renderer = style_renderer::None});
  auto err = setup(stderr, {.style_renderer = style_renderer::None});
  EXPECT_EQ(&out1.get(), &quarn::stdout_formatter());
  EXPECT_EQ(&*out2, &quarn::stdout_formatter());
  EXPECT_EQ(err.operator->(), &quarn::stderr_formatter());
  EXPECT_FALSE(out1.owns());
  EXPECT_FALSE(err.owns());

  test_channel c(channel_kind::file);
  auto a = setup(c.get());
  auto b = setup(c.get());
  EXPECT_TRUE(a.owns());
  EXPECT_NE(&a.get(), &b.get());
  EXPECT_NE(&a.get(), &quarn::stdout_formatter());

  // Moving keeps the formatter where it is; the source is left empty.
  quarn::formatter* before = &a.get();
  auto moved = std::move(a);
  EXPECT_EQ(&moved.get(), before);
  EXPECT_TRUE(moved.owns());
  EXPECT_FALSE(a.owns());  // NOLINT(bugprone-use-after-move): documented state
}

TEST(TtySetup, OwnedFormatterWritesToTheChannel) {
  test_channel c(channel_kind::file);
  {
    auto f = setup(c.get(), {.style_renderer = style_renderer::Ansi_tty});
    quarn::fprint(f, "%a", quarn::styled(quarn::Red, quarn::string), std::string("hi"));
  }  // written when the formatter is destroyed, without a flush
  std::rewind(c.get());
  char buf[64] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, c.get());
  EXPECT_EQ(std::string(buf, n), "\x1b[0;31mhi\x1b[0m");
}

TEST(TtySetup, NullChannelIsRejected) {
  EXPECT_THROW((void)setup(nullptr), std::invalid_argument);
  EXPECT_THROW((void)quarn::tty::detect_style_renderer(nullptr), std::invalid_argument);
}

// Only named results convert implicitly, so no reference to the formatter of
// a temporary can be taken by accident.
static_assert(std::is_convertible_v<quarn::tty::channel_formatter&, quarn::formatter&>);
static_assert(!std::is_convertible_v<quarn::tty::channel_formatter&&, quarn::formatter&>);
static_assert(!std::is_copy_constructible_v<quarn::tty::channel_formatter>);

}  // namespace
