// SPDX-License-Identifier: MIT
// Limits for huge values: the elision mark of the collection printers, the
// limits attribute of quarn::dump::value, and the levels of nesting that a
// dump carries through the printer_for<T> it calls.
#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>

#include "quarn/attributes.hpp"
#include "quarn/value.hpp"

#include "support/assertion_here.hpp"

#define QUARN_ASSERT_FAILURE() QUARN_ASSERTION_FAILURE("src/printers/limits.cpp")

namespace quarn {

namespace detail {

namespace {

// The innermost printer_for<T> running on this thread under quarn::dump::value.
thread_local const custom_value_scope* innermost = nullptr;

std::size_t parse_count(std::string_view& s) {
  std::size_t n = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
  if (r.ec != std::errc() || r.ptr == s.data()) throw QUARN_ASSERT_FAILURE();
  s.remove_prefix(static_cast<std::size_t>(r.ptr - s.data()));
  return n;
}

}  // namespace

void print_elided(formatter& f, std::size_t more) {
  f.print_string(utf_8(f) ? "\u2026" : "...");
  if (more > 0) {
    char buf[48] = " (";
    char* end = std::to_chars(buf + 2, buf + sizeof buf, more).ptr;
    constexpr std::string_view tail = " more)";
    end = tail.copy(end, tail.size()) + end;
    f.print_string(std::string_view(buf, static_cast<std::size_t>(end - buf)));
  }
}

custom_value_scope::custom_value_scope(const formatter& f, const dump::value_printer& p) noexcept
    : f_(&f), p_(p), outer_(innermost) {
  if (p.level == 0) {
    // A printer_for<T> called at the start of a dump: its value is one level
    // below the printer_for<T> this dump is printed in, if any.
    const custom_value_scope* c = innermost != nullptr && innermost->f_ == &f ? innermost : nullptr;
    p_.level = c != nullptr ? c->p_.level + 1 : 1;
    if (!p.given && c != nullptr) {
      p_.lim = c->p_.lim;
      p_.given = c->p_.given;
    }
  }
  innermost = this;
}

custom_value_scope::~custom_value_scope() { innermost = outer_; }

dump::value_printer start_value(const formatter& f, const dump::value_printer& p) {
  const custom_value_scope* c = innermost != nullptr && innermost->f_ == &f ? innermost : nullptr;
  dump::value_printer s{{}, p.lim, c != nullptr ? c->p_.level + 1 : 1, true};
  if (!p.given) s.lim = c != nullptr && c->p_.given ? c->p_.lim : dump::get_limits(f);
  return s;
}

}  // namespace detail

namespace dump {

void set_limits(formatter& f, limits l) {
  detail::set(detail::dump_limits, std::to_string(l.elements) + ' ' + std::to_string(l.depth), f);
}

limits get_limits(const formatter& f) {
  const std::optional<std::string> text = detail::get(detail::dump_limits, f);
  if (!text) return {};
  std::string_view s = *text;
  limits l;
  l.elements = detail::parse_count(s);
  if (s.empty() || s.front() != ' ') throw QUARN_ASSERT_FAILURE();
  s.remove_prefix(1);
  l.depth = detail::parse_count(s);
  if (!s.empty()) throw QUARN_ASSERT_FAILURE();
  return l;
}

}  // namespace dump

}  // namespace quarn
