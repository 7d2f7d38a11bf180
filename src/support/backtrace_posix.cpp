// SPDX-License-Identifier: MIT
// Backtraces on POSIX systems: frames from backtrace() (glibc, macOS),
// symbol names from dladdr().
#include <dlfcn.h>
#include <execinfo.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "quarn/failure.hpp"
#include "quarn/detail/demangle.hpp"

namespace quarn {

backtrace backtrace::capture(int skip) {
  constexpr int max_frames = 128;
  void* frames[max_frames];
  int n = ::backtrace(frames, max_frames);
  int first = 1 + (skip > 0 ? skip : 0);  // leave out capture() itself
  backtrace b;
  for (int i = first; i < n; ++i) b.frames_.push_back(frames[i]);
  return b;
}

namespace {

std::string base_name(const char* path) {
  std::string p = path;
  std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

}  // namespace

std::vector<std::string> backtrace::lines() const {
  std::vector<std::string> out;
  out.reserve(frames_.size());
  for (void* addr : frames_) {
    Dl_info info{};
    char buf[64];
    std::string line;
    if (dladdr(addr, &info) != 0 && info.dli_sname != nullptr) {
      auto off = static_cast<const char*>(addr) - static_cast<const char*>(info.dli_saddr);
      std::snprintf(buf, sizeof buf, "+0x%tx", off);
      line = detail::demangle(info.dli_sname) + buf;
    } else {
      std::snprintf(buf, sizeof buf, "%p", addr);
      line = buf;
    }
    if (info.dli_fname != nullptr) line += " (" + base_name(info.dli_fname) + ")";
    out.push_back(std::move(line));
  }
  return out;
}
}  // namespace quarn
