// The controller's settings from the "sixk" section of sim.json (see docs/sim-sixk.md):
//
//   "sixk": { "port": 5002, "autostart": true, "hatchSeconds": 1.5,
//             "axes": [ {"velocity": 10000, "acceleration": 50000, "positiveLimit": 150000,
//                        "negativeLimit": -2000, "start": 6000, ...}, ... ],
//             "programs": { "SETUP": ["MC0000", "A50000", ...], "HOMING": [...] },
//             "faults": { "NoReply": {"times": 1}, ... } }
//
// Missing keys keep the defaults; values of the wrong type are ignored.
//
// Threads: pure functions.
#pragma once

#include <nlohmann/json.hpp>

#include "sim/sixk/controller.h"

namespace helx::sim::sixk {

// The usual ASCII command port of the controller.
constexpr int kDefaultPort = 5002;

ControllerConfig controllerConfigFrom(const nlohmann::json& section);

}  // namespace helx::sim::sixk
