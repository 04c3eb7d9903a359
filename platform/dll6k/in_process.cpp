#include "platform/dll6k/in_process.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>

#include "platform/os/clock.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "sim/sixk/server.h"

namespace helx::dll6k {

namespace {

struct Holder {
  std::mutex mutex;
  std::unique_ptr<sim::sixk::Server> server;
};

Holder& holder() {
  // Constructed first, so that they are destroyed after the server when the process exits.
  os::Clock::instance();
  sim::Settings::instance();
  sim::SimLog::instance();
  static Holder h;
  return h;
}

}  // namespace

std::optional<int> ensureInProcessController(int port) {
  Holder& h = holder();
  std::lock_guard lock(h.mutex);
  if (h.server) {
    if (port == 0 || port == h.server->port()) return h.server->port();
    return std::nullopt;
  }
  if (!sim::Settings::instance().get<bool>("sixk", "autostart", true)) return std::nullopt;
  try {
    h.server = sim::sixk::Server::fromSettings(port);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dll6k: simulated controller not started: %s\n", e.what());
    return std::nullopt;
  }
  return h.server->port();
}

sim::FaultPlan* inProcessFaults() {
  Holder& h = holder();
  std::lock_guard lock(h.mutex);
  return h.server ? &h.server->faults() : nullptr;
}

}  // namespace helx::dll6k
