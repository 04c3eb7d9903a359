// Whether another thread has gone to sleep. A test that checks that a sleeper was not woken
// (or that a wait did not act) must first know that the other thread has looked and gone to
// sleep: on a busy machine it may not have run at all, and the check would pass for nothing.
//
// Linux counts every time a thread blocks (a sleep, a wait on a condition or on a lock) as a
// voluntary context switch; the thread reads its own count, others read it from /proc. A count
// that grew since the mark means the thread has blocked since; a block on a lock that another
// thread holds for a moment counts too, so a sleeper that waits on nothing but its sleep is
// watched best.
//
// Threads: mark() on the watched thread, the rest on any other.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace helx::test {

class SleepWatch {
 public:
  // Real time: far beyond any stall of a loaded machine.
  static constexpr double kLimitSeconds = 10.0;

  // On the watched thread, just before it goes to sleep.
  void mark() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    marked_ = usage.ru_nvcsw;
    thread_ = ::gettid();
  }

  // How often the marked thread has blocked so far; -1 when that cannot be told (not marked
  // yet, the thread has ended, or there is no /proc).
  long blocks() const {
    const pid_t thread = thread_;
    if (thread == 0) return -1;
    std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/status");
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(in, line);)
      if (line.compare(0, key.size(), key) == 0) return std::stol(line.substr(key.size()));
    return -1;
  }

  // Waits until the marked thread has blocked since mark(). True at once when that cannot be
  // told once it is marked: the check that follows then merely proves less.
  bool asleep(double limitSeconds = kLimitSeconds) const {
    // The thread first: mark() stores it last, so the count read after it is the marked one.
    return waitFor([&] { return thread_ != 0 && blockedSince(marked_); }, limitSeconds);
  }

  // Whether the marked thread has blocked more than `count` times (a count taken with blocks()
  // before it was woken): it has looked again and gone back to sleep. One look.
  bool blockedSince(long count) const {
    if (thread_ == 0) return false;
    const long now = blocks();
    return now < 0 || now > count;
  }

  // Waits until blockedSince(count).
  bool asleepAgain(long count, double limitSeconds = kLimitSeconds) const {
    return waitFor([&] { return blockedSince(count); }, limitSeconds);
  }

 private:
  template <typename F>
  static bool waitFor(F done, double limitSeconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(limitSeconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return done();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::atomic<long> marked_{0};
  std::atomic<pid_t> thread_{0};
};

}  // namespace helx::test
