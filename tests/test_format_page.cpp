// SPDX-License-Identifier: MIT
// Every example of docs/format-strings.md, run.  The build turns the page's
// examples into checks (format_page.awk) in format_page_examples.inc.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <quarn/quarn.hpp>

namespace {

// The formatter the page's fprint examples print on: a string, a margin of
// 20 columns and tag marking on.  Returns the string once flushed.
template <class Body>
std::string on_f(Body body) {
  std::string out;
  quarn::formatter f(out);
  f.set_margin(20);
  f.set_mark_tags(true);
  body(f);
  f.print_flush();
  return out;
}

TEST(FormatStringsPage, EveryExampleIsTrue) {
#include "format_page_examples.inc"
}

}  // namespace
