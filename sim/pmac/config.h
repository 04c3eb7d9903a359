// The "pmac" section of sim.json (all keys optional):
//   rom_version, rom_date           texts the firmware queries return
//   start_position                  raw encoder counts of the scanner at power-on
//   negative_limit, positive_limit  raw counts where the end-of-travel switches trip
//   hard_stop_margin                counts from a switch to the mechanical end
//   home_flag, home_flag_width      raw counts where the home flag is high
//   accel_per_dac                   counts/s^2 of motor acceleration per DAC bit
//   damping                         1/s, viscous damping of motor and load
//   gather_buffer_samples           samples per source the gather buffer holds
//   reply_latency_ms                instrument time one command exchange takes
//   reply_timeout_ms                how long the host waits for a reply that never comes
//   settle_short_counts             how far short a move stops under the settle_short fault
//   faults                          see sim/common/faults.h; names "no_reply",
//                                   "no_reply:<COMMAND>", "lost", "amp_enable", "settle_short"
//
// Threads: pure function.
#pragma once

#include <nlohmann/json.hpp>

#include "sim/pmac/controller.h"

namespace helx::sim::pmac {

struct LinkConfig {
  double replyLatencyMs = 0.2;
  double replyTimeoutMs = 500.0;
};

ControllerConfig controllerConfig(const nlohmann::json& section);
LinkConfig linkConfig(const nlohmann::json& section);

}  // namespace helx::sim::pmac
