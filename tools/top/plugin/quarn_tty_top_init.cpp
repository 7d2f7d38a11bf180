// SPDX-License-Identifier: MIT
// Start-up script of Quarn's toplevel, run by the quarn_top plug-in when
// quarn-top loads it. Not compiled into anything: the toplevel reads it as
// one phrase of declarations.
//
// Sets the standard formatters up for the terminal: phrases typed afterwards
// print styled output on standard output (or standard error) exactly when
// that channel is a terminal whose TERM is not "dumb" and NO_COLOR is unset
// or empty, and use UTF-8 when the locale names it.
#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

[[maybe_unused]] static const int quarn_tty_top_init = (quarn::tty::setup_std_outputs(), 0);
