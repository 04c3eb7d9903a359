#include "files/time_marks.h"

#include <cstdio>
#include <cstring>

#include "platform/os/calendar.h"
#include "platform/os/clock.h"
#include "state/observation_state.h"

void format_timemark(char* text, long long t) {
  std::tm utc = helx::os::UtcTime(static_cast<std::time_t>(t));
  char full[64];
  int n = std::snprintf(full, sizeof full, "%.2d.%.2d.%.2d-%.2d:%.2d:%.2d", utc.tm_year + 1900,
                        utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
  // 19 characters for any four-digit year; never more than the caller's 20 bytes.
  if (n < 0) n = 0;
  if (n > 19) n = 19;
  std::memcpy(text, full, n);
  text[n] = '\0';
}

long long marktime_start_calendar_ms = 0;
double marktime_start_instrument = 0;

// The counter is read after the text, so a start text is never later than its reading.
void marktime_start(char* text) {
  const long long nowMs = helx::os::CalendarNowMillis();
  format_timemark(text, nowMs / 1000);
  gliStart = helx::os::PerformanceCounter();
  marktime_start_calendar_ms = nowMs;
  marktime_start_instrument = helx::os::Clock::instance().seconds();
}

void marktime_end(char* text) {
  format_timemark(text, helx::os::CalendarNow());
  gliEnd = helx::os::PerformanceCounter();
}

float time_difference(void) {
  if (gliFreq <= 0) return 0.0f;
  return static_cast<float>((static_cast<double>(gliEnd) - static_cast<double>(gliStart)) /
                            static_cast<double>(gliFreq));
}
