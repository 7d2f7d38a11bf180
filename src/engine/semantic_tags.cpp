// SPDX-License-Identifier: MIT
// Semantic tags: the string kind and the standard tag functions.
// quarn::formatter's operations are in engine/layout_engine.cpp, with the
// engine they forward to.
#include "quarn/engine.hpp"

#include <string>
#include <string_view>

namespace quarn {

stag::~stag() = default;

std::string_view string_tag::kind_name() const noexcept { return "String_tag"; }

namespace {

std::string default_mark_open(const stag& t) {
  if (const auto* s = dynamic_cast<const string_tag*>(&t)) return "<" + s->name() + ">";
  return {};
}

std::string default_mark_close(const stag& t) {
  if (const auto* s = dynamic_cast<const string_tag*>(&t)) return "</" + s->name() + ">";
  return {};
}

void default_print(const stag&) {}

}  // namespace

stag_functions default_stag_functions() {
  return {default_mark_open, default_mark_close, default_print, default_print};
}

}  // namespace quarn
