// SPDX-License-Identifier: MIT
// Quarn_cli: the --color option, for programs that parse their command line
// with CLI11.
//
//   #include <CLI/CLI.hpp>      // all of CLI11: this header includes only CLI/App.hpp
//   #include <quarn/cli.hpp>
//   #include <quarn/tty.hpp>
//
//   int main(int argc, char** argv) {
//     CLI::App app{"frobnicate things"};
//     auto color = quarn::cli::style_renderer(app, {.env = "FROB_COLOR"});
//     CLI11_PARSE(app, argc, argv);
//     quarn::tty::setup_std_outputs({.style_renderer = color.value()});
//   }
//
// The option takes one value, WHEN:
//
//   auto     absent: quarn::tty detects the renderer (also when --color is not given)
//   always   style_renderer::Ansi_tty
//   never    style_renderer::None
//
// Any other value is rejected by CLI11 (CLI::ValidationError) before the
// program runs.  Its help reads
//   "Colorize the output. WHEN must be `auto', `always' or `never'."
#pragma once

#include <CLI/App.hpp>

#include <memory>
#include <optional>
#include <string>

#include "quarn/attributes.hpp"

namespace quarn::cli {

/// Optional settings of the --color option.
struct options {
  /// An environment variable that supplies the value when the option is not
  /// on the command line (CLI::Option::envname).  Absent: none.
  std::optional<std::string> env = std::nullopt;
  /// The help section the option is listed in (CLI::Option::group).
  /// Absent: CLI11's default ("Options").
  std::optional<std::string> docs = std::nullopt;
};

/// The user's choice of renderer, read after the command line is parsed.
///
/// A cheap copyable handle on state shared with the option's callback; it
/// stays valid when the CLI::App is gone.  Every parse of the app updates it,
/// so it always reflects the latest command line.
class renderer_choice {
public:
  /// The renderer chosen; absent for "auto", for no option, and before
  /// the app has been parsed.  Exactly what
  /// quarn::tty::setup_options::style_renderer takes.
  [[nodiscard]] std::optional<::quarn::style_renderer> value() const noexcept { return *v_; }
  /// The option in its app, to adjust it further (for example with
  /// ->description() or ->excludes()); valid as long as the app is.
  [[nodiscard]] CLI::Option* option() const noexcept { return opt_; }

private:
  friend renderer_choice style_renderer(CLI::App& app, options o);
  renderer_choice(std::shared_ptr<std::optional<::quarn::style_renderer>> v, CLI::Option* opt) noexcept
      : v_(std::move(v)), opt_(opt) {}

  std::shared_ptr<std::optional<::quarn::style_renderer>> v_;
  CLI::Option* opt_;
};

/// Adds the option "--color WHEN" to `app` and returns the handle on its
/// value.  Each call adds a new option; CLI11 throws CLI::OptionAlreadyAdded
/// if `app` has one named --color already.
renderer_choice style_renderer(CLI::App& app, options o = {});

}  // namespace quarn::cli
