// The simulated controller inside this process, for the simulated instrument: started by the
// library on first need, kept (with its axes where they are) across connections, and stopped
// when the process exits. "autostart": false in the "sixk" section of sim.json turns it off.
//
// Threads: safe from any thread.
#pragma once

#include <optional>

namespace helx::sim {
class FaultPlan;
}

namespace helx::dll6k {

// The port it serves on, starting it on `port` (0: a free one) if none runs yet. nullopt when
// autostart is off, the port cannot be bound, or the one that runs serves another port.
std::optional<int> ensureInProcessController(int port);

// Tests: the running controller's fault plan, to inject a fault at a chosen moment; nullptr
// while none runs.
sim::FaultPlan* inProcessFaults();

}  // namespace helx::dll6k
