// SPDX-License-Identifier: MIT
// Enumerations of alternatives and "Did you mean" sentences: the words, the
// literal spaces, and where the engine may break.
#include <gtest/gtest.h>

#include "print_helpers.hpp"
#include <quarn/suggest.hpp>
#include <quarn/combinators.hpp>
#include <quarn/scalars.hpp>

#include <array>
#include <list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using strings = std::vector<std::string>;

using quarn_test::render;

TEST(OneOf, EnumerationByLength) {
  const auto p = quarn::one_of(quarn::string);
  const std::vector<std::pair<strings, std::string>> cases = {
      {{}, ""},
      {{"a"}, "a"},
      {{"a", "b"}, "either a or b"},
      {{"a", "b", "c"}, "one of a, b, or c"},
      {{"a", "b", "c", "d"}, "one of a, b, c, or d"},
      {{"a", "a", "a"}, "one of a, a, or a"},
  };
  for (const auto& [xs, expected] : cases) EXPECT_EQ(render(p, xs), expected);
  EXPECT_EQ(render(quarn::one_of(quarn::string, {.empty = quarn::any("nothing")}), strings{}), "nothing");
  EXPECT_EQ(render(quarn::one_of(quarn::string, {.empty = quarn::any("nothing")}), strings{"x"}), "x");
  EXPECT_EQ(render(p, std::list<std::string>{"x", "y", "z"}), "one of x, y, or z");
  EXPECT_EQ(render(quarn::one_of(quarn::int_), std::array<int, 2>{1, 2}), "either 1 or 2");
}

// Narrow margins show the hints: after "or" for two elements; after "one",
// "of", each comma and "or" for more.  "either a" never splits.
TEST(OneOf, BreakHints) {
  const auto p = quarn::one_of(quarn::string);
  EXPECT_EQ(render(p, strings{"a", "b"}, 2), "either a or\nb");
  EXPECT_EQ(render(p, strings{"a", "b", "c"}, 2), "one\nof\na,\nb,\nor\nc");
  EXPECT_EQ(render(p, strings{"alpha", "beta", "gamma"}, 16), "one of alpha,\nbeta, or gamma");
}

TEST(DidYouMean, Sentences) {
  const auto p = quarn::did_you_mean("command", quarn::string);
  const std::vector<std::pair<strings, std::string>> cases = {
      {{}, "Unknown command lst."},
      {{"list"}, "Unknown command lst. Did you mean list ?"},
      {{"list", "last"}, "Unknown command lst. Did you mean either list or last ?"},
      {{"list", "last", "lost"}, "Unknown command lst. Did you mean one of list, last, or lost ?"},
  };
  for (const auto& [candidates, expected] : cases)
    EXPECT_EQ(render(p, std::pair{std::string("lst"), candidates}), expected);
}

TEST(DidYouMean, PrefixSuffixAndElementPrinter) {
  const auto value = std::make_tuple(std::string("lst"), strings{"list"});
  EXPECT_EQ(render(quarn::did_you_mean("command", quarn::string, {.prefix = quarn::any("No such")}), value),
            "No such command lst. Did you mean list ?");
  EXPECT_EQ(render(quarn::did_you_mean("option", quarn::string, {.suffix = quarn::any(" (in section x)")}),
                   std::pair{std::string("lst"), strings{}}),
            "Unknown option lst (in section x).");
  // The element printer serves the value and every candidate.
  EXPECT_EQ(
      render(quarn::did_you_mean("key", quarn::quote(quarn::string)), std::pair{std::string("k"), strings{"a", "b"}}),
      "Unknown key \"k\". Did you mean either \"a\" or \"b\" ?");
}

// The sentence breaks after "." and inside the enumeration only.
TEST(DidYouMean, BreaksAfterTheSentence) {
  const auto p = quarn::did_you_mean("command", quarn::string);
  EXPECT_EQ(render(p, std::pair{std::string("lst"), strings{"list"}}, 24), "Unknown command lst.\nDid you mean list ?");
  EXPECT_EQ(render(p, std::pair{std::string("lst"), strings{}}, 4), "Unknown command lst.");
}

}  // namespace
