#include "platform/os/calendar.h"

namespace helx::os {

std::time_t CalendarNow() { return std::time(nullptr); }

std::tm UtcTime(std::time_t t) {
  std::tm out{};
  gmtime_r(&t, &out);
  return out;
}

}  // namespace helx::os
