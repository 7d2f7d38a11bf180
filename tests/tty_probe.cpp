// SPDX-License-Identifier: MIT
// Sets up standard output and standard error the way an application does
// (a --color option, then setup_std_outputs) and reports, on each channel,
// what its formatter got:
//
//   out renderer=Ansi_tty utf_8=true word=ESC[0;31mwordESC[0m
//   err renderer=None utf_8=false word=word
//
// Driven by test_tty_process.cpp under pseudo-terminals and redirections.
#include <CLI/CLI.hpp>
#include <quarn/cli.hpp>
#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include <string>

namespace {

void report(quarn::formatter& f, const char* channel) {
  const bool ansi = quarn::style_renderer(f) == quarn::style_renderer::Ansi_tty;
  quarn::fprint(f, "%s renderer=%s utf_8=%b word=%a@.", channel, ansi ? "Ansi_tty" : "None", quarn::utf_8(f),
                quarn::styled(quarn::Red, quarn::string), std::string("word"));
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Reports how the standard outputs were set up."};
  auto color = quarn::cli::style_renderer(app, {.env = "PROBE_COLOR"});
  CLI11_PARSE(app, argc, argv);
  quarn::tty::setup_std_outputs({.style_renderer = color.value()});
  report(quarn::stdout_formatter(), "out");
  report(quarn::stderr_formatter(), "err");
  return 0;
}
