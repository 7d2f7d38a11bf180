// SPDX-License-Identifier: MIT
// The run-time side of the format-string entry points: each argument erased
// into a format_arg, and the functions of the library that take them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/detail/char_array.hpp"
#include "quarn/formatter.hpp"

namespace quarn::detail {

// The kind of an argument, as the conversions see it: what "%d", "%s" ...
// accept (see takes in quarn/detail/conversions.hpp).
enum class arg_kind : unsigned char { integer, floating, string, character, boolean, other };

template <class A>
constexpr arg_kind kind_of() {
  using T = std::remove_cvref_t<A>;
  if constexpr (std::is_same_v<T, bool>)
    return arg_kind::boolean;
  else if constexpr (std::is_same_v<T, char>)
    return arg_kind::character;
  else if constexpr (std::is_same_v<T, wchar_t> || std::is_same_v<T, char8_t> || std::is_same_v<T, char16_t> ||
                     std::is_same_v<T, char32_t>)
    return arg_kind::other;
  else if constexpr (std::is_integral_v<T>)
    return arg_kind::integer;
  else if constexpr (std::is_floating_point_v<T>)
    return arg_kind::floating;
  else if constexpr (std::is_function_v<T> || std::is_same_v<T, std::nullptr_t>)
    return arg_kind::other;
  else if constexpr (std::is_convertible_v<const T&, std::string_view>)
    return arg_kind::string;
  else
    return arg_kind::other;
}

// The I-th type of T..., or void past the end.
template <std::size_t I, class... T>
struct type_at {
  using type = void;
};
template <class T0, class... T>
struct type_at<0, T0, T...> {
  using type = T0;
};
template <std::size_t I, class T0, class... T>
  requires(I > 0)
struct type_at<I, T0, T...> {
  using type = typename type_at<I - 1, T...>::type;
};

// How an argument P is called: a function through a reference to it, any
// other callable as a const object.
template <class P>
using callee_t = std::conditional_t<std::is_function_v<std::remove_cvref_t<P>>, std::remove_cvref_t<P>&,
                                    const std::remove_cvref_t<P>&>;

// P prints the argument V that follows it (it can stand for "%a").
template <class P, class V>
constexpr bool prints = [] {
  if constexpr (std::is_void_v<V> || std::is_function_v<std::remove_cvref_t<V>>)
    return false;
  else
    return std::is_invocable_v<callee_t<P>, formatter&, const std::remove_cvref_t<V>&>;
}();

// P is callable with the formatter alone (it can stand for "%t").
template <class P>
constexpr bool prints_unit = std::is_invocable_v<callee_t<P>, formatter&>;

// An argument, erased for the interpreter.
struct format_arg {
  arg_kind kind;
  bool null_string;  // a null C string: no string, and %s and %S refuse it
  bool is_signed;
  bool long_double;  // a long double, read through obj (v.d would narrow it)
  unsigned char bits;
  union {
    unsigned long long u;
    double d;
    char c;
    bool b;
    struct {
      const char* p;
      std::size_t n;
    } s;
  } v;
  const void* obj;     // the argument itself, unless it is a function
  void (*fn)();        // the argument, when it is a function
  void (*print_next)(formatter&, const format_arg& printer, const format_arg& value);
  void (*print_unit)(formatter&, const format_arg& callable);
};

// The address of an object, even of one whose class overloads unary "&"
// (what std::addressof does, without its header, <memory>).
template <class T>
const void* address_of(const T& a) noexcept {
  return &const_cast<const char&>(reinterpret_cast<const volatile char&>(a));
}

template <class T>
decltype(auto) callee(const format_arg& a) {
  if constexpr (std::is_function_v<T>)
    return *reinterpret_cast<T*>(a.fn);
  else
    return *static_cast<const T*>(a.obj);
}

template <class P, class V>
void call_print_next(formatter& f, const format_arg& p, const format_arg& v) {
  callee<P>(p)(f, *static_cast<const V*>(v.obj));
}

template <class P>
void call_print_unit(formatter& f, const format_arg& p) {
  callee<P>(p)(f);
}

template <class A, class Next>
format_arg make_arg(const A& a) {
  using T = std::remove_cvref_t<A>;
  constexpr arg_kind kind = kind_of<A>();
  format_arg r{};
  r.kind = kind;
  if constexpr (std::is_function_v<T>)
    r.fn = reinterpret_cast<void (*)()>(&a);
  else
    r.obj = address_of(a);
  if constexpr (kind == arg_kind::integer) {
    r.is_signed = std::is_signed_v<T>;
    r.bits = static_cast<unsigned char>(sizeof(T) * 8);
    r.v.u = static_cast<unsigned long long>(a);
  } else if constexpr (kind == arg_kind::floating) {
    r.long_double = std::is_same_v<T, long double>;
    r.v.d = static_cast<double>(a);
  } else if constexpr (kind == arg_kind::character) {
    r.v.c = a;
  } else if constexpr (kind == arg_kind::boolean) {
    r.v.b = a;
  } else if constexpr (kind == arg_kind::string) {
    if constexpr (std::is_pointer_v<T>) {
      // A null C string is not a string: it is recorded as such, so that %s
      // and %S report it rather than read through it.  It still passes as
      // the value of "%a", whose printer may accept it.
      if (a == nullptr) {
        r.kind = arg_kind::other;
        r.null_string = true;
        return r;
      }
    }
    std::string_view sv;
    if constexpr (is_char_array<T>)
      sv = char_array_view(a);
    else
      sv = std::string_view(a);
    r.v.s.p = sv.data();
    r.v.s.n = sv.size();
  }
  if constexpr (prints<T, Next>) r.print_next = &call_print_next<T, std::remove_cvref_t<Next>>;
  if constexpr (prints_unit<T>) r.print_unit = &call_print_unit<T>;
  return r;
}

template <class... Args, std::size_t... I>
std::array<format_arg, sizeof...(Args)> make_args_impl(std::index_sequence<I...>, const Args&... args) {
  return {make_arg<Args, typename type_at<I + 1, Args...>::type>(args)...};
}

template <class... Args>
std::array<format_arg, sizeof...(Args)> make_args(const Args&... args) {
  return make_args_impl<Args...>(std::index_sequence_for<Args...>{}, args...);
}

// Holds, for its lifetime, the lock of stdout_formatter() or
// stderr_formatter() when `f` is one of them, and nothing otherwise: the
// entry points hold it for the whole of a call.  (Opaque, so that this
// header needs no <mutex>.)
class std_guard {
public:
  explicit std_guard(formatter& f);
  ~std_guard();
  std_guard(const std_guard&) = delete;
  std_guard& operator=(const std_guard&) = delete;

private:
  void* held_;  // the standard output whose lock is held, or null
};

// The interpreter and the string entry points behind the templates of
// quarn/format.hpp.
struct compiled_format;
void vfprint(formatter& f, std::string_view fmt, const compiled_format& ops, const format_arg* args, std::size_t n);
std::string vsprint(const formatter* like, std::string_view fmt, const compiled_format& ops, const format_arg* args,
                    std::size_t n);
// The output of flat string `fmt` (compiled_format::flat) on a fresh
// formatter measuring texts with `measure`: its text, made without one.
std::string vsprint_flat(std::string_view fmt, const compiled_format& ops, const format_arg* args, std::size_t n,
                         text_measure measure);

}  // namespace quarn::detail
