// SPDX-License-Identifier: MIT
// The attribute store carried by a formatter's open-mark tag function.
#include "quarn/attributes.hpp"

#include <map>
#include <utility>

#include "quarn/failure.hpp"

#include "support/assertion_here.hpp"

#define QUARN_ASSERT_FAILURE() QUARN_ASSERTION_FAILURE("src/engine/attributes.cpp")

namespace quarn {

namespace detail {

namespace {

int key_counter = 0;

// The request to read attribute `key`.
class store_get_tag final : public stag {
public:
  explicit store_get_tag(int k) : key(k) {}
  int key;
  std::string_view kind_name() const noexcept override { return "Quarn.Quarn_store_get"; }
};

// The request to write attribute `key`; the store calls `encode` to get the
// text it keeps.
class store_set_tag final : public stag {
public:
  store_set_tag(int k, const std::function<std::string()>& e) : key(k), encode(e) {}
  int key;
  const std::function<std::string()>& encode;
  std::string_view kind_name() const noexcept override { return "Quarn.Quarn_store_set"; }
};

using mark_fn = std::function<std::string(const stag&)>;

// The open-mark function of a store: answers the two store tags and passes
// every other tag to the function it replaced.
struct store_mark_open {
  std::shared_ptr<std::map<int, std::string>> values;
  mark_fn previous;

  std::string operator()(const stag& t) const {
    if (const auto* g = dynamic_cast<const store_get_tag*>(&t)) {
      auto it = values->find(g->key);
      return it == values->end() ? std::string() : it->second;
    }
    if (const auto* s = dynamic_cast<const store_set_tag*>(&t)) {
      (*values)[s->key] = s->encode();
      return "ok";
    }
    if (previous) return previous(t);
    return default_stag_functions().mark_open_stag(t);
  }
};

using mark_ptr = std::string (*)(const stag&);

// The engine's own open-mark function, which replies "" to every tag that is
// not a string tag: a formatter that still has it carries no store.
const mark_ptr engine_mark_open = [] {
  const stag_functions defaults = default_stag_functions();
  const mark_ptr* p = defaults.mark_open_stag.target<mark_ptr>();
  return p != nullptr ? *p : nullptr;
}();

std::string store_op(const formatter& f, const stag& t) {
  const mark_fn& open = f.get_stag_functions().mark_open_stag;
  if (const mark_ptr* p = open.target<mark_ptr>(); p != nullptr && *p == engine_mark_open && *p != nullptr) return {};
  if (open) return open(t);
  return default_stag_functions().mark_open_stag(t);
}

void setup_store(formatter& f) {
  stag_functions fns = f.get_stag_functions();
  fns.mark_open_stag = store_mark_open{std::make_shared<std::map<int, std::string>>(), std::move(fns.mark_open_stag)};
  f.set_stag_functions(std::move(fns));
}

std::string encode_bool(const bool& b) { return b ? "t" : "f"; }
bool decode_bool(std::string_view s) {
  if (s == "t") return true;
  if (s == "f") return false;
  throw QUARN_ASSERT_FAILURE();
}

std::string encode_renderer(const style_renderer& r) { return r == style_renderer::Ansi_tty ? "A" : "N"; }
style_renderer decode_renderer(std::string_view s) {
  if (s == "A") return style_renderer::Ansi_tty;
  if (s == "N") return style_renderer::None;
  throw QUARN_ASSERT_FAILURE();
}

std::string encode_text(const std::string& s) { return s; }
std::string decode_text(std::string_view s) { return std::string(s); }

}  // namespace

int next_attr_key() noexcept { return ++key_counter; }

std::string store_get(const formatter& f, int key) { return store_op(f, store_get_tag(key)); }

void store_set(formatter& f, int key, const std::function<std::string()>& encode) {
  if (store_op(f, store_set_tag(key, encode)) == "ok") return;
  // No store answered: install one; the second request reaches it.
  setup_store(f);
  store_op(f, store_set_tag(key, encode));
}

stag_functions copy_stag_functions(const formatter& f) {
  stag_functions fns = f.get_stag_functions();
  // Only a store at the front is found: one behind a function that a user
  // put in front of it stays shared.  Other open-mark functions are not
  // called here, since they may not expect a store's tags.
  if (const auto* shared = fns.mark_open_stag.target<store_mark_open>()) {
    auto values = std::make_shared<std::map<int, std::string>>(*shared->values);
    fns.mark_open_stag = store_mark_open{std::move(values), shared->previous};
  }
  return fns;
}

// Created in this order, at initialisation: keys 1, 2, 3 and 4.
const attr<bool> utf_8_attr{next_attr_key(), encode_bool, decode_bool};
const attr<style_renderer> style_renderer_attr{next_attr_key(), encode_renderer, decode_renderer};
const attr<std::string> current_sgr{next_attr_key(), encode_text, decode_text};
const attr<std::string> dump_limits{next_attr_key(), encode_text, decode_text};

}  // namespace detail

style_renderer::style_renderer(const formatter& f) : style_renderer(get_style_renderer(f)) {}

style_renderer get_style_renderer(const formatter& f) {
  return detail::get(detail::style_renderer_attr, f).value_or(style_renderer::None);
}

void set_style_renderer(formatter& f, style_renderer r) { detail::set(detail::style_renderer_attr, r, f); }

bool utf_8(const formatter& f) { return detail::get(detail::utf_8_attr, f).value_or(true); }

void set_utf_8(formatter& f, bool on) { detail::set(detail::utf_8_attr, on, f); }

}  // namespace quarn
