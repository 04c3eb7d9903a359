// Talks to the controller the way the observing program does: write, wait 0.05 s of
// instrument time, read a reply into a 1024-byte buffer.
#pragma once

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/dll6k/dll6k.h"
#include "platform/os/clock.h"

namespace helx::dll6k::test {

// Read_HS gives a reply 0.2 s of real time to start; the controller answers from a thread of
// its own, which a loaded machine may run later than that. A reply the controller owes is read
// again until it comes, for up to this long (real time).
constexpr auto kReplyLimit = std::chrono::seconds(10);

inline std::string readReply() {
  char buffer[1024];
  std::memset(buffer, 'x', sizeof buffer);
  Read_HS(buffer);
  return buffer;
}

// One read, as the program makes it: "" when no whole reply came within Read_HS's wait. For the
// replies a fault withholds or cuts.
inline std::string queryOnce(const std::string& command) {
  Write_6KE(command.c_str());
  os::Clock::instance().sleepForSeconds(0.05);
  return readReply();
}

// The reply the controller owes to `command`; "" only when none came within kReplyLimit.
inline std::string query(const std::string& command) {
  std::string reply = queryOnce(command);
  const auto deadline = std::chrono::steady_clock::now() + kReplyLimit;
  while (reply.empty() && std::chrono::steady_clock::now() < deadline) {
    // Read_HS returns at once on a link that is down: look at a pace, not in a spin.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    reply = readReply();
  }
  return reply;
}

// The program's reading of an encoder reply: up to the first line feed, at most 11 characters.
inline long encoderValue(const std::string& reply) {
  return std::stol(reply.substr(0, std::min<std::size_t>(reply.find('\n'), 11)));
}

// Polls (about every millisecond) until `done` holds or 10 s pass.
template <typename F>
bool eventually(F done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace helx::dll6k::test
