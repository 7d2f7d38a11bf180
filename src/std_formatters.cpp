// The standard formatters, string formatting and formatters that share
// another formatter's tag functions.
#include <atomic>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "quarn/attributes.hpp"
#include "quarn/format.hpp"

namespace quarn {

namespace {

// A standard formatter and the lock that makes each entry-point call on it
// atomic.  Recursive: printers running inside a call print to the same
// formatter again.  Made on first use and never destroyed, so that printing
// from static destructors stays safe.
struct std_output {
  explicit std_output(std::FILE* channel) : f(channel) {}
  std::recursive_mutex lock;
  formatter f;
};

// Each set once, when its formatter is made, so that the exit-time flush and
// detail::std_guard can reach the formatters that exist without making the
// others.
std::atomic<std_output*> std_out{nullptr};
std::atomic<std_output*> std_err{nullptr};

std_output& make_std(std::atomic<std_output*>& slot, std::FILE* channel) {
  auto* o = new std_output(channel);  // NOLINT: intentionally leaked
  slot.store(o, std::memory_order_release);
  return *o;
}

// Flushes the standard formatters when the library is unloaded.  At exit the
// dynamic linker runs library destructors after every atexit handler and
// every static destructor of the program, which may still print, and before
// the C library flushes its streams.  Nothing may throw out of exit, so write
// errors are dropped here; flush_std_outputs() is how a program sees them.
__attribute__((destructor)) void flush_std_at_exit() {
  for (std::atomic<std_output*>* slot : {&std_out, &std_err}) {
    std_output* o = slot->load(std::memory_order_acquire);
    if (o == nullptr) continue;
    try {
      const std::lock_guard lock(o->lock);
      o->f.print_flush();
    } catch (...) {
      // Dropped: see above.
    }
  }
}

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
  lease() {
    string_formatters* p = pool();
    if (p == nullptr || p->empty()) {
      sf_ = std::make_unique<string_formatter>();
    } else {
      sf_ = std::move(p->back());
      p->pop_back();
    }
  }
  lease(const lease&) = delete;
  lease& operator=(const lease&) = delete;
  ~lease() {
    string_formatters* p = pool();
    if (p == nullptr || p->size() >= 16) return;
    sf_->f.reset();
    sf_->buffer.clear();
    p->push_back(std::move(sf_));
  }
  string_formatter& operator*() { return *sf_; }

private:
  std::unique_ptr<string_formatter> sf_;
};

}  // namespace

formatter& stdout_formatter() {
  static std_output& o = make_std(std_out, stdout);
  return o.f;
}

formatter& stderr_formatter() {
  static std_output& o = make_std(std_err, stderr);
  return o.f;
}

void flush_std_outputs() {
  std::exception_ptr first;
  for (formatter* f : {&stdout_formatter(), &stderr_formatter()}) {
    try {
      const detail::std_guard guard(*f);
      f->print_flush();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

formatter with_buffer(std::string& buffer, with_buffer_options options) {
  formatter f(buffer);
  if (options.like != nullptr) f.set_stag_functions(options.like->get_stag_functions());
  return f;
}

namespace detail {

std_guard::std_guard(formatter& f) : held_(nullptr) {
  for (std::atomic<std_output*>* slot : {&std_out, &std_err}) {
    std_output* o = slot->load(std::memory_order_acquire);
    if (o != nullptr && &o->f == &f) {
      o->lock.lock();
      held_ = o;
      return;
    }
  }
}

std_guard::~std_guard() {
  if (held_ != nullptr) static_cast<std_output*>(held_)->lock.unlock();
}

std::string vsprint(const formatter* like, std::string_view fmt, const format_arg* args, std::size_t n) {
  lease l;
  string_formatter& sf = *l;
  // Styled printers write attributes: they must not reach `like`, which
  // other threads may be reading.
  if (like != nullptr) sf.f.set_stag_functions(copy_stag_functions(*like));
  vfprint(sf.f, fmt, args, n);
  sf.f.print_flush();
  return sf.buffer;
}

}  // namespace detail

}  // namespace quarn
