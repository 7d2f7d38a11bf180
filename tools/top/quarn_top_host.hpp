// SPDX-License-Identifier: MIT
// The interface that quarn-top, Quarn's interactive C++ toplevel, offers to
// the plug-ins it loads (with `-load LIB` or `#load LIB`) and to the code
// typed at it.
//
// A plug-in declares nothing else and links against nothing for it: the
// functions below are defined in the quarn-top executable, which exports its
// symbols, so the dynamic linker binds a plug-in's calls to them when the
// toplevel loads it. A plug-in loaded into any other program fails to load
// with an "undefined symbol" error naming the function.
//
// Like the toplevel itself, these functions are used from one thread.
#pragma once

#include <optional>
#include <string>
#include <variant>

namespace quarn {
class formatter;
}

namespace quarn::top {

/// A script file. A relative path is looked up, in order, in:
///   1. the current directory;
///   2. the directories listed in the environment variable QUARN_TOP_PATH
///      (separated by ':') when it is set; otherwise the share directory of
///      the Quarn the toplevel belongs to: <prefix>/share/quarn for an
///      installed quarn-top (<prefix>/bin/quarn-top), <build>/share/quarn
///      for the one in a build tree.
/// An absolute path is used as it is. The toplevel's scripts are C++ source
/// files of declarations; their extension is ".cpp".
struct input_file {
  std::string path;
};

/// C++ source text given directly.
struct input_string {
  std::string text;
};

/// What use_input runs.
using input = std::variant<input_file, input_string>;

/// Runs the whole input in the running toplevel, as one phrase: its
/// declarations are added to those typed so far and their initializers run.
/// Returns true when it was found, compiled and ran without an escaping
/// exception.
///
/// `diagnostics` receives the compiler's errors and warnings and the
/// toplevel's own messages (a script that cannot be found, an exception
/// that escaped), and is flushed after each.
///
/// `name`, when given, is how the toplevel's messages refer to the input;
/// by default they use the file's path as given, or "(string)".
///
/// A file is read as declarations only (it may include headers, define
/// functions and types, and run code in the initializers of variables);
/// a string is read as a phrase typed at the prompt, so it may also be
/// statements.
///
/// Never throws.
bool use_input(quarn::formatter& diagnostics, std::optional<std::string> name, const input& in) noexcept;

}  // namespace quarn::top
