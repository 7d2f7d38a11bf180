// SPDX-License-Identifier: MIT
// The console on Windows: styles need its virtual-terminal mode, which
// detection turns on, and no TERM is needed.  The program must have a
// console (under Wine: start it on a terminal).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <quarn/tty.hpp>

namespace {

TEST(TtyWindowsConsole, DetectionTurnsOnVirtualTerminalProcessing) {
  HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE) << "no console: run the tests in a terminal";
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(
      ::_fdopen(::_open_osfhandle(reinterpret_cast<intptr_t>(console), _O_WRONLY), "w"), &std::fclose);
  ASSERT_NE(f, nullptr);
  DWORD mode = 0;
  ASSERT_NE(GetConsoleMode(console, &mode), 0);
  ASSERT_NE(SetConsoleMode(console, mode & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING}), 0);

  // Consoles set no TERM; an unset TERM is not a dumb terminal here.
  ::_putenv_s("TERM", "");
  ::_putenv_s("NO_COLOR", "");
  EXPECT_EQ(quarn::tty::detect_style_renderer(f.get()), quarn::style_renderer::Ansi_tty);
  ASSERT_NE(GetConsoleMode(console, &mode), 0);
  EXPECT_NE(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING, 0U);

  ::_putenv_s("TERM", "dumb");
  EXPECT_EQ(quarn::tty::detect_style_renderer(f.get()), quarn::style_renderer::None);
  ::_putenv_s("TERM", "");
}

}  // namespace
