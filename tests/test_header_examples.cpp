// SPDX-License-Identifier: MIT
// The one-line examples of the public headers' /// comments, which the
// reference site shows with their output: each runs here and must print
// exactly what its comment says.
#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <deque>
#include <list>
#include <map>
#include <optional>
#include <queue>
#include <stack>
#include <string>
#include <utility>
#include <vector>

#include <quarn/quarn.hpp>

TEST(HeaderExamples, PrintWhatTheirCommentsSay) {
  using namespace std::string_literals;
#include "header_examples.inc"
}
