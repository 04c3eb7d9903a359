// Binds this subsystem's panel callbacks by the names the panel resource uses.
#include "app/shell.h"
#include "motors/motors.h"
#include "platform/ui/callbacks.h"

void RegisterMotorCallbacks() {
  using helx::ui::RegisterCallback;
  RegisterCallback("Motor_Stop", Motor_Stop);
  RegisterCallback("motor_step_increase", motor_step_increase);
  RegisterCallback("motor_step_decrease", motor_step_decrease);
  RegisterCallback("motor_device_select", motor_device_select);
  RegisterCallback("AddWvField", AddWvField);
}
