#include "sim/pmac/servo_loop.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::pmac {

void ServoLoop::closedLoopCycle(const Setpoint& sp, const IVariables& i) {
  const double scale = std::ldexp(i[iv::kKp], -19);
  const double limit = std::clamp(i[iv::kDacLimit], 0.0, 32767.0);
  double fe = sp.position - position_;
  if (i[iv::kIntegrationMode] == 0.0 || sp.velocity == 0.0) integrator_ += fe;
  // Anti-windup: the integral term alone never asks for more than the output limit.
  double perIntegrator = scale * i[iv::kPositionScale] * i[iv::kKi] / 8388608.0;
  if (perIntegrator > 0.0)
    integrator_ = std::clamp(integrator_, -limit / perIntegrator, limit / perIntegrator);
  double u =
      scale * (i[iv::kPositionScale] *
                   (fe + (i[iv::kKvff] * sp.velocity + i[iv::kKaff] * sp.acceleration) / 128.0 +
                    i[iv::kKi] * integrator_ / 8388608.0) -
               i[iv::kKd] * i[iv::kVelocityScale] * velocity_ / 128.0);
  move(static_cast<int>(std::lround(std::clamp(u, -limit, limit))));
}

void ServoLoop::outputCycle(int dac) {
  integrator_ = 0.0;
  move(dac);
}

void ServoLoop::move(int dac) {
  dac_ = dac;
  velocity_ += plant_.accelPerDac * dac - plant_.damping * velocity_;
  position_ += velocity_;
}

}  // namespace helx::sim::pmac
