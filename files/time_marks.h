// Time marks: a UTC time stamp in text ("2010.06.15-17:23:05", caller's buffer of at least 20
// bytes; callers use 52) and a reading of the performance counter into gliStart / gliEnd.
// The elapsed time comes only from the counter, never from the texts.
//
// Threads: taken on the thread that runs the acquisition; one acquisition at a time.
#pragma once

void marktime_start(char* text);
// The last start mark: its calendar time to the millisecond (its text keeps the whole second)
// and the instrument time it was taken at, so that a moment of the acquisition can be dated
// from the mark ("mark + elapsed").
extern long long marktime_start_calendar_ms;
extern double marktime_start_instrument;
void marktime_end(char* text);
// (gliEnd - gliStart) / gliFreq in seconds; 0 when the frequency has not been read.
float time_difference(void);
// Formats `t` (seconds since the epoch) as a time-mark text in UTC.
void format_timemark(char* text, long long t);
