// SPDX-License-Identifier: MIT
// Ctrl-C at the toplevel: it clears the line being typed, or interrupts the
// phrase that is running, instead of ending the toplevel.
//
// Once install() has run, SIGINT is caught:
//  - while a line is read, the read returns early (EINTR, or the reader sees
//    requested_at_prompt()) and take_at_prompt() tells the reader that the
//    line was abandoned;
//  - while the toplevel compiles a phrase or loads a plug-in, the interrupt
//    is kept for when the phrase's code starts running (stopping clang or
//    the dynamic linker half-way would leave them broken);
//  - while a phrase's code runs (run_interruptible), the code is abandoned
//    with siglongjmp, and run_interruptible returns false. The jump is taken
//    when the thread is in the phrase's own code (compiled code that belongs
//    to no loaded library): then it holds no lock of the C or C++ library.
//    In a library (a call to malloc, a blocked read or sleep), the toplevel
//    tries again every 10 ms, and jumps all the same after half a second or
//    at the next Ctrl-C; never from inside LLVM or clang, which may be
//    compiling the phrase's code.
// The destructors of the abandoned code do not run: what it allocated stays
// allocated, and what it was changing may be left half-changed. The
// declarations of earlier phrases stay.
#pragma once

namespace quarn::top::interrupt {

/// Catches SIGINT from now on. Call it from the main thread, once.
void install();

/// Whether a Ctrl-C came since the last call (and forgets it). The line
/// reader asks when a read fails.
[[nodiscard]] bool take_at_prompt() noexcept;

/// Whether a Ctrl-C came since the last take_at_prompt(), without
/// forgetting it.
[[nodiscard]] bool requested_at_prompt() noexcept;

/// Runs fn(arg) so that a Ctrl-C interrupts it; false when it was
/// interrupted. A Ctrl-C that came while the phrase was being compiled
/// interrupts it as soon as it starts. Without install(), or when called
/// while another run_interruptible or a shield is active, it just runs
/// fn(arg).
[[nodiscard]] bool run_interruptible(void (*fn)(void*), void* arg);

/// While one exists, a Ctrl-C is kept for later instead of interrupting
/// (compiling, loading a plug-in).
class shield {
public:
  shield() noexcept;
  ~shield();
  shield(const shield&) = delete;
  shield& operator=(const shield&) = delete;
};

}  // namespace quarn::top::interrupt
