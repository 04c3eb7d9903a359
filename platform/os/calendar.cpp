#include "platform/os/calendar.h"

#include <chrono>

namespace helx::os {

std::time_t CalendarNow() { return std::time(nullptr); }

long long CalendarNowMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::tm UtcTime(std::time_t t) {
  std::tm out{};
  gmtime_r(&t, &out);
  return out;
}

}  // namespace helx::os
