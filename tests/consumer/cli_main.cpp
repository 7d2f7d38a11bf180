// SPDX-License-Identifier: MIT
// Uses the installed quarn_cli and quarn_tty the way a program does.
#include <CLI/CLI.hpp>
#include <quarn/cli.hpp>
#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include <cstdio>

int main(int argc, char** argv) {
  CLI::App app{"cli consumer"};
  auto color = quarn::cli::style_renderer(app);
  CLI11_PARSE(app, argc, argv);
  quarn::tty::setup_std_outputs({.style_renderer = color.value()});
  if (quarn::style_renderer(quarn::stdout_formatter()) != quarn::style_renderer::Ansi_tty) {
    std::fputs("cli consumer: --color=always did not reach stdout_formatter()\n", stderr);
    return 1;
  }
  std::puts("cli consumer: ok");
  return 0;
}
