// SPDX-License-Identifier: MIT
// The --color option on real CLI11 command lines.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include <quarn/cli.hpp>
#include <quarn/tty.hpp>

#include "posix_env.hpp"

namespace {

using quarn::style_renderer;
using renderer = std::optional<style_renderer>;

// Same type as setup() takes, so the value passes straight through.
static_assert(std::is_same_v<decltype(std::declval<const quarn::cli::renderer_choice&>().value()),
                             decltype(quarn::tty::setup_options::style_renderer)>);

// Compares with std::nullopt kept apart from style_renderer::None.
std::string show(const renderer& r) {
  if (!r) return "absent";
  return *r == style_renderer::Ansi_tty ? "Ansi_tty" : "None";
}

TEST(CliColor, EachValueOnTheCommandLine) {
  struct row {
    const char* args;
    renderer expected;
  };
  const row rows[] = {
      {"", std::nullopt},
      {"--color=auto", std::nullopt},
      {"--color auto", std::nullopt},
      {"--color=always", style_renderer::Ansi_tty},
      {"--color always", style_renderer::Ansi_tty},
      {"--color=never", style_renderer::None},
      {"--color never", style_renderer::None},
  };
  for (const row& r : rows) {
    CLI::App app;
    auto color = quarn::cli::style_renderer(app);
    app.parse(r.args);
    EXPECT_EQ(show(color.value()), show(r.expected)) << '"' << r.args << '"';
  }
}

TEST(CliColor, OtherValuesAreRejectedByCli11) {
  for (const char* args : {"--color=bogus", "--color=ALWAYS", "--color=yes", "--color=auto,never"}) {
    CLI::App app;
    (void)quarn::cli::style_renderer(app);
    EXPECT_THROW(app.parse(args), CLI::ValidationError) << args;
  }
  // No value at all, or an empty one: there is no default for a bare --color.
  for (const char* args : {"--color", "--color="}) {
    CLI::App app;
    (void)quarn::cli::style_renderer(app);
    EXPECT_THROW(app.parse(args), CLI::ArgumentMismatch) << args;
  }
}

TEST(CliColor, EnvironmentVariable) {
  struct row {
    const char* env;  // value of QUARN_TEST_COLOR, null: unset
    const char* args;
    renderer expected;
  };
  const row rows[] = {
      {"never", "", style_renderer::None},
      {"always", "", style_renderer::Ansi_tty},
      {"auto", "", std::nullopt},
      {"never", "--color=always", style_renderer::Ansi_tty},  // the command line wins
      {nullptr, "", std::nullopt},
  };
  for (const row& r : rows) {
    if (r.env)
      ::setenv("QUARN_TEST_COLOR", r.env, 1);
    else
      ::unsetenv("QUARN_TEST_COLOR");
    CLI::App app;
    auto color = quarn::cli::style_renderer(app, {.env = "QUARN_TEST_COLOR"});
    app.parse(r.args);
    EXPECT_EQ(show(color.value()), show(r.expected)) << (r.env ? r.env : "(unset)") << " / " << r.args;
  }

  ::setenv("QUARN_TEST_COLOR", "bogus", 1);
  CLI::App checked;
  (void)quarn::cli::style_renderer(checked, {.env = "QUARN_TEST_COLOR"});
  EXPECT_THROW(checked.parse(""), CLI::ValidationError);

  ::setenv("QUARN_TEST_COLOR", "never", 1);
  CLI::App without_env;  // an option without an environment variable ignores it
  auto color = quarn::cli::style_renderer(without_env);
  without_env.parse("");
  EXPECT_EQ(show(color.value()), "absent");
  ::unsetenv("QUARN_TEST_COLOR");
}

TEST(CliColor, ValueFollowsTheLatestParse) {
  CLI::App app;
  auto color = quarn::cli::style_renderer(app);
  EXPECT_EQ(show(color.value()), "absent");  // before parsing
  app.parse("--color=never");
  EXPECT_EQ(show(color.value()), "None");
  app.parse("");
  EXPECT_EQ(show(color.value()), "absent");
  app.parse("--color=always");
  auto copy = color;
  EXPECT_EQ(show(copy.value()), "Ansi_tty");
}

TEST(CliColor, HelpNamesWhenAndListsTheValuesInOrder) {
  CLI::App app;
  auto color = quarn::cli::style_renderer(app);
  EXPECT_EQ(color.option()->get_description(), "Colorize the output. WHEN must be `auto', `always' or `never'.");
  EXPECT_EQ(color.option()->get_group(), "Options");
  const std::string help = app.help();
  EXPECT_NE(help.find("--color WHEN"), std::string::npos) << help;
  const auto a = help.find("`auto'"), b = help.find("`always'"), c = help.find("`never'");
  ASSERT_NE(a, std::string::npos) << help;
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(c, std::string::npos);
}

TEST(CliColor, HelpSectionIsPassedThrough) {
  CLI::App app;
  auto color = quarn::cli::style_renderer(app, {.docs = "Output"});
  EXPECT_EQ(color.option()->get_group(), "Output");
  EXPECT_NE(app.help().find("Output:"), std::string::npos) << app.help();
}

TEST(CliColor, ASecondColorOptionIsRefused) {
  CLI::App app;
  (void)quarn::cli::style_renderer(app);
  EXPECT_THROW((void)quarn::cli::style_renderer(app), CLI::OptionAlreadyAdded);
}

}  // namespace
