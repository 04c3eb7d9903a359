#include "platform/dll6k/dll6k.h"

#include <cstring>
#include <memory>
#include <mutex>

#include "platform/dll6k/endpoint.h"
#include "platform/dll6k/in_process.h"
#include "platform/dll6k/link.h"
#include "sim/common/settings.h"
#include "sim/sixk/config.h"

namespace {

using namespace std::chrono_literals;
using helx::dll6k::Link;

constexpr auto kConnectTimeout = 3000ms;
constexpr auto kSendTimeout = 1000ms;
constexpr auto kReplyStart = 200ms;
constexpr auto kReplyQuiet = 20ms;
constexpr auto kRevisionWait = 1000ms;
constexpr std::size_t kReplyMax = 1023;  // the caller's buffer holds 1024 with the NUL

std::mutex mutex;
std::unique_ptr<Link> connection;

}  // namespace

extern "C" short Open_6KE(const char* address) {
  std::lock_guard lock(mutex);
  connection.reset();
  if (!address) return 0;
  int defaultPort =
      helx::sim::Settings::instance().get<int>("sixk", "port", helx::sim::sixk::kDefaultPort);
  auto to = helx::dll6k::parseEndpoint(address, defaultPort);
  if (!to) return 0;
  if (to->port == 0) {
    // Port 0 names the simulated controller on whatever port it got (parallel tests).
    if (!to->loopback) return 0;
    auto port = helx::dll6k::ensureInProcessController(0);
    if (!port) return 0;
    to->port = *port;
  }
  bool refused = false;
  connection = Link::connect(*to, kConnectTimeout, &refused);
  if (!connection && refused && to->loopback) {
    // Nothing listens at the simulated instrument's address: start its controller here.
    if (helx::dll6k::ensureInProcessController(to->port) == to->port)
      connection = Link::connect(*to, kConnectTimeout);
  }
  return connection ? 1 : 0;
}

extern "C" short Initialize_6KE(void) {
  std::lock_guard lock(mutex);
  if (!connection || !connection->discardPending()) return 0;
  if (!connection->send("!TREV:", kSendTimeout)) return 0;
  return connection->receive(kRevisionWait, kReplyQuiet, kReplyMax).empty() ? 0 : 1;
}

extern "C" short Write_6KE(const char* command) {
  std::lock_guard lock(mutex);
  if (!command || !connection) return 0;
  if (!connection->discardPending()) return 0;
  return connection->send(command, kSendTimeout) ? 1 : 0;
}

extern "C" short Read_HS(char* reply) {
  if (!reply) return 0;
  reply[0] = '\0';
  std::lock_guard lock(mutex);
  if (!connection || !connection->alive()) return 0;
  std::string text = connection->receive(kReplyStart, kReplyQuiet, kReplyMax);
  std::memcpy(reply, text.data(), text.size());
  reply[text.size()] = '\0';
  return static_cast<short>(text.size());
}

extern "C" short Close_6KE(void) {
  std::lock_guard lock(mutex);
  if (!connection) return 0;
  connection.reset();
  return 1;
}
