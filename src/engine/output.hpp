// SPDX-License-Identifier: MIT
// The output device of the layout engine: a staging area for laid-out text
// and the target it goes to (a string, a C stream, a C++ stream or user
// functions).
//
// Laid-out text is written through a cursor into the staging area, which goes
// to the target when it is full and when the device is flushed.  The area
// starts small and grows to its largest size only for formatters that write
// much, so that many formatters stay cheap.
//
// A write that fails throws (std::system_error with the errno for a FILE*,
// std::ios_base::failure for a stream, whatever a write function or stream
// buffer throws).  Every failing write goes through write_failed(): of the
// staged bytes the target did not accept, those staged by earlier
// operations stay staged and go first in the next write, those the failing
// operation staged itself are dropped; then the device calls its failure
// handler, through which the layout drops the document it was laying out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <system_error>

#include "quarn/engine.hpp"

namespace quarn::detail {

// Internal to the library, as the engine that owns it: its calls stay direct.
class [[gnu::visibility("hidden")]] output_device {
public:
  explicit output_device(std::string& buffer) : target_(target_kind::buffer), buffer_(&buffer) {}
  explicit output_device(std::FILE* file);  // throws std::invalid_argument if null
  explicit output_device(std::ostream& stream) : target_(target_kind::stream), stream_(&stream) {}
  explicit output_device(output_functions fns) : target_(target_kind::functions), fns_(std::move(fns)) {}
  output_device(const output_device&) = delete;
  output_device& operator=(const output_device&) = delete;
  ~output_device() = default;

  // Called, with `context`, when a write fails, before the error is thrown.
  void on_failure(void (*handler)(void*), void* context) {
    failure_handler_ = handler;
    failure_context_ = context;
  }

  // Marks the start of an operation: what is staged from here on is the
  // operation's own, dropped if a write fails during it.
  void begin_operation() { op_start_ = cur_; }

  // ---- laid-out text ------------------------------------------------------

  void write(const char* p, std::size_t n) {
    if (n > room()) return write_long(p, n);
    std::memcpy(cur_, p, n);
    cur_ += n;
  }
  void write(std::string_view s) { write(s.data(), s.size()); }

  // Short pieces are copied a fixed N bytes at a time (the cursor then moves
  // by their length n <= N), which is much cheaper than a call to memcpy.
  template <std::size_t N>
  void write_short(const char (&chars)[N], std::size_t n) {
    if (room() >= N) {
      std::memcpy(cur_, chars, N);
      cur_ += n;
    } else {
      write(chars, n);
    }
  }

  // Texts of up to 16 bytes are copied in two overlapping pieces of a
  // fixed size, without a call to memcpy.
  void write_small(const char* p, std::size_t n) {
    if (n > 16 || n > room()) return write(p, n);
    if (n >= 8) {
      std::memcpy(cur_, p, 8);
      std::memcpy(cur_ + n - 8, p + n - 8, 8);
    } else if (n >= 4) {
      std::memcpy(cur_, p, 4);
      std::memcpy(cur_ + n - 4, p + n - 4, 4);
    } else if (n > 0) {
      cur_[0] = p[0];
      cur_[n / 2] = p[n / 2];
      cur_[n - 1] = p[n - 1];
    }
    cur_ += n;
  }

  // `spaces` spaces then the `n` bytes at `p`.
  void write_spaced(std::size_t spaces, const char* p, std::size_t n) {
    static constexpr char blanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    if (spaces > 8 || 8 + 16 > room()) {
      this->spaces(static_cast<long long>(spaces));
      return write_small(p, n);
    }
    std::memcpy(cur_, blanks, 8);
    cur_ += spaces;
    write_small(p, n);
  }

  // `s` in pieces of `piece` bytes, `spaces` spaces after each but the
  // last.
  void write_pieces(std::string_view s, std::size_t piece, std::size_t spaces) {
    if (spaces == 0 || s.empty()) return write(s);
    const std::size_t n = s.size() + (s.size() - 1) / piece * spaces;
    // Pieces and runs of spaces of up to 8 bytes are copied 8 bytes at a
    // time, which needs 8 bytes of room beyond the text.
    if (piece > 8 || spaces > 8 || (n + 8 > room() && !make_room(n + 8))) {
      for (std::size_t i = 0; i < s.size(); i += piece) {
        if (i > 0) this->spaces(static_cast<long long>(spaces));
        write(s.substr(i, piece));
      }
      return;
    }
    static constexpr char blanks[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    char* p = cur_;
    const char* from = s.data();
    const char* const end = from + s.size();
    while (end - from > static_cast<std::ptrdiff_t>(piece)) {
      if (end - from >= 8)
        std::memcpy(p, from, 8);
      else
        std::memcpy(p, from, piece);
      p += piece;
      from += piece;
      std::memcpy(p, blanks, 8);
      p += spaces;
    }
    std::memcpy(p, from, static_cast<std::size_t>(end - from));
    cur_ = p + (end - from);
  }

  void put(char c) {
    if (room() == 0) make_room(1);
    *cur_++ = c;
  }
  void newline() { put('\n'); }

  void spaces(long long n) {
    static constexpr char blanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    if (n <= 0) return;
    if (n <= 16) return write_short(blanks, static_cast<std::size_t>(n));
    many_spaces(n);
  }

  // ---- to the target ------------------------------------------------------

  // Writes the staged text to the target.
  void drain();
  // Drains, then flushes the target (fflush, ostream::flush, the user's
  // flush function).
  void flush();
  // Forgets the staged text.
  void discard() { cur_ = op_start_ = staging_.data(); }
  // Points a buffer device at another buffer, after draining into the old
  // one.  Throws std::logic_error for other targets.
  void retarget(std::string& buffer);

  // True while a user write or flush function runs.
  [[nodiscard]] bool busy() const noexcept { return busy_; }
  // True when `s` lies in the target string's storage: a formatter printing
  // its own target, whose text a drain into that string may move.
  [[nodiscard]] bool holds(std::string_view s) const noexcept {
    return target_ == target_kind::buffer && !s.empty() && std::less_equal<>{}(buffer_->data(), s.data()) &&
           std::less<>{}(s.data(), buffer_->data() + buffer_->capacity());
  }

  // Marks the device busy while user code runs on the engine's behalf, so
  // that a function that prints to the formatter it serves is caught
  // instead of corrupting a state that is in the middle of changing.
  class busy_scope {
  public:
    explicit busy_scope(output_device& d) : d_(d) { d_.busy_ = true; }
    ~busy_scope() { d_.busy_ = false; }
    busy_scope(const busy_scope&) = delete;
    busy_scope& operator=(const busy_scope&) = delete;

  private:
    output_device& d_;
  };

private:
  enum class target_kind { buffer, file, stream, functions };

  [[nodiscard]] std::size_t used() const { return static_cast<std::size_t>(cur_ - staging_.data()); }
  [[nodiscard]] std::size_t room() const { return static_cast<std::size_t>(end_ - cur_); }

  // Makes room for `n` more bytes, growing or draining the staging area;
  // false when `n` is larger than the area can ever hold.
  bool make_room(std::size_t n);
  void many_spaces(long long n);
  void write_direct(const char* p, std::size_t n);
  void write_long(const char* p, std::size_t n);
  std::size_t write_target(const char* p, std::size_t n, std::error_code& err);
  void write_checked(const char* p, std::size_t n, bool staged);
  void write_failed(std::size_t written);
  [[noreturn]] void throw_write_error(std::error_code err);
  void report_failure() {
    if (failure_handler_ != nullptr) failure_handler_(failure_context_);
  }

  target_kind target_;
  std::FILE* file_ = nullptr;
  std::ostream* stream_ = nullptr;
  output_functions fns_;
  std::string* buffer_ = nullptr;
  std::string staging_;          // its size is the staging area's
  char* cur_ = staging_.data();  // text fills staging_ up to here
  char* end_ = cur_;
  char* op_start_ = cur_;  // where the current operation's staged text starts
  bool busy_ = false;
  void (*failure_handler_)(void*) = nullptr;
  void* failure_context_ = nullptr;
};

}  // namespace quarn::detail
