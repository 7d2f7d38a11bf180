// SPDX-License-Identifier: MIT
// The --color option.
#include "quarn/cli.hpp"

#include <CLI/CLI.hpp>

#include <array>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "quarn/format.hpp"

namespace quarn::cli {

namespace {

struct alternative {
  std::string_view text;
  std::optional<::quarn::style_renderer> renderer;
};

// The accepted values, in the order the help lists them.
constexpr std::array<alternative, 3> alternatives{{
    {"auto", std::nullopt},
    {"always", ::quarn::style_renderer::Ansi_tty},
    {"never", ::quarn::style_renderer::None},
}};

constexpr std::string_view value_name = "WHEN";

// "`a'", "`a' or `b'", "`a', `b' or `c'" ...
std::string doc_alts(std::span<const alternative> alts) {
  std::string s;
  for (std::size_t i = 0; i < alts.size(); ++i) {
    if (i > 0) s += i + 1 == alts.size() ? " or " : ", ";
    s += '`';
    s += alts[i].text;
    s += '\'';
  }
  return s;
}

// The help text, with "$(docv)" standing for the value name as in man-page
// style option docs.
std::string documentation() {
  std::string doc = quarn::sprint("Colorize the output. $(docv) must be %s.", doc_alts(alternatives));
  constexpr std::string_view docv = "$(docv)";
  for (auto at = doc.find(docv); at != std::string::npos; at = doc.find(docv, at + value_name.size()))
    doc.replace(at, docv.size(), value_name);
  return doc;
}

}  // namespace

renderer_choice style_renderer(CLI::App& app, options o) {
  auto value = std::make_shared<std::optional<::quarn::style_renderer>>();

  // The callback runs at every parse, with "auto" when the option is neither
  // given nor in the environment (force_callback with that default), so a
  // reparsed app never keeps the choice of an earlier command line.  By then
  // the value has passed IsMember, so the lookup cannot miss.
  CLI::callback_t store = [value](const CLI::results_t& res) {
    if (res.size() != 1) return false;
    for (const alternative& a : alternatives) {
      if (res.front() == a.text) {
        *value = a.renderer;
        return true;
      }
    }
    return false;
  };

  std::vector<std::string> names;
  for (const alternative& a : alternatives) names.emplace_back(a.text);

  CLI::Option* opt = app.add_option("--color", store, documentation());
  opt->type_name(std::string(value_name))
      ->check(CLI::IsMember(names))
      ->default_str(std::string(alternatives.front().text))
      ->force_callback();
  if (o.env) opt->envname(*o.env);
  if (o.docs) opt->group(*o.docs);
  return renderer_choice(std::move(value), opt);
}

}  // namespace quarn::cli
