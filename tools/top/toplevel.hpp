// SPDX-License-Identifier: MIT
// The toplevel proper: a clang incremental interpreter with the Quarn
// libraries preloaded, running phrases, scripts and plug-ins.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quarn_top_host.hpp"

namespace quarn::top {

/// Where the toplevel finds its libraries, headers, plug-ins and scripts:
/// in the build tree when the running executable is the one built there,
/// otherwise next to the installed executable (<prefix>/bin/quarn-top, with
/// <prefix>/lib, <prefix>/include and <prefix>/share/quarn).
struct layout {
  std::vector<std::string> preload;        ///< libraries, in order
  std::vector<std::string> include_dirs;   ///< for typed code
  std::filesystem::path plugin_dir;        ///< where "#load NAME" looks first
  std::vector<std::filesystem::path> script_dirs;  ///< after the current directory

  /// The layout of the running executable. Its script directory is its
  /// share/quarn; QUARN_TOP_PATH, when set, replaces it.
  static layout of_running_executable();
};

class toplevel {
public:
  /// Starts the interpreter with the layout's include directories and
  /// `compiler_args` (given to clang as they are), then preloads the
  /// layout's libraries and includes <quarn/quarn.hpp>; a library that fails
  /// to load, or the header, is reported on `diagnostics`. Throws std::runtime_error when the interpreter cannot
  /// be started. At most one toplevel exists at a time.
  toplevel(layout where, std::vector<std::string> compiler_args, quarn::formatter& diagnostics);
  ~toplevel();
  toplevel(const toplevel&) = delete;
  toplevel& operator=(const toplevel&) = delete;

  /// The toplevel of this process, or null.
  [[nodiscard]] static toplevel* running() noexcept;

  /// Runs a phrase typed at the prompt: declarations as they are; when the
  /// text does not read as declarations, as statements run once, and when
  /// it ends with an expression without a final ';', that expression's type
  /// and value are printed (see quarn_top_value.hpp). False when the phrase
  /// does not compile (it is then undone: the next phrases see none of its
  /// declarations, but those of the headers it included), cannot be linked,
  /// throws or is interrupted (the standard formatters then end its output;
  /// see reset_std_formatters in toplevel.cpp).
  bool run_phrase(std::string_view code, quarn::formatter& diagnostics);

  /// use_input (see quarn_top_host.hpp).
  bool use(quarn::formatter& diagnostics, const std::optional<std::string>& name, const input& in);

  /// Loads a plug-in (dlopen, global symbols). A name without '/' is looked
  /// up in the plug-in directory (as given, then with ".so" added) before
  /// the dynamic linker's own search.
  bool load(std::string_view library, quarn::formatter& diagnostics);

  /// The script file a relative name stands for: the first existing file
  /// along the current directory and the layout's script directories.
  [[nodiscard]] std::optional<std::filesystem::path> find_script(const std::filesystem::path& name) const;

private:
  struct impl;
  std::unique_ptr<impl> impl_;
};

}  // namespace quarn::top
