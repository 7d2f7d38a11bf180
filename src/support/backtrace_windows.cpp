// SPDX-License-Identifier: MIT
// Backtraces on Windows: frames from RtlCaptureStackBackTrace, each named by
// its address and the module (program or DLL) that holds it.  Symbol names
// would need the debug help library and debug information in PDB form,
// which MinGW builds do not have.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "quarn/failure.hpp"

namespace quarn {

backtrace backtrace::capture(int skip) {
  constexpr int max_frames = 62;  // the most that older Windows versions take
  void* frames[max_frames];
  const DWORD first = 1 + static_cast<DWORD>(skip > 0 ? skip : 0);  // leave out capture() itself
  const int n = RtlCaptureStackBackTrace(first, max_frames, frames, nullptr);
  backtrace b;
  for (int i = 0; i < n; ++i) b.frames_.push_back(frames[i]);
  return b;
}

namespace {

// The file name of the module that holds `addr`, without its folder; empty
// when the address is in no module.
std::string module_name(void* addr) {
  HMODULE module = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(addr), &module) == 0) {
    return {};
  }
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string p(path, n);
  const std::size_t sep = p.find_last_of("\\/");
  return sep == std::string::npos ? p : p.substr(sep + 1);
}

}  // namespace

std::vector<std::string> backtrace::lines() const {
  std::vector<std::string> out;
  out.reserve(frames_.size());
  for (void* addr : frames_) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%p", addr);
    std::string line = buf;
    if (std::string name = module_name(addr); !name.empty()) line += " (" + name + ")";
    out.push_back(std::move(line));
  }
  return out;
}

}  // namespace quarn
