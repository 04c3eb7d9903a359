// Where the motion simulators tell the camera simulator what the optics see: the scanner
// position (encoder counts of the scanner's motor) and the grating position (steps of the
// stepper controller's axis 1). A simulator registers a source that computes its position from
// the clock when asked; until one is registered the position reads 0.
//
// Threads: safe from any thread. A source must not call back into the hook.
#pragma once

#include <functional>

namespace helx::sim {

struct ScenePositions {
  double scannerCounts = 0.0;
  double gratingSteps = 0.0;
};

class SceneHook {
 public:
  using Source = std::function<double()>;
  static void setScannerSource(Source source);  // empty Source removes it
  static void setGratingSource(Source source);
  static ScenePositions now();
};

}  // namespace helx::sim
