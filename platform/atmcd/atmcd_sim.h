// Test access to the simulated instrument behind the camera driver. Tests only: the program's
// own code never includes this.
#pragma once

#include <functional>

#include "sim/camera/head.h"
#include "sim/common/faults.h"

namespace helx::atmcd_sim {

// Rebuilds the instrument from the present simulator settings (the "camera" section): every
// camera uninitialised with its cooler off at ambient, the first camera current, the fault plan
// as configured. The log is not cleared.
void reset();

// The driver's fault plan. Keys are driver call names ("StartAcquisition"), a name with "@N" for
// camera N only ("GetStatus@2"), and "AcquisitionHang" (an acquisition that never finishes).
sim::FaultPlan& faults();

// Runs `f` on the head of camera `number` (1-based) under the driver's lock.
void withHead(int number, const std::function<void(sim::camera::Head&)>& f);

}  // namespace helx::atmcd_sim
