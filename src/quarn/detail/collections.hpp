// The parts of quarn/collections.hpp that users do not name: the walk of a
// range and the access to the container of a std::queue or std::stack.
#pragma once

#include <ranges>
#include <type_traits>
#include <utility>

#include "quarn/detail/combinators.hpp"
#include "quarn/engine.hpp"
#include "quarn/printer.hpp"

namespace quarn::detail {

// The underlying container of a std::queue or std::stack, which the
// adaptors keep in a protected member.
template <class Adaptor>
struct adaptor_access : Adaptor {
  static const typename Adaptor::container_type& get(const Adaptor& a) { return a.*(&adaptor_access::c); }
};

template <class R>
using range_element = std::remove_cvref_t<std::ranges::range_reference_t<const R>>;

// Walks a range once, front to back, with `sep` between elements.
template <class P, class R>
void print_range(formatter& f, const P& p, const t<unit>& sep, R&& r) {
  separated s{sep, f};
  for (auto&& e : r) {
    s.before();
    p(f, e);
  }
}

}  // namespace quarn::detail
