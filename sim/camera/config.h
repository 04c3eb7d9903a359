// The camera simulator's configuration, read from the "camera" section of sim.json (see
// docs/sim-camera.md for every key and its default).
//
// A head's keys may stand at the section level (for every head) or in its entry of "heads"
// (which wins). Camera 1 looks at H-alpha 6562.8 A, camera 2 at Ca II 8542 A, unless told
// otherwise.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "sim/camera/head.h"
#include "sim/camera/solar_scene.h"

namespace helx::sim::camera {

struct InstrumentConfig {
  int count = 2;  // heads found by the driver, 0 to 2 (more are allowed, up to 8)
  std::uint64_t seed = 1;
  SunConfig sun;
  std::vector<HeadConfig> heads;
  nlohmann::json faults = nlohmann::json::object();
};

// The spectral window a camera sees by default: index 0 H-alpha, index 1 Ca II 8542.
Spectrograph defaultSpectrograph(int index);

InstrumentConfig instrumentFromSettings(const nlohmann::json& section);

}  // namespace helx::sim::camera
