// SPDX-License-Identifier: MIT
// quarn_top: the plug-in of quarn-top, Quarn's interactive toplevel. Loading
// it (quarn-top -load quarn_top, or #load quarn_top at the prompt) runs the
// start-up script quarn_tty_top_init.cpp in the toplevel, which sets the
// standard formatters up for the terminal. A script that cannot be found or
// fails is reported by the toplevel on standard error; the plug-in loads all
// the same. It exports nothing and keeps no state.
//
// Coupling. The plug-in is linked against no library of the project: its
// two outside references stay undefined in the shared object and are bound
// by the dynamic linker when the toplevel loads it:
//  - quarn::top::use_input, defined in the quarn-top executable, which
//    exports its symbols;
//  - quarn::stderr_formatter, defined in libquarn. Its diagnostics are
//    asked for on the standard-error formatter, and C++ gives no way to name
//    that formatter without the library that owns it. The toplevel has
//    libquarn loaded (it is linked with it and preloads it with global
//    symbols), so the plug-in takes it from the process rather than
//    recording a dependency of its own, which could also bind a second copy.
// Only headers are shared at build time: <quarn/format.hpp> for the one
// declaration and quarn_top_host.hpp for the toplevel's interface.
#include <optional>

#include <quarn/format.hpp>
#include <quarn_top_host.hpp>

namespace {

// Runs when the toplevel loads the plug-in, exactly once (a shared object is
// loaded once however often it is asked for). The result is ignored: the
// toplevel has reported any failure itself.
[[gnu::constructor]] void run_start_up_script() {
  (void)quarn::top::use_input(quarn::stderr_formatter(), std::nullopt,
                              quarn::top::input_file{"quarn_tty_top_init.cpp"});
}

}  // namespace
