// SPDX-License-Identifier: MIT
// The output device's slow paths: growing the staging area and writing to
// the target, with failures reported.
#include "engine/output.hpp"

#include "engine/write_error.hpp"

#include <cerrno>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <system_error>

namespace quarn::detail {

namespace {
constexpr std::size_t max_staging = std::size_t{1} << 16;
}

output_device::output_device(std::FILE* file) : target_(target_kind::file), file_(file) {
  if (file == nullptr) throw std::invalid_argument("quarn::formatter: null FILE*");
}

bool output_device::make_room(std::size_t n) {
  const std::size_t u = used();
  if (staging_.size() < max_staging && u + n <= max_staging) {
    std::size_t size = std::max({staging_.size() * 2, u + n, std::size_t{256}});
    const std::size_t op = static_cast<std::size_t>(op_start_ - staging_.data());
    staging_.resize(std::min(size, max_staging));
    cur_ = staging_.data() + u;
    op_start_ = staging_.data() + op;
    end_ = staging_.data() + staging_.size();
    return true;
  }
  drain();
  return n <= room();
}

void output_device::many_spaces(long long n) {
  while (n > 0) {
    std::size_t k = static_cast<std::size_t>(std::min<long long>(n, static_cast<long long>(max_staging)));
    if (k > room()) make_room(k);
    k = std::min(k, room());
    std::memset(cur_, ' ', k);
    cur_ += k;
    n -= static_cast<long long>(k);
  }
}

// Writes `n` bytes at `p` to the target and returns how many it accepted;
// fewer than `n` only after a failure, whose error is left in `err`.
std::size_t output_device::write_target(const char* p, std::size_t n, std::error_code& err) {
  switch (target_) {
    case target_kind::buffer: buffer_->append(p, n); return n;
    case target_kind::file: {
      clear_write_error();
      std::size_t k = std::fwrite(p, 1, n, file_);
      if (k < n) err = last_write_error();
      return k;
    }
    case target_kind::stream: {
      std::ostream::sentry ok(*stream_);
      std::streamsize k = ok ? stream_->rdbuf()->sputn(p, static_cast<std::streamsize>(n)) : 0;
      if (static_cast<std::size_t>(k) < n) err = std::make_error_code(std::errc::io_error);
      return static_cast<std::size_t>(k);
    }
    case target_kind::functions:
      if (fns_.write) {
        busy_scope busy(*this);
        fns_.write(std::string_view(p, n));
      }
      return n;
  }
  return n;
}

void output_device::drain() {
  const std::size_t n = used();
  if (n == 0) return;
  write_checked(staging_.data(), n, true);
  cur_ = op_start_ = staging_.data();
}

// Writes `n` bytes at `p` to the target: the staged text (`staged`) or a
// text too long for the staging area, with nothing staged.  A failure, be
// it a short write or an exception from the target, goes through
// write_failed() and is thrown.
void output_device::write_checked(const char* p, std::size_t n, bool staged) {
  std::error_code err;
  std::size_t done = 0;
  try {
    done = write_target(p, n, err);
  } catch (...) {
    write_failed(0);
    throw;
  }
  if (done < n) {
    write_failed(staged ? done : 0);
    throw_write_error(err);
  }
}

// Every failed write or flush ends here, before the error is thrown.  Of
// the staged text, `written` bytes reached the target.  Of the rest, what
// earlier operations staged stays staged, to go first in the next write;
// what the failing operation staged itself is dropped, with the rest of its
// document: the failure handler resets the layout, so that the next
// document comes out as on a new formatter.
void output_device::write_failed(std::size_t written) {
  const auto earlier = static_cast<std::size_t>(op_start_ - staging_.data());
  const std::size_t kept = earlier > written ? earlier - written : 0;
  if (kept > 0 && written > 0) std::memmove(staging_.data(), staging_.data() + written, kept);
  cur_ = op_start_ = staging_.data() + kept;
  report_failure();
}

// A text that does not fit the room left.  Draining may grow the target
// string, so a text lying inside that string (a formatter printing its own
// target) is found again by its offset after the drain: the result is that
// of s.append(s) on the string as the drain leaves it.
void output_device::write_long(const char* p, std::size_t n) {
  const bool inside = target_ == target_kind::buffer && n != 0 && !buffer_->empty() &&
                      std::less_equal<>{}(buffer_->data(), p) &&
                      std::less_equal<>{}(p + n, buffer_->data() + buffer_->size());
  const std::size_t offset = inside ? static_cast<std::size_t>(p - buffer_->data()) : 0;
  if (inside) {
    drain();
    p = buffer_->data() + offset;
    // Appending a string to itself is well defined; the staging area is empty now.
    if (n > room() && !make_room(n)) {
      buffer_->append(std::string_view(*buffer_).substr(offset, n));
      return;
    }
  } else if (!make_room(n)) {
    return write_direct(p, n);
  }
  std::memcpy(cur_, p, n);
  cur_ += n;
}

// A text too long for the staging area goes to the target directly.  What
// the target does not accept of it is lost with the rest of the failing
// document.
void output_device::write_direct(const char* p, std::size_t n) {
  drain();
  write_checked(p, n, false);
}

void output_device::throw_write_error(std::error_code err) {
  if (target_ == target_kind::stream) {
    stream_->setstate(std::ios_base::badbit);  // throws if the stream asks for it
    throw std::ios_base::failure("quarn::formatter: writing to the stream failed");
  }
  throw std::system_error(err, "quarn::formatter: writing failed");
}

void output_device::flush() {
  drain();
  std::error_code err;
  try {
    switch (target_) {
      case target_kind::file:
        clear_write_error();
        if (std::fflush(file_) != 0) err = last_write_error();
        break;
      case target_kind::stream:
        if (!stream_->flush()) err = std::make_error_code(std::errc::io_error);
        break;
      case target_kind::functions:
        if (fns_.flush) {
          busy_scope busy(*this);
          fns_.flush();
        }
        break;
      case target_kind::buffer: break;
    }
  } catch (...) {
    write_failed(0);
    throw;
  }
  if (err) {
    write_failed(0);
    throw_write_error(err);
  }
}

void output_device::retarget(std::string& buffer) {
  if (target_ != target_kind::buffer) throw std::logic_error("quarn::formatter::retarget: not a buffer formatter");
  drain();
  buffer_ = &buffer;
}

}  // namespace quarn::detail
