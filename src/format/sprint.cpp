// SPDX-License-Identifier: MIT
// String formatting (sprint and the other entry points that format into a
// string) on a per-thread pool of string formatters, and formatters that
// share another formatter's tag functions.
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "quarn/attributes.hpp"
#include "quarn/detail/format_ops.hpp"
#include "quarn/format.hpp"

namespace quarn {

namespace {

// String formatters are recycled: making one costs several allocations, and
// sprint() should cost none beyond its result.  A recycled formatter is reset
// to every default, so it is indistinguishable from a new one.
struct string_formatter {
  std::string buffer;
  formatter f{buffer};
};

using string_formatters = std::vector<std::unique_ptr<string_formatter>>;

// Set when this thread's pool is destroyed.  Thread-local objects die before
// the static objects of the program, whose destructors may still format
// strings: from then on every lease makes a formatter of its own.  A bool has
// no destructor, so it can be read until the thread is gone.
thread_local bool pool_gone = false;

struct pool_holder {
  string_formatters items;
  ~pool_holder() { pool_gone = true; }
};

// This thread's free string formatters, or null once they are destroyed.
string_formatters* pool() {
  if (pool_gone) return nullptr;
  thread_local pool_holder p;
  return &p.items;
}

class lease {
public:
  lease() : pool_(pool()) {
    if (pool_ == nullptr || pool_->empty()) {
      sf_ = std::make_unique<string_formatter>();
    } else {
      sf_ = std::move(pool_->back());
      pool_->pop_back();
    }
  }
  lease(const lease&) = delete;
  lease& operator=(const lease&) = delete;
  ~lease() {
    // A formatter that made a big string goes, with its buffers, rather than
    // keep that memory for the rest of the thread.
    if (pool_ == nullptr || pool_->size() >= 16 || sf_->buffer.capacity() > max_kept_capacity) return;
    sf_->f.reset();
    sf_->buffer.clear();
    pool_->push_back(std::move(sf_));
  }
  string_formatter& operator*() { return *sf_; }

private:
  static constexpr std::size_t max_kept_capacity = 1 << 16;

  // Read once: each access to a thread_local of a shared library is a call.
  string_formatters* pool_;
  std::unique_ptr<string_formatter> sf_;
};

}  // namespace

formatter with_buffer(std::string& buffer, with_buffer_options options) {
  formatter f(buffer);
  if (options.like != nullptr) {
    f.set_stag_functions(options.like->get_stag_functions());
    f.set_measure(options.like->measure());
  }
  return f;
}

namespace detail {

std::string vsprint(const formatter* like, std::string_view fmt, const compiled_format& ops, const format_arg* args,
                    std::size_t n) {
  const text_measure measure = like != nullptr ? like->measure() : text_measure::bytes;
  if (ops.compiled() && ops.flat) return vsprint_flat(fmt, ops, args, n, measure);
  lease l;
  string_formatter& sf = *l;
  // Styled printers write attributes: they must not reach `like`, which
  // other threads may be reading.
  if (like != nullptr) {
    sf.f.set_stag_functions(copy_stag_functions(*like));
    sf.f.set_measure(measure);
  }
  vfprint(sf.f, fmt, ops, args, n);
  sf.f.print_flush();
  return sf.buffer;
}

}  // namespace detail

}  // namespace quarn
