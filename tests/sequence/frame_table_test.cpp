// The per-frame table beside every cube, read by Astropy and held against the simulated
// instrument's own log of every exposure: one row per frame, each stored frame dated and placed
// where the camera really exposed it.
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "files/time_marks.h"
#include "observing_fixture.h"
#include "platform/os/calendar.h"
#include "platform/os/clock.h"
#include "scanner/scanner.h"
#include "state/observation_state.h"

namespace fs = std::filesystem;

TEST_F(Observing, EveryCubeHasAFrameTableThatMatchesWhereEachFrameWasExposed) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 8;
    s.exposure = "0.02";
    s.exposure2 = "0.03";
    setup(s);
    // On a clock at real time instrument seconds are calendar seconds, and each row's DATE_BEG
    // can be held against when the simulator began the exposure. The sanitizers' builds slow
    // the clock so that the slowed program keeps up with the scan: there the instrument's
    // seconds are not the calendar's, and only the plain build makes that comparison.
    const bool realTime = TestTimeScale(runScale) == 1.0;
    // The scan's start mark, as it stands while its frames are read (each save makes its own),
    // and the two clocks read together during the scan.
    std::atomic<double> mark{0};
    std::mutex togetherLock;
    ClockPair together;
    SetReadoutHook([&](int, int slot) {
      if (slot == 0) {
        mark = marktime_start_instrument;
        std::lock_guard lock(togetherLock);
        together = ReadClocksTogether();
      }
    });
    runAndWait();
    SetReadoutHook({});
    std::unique_lock lock(togetherLock);
    ASSERT_GT(together.calendarMs, 0) << "no frame was read in slot 0";
    for (int camera : {1, 2}) {
      auto cubes = files(camera == 1 ? "A" : "B");
      ASSERT_EQ(cubes.size(), 1u);
      const fs::path table = FrameTablePath(cubes[0].path);
      ASSERT_TRUE(fs::exists(table)) << table;
      EXPECT_EQ(std::system(("fitsverify -q -e '" + table.string() + "' > /dev/null").c_str()), 0);
      nlohmann::json rows = FrameTableRows(table);
      ASSERT_TRUE(rows.is_array()) << table;
      ASSERT_EQ(rows.size(), 8u);
      const auto taken = exposures(camera);
      const std::size_t plane = static_cast<std::size_t>(cubes[0].naxes[0]) * cubes[0].naxes[1];
      std::string lastDate;
      for (int k = 0; k < 8; ++k) {
        const auto& row = rows[k];
        EXPECT_EQ(row["FRAME"], k + 1);
        EXPECT_EQ(row["STEP"], k + 1);
        bool zeros = true;
        for (std::size_t i = 0; i < plane && zeros; ++i)
          zeros = cubes[0].pixels[k * plane + i] == 0;
        EXPECT_EQ(row["STORED"] == 1, !zeros) << "frame " << k + 1;
        if (row["STORED"] != 1) continue;
        // The simulator's exposure that ran between the two readings is this frame's.
        const Exposure* x = ExposureOfRow(taken, row, mark);
        ASSERT_NE(x, nullptr) << "frame " << k + 1;
        EXPECT_NEAR(row["EXPTIME"].get<double>(), x->end - x->start, 1e-3);
        // Readings taken right around the exposure: within the in-position band (10 counts) of
        // where the simulator says it happened, and at the step the row names.
        EXPECT_NEAR(row["POS_START"].get<double>(), x->scanner, 10.0) << "frame " << k + 1;
        EXPECT_NEAR(row["POS_END"].get<double>(), x->scanner, 10.0) << "frame " << k + 1;
        EXPECT_EQ(std::lround(x->scanner / (10.0 * step_moved)), k + 1);
        const std::string date = row["DATE_BEG"];
        EXPECT_EQ(date.size(), 23u) << date;
        // The exposure's UTC start to the millisecond, not the start mark's whole second.
        const double began = CalendarMillisAt(together, x->start);
        if (realTime) {
          EXPECT_NEAR(static_cast<double>(DateMillis(date)), began, 20.0) << "frame " << k + 1;
        }
        EXPECT_GT(date, lastDate);
        lastDate = date;
      }
    }
    quit();
  });
}
