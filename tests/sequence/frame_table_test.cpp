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

namespace {

// The table as Astropy's Table.read gives it, one JSON object per row.
const char kReadTable[] = R"(
import json, math, sys
from astropy.table import Table
t = Table.read(sys.argv[1])
rows = []
for r in t:
    row = {}
    for c in t.colnames:
        v = r[c]
        v = v.item() if hasattr(v, "item") else v
        row[c] = None if isinstance(v, float) and math.isnan(v) else v
    rows.append(row)
print(json.dumps(rows))
)";

nlohmann::json readTable(const fs::path& table) {
  const fs::path script = fs::current_path() / "read_table.py";
  std::ofstream(script) << kReadTable;
  std::string command = "/usr/bin/python3 '" + script.string() + "' '" + table.string() + "'";
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return {};
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0;)
    out.append(buffer.data(), n);
  ::pclose(p);
  return nlohmann::json::parse(out, nullptr, false);
}

// DATE_BEG's text as milliseconds since the epoch (-1 if it is no such text).
long long millisOf(const std::string& date) {
  std::tm t{};
  int ms = 0;
  if (std::sscanf(date.c_str(), "%d-%d-%dT%d:%d:%d.%d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                  &t.tm_hour, &t.tm_min, &t.tm_sec, &ms) != 7)
    return -1;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  return static_cast<long long>(::timegm(&t)) * 1000 + ms;
}

// Calendar time and instrument time read together (within a millisecond of instrument time), so
// that an instrument time can be dated on a clock that runs at real time.
struct ClockPair {
  long long calendarMs = 0;
  double instrument = 0;
};
ClockPair readTogether() {
  auto& clock = helx::os::Clock::instance();
  ClockPair pair;
  for (int tries = 0; tries < 1000; ++tries) {
    const double before = clock.seconds();
    pair.calendarMs = helx::os::CalendarNowMillis();
    pair.instrument = clock.seconds();
    if (pair.instrument - before < 1e-3) break;
  }
  return pair;
}

fs::path tableOf(const fs::path& cube) {
  fs::path t = cube;
  t.replace_extension(".frames.fits");
  return t;
}

}  // namespace

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
        together = readTogether();
      }
    });
    runAndWait();
    SetReadoutHook({});
    std::unique_lock lock(togetherLock);
    ASSERT_GT(together.calendarMs, 0) << "no frame was read in slot 0";
    for (int camera : {1, 2}) {
      auto cubes = files(camera == 1 ? "A" : "B");
      ASSERT_EQ(cubes.size(), 1u);
      const fs::path table = tableOf(cubes[0].path);
      ASSERT_TRUE(fs::exists(table)) << table;
      EXPECT_EQ(std::system(("fitsverify -q -e '" + table.string() + "' > /dev/null").c_str()), 0);
      nlohmann::json rows = readTable(table);
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
        const double t0 = mark + row["T_START"].get<double>();
        const double t1 = mark + row["T_END"].get<double>();
        const Exposure* x = nullptr;
        for (auto& e : taken)
          if (e.start >= t0 && e.end <= t1 + 1e-6) x = &e;
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
        const double began =
            static_cast<double>(together.calendarMs) + (x->start - together.instrument) * 1000.0;
        if (realTime) {
          EXPECT_NEAR(static_cast<double>(millisOf(date)), began, 20.0) << "frame " << k + 1;
        }
        EXPECT_GT(date, lastDate);
        lastDate = date;
      }
    }
    quit();
  });
}
