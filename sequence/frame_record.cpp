#include "sequence/frame_record.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "camera/camera.h"
#include "files/frame_table.h"
#include "files/time_marks.h"
#include "motors/motors.h"
#include "platform/os/calendar.h"
#include "state/camera_slot.h"
#include "state/observation_state.h"

namespace {

struct Frame {
  int step = 0;
  bool exposed = false, stored = false;
  double start = 0;
  float exposure = 0;
  PositionReading before{std::nan(""), std::nan("")}, after{std::nan(""), std::nan("")};
};

struct Record {
  std::vector<Frame> frames;
  long long markCalendarMs = 0;
  double markInstrument = 0;
  int grating = 0;
};

// Never destroyed, with what it guards: a run thread QUIT leaves behind may still record a
// frame while the program exits.
std::mutex& recordLock = *new std::mutex;
Record* const records = new Record[2];  // camera 1, camera 2

Record& recordOf(const CameraSlot& camera) { return records[camera.number - 1]; }

// "2026-12-08T04:31:53.125": the mark's calendar time plus the instrument seconds since it.
void dateOf(const Record& r, double instrument, char* out, std::size_t size) {
  const long long millis =
      r.markCalendarMs + std::llround((instrument - r.markInstrument) * 1000.0);
  const long long seconds = millis >= 0 ? millis / 1000 : (millis - 999) / 1000;
  const int ms = static_cast<int>(millis - seconds * 1000);
  std::tm utc = helx::os::UtcTime(static_cast<std::time_t>(seconds));
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, ms);
  std::snprintf(out, size, "%.23s", text);
}

}  // namespace

void BeginFrameRecord(int camera, int frames) {
  std::lock_guard lock(recordLock);
  Record& r = recordOf(Camera(camera));
  r.frames.assign(frames > 0 ? static_cast<std::size_t>(frames) : 0, Frame{});
  for (int k = 0; k < frames; ++k) r.frames[k].step = k + 1;
  r.markCalendarMs = marktime_start_calendar_ms;
  r.markInstrument = marktime_start_instrument;
  r.grating = MotorPos1E;
}

void RecordFrame(const CameraSlot& camera, int slot, int step, double exposureStart, float exposure,
                 PositionReading before, PositionReading after, bool stored) {
  std::lock_guard lock(recordLock);
  Record& r = recordOf(camera);
  if (slot < 0 || slot >= static_cast<int>(r.frames.size())) return;
  r.frames[slot] = Frame{step, true, stored, exposureStart, exposure, before, after};
}

void RecordSeries(const CameraSlot& camera, int frames, double exposureStart, double cycle,
                  float exposure, PositionReading before, PositionReading after) {
  for (int k = 0; k < frames; ++k)
    RecordFrame(camera, k, k + 1, exposureStart + k * cycle, exposure, before, after, true);
}

float DriverExposure(float configured) {
  float exposure = 0, accumulate = 0, kinetic = 0;
  if (GetAcquisitionTimings(&exposure, &accumulate, &kinetic) != DRV_SUCCESS) return configured;
  return exposure;
}

int SaveFrameRecord(int camera, const char* cubePath) {
  std::vector<FrameTableRow> rows;
  {
    std::lock_guard lock(recordLock);
    const Record& r = recordOf(Camera(camera));
    for (std::size_t k = 0; k < r.frames.size(); ++k) {
      const Frame& f = r.frames[k];
      FrameTableRow row;
      row.frame = static_cast<int>(k) + 1;
      row.step = f.step;
      row.stored = f.stored ? 1 : 0;
      if (f.exposed) dateOf(r, f.start, row.dateBeg, sizeof row.dateBeg);
      row.exptime = f.exposed ? f.exposure : std::nan("");
      row.posStart = f.before.counts;
      row.posEnd = f.after.counts;
      row.tStart = f.before.time - r.markInstrument;
      row.tEnd = f.after.time - r.markInstrument;
      row.grating = r.grating;
      rows.push_back(row);
    }
  }
  return SaveFrameTable(cubePath, rows.data(), static_cast<int>(rows.size()));
}
