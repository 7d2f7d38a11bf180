// SPDX-License-Identifier: MIT
// Attributes of a formatter: whether it renders styles and whether it may
// emit UTF-8.
//
// A formatter has no slot for its users' data, so the attributes live in a
// store that the library attaches to the formatter's open-mark tag function:
// the store answers two tag kinds of its own ("Quarn.Quarn_store_get" and
// "Quarn.Quarn_store_set") and passes every other tag to the function it
// replaced, so the formatter's output never changes.  The store is installed
// at the first attribute write; formatters that share tag functions (see
// with_buffer()) share their attributes.  str_like() formats with a copy of
// them, so it only reads the formatter it is given.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "quarn/engine.hpp"

namespace quarn {

/// How a formatter renders styles: Ansi_tty writes ANSI SGR escape sequences,
/// None prints styled content plain.  get_style_renderer() reads a
/// formatter's renderer, set_style_renderer() sets it.
class style_renderer {
public:
  /// The renderers: Ansi_tty writes ANSI escape sequences, None prints styled content plain.
  enum value : unsigned char { Ansi_tty, None };

  /// The renderer `v`.
  constexpr style_renderer(value v) noexcept : v_(v) {}  // NOLINT(google-explicit-constructor): implicit by design
  /// The renderer of `f`, as get_style_renderer(f).
  explicit style_renderer(const formatter& f);
  /// The renderer, as a value of the enumeration.
  constexpr operator value() const noexcept { return v_; }  // NOLINT(google-explicit-constructor)

private:
  value v_;
};

/// The renderer of `f` (None when never set).  A function, unlike the
/// constructor style_renderer(f): it can be passed where a function is
/// expected, and does not clash with quarn::cli::style_renderer when both
/// namespaces are used.
[[nodiscard]] style_renderer get_style_renderer(const formatter& f);
/// Sets the renderer of `f` (installing a store on it if needed).
void set_style_renderer(formatter& f, style_renderer r);

/// Whether `f` may emit UTF-8 (true when never set).
[[nodiscard]] bool utf_8(const formatter& f);
/// Sets the UTF-8 attribute of `f` (installing a store on it if needed).
void set_utf_8(formatter& f, bool on);

namespace detail {

/// An attribute: a key (1, 2, 3 ... in creation order) and how its values
/// are stored as text.  An empty text means that the value is absent.
template <class T>
struct attr {
  int key;
  std::string (*enc)(const T&);
  T (*dec)(std::string_view);
};

/// Takes the next key; keys are made once, at library initialisation.
int next_attr_key() noexcept;

/// Reads the tag functions' answer to a store request for `key`: the stored
/// text, or "" when the formatter carries no store or no value.
std::string store_get(const formatter& f, int key);
/// Stores `encode()` under `key`, installing a store if `f` has none.
void store_set(formatter& f, int key, const std::function<std::string()>& encode);
/// A copy of f's tag functions for another formatter.  When they carry a
/// store, the copy carries a store of its own holding the same attributes:
/// the other formatter reads what `f` reads, and its writes never reach `f`.
stag_functions copy_stag_functions(const formatter& f);

template <class T>
std::optional<T> get(const attr<T>& a, const formatter& f) {
  std::string s = store_get(f, a.key);
  if (s.empty()) return std::nullopt;
  return a.dec(s);
}

template <class T>
void set(const attr<T>& a, const T& v, formatter& f) {
  store_set(f, a.key, [&] { return a.enc(v); });
}

/// The SGR parameters in force on a formatter ("0;1;31"), written by styled().
extern const attr<std::string> current_sgr;
/// The limits of quarn::dump::value on a formatter ("elements depth", in
/// decimal), written by quarn::dump::set_limits().
extern const attr<std::string> dump_limits;

}  // namespace detail

}  // namespace quarn
