// SPDX-License-Identifier: MIT
// The standard formatters: made on first use, each behind the lock that
// makes an entry-point call on it atomic, and flushed at exit.
#include <atomic>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <mutex>

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
  auto* o = new std_output(channel);  // NOLINT(cppcoreguidelines-owning-memory): intentionally leaked
  slot.store(o, std::memory_order_release);
  return *o;
}

// Flushes the standard formatters when the library is unloaded.  At exit the
// dynamic linker runs library destructors after every atexit handler and
// every static destructor of the program, which may still print, and before
// the C library flushes its streams.  Nothing may throw out of exit, so write
// errors are dropped here; flush_std_outputs() is how a program sees them.
// On Windows (MinGW) there is no ELF: GCC runs a DLL's destructor functions
// when the DLL is detached at exit, which also comes after the program's
// atexit handlers and static destructors (the exit_print test checks it
// under Wine).
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

}  // namespace detail

}  // namespace quarn
