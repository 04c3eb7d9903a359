// Time marks: the text in UTC with four-digit years, and elapsed time from the counter alone.
#include "files/time_marks.h"

#include <gtest/gtest.h>

#include <cstring>

#include "panel_fixture.h"
#include "platform/os/clock.h"
#include "state/observation_state.h"

namespace {
TEST(TimeMarks, TextIsUtcWithFourDigitYearAndZeroPaddedFields) {
  char text[52];
  std::memset(text, 'z', sizeof text);
  format_timemark(text, 1275721389);  // 5 June 2010 07:03:09 UTC
  EXPECT_STREQ(text, "2010.06.05-07:03:09");
  format_timemark(text, 1276622585);  // 15 June 2010 17:23:05 UTC
  EXPECT_STREQ(text, "2010.06.15-17:23:05");
  format_timemark(text, 1767225599);  // last second of 2025
  EXPECT_STREQ(text, "2025.12.31-23:59:59");
  EXPECT_EQ(text[19], '\0');
  EXPECT_EQ(text[20], 'z');  // never writes past the 20 bytes of a mark
}

TEST(TimeMarks, ElapsedTimeComesFromTheCounterNotTheTexts) {
  auto& clock = helx::os::Clock::instance();
  clock.setManual(true);
  gliFreq = helx::os::PerformanceFrequency();
  char start[52], end[52];
  marktime_start(start);
  clock.advance(std::chrono::milliseconds(1250));
  marktime_end(end);
  EXPECT_FLOAT_EQ(time_difference(), 1.25f);
  EXPECT_TRUE(Like(start, "####.##.##-##:##:##")) << start;
  // Instrument time stood still but for the advance: the texts are real calendar time, the
  // elapsed time is the counter's alone.
  EXPECT_LE(std::strcmp(start, end), 0);
  // A new start mark replaces the old one.
  marktime_start(start);
  marktime_end(end);
  EXPECT_FLOAT_EQ(time_difference(), 0.0f);
}

TEST(TimeMarks, DifferenceWithoutAFrequencyIsZero) {
  gliFreq = 0;
  gliStart = 0, gliEnd = 12345;
  EXPECT_EQ(time_difference(), 0.0f);
}
}  // namespace
