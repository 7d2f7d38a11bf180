// The layout engine behind quarn::formatter.
//
// Operations become tokens in a FIFO queue.  A token whose size (the columns
// from it to the point where its layout can be decided) is known is laid out
// as soon as it reaches the head of the queue.  Boxes and break hints get their
// size later: a scan stack remembers the open boxes and the last hint of each,
// and fills in their size when the matching close box or the next hint
// arrives.  When the pending material is at least as wide as the room left on
// the line, the head is laid out anyway, with its size counted as infinite:
// it cannot fit.  So the queue never holds much more than a line's worth of
// columns, time is linear in the output, and nothing recurses on depth.
#include "quarn/engine.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <cerrno>
#include <deque>
#include <ostream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace quarn {

stag::~stag() = default;

std::string_view string_tag::kind_name() const noexcept { return "String_tag"; }

namespace {

std::string default_mark_open(const stag& t) {
  if (const auto* s = dynamic_cast<const string_tag*>(&t)) return "<" + s->name() + ">";
  return {};
}

std::string default_mark_close(const stag& t) {
  if (const auto* s = dynamic_cast<const string_tag*>(&t)) return "</" + s->name() + ">";
  return {};
}

void default_print(const stag&) {}

}  // namespace

stag_functions default_stag_functions() {
  return {default_mark_open, default_mark_close, default_print, default_print};
}

namespace detail {

namespace {

// Counted as the size of material whose size is still unknown when it has to
// be laid out, and the largest margin.
constexpr long long infinity = 1000000010;

constexpr int default_margin = 78;
constexpr int default_min_space_left = 10;
constexpr std::size_t max_staging = std::size_t{1} << 16;

// `text` holds its bytes in the token, `long_text` in the text arena.
enum class tk : unsigned char { text, brk, begin, end, newline, if_newline, open_tag, close_tag, long_text };

// Box kinds as the layout sees them: `fits` is a box known to fit its line.
enum class lk : unsigned char { h, v, hv, hov, b, fits };

// Texts of up to this many bytes are kept in the token itself; longer ones
// in the engine's text arena.
constexpr std::size_t inline_text = 8;

// A queued operation, 32 bytes.  `size` and `length` are in columns; the
// payload depends on the kind.
struct token {
  long long size;    // negative while unknown
  long long length;  // columns this token adds when it stays on the line
  struct numbers {
    int a;  // break: spaces; begin: indentation
    int b;  // break: offset
  };
  union {
    char chars[inline_text];  // text: the bytes, when text_len <= inline_text
    std::size_t text_off;     // text: absolute offset in the text arena otherwise
    numbers n;                // break and begin
  };
  std::uint32_t text_len;
  tk kind;
  box_kind box;
};
static_assert(sizeof(token) == 32);

struct scan_elem {
  long long left_total;
  std::uint64_t seq;  // the token's sequence number in the queue
  tk kind;
};

struct format_elem {
  lk kind;
  long long width;
};

constexpr std::uint64_t no_seq = ~std::uint64_t{0};

lk layout_kind(box_kind k) {
  switch (k) {
    case box_kind::h: return lk::h;
    case box_kind::v: return lk::v;
    case box_kind::hv: return lk::hv;
    case box_kind::hov: return lk::hov;
    case box_kind::b: return lk::b;
  }
  return lk::hov;
}

}  // namespace

// Hidden: calls between its members stay direct, inside the library.
class [[gnu::visibility("hidden")]] engine {
public:
  enum class target { buffer, file, stream, functions };

  explicit engine(std::string& buf) : target_(target::buffer), buffer_(&buf) { init(); }
  explicit engine(std::FILE* fp) : target_(target::file), file_(fp) {
    if (fp == nullptr) throw std::invalid_argument("quarn::formatter: null FILE*");
    init();
  }
  explicit engine(std::ostream& os) : target_(target::stream), stream_(&os) { init(); }
  explicit engine(output_functions fns) : target_(target::functions), fns_(std::move(fns)) { init(); }
  engine(const engine&) = delete;
  engine& operator=(const engine&) = delete;
  // Lays out and writes everything pending, as print_flush() does.  A
  // destructor cannot report a failing target: the error is swallowed.
  ~engine() {
    if (busy_) return;  // destroyed by its own write or tag function
    try {
      flush_queue(false);
      device_flush();
    } catch (...) {
    }
  }

  // ---- device -------------------------------------------------------------
  //
  // Laid-out text is written through a cursor into a staging area, which
  // goes to the target when it is full and when the formatter is flushed.
  // The area starts small and grows to its largest size only for
  // formatters that write much, so that many formatters stay cheap.
  //
  // A write that fails throws (std::system_error with the errno for a
  // FILE*, std::ios_base::failure for a stream, whatever a write function
  // throws).  The bytes the target did not accept stay staged and go first
  // in the next write, and the layout returns to its initial state, so that
  // the next document is laid out as on a new formatter instead of
  // inheriting the rest of the failed one.

  // Marks the engine busy while user code runs on its behalf, so that a
  // write or tag function that prints to the formatter it serves is caught
  // instead of corrupting the state the engine is in the middle of changing.
  class busy_scope {
  public:
    explicit busy_scope(engine& e) : e_(e) { e_.busy_ = true; }
    ~busy_scope() { e_.busy_ = false; }
    busy_scope(const busy_scope&) = delete;
    busy_scope& operator=(const busy_scope&) = delete;

  private:
    engine& e_;
  };

  // Writes `n` bytes at `p` to the target and returns how many it accepted;
  // fewer than `n` only after a failure, whose errno is left in `err`.
  std::size_t write_target(const char* p, std::size_t n, int& err) {
    switch (target_) {
      case target::buffer: buffer_->append(p, n); return n;
      case target::file: {
        errno = 0;
        std::size_t k = std::fwrite(p, 1, n, file_);
        if (k < n) err = errno != 0 ? errno : EIO;
        return k;
      }
      case target::stream: {
        std::ostream::sentry ok(*stream_);
        std::streamsize k = ok ? stream_->rdbuf()->sputn(p, static_cast<std::streamsize>(n)) : 0;
        if (static_cast<std::size_t>(k) < n) err = EIO;
        return static_cast<std::size_t>(k);
      }
      case target::functions:
        if (fns_.write) {
          busy_scope busy(*this);
          fns_.write(std::string_view(p, n));
        }
        return n;
    }
    return n;
  }

  // Writes the staging area to the target.  Bytes not accepted are kept at
  // the front of the area.
  void drain() {
    const std::size_t n = used();
    if (n == 0) return;
    int err = 0;
    std::size_t done;
    try {
      done = write_target(staging_.data(), n, err);
    } catch (...) {
      // A write function failed: it accepted nothing, so all is kept.
      abandon_document();
      throw;
    }
    if (done < n) std::memmove(staging_.data(), staging_.data() + done, n - done);
    cur_ = staging_.data() + (n - done);
    if (done < n) write_failed(err);
  }

  // Writes a text too long for the staging area directly.  What the target
  // does not accept of it is lost with the rest of the failing document.
  void write_direct(const char* p, std::size_t n) {
    drain();
    int err = 0;
    if (write_target(p, n, err) < n) write_failed(err);
  }

  [[noreturn, gnu::noinline]] void write_failed(int err) {
    abandon_document();
    if (target_ == target::stream) {
      stream_->setstate(std::ios_base::badbit);  // throws if the stream asks for it
      throw std::ios_base::failure("quarn::formatter: writing to the stream failed");
    }
    throw std::system_error(err, std::generic_category(), "quarn::formatter: writing failed");
  }

  // After a failed write: forgets the document being laid out, so that the
  // next one starts as on a new formatter.  Text already staged is kept.
  void abandon_document() {
    rinit();
    is_new_line_ = true;
  }

  void device_flush() {
    drain();
    switch (target_) {
      case target::file:
        errno = 0;
        if (std::fflush(file_) != 0) write_failed(errno != 0 ? errno : EIO);
        break;
      case target::stream:
        if (!stream_->flush()) write_failed(EIO);
        break;
      case target::functions:
        if (fns_.flush) {
          busy_scope busy(*this);
          fns_.flush();
        }
        break;
      case target::buffer: break;
    }
  }

  std::size_t used() const { return static_cast<std::size_t>(cur_ - staging_.data()); }
  // Forgets the laid-out text not yet written.
  void drop_output() { cur_ = staging_.data(); }
  std::size_t room() const { return static_cast<std::size_t>(end_ - cur_); }

  // Makes room for `n` more bytes, growing or draining the staging area;
  // false when `n` is larger than the area can ever hold.
  bool make_room(std::size_t n) {
    const std::size_t u = used();
    if (staging_.size() < max_staging && u + n <= max_staging) {
      std::size_t size = std::max({staging_.size() * 2, u + n, std::size_t{256}});
      staging_.resize(std::min(size, max_staging));
      cur_ = staging_.data() + u;
      end_ = staging_.data() + staging_.size();
      return true;
    }
    drain();
    return n <= room();
  }

  void out_string(const char* p, std::size_t n) {
    if (n > room() && !make_room(n)) {
      write_direct(p, n);
      return;
    }
    std::memcpy(cur_, p, n);
    cur_ += n;
  }
  void out_string(std::string_view s) { out_string(s.data(), s.size()); }
  // Short pieces are copied a fixed N bytes at a time (the cursor then
  // moves by their length n <= N), which is much cheaper than a call to
  // memcpy.
  template <std::size_t N>
  void out_short(const char (&chars)[N], std::size_t n) {
    if (room() >= N) {
      std::memcpy(cur_, chars, N);
      cur_ += n;
    } else {
      out_string(chars, n);
    }
  }
  void out_newline() {
    if (room() == 0) make_room(1);
    *cur_++ = '\n';
  }
  void out_spaces(long long n) {
    static constexpr char blanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                        ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    if (n <= 0) return;
    if (n <= 16) return out_short(blanks, static_cast<std::size_t>(n));
    out_many_spaces(n);
  }
  void out_many_spaces(long long n) {
    while (n > 0) {
      std::size_t k = static_cast<std::size_t>(std::min<long long>(n, static_cast<long long>(max_staging)));
      if (k > room()) make_room(k);
      k = std::min(k, room());
      std::memset(cur_, ' ', k);
      cur_ += k;
      n -= static_cast<long long>(k);
    }
  }

  // ---- queue --------------------------------------------------------------

  // Tokens are numbered in the order they are queued; token `seq` lives in
  // slot seq & mask_ of the ring while head_seq_ <= seq < tail_seq_.
  bool queue_empty() const { return head_seq_ == tail_seq_; }
  std::size_t queued() const { return static_cast<std::size_t>(tail_seq_ - head_seq_); }
  token& at_seq(std::uint64_t seq) { return ring_[seq & mask_]; }
  bool in_queue(std::uint64_t seq) const { return seq != no_seq && seq >= head_seq_ && seq < tail_seq_; }

  // Appends a token to the queue and returns it, for the caller to fill in
  // the fields of its kind.
  token& push_token(tk kind, long long size, long long length) {
    if (queued() == ring_.size()) [[unlikely]]
      grow_ring();
    token& t = ring_[tail_seq_ & mask_];
    t.kind = kind;
    t.size = size;
    t.length = length;
    ++tail_seq_;
    right_total_ += length;
    return t;
  }
  std::uint64_t last_seq() const { return tail_seq_ - 1; }

  [[gnu::noinline]] void grow_ring() {
    std::vector<token> bigger(ring_.empty() ? 64 : ring_.size() * 2);
    const std::size_t bigger_mask = bigger.size() - 1;
    for (std::uint64_t seq = head_seq_; seq != tail_seq_; ++seq) bigger[seq & bigger_mask] = ring_[seq & mask_];
    ring_.swap(bigger);
    mask_ = bigger_mask;
  }

  token pop_token() {
    token t = ring_[head_seq_ & mask_];
    ++head_seq_;
    return t;
  }

  void clear_queue() {
    left_total_ = 1;
    right_total_ = 1;
    head_seq_ = tail_seq_;
    arena_.clear();
    arena_base_ = 0;
    pending_tags_.clear();
  }

  // Text of queued tokens lives in one arena; the prefix that the layout has
  // consumed is dropped when it makes up most of the arena.
  std::size_t arena_store(std::string_view s) {
    if (queue_empty()) {
      arena_base_ += arena_.size();
      arena_.clear();
    } else if (arena_.size() > 4096) {
      std::size_t live = arena_.size();
      for (std::uint64_t seq = head_seq_; seq != tail_seq_; ++seq) {
        const token& t = ring_[seq & mask_];
        if (t.kind == tk::long_text) {
          live = t.text_off - arena_base_;
          break;
        }
      }
      if (live > arena_.size() / 2) {
        arena_.erase(0, live);
        arena_base_ += live;
      }
    }
    std::size_t off = arena_base_ + arena_.size();
    arena_.append(s);
    return off;
  }
  std::string_view text_of(const token& t) const {
    if (t.kind == tk::text) return {t.chars, t.text_len};
    return {arena_.data() + (t.text_off - arena_base_), t.text_len};
  }

  // ---- layout -------------------------------------------------------------

  void format_pp_text(long long size, std::string_view s) {
    space_left_ -= size;
    out_string(s);
    is_new_line_ = false;
  }

  void break_new_line(long long offset, long long width) {
    out_newline();
    is_new_line_ = true;
    long long indent = margin_ - width + offset;
    current_indent_ = std::min<long long>(max_indent_, indent);
    space_left_ = margin_ - current_indent_;
    out_spaces(current_indent_);
  }

  void break_line(long long width) { break_new_line(0, width); }

  void break_same_line(long long spaces) {
    space_left_ -= spaces;
    out_spaces(spaces);
  }

  void force_break_line() {
    if (fstack_.empty()) {
      out_newline();
      return;
    }
    const format_elem top = fstack_.back();
    if (top.width > space_left_ && top.kind != lk::fits && top.kind != lk::h) break_line(top.width);
  }

  // Drops the token after a conditional text whose line was not just split,
  // giving its width back.
  void skip_token() {
    if (queue_empty()) return;
    token t = pop_token();
    if (t.kind == tk::open_tag) pending_tags_.pop_front();
    left_total_ -= t.length;
    space_left_ += t.size;
  }

  void format_break(long long size, int spaces, int offset) {
    if (fstack_.empty()) return;
    const format_elem top = fstack_.back();
    switch (top.kind) {
      case lk::hov:
        if (size > space_left_)
          break_new_line(offset, top.width);
        else
          break_same_line(spaces);
        break;
      case lk::b:
        if (is_new_line_)
          break_same_line(spaces);
        else if (size > space_left_)
          break_new_line(offset, top.width);
        else if (current_indent_ > margin_ - top.width + offset)
          break_new_line(offset, top.width);
        else
          break_same_line(spaces);
        break;
      case lk::hv:
      case lk::v: break_new_line(offset, top.width); break;
      case lk::fits:
      case lk::h: break_same_line(spaces); break;
    }
  }

  // Lays out a token that is neither a short text nor a break hint (those
  // are laid out by advance_left itself).
  void format_token(long long size, const token& t) {
    switch (t.kind) {
      case tk::text:
      case tk::long_text: format_pp_text(size, text_of(t)); break;
      case tk::begin: {
        long long insertion_point = margin_ - space_left_;
        if (insertion_point > max_indent_) force_break_line();
        long long width = space_left_ - t.n.a;
        lk kind = layout_kind(t.box);
        if (kind != lk::v && size <= space_left_) kind = lk::fits;
        fstack_.push_back({kind, width});
        break;
      }
      case tk::end:
        if (!fstack_.empty()) fstack_.pop_back();
        break;
      case tk::newline:
        if (fstack_.empty())
          out_newline();
        else
          break_line(fstack_.back().width);
        break;
      case tk::if_newline:
        if (current_indent_ != margin_ - space_left_) skip_token();
        break;
      case tk::brk: format_break(size, t.n.a, t.n.b); break;
      case tk::open_tag: {
        // Open-tag tokens leave the queue in order, so theirs is the first.
        std::shared_ptr<const stag> tag = std::move(pending_tags_.front());
        pending_tags_.pop_front();
        std::string marker;
        if (fns_tags_.mark_open_stag) {
          busy_scope busy(*this);
          marker = fns_tags_.mark_open_stag(*tag);
        } else {
          marker = default_mark_open(*tag);
        }
        out_string(marker);
        mark_stack_.push_back(std::move(tag));
        break;
      }
      case tk::close_tag: {
        if (mark_stack_.empty()) break;
        std::shared_ptr<const stag> tag = std::move(mark_stack_.back());
        mark_stack_.pop_back();
        std::string marker;
        if (fns_tags_.mark_close_stag) {
          busy_scope busy(*this);
          marker = fns_tags_.mark_close_stag(*tag);
        } else {
          marker = default_mark_close(*tag);
        }
        out_string(marker);
        break;
      }
    }
  }

  // Lays out the head of the queue while its size is known or the pending
  // material cannot fit on the line anyway.
  void advance_left() {
    // The queue's state is kept in locals (stores of text into the staging
    // area would otherwise make the compiler reload it), and read again
    // after any token that could run user code.
    const token* ring = ring_.data();
    std::size_t mask = mask_;
    std::uint64_t seq = head_seq_;
    std::uint64_t tail = tail_seq_;
    while (seq != tail) {
      const token& head = ring[seq & mask];
      long long size = head.size;
      if (size < 0) {
        if (right_total_ - left_total_ < space_left_) return;
        size = infinity;
      }
      const long long length = head.length;
      head_seq_ = ++seq;
      // The slot stays intact while the token is laid out: only user tag
      // functions could queue more, and they run last.  The two most
      // frequent kinds are laid out here.
      if (head.kind == tk::text) {
        space_left_ -= size;
        is_new_line_ = false;
        left_total_ += length;
        out_short(head.chars, head.text_len);
        continue;
      }
      if (head.kind == tk::brk) {
        format_break(size, head.n.a, head.n.b);
        left_total_ += length;
        continue;
      }
      format_token(size, head);
      left_total_ += length;
      ring = ring_.data();
      mask = mask_;
      seq = head_seq_;
      tail = tail_seq_;
    }
  }

  // True when the head of the queue (there is one) must wait: its size is
  // unknown and the pending material may still fit on the line.
  bool head_waits() const {
    return ring_[head_seq_ & mask_].size < 0 && right_total_ - left_total_ < space_left_;
  }

  // Queues a text of `size` columns and at most inline_text bytes.
  void enqueue_short(long long size, const char* p, std::size_t n) {
    token& t = push_token(tk::text, size, size);
    t.text_len = static_cast<std::uint32_t>(n);
    // Copies of 1 to inline_text bytes without a call to memcpy.
    if (n >= 4) {
      std::memcpy(t.chars, p, 4);
      std::memcpy(t.chars + n - 4, p + n - 4, 4);
    } else if (n > 0) {
      t.chars[0] = p[0];
      t.chars[n / 2] = p[n / 2];
      t.chars[n - 1] = p[n - 1];
    }
    if (!head_waits()) advance_left();
  }

  void enqueue_string_as(long long size, std::string_view s) {
    if (queue_empty()) {
      // Nothing is pending: the text can be laid out at once.
      right_total_ += size;
      format_pp_text(size, s);
      left_total_ += size;
      return;
    }
    if (s.size() <= inline_text) return enqueue_short(size, s.data(), s.size());
    if (s.size() > std::numeric_limits<std::uint32_t>::max())
      throw std::length_error("quarn::formatter: text longer than 4 GiB");
    std::size_t off = arena_store(s);
    token& t = push_token(tk::long_text, size, size);
    t.text_len = static_cast<std::uint32_t>(s.size());
    t.text_off = off;
    advance_left();
  }

  void print_char(char c) {
    if (depth_ >= max_boxes_) return;
    if (queue_empty()) {
      right_total_ += 1;
      space_left_ -= 1;
      if (room() == 0) make_room(1);
      *cur_++ = c;
      is_new_line_ = false;
      left_total_ += 1;
      return;
    }
    enqueue_short(1, &c, 1);
  }

  // ---- scan stack ---------------------------------------------------------

  [[gnu::noinline]] void initialize_scan_stack() {
    scan_.clear();
    scan_.push_back({-1, no_seq, tk::text});
  }

  // Fills in the size of the box or hint on top of the scan stack: `brk`
  // true for a hint, false for a box.
  void set_size(bool brk) {
    const scan_elem top = scan_.back();
    if (top.left_total < left_total_) {
      // The element has been laid out already: the stack is obsolete.
      initialize_scan_stack();
      return;
    }
    bool match = (top.kind == tk::brk && brk) || (top.kind == tk::begin && !brk);
    if (!match) return;
    if (in_queue(top.seq)) {
      token& t = at_seq(top.seq);
      t.size = right_total_ + t.size;
    }
    scan_.pop_back();
  }

  // Registers the token just queued (a box or a hint) on the scan stack.
  void scan_push(bool brk, tk kind) {
    const std::uint64_t seq = last_seq();
    if (brk) {
      scan_elem& top = scan_.back();
      if (top.left_total >= left_total_ && top.kind == tk::brk) {
        // The usual case, the previous hint of the same box: its size is
        // now known, and the new hint takes its place on the stack.  (A
        // hint on the stack is in the queue unless it has been laid out.)
        if (top.seq >= head_seq_) at_seq(top.seq).size += right_total_;
        top = {right_total_, seq, kind};
        return;
      }
      set_size(true);
    }
    if (scan_.size() == scan_.capacity()) [[unlikely]]
      grow_scan_stack();
    scan_.push_back({right_total_, seq, kind});
  }

  [[gnu::noinline]] void grow_scan_stack() { scan_.reserve(std::max<std::size_t>(64, 2 * scan_.size())); }

  // ---- operations ---------------------------------------------------------

  void open_box_gen(int indent, box_kind kind) {
    ++depth_;
    if (depth_ < max_boxes_) {
      token& t = push_token(tk::begin, -right_total_, 0);
      t.n.a = indent;
      t.box = kind;
      scan_push(false, tk::begin);
    } else if (depth_ == max_boxes_) {
      enqueue_string_as(static_cast<long long>(ellipsis_.size()), ellipsis_);
    }
  }

  void close_box() {
    if (depth_ <= 1) return;
    if (depth_ < max_boxes_) {
      push_token(tk::end, 0, 0);
      set_size(true);
      set_size(false);
    }
    --depth_;
  }

  void print_as(long long width, std::string_view s) {
    if (depth_ < max_boxes_) enqueue_string_as(width, s);
  }

  void print_break(int spaces, int offset) {
    if (depth_ >= max_boxes_) return;
    // The usual case, handled without a call: the ring has room and the
    // previous hint of the same box is on top of the scan stack.
    scan_elem& top = scan_.back();
    if (queued() == ring_.size() || top.left_total < left_total_ || top.kind != tk::brk) [[unlikely]]
      return queue_break(spaces, offset);
    token& t = push_token(tk::brk, -right_total_, spaces);
    t.n.a = spaces;
    t.n.b = offset;
    if (top.seq >= head_seq_) at_seq(top.seq).size += right_total_;
    top = {right_total_, last_seq(), tk::brk};
  }

  [[gnu::noinline]] void queue_break(int spaces, int offset) {
    token& t = push_token(tk::brk, -right_total_, spaces);
    t.n.a = spaces;
    t.n.b = offset;
    scan_push(true, tk::brk);
  }

  void simple(tk kind) {
    if (depth_ >= max_boxes_) return;
    push_token(kind, 0, 0);
    advance_left();
  }

  void open_stag(std::shared_ptr<const stag> tag) {
    if (!tag) throw std::invalid_argument("quarn::formatter::open_stag: null tag");
    if (print_tags_) {
      tag_stack_.push_back(tag);
      if (fns_tags_.print_open_stag) fns_tags_.print_open_stag(*tag);
    }
    if (mark_tags_) {
      pending_tags_.push_back(std::move(tag));
      push_token(tk::open_tag, 0, 0);
    }
  }

  void close_stag() {
    if (mark_tags_) {
      push_token(tk::close_tag, 0, 0);
    }
    if (print_tags_ && !tag_stack_.empty()) {
      std::shared_ptr<const stag> tag = std::move(tag_stack_.back());
      tag_stack_.pop_back();
      if (fns_tags_.print_close_stag) fns_tags_.print_close_stag(*tag);
    }
  }

  void rinit() {
    clear_queue();
    initialize_scan_stack();
    fstack_.clear();
    tag_stack_.clear();
    mark_stack_.clear();
    current_indent_ = 0;
    depth_ = 0;
    space_left_ = margin_;
    open_box_gen(0, box_kind::hov);
  }

  void flush_queue(bool newline) {
    for (std::size_t n = tag_stack_.size(); n > 0; --n) close_stag();
    while (depth_ > 1) close_box();
    // The outermost box closes at every flush too, so that its last hint,
    // and the box itself if none of it has been laid out yet, are measured
    // against what is actually left, as at the close of any other box.
    push_token(tk::end, 0, 0);
    set_size(true);
    set_size(false);
    right_total_ = left_total_ + infinity;
    advance_left();
    if (newline) out_newline();
    rinit();
  }

  static long long limit(long long n) { return n < infinity ? n : infinity - 1; }

  void set_min_space_left(long long n) {
    if (n < 1) return;
    min_space_left_ = limit(n);
    max_indent_ = margin_ - min_space_left_;
  }

  void set_max_indent(long long n) {
    if (n > 1) set_min_space_left(margin_ - n);
  }

  void set_margin(long long n) {
    if (n < 1) return;
    n = limit(n);
    // Keep the columns of the current line and of the open boxes.
    long long delta = n - margin_;
    margin_ = n;
    space_left_ += delta;
    for (format_elem& e : fstack_) e.width += delta;
    long long new_max_indent =
        max_indent_ <= margin_ ? max_indent_ : std::max({margin_ - min_space_left_, margin_ / 2, 1LL});
    set_max_indent(new_max_indent);
  }

  void init() {
    reset_settings();
    rinit();
  }

  void reset_settings() {
    margin_ = default_margin;
    min_space_left_ = default_min_space_left;
    max_indent_ = margin_ - min_space_left_;
    max_boxes_ = INT_MAX;
    ellipsis_.assign(1, '.');
    mark_tags_ = false;
    print_tags_ = false;
    fns_tags_ = default_stag_functions();
    is_new_line_ = true;
  }

  // Device.
  target target_;
  std::FILE* file_ = nullptr;
  std::ostream* stream_ = nullptr;
  output_functions fns_;
  std::string* buffer_ = nullptr;
  std::string staging_;  // its size is the staging area's
  char* cur_ = staging_.data();  // text fills staging_ up to here
  char* end_ = cur_;

  // Queue of pending tokens (a ring buffer whose capacity is a power of 2).
  std::vector<token> ring_;
  std::size_t mask_ = 0;  // ring_.size() - 1
  std::uint64_t head_seq_ = 0;  // the first queued token
  std::uint64_t tail_seq_ = 0;  // one past the last
  std::string arena_;
  std::size_t arena_base_ = 0;
  std::deque<std::shared_ptr<const stag>> pending_tags_;  // tags of queued open-tag tokens

  std::vector<scan_elem> scan_;
  std::vector<format_elem> fstack_;
  std::vector<std::shared_ptr<const stag>> tag_stack_;
  std::vector<std::shared_ptr<const stag>> mark_stack_;

  long long margin_ = default_margin;
  long long min_space_left_ = default_min_space_left;
  long long max_indent_ = default_margin - default_min_space_left;
  long long space_left_ = default_margin;
  long long current_indent_ = 0;
  bool is_new_line_ = true;
  long long left_total_ = 1;
  long long right_total_ = 1;
  int depth_ = 0;
  int max_boxes_ = INT_MAX;
  std::string ellipsis_;
  bool mark_tags_ = false;
  bool print_tags_ = false;
  stag_functions fns_tags_;
  bool busy_ = false;  // a write, flush or mark function is running
};

}  // namespace detail

namespace {
[[noreturn, gnu::noinline]] void negative_spaces() {
  throw std::invalid_argument("quarn::formatter::print_break: negative number of spaces");
}
[[noreturn, gnu::noinline]] void moved_from() {
  throw std::logic_error("quarn::formatter: used after being moved from");
}
[[noreturn, gnu::noinline]] void reentered() {
  throw std::logic_error("quarn::formatter: printed to from its own write, flush or tag function");
}
}  // namespace

// Every operation goes through one of these two: a moved-from formatter has
// no engine, and an engine whose write or tag function is running is in the
// middle of a change that a nested operation would corrupt.
detail::engine& formatter::engine_() {
  if (e_ == nullptr || e_->busy_) [[unlikely]] {
    if (e_ == nullptr) moved_from();
    reentered();
  }
  return *e_;
}

const detail::engine& formatter::engine_() const {
  if (e_ == nullptr) [[unlikely]]
    moved_from();
  return *e_;
}

formatter::formatter(std::string& buffer) : e_(std::make_unique<detail::engine>(buffer)) {}
formatter::formatter(std::FILE* channel) : e_(std::make_unique<detail::engine>(channel)) {}
formatter::formatter(std::ostream& stream) : e_(std::make_unique<detail::engine>(stream)) {}
formatter::formatter(output_functions out) : e_(std::make_unique<detail::engine>(std::move(out))) {}
formatter::formatter(formatter&&) noexcept = default;
formatter& formatter::operator=(formatter&&) noexcept = default;
formatter::~formatter() = default;

void formatter::open_box(box_kind kind, int indent) { engine_().open_box_gen(indent, kind); }
void formatter::close_box() { engine_().close_box(); }

void formatter::print_string(std::string_view s) { engine_().print_as(static_cast<long long>(s.size()), s); }

void formatter::print_as(int width, std::string_view s) {
  if (width < 0) throw std::invalid_argument("quarn::formatter::print_as: negative width");
  engine_().print_as(width, s);
}

void formatter::print_char(char c) { engine_().print_char(c); }

void formatter::print_int(long long n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  print_string(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void formatter::print_bool(bool b) { print_string(b ? "true" : "false"); }

void formatter::print_break(int spaces, int offset) {
  if (spaces < 0) [[unlikely]]
    negative_spaces();
  engine_().print_break(spaces, offset);
}

void formatter::force_newline() { engine_().simple(detail::tk::newline); }
void formatter::print_if_newline() { engine_().simple(detail::tk::if_newline); }

void formatter::print_flush() {
  detail::engine& e = engine_();
  e.flush_queue(false);
  e.device_flush();
}

void formatter::print_newline() {
  detail::engine& e = engine_();
  e.flush_queue(true);
  e.device_flush();
}

void formatter::open_stag(std::shared_ptr<const stag> tag) { engine_().open_stag(std::move(tag)); }
void formatter::close_stag() { engine_().close_stag(); }
void formatter::open_tag(std::string name) { engine_().open_stag(std::make_shared<const string_tag>(std::move(name))); }
void formatter::set_mark_tags(bool on) { engine_().mark_tags_ = on; }
void formatter::set_print_tags(bool on) { engine_().print_tags_ = on; }
void formatter::set_tags(bool on) {
  detail::engine& e = engine_();
  e.mark_tags_ = on;
  e.print_tags_ = on;
}
bool formatter::mark_tags() const { return engine_().mark_tags_; }
bool formatter::print_tags() const { return engine_().print_tags_; }
const stag_functions& formatter::get_stag_functions() const { return engine_().fns_tags_; }
void formatter::set_stag_functions(stag_functions fns) { engine_().fns_tags_ = std::move(fns); }

void formatter::set_margin(int n) { engine_().set_margin(n); }
int formatter::margin() const { return static_cast<int>(engine_().margin_); }
void formatter::set_max_indent(int n) { engine_().set_max_indent(n); }
int formatter::max_indent() const { return static_cast<int>(engine_().max_indent_); }
void formatter::set_max_boxes(int n) {
  detail::engine& e = engine_();
  if (n > 1) e.max_boxes_ = n;
}
int formatter::max_boxes() const { return engine_().max_boxes_; }
bool formatter::over_max_boxes() const {
  const detail::engine& e = engine_();
  return e.depth_ >= e.max_boxes_;
}
void formatter::set_ellipsis_text(std::string s) { engine_().ellipsis_ = std::move(s); }
const std::string& formatter::ellipsis_text() const { return engine_().ellipsis_; }
int formatter::depth() const { return engine_().depth_; }

void formatter::reset() {
  detail::engine& e = engine_();
  e.reset_settings();
  e.rinit();
  e.drop_output();
}

void formatter::retarget(std::string& buffer) {
  detail::engine& e = engine_();
  if (e.target_ != detail::engine::target::buffer)
    throw std::logic_error("quarn::formatter::retarget: not a buffer formatter");
  e.drain();
  e.buffer_ = &buffer;
}

}  // namespace quarn
