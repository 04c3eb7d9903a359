// Calendar time as the program's file names and headers need it: the system's current time in
// whole seconds (or milliseconds), broken down in UTC. Always real time, never the instrument clock
// (clock.h).
//
// Threads: safe from any thread.
#pragma once

#include <ctime>

namespace helx::os {

// Seconds since the epoch, now.
std::time_t CalendarNow();
// Milliseconds since the epoch, now: the same clock as CalendarNow(), to the millisecond.
long long CalendarNowMillis();
// `t` broken down in UTC (tm_year counts from 1900, tm_mon from 0, as the C library's).
std::tm UtcTime(std::time_t t);
inline std::tm UtcNow() { return UtcTime(CalendarNow()); }

}  // namespace helx::os
