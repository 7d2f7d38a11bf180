// SPDX-License-Identifier: MIT
#include "interrupt.hpp"

#include <array>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>

#include <link.h>
#include <pthread.h>
#include <ucontext.h>
#include <unistd.h>

namespace quarn::top::interrupt {

namespace {

// Everything below is shared with the signal handler, which runs on the main
// thread (other threads pass the signal on to it). Only the main thread
// writes it outside the handler.

volatile std::sig_atomic_t installed = 0;
volatile std::sig_atomic_t running = 0;       // in run_interruptible's fn
volatile std::sig_atomic_t shield_depth = 0;  // shields alive
volatile std::sig_atomic_t at_prompt = 0;     // a Ctrl-C while nothing ran
volatile std::sig_atomic_t pending = 0;       // a Ctrl-C not acted upon yet
volatile std::sig_atomic_t presses = 0;       // Ctrl-Cs while this phrase runs
volatile std::sig_atomic_t retries = 0;       // timer signals since the first
sigjmp_buf jump_back;

pid_t main_pid = 0;
pid_t main_tid = 0;
pthread_t main_thread;
timer_t retry_timer;
bool have_timer = false;

constexpr long retry_ns = 10'000'000;  // 10 ms
constexpr int retries_before_forcing = 50;  // half a second

// The executable segments of the loaded objects, collected before a phrase
// runs (the handler only reads them). Code outside them is the phrase's
// own, compiled into anonymous memory by the JIT.
struct segment {
  std::uintptr_t begin, end;
  bool never_jump;  // the toplevel itself, LLVM and clang
};
std::array<segment, 2048> segments;
volatile std::sig_atomic_t segment_count = 0;

int note_object(dl_phdr_info* info, std::size_t, void*) {
  const char* name = info->dlpi_name == nullptr ? "" : info->dlpi_name;
  const bool ours =
      name[0] == '\0' || std::strstr(name, "libLLVM") != nullptr || std::strstr(name, "libclang") != nullptr;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const auto& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD || (ph.p_flags & PF_X) == 0) continue;
    if (segment_count >= static_cast<std::sig_atomic_t>(segments.size())) return 1;
    const std::uintptr_t begin = info->dlpi_addr + ph.p_vaddr;
    segments[static_cast<std::size_t>(segment_count)] = {begin, begin + ph.p_memsz, ours};
    segment_count = segment_count + 1;
  }
  return 0;
}

void collect_segments() {
  segment_count = 0;
  ::dl_iterate_phdr(note_object, nullptr);
}

enum class place { phrase, library, toplevel };

// Where the interrupted thread was.
place where(void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  const auto pc = static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  const auto pc = static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
#else
  // Not known here: as if in a library, so that the jump waits a little.
  (void)uc;
  return place::library;
#endif
#if defined(__x86_64__) || defined(__aarch64__)
  for (std::sig_atomic_t i = 0; i < segment_count; ++i) {
    const segment& s = segments[static_cast<std::size_t>(i)];
    if (pc >= s.begin && pc < s.end) return s.never_jump ? place::toplevel : place::library;
  }
  return place::phrase;
#endif
}

void arm(long ns) {
  if (!have_timer) return;
  itimerspec t{};
  t.it_value.tv_nsec = ns;
  ::timer_settime(retry_timer, 0, &t, nullptr);
}

void disarm() {
  if (!have_timer) return;
  const itimerspec t{};
  ::timer_settime(retry_timer, 0, &t, nullptr);
}

void on_sigint(int, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  if (::getpid() != main_pid) {
    // A child that a phrase forked: a Ctrl-C ends it, as it would any
    // program.
    ::signal(SIGINT, SIG_DFL);
    ::raise(SIGINT);
    errno = saved_errno;
    return;
  }
  if (::gettid() != main_tid) {
    // A Ctrl-C goes to any thread of the process; the phrases run on the
    // main one.
    ::pthread_kill(main_thread, SIGINT);
    errno = saved_errno;
    return;
  }
  const bool retry = info->si_code == SI_TIMER;
  if (running == 0 || shield_depth > 0) {
    if (!retry) {
      if (running != 0 || shield_depth > 0)
        pending = 1;
      else
        at_prompt = 1;
    }
    errno = saved_errno;
    return;
  }
  if (retry)
    retries = retries + 1;
  else
    presses = presses + 1;
  const place p = where(context);
  const bool forced = presses >= 2 || retries >= retries_before_forcing;
  if (p == place::phrase || (p == place::library && forced)) {
    running = 0;
    siglongjmp(jump_back, 1);
  }
  pending = 1;
  arm(retry_ns);
  errno = saved_errno;
}

}  // namespace

void install() {
  if (installed != 0) return;
  main_pid = ::getpid();
  main_tid = ::gettid();
  main_thread = ::pthread_self();
  sigevent ev{};
  ev.sigev_notify = SIGEV_THREAD_ID;
  ev.sigev_signo = SIGINT;
#ifdef sigev_notify_thread_id
  ev.sigev_notify_thread_id = main_tid;
#else
  ev._sigev_un._tid = main_tid;
#endif
  have_timer = ::timer_create(CLOCK_MONOTONIC, &ev, &retry_timer) == 0;
  struct sigaction sa{};
  sa.sa_sigaction = on_sigint;
  sa.sa_flags = SA_SIGINFO;  // no SA_RESTART: a read at the prompt must return
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  installed = 1;
}

bool take_at_prompt() noexcept {
  const bool was = at_prompt != 0;
  at_prompt = 0;
  pending = 0;
  return was;
}

bool requested_at_prompt() noexcept { return at_prompt != 0; }

bool run_interruptible(void (*fn)(void*), void* arg) {
  if (installed == 0 || running != 0 || shield_depth > 0) {
    fn(arg);
    return true;
  }
  collect_segments();
  presses = pending;
  retries = 0;
  if (sigsetjmp(jump_back, 1) != 0) {
    disarm();
    pending = 0;
    return false;
  }
  running = 1;
  // A Ctrl-C while the phrase was compiled: interrupt it as soon as it runs.
  if (pending != 0) arm(1);
  try {
    fn(arg);
  } catch (...) {
    running = 0;
    disarm();
    pending = 0;
    throw;
  }
  running = 0;
  disarm();
  pending = 0;
  return true;
}

shield::shield() noexcept { shield_depth = shield_depth + 1; }

shield::~shield() {
  shield_depth = shield_depth - 1;
  if (shield_depth == 0 && running != 0 && pending != 0) arm(1);
}

}  // namespace quarn::top::interrupt
