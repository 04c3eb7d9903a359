#include "observing_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>

#include "app/shell.h"
#include "camera/camera.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/calendar.h"
#include "platform/os/clock.h"
#include "platform/os/paths.h"
#include "platform/ui/operator.h"
#include "scanner/scanner.h"
#include "sequence/frames_not_read.h"
#include "sequence/sequence.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "state/observation_state.h"

using helx::ui::Operator;
namespace fs = std::filesystem;

namespace {
std::mutex readouts_mutex;
std::vector<Readout> readouts;
std::function<void(int, int)> readout_hook;
}  // namespace

extern "C" int __real__Z8DataDumpiili(int nh, int nv, long handle, int slot);
extern "C" int __wrap__Z8DataDumpiili(int nh, int nv, long handle, int slot) {
  Readout r;
  r.time = helx::os::Clock::instance().seconds();
  const int code = __real__Z8DataDumpiili(nh, nv, handle, slot);
  // A read-out the camera failed stored nothing.
  if (code != DRV_SUCCESS) return code;
  r.camera = handle == nCameraHandle1 ? 1 : handle == nCameraHandle2 ? 2 : 0;
  r.slot = slot;
  std::lock_guard lock(readouts_mutex);
  readouts.push_back(r);
  if (readout_hook) readout_hook(r.camera, slot);
  return code;
}

void SetReadoutHook(std::function<void(int camera, int slot)> hook) {
  std::lock_guard lock(readouts_mutex);
  readout_hook = std::move(hook);
}

std::vector<Readout> Readouts() {
  std::lock_guard lock(readouts_mutex);
  return readouts;
}
void ClearReadouts() {
  std::lock_guard lock(readouts_mutex);
  readouts.clear();
}

void Observing::simulate(double scale, int cameras, nlohmann::json camera, nlohmann::json sixk) {
  if (camera.is_null()) camera = nlohmann::json::object();
  camera["count"] = cameras;
  camera["cool_rate"] = 20.0;
  camera["warm_rate"] = 20.0;
  camera["hold"] = 1.0;
  if (sixk.is_null()) sixk = nlohmann::json::object();
  sixk["port"] = 0;
  helx::sim::Settings::instance().set(
      {{"camera", camera}, {"sixk", sixk}, {"log", {{"path", ""}}}});
  helx::sim::SimLog::instance().reopen();
  helx::atmcd_sim::reset();
  setupScale = scale;
  helx::os::Clock::instance().setScale(TestTimeScale(scale));
  layOutSite();
}

int Observing::observe(const std::function<void()>& actions) {
  return run([&] {
    actions();
    if (HasFatalFailure()) {
      Run_thread_stop = 1;
      quit();
    }
  });
}

void Observing::powerOn() {
  ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
  // Cooled: the temperature watch has reported and ended (temp_thread is also 1 for a moment
  // before the watch starts).
  ASSERT_TRUE(eventually(
      [] {
        return temp_thread == 1 && Scanner_status == 1 && CCD_status == 1 && PmacAccessible &&
               monitorText().find("Temperature Stabilized!") != std::string::npos;
      },
      60));
  // The scanner homes after power-up (the setup is refused meanwhile); a scan starts from its
  // home.
  ASSERT_TRUE(eventually(
      [] {
        return ScannerHomed() == 1 && scanpos > -1.0f && scanpos < 1.0f && Scanner_InPosition == 1;
      },
      60));
}

int Observing::page(const char* name) { return Operator::page(name).value_or(-1); }

void Observing::setup(const Observation& s) {
  ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
  ASSERT_TRUE(Operator::sync());
  int ccd = page("setCCDTAB"), scan = page("setScanTAB");
  ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setCamera, s.camera));
  ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setAcq, s.acquisition));
  ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setBinning, "4x4 (128x128)"));
  ASSERT_TRUE(Operator::sync());
  if (s.acquisition != "Video(Focus)") {
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setFrameNumber, std::to_string(s.frames)));
  }
  ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime, s.exposure));
  ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime2, s.exposure2));
  ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setSequence, std::to_string(s.runs)));
  ASSERT_TRUE(Operator::chooseLabel(scan, setScanTAB_Scan_Mode, s.scanMode));
  ASSERT_TRUE(Operator::sync());
  if (!s.stroke.empty()) {
    ASSERT_TRUE(Operator::type(scan, setScanTAB_Scan_stroke, s.stroke));
  }
  if (!s.speed.empty()) {
    ASSERT_TRUE(Operator::type(scan, setScanTAB_Scan_speed, s.speed));
  }
  if (!s.observer.empty()) {
    ASSERT_TRUE(Operator::type(page("setMISC"), setMISC_MISC_Observer, s.observer));
  }
  if (s.wavelength >= 0) {
    ASSERT_TRUE(Operator::choose(page("setMotoTAB"), setMotoTAB_Motor_Wavelength, s.wavelength));
  }
  ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setOK));
  ASSERT_TRUE(Operator::sync(120));
  if (setup_buffers_ok != 1) {
    for (auto& p : Operator::popups()) ADD_FAILURE() << p.title << ": " << p.text;
  }
  ASSERT_EQ(setup_buffers_ok, 1) << monitorText();
}

void Observing::pressRun() {
  helx::sim::SimLog::instance().clear();
  ClearReadouts();
  helx::os::Clock::instance().setScale(TestTimeScale(runScale));
  auto pressed = Operator::commit(mainPanel, PANEL_cmd_Run);
  ASSERT_TRUE(pressed) << pressed.error;
  // Dispatched: cmd_Run has started (and waits processing events) or has already ended.
  ASSERT_TRUE(Operator::sync(120));
}

bool Observing::runEnded(double seconds) {
  bool ended = eventually(
      [] {
        int dimmed = 1;
        GetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, &dimmed);
        return RunActive() == 0 && dimmed == 0;
      },
      seconds);
  // Power Off and the cameras' warm-up need no real time.
  if (ended) helx::os::Clock::instance().setScale(TestTimeScale(setupScale));
  return ended;
}

void Observing::runAndWait(double seconds) {
  pressRun();
  ASSERT_TRUE(runEnded(seconds));
  ASSERT_TRUE(Operator::sync());
}

void Observing::quit() {
  if (RunActive() == 0) helx::os::Clock::instance().setScale(TestTimeScale(setupScale));
  Operator::commit(mainPanel, PANEL_QUITBUTTON);
}

std::string Observing::monitorText() { return ControlText(mainPanel, PANEL_TB_Text_Monitor); }

std::vector<FitsFile> Observing::files(const std::string& letter, bool flat) const {
  std::vector<FitsFile> out;
  auto folder = helx::os::MapPath(entire_directory);
  if (!folder || !fs::exists(*folder)) return out;
  std::string suffix = "_" + letter + (flat ? "_Flat" : "") + ".fts";
  std::vector<fs::path> paths;
  for (auto& entry : fs::directory_iterator(*folder)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("HELX_", 0) == 0 && name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  for (auto& p : paths) out.push_back(readFits(p));
  return out;
}

FitsFile Observing::readFits(const fs::path& path) {
  FitsFile f;
  f.path = path;
  fitsfile* fptr = nullptr;
  int status = 0;
  if (fits_open_file(&fptr, path.c_str(), READONLY, &status)) return f;
  fits_get_img_param(fptr, 3, &f.bitpix, &f.naxis, f.naxes, &status);
  char value[FLEN_VALUE] = "";
  int s = 0;
  if (!fits_read_key(fptr, TSTRING, "STRTIME", value, nullptr, &s)) f.strtime = value;
  s = 0;
  if (!fits_read_key(fptr, TSTRING, "ENDTIME", value, nullptr, &s)) f.endtime = value;
  s = 0;
  fits_read_key(fptr, TDOUBLE, "ELAPTIME", &f.elaptime, nullptr, &s);
  int keys = 0;
  s = 0;
  fits_get_hdrspace(fptr, &keys, nullptr, &s);
  for (int i = 1; i <= keys; i++) {
    char card[FLEN_CARD] = "";
    s = 0;
    fits_read_record(fptr, i, card, &s);
    if (std::string(card).rfind("COMMENT", 0) == 0) f.comments.push_back(card);
    char name[FLEN_KEYWORD] = "", value[FLEN_VALUE] = "";
    s = 0;
    if (fits_read_keyn(fptr, i, name, value, nullptr, &s) == 0 && *name) {
      std::string v = value;
      if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') {
        v = v.substr(1, v.size() - 2);
        while (!v.empty() && v.back() == ' ') v.pop_back();
      }
      f.keys[name] = v;
    }
  }
  long count = f.naxes[0] * f.naxes[1] * (f.naxis == 3 ? f.naxes[2] : 1);
  f.pixels.resize(static_cast<std::size_t>(count));
  s = 0;
  fits_read_img(fptr, TFLOAT, 1, count, nullptr, f.pixels.data(), nullptr, &s);
  fits_close_file(fptr, &status);
  return f;
}

std::vector<Exposure> Observing::exposures(int camera) {
  std::vector<Exposure> out;
  for (auto& e : helx::sim::SimLog::instance().entries("camera")) {
    if (e["ev"] != "exposure" || e["camera"] != camera) continue;
    Exposure x;
    x.camera = camera;
    x.start = e["start"];
    x.end = e["end"];
    x.scanner = e.value("scanner", 0.0);
    x.grating = e.value("grating", 0.0);
    out.push_back(x);
  }
  std::sort(out.begin(), out.end(),
            [](const Exposure& a, const Exposure& b) { return a.start < b.start; });
  return out;
}

namespace {
// Encoder counts from one scan step (or imaging frame) to the next.
double stepCounts() { return scan_mode == 1 ? 10.0 * step_size : 10.0 * step_moved; }
}  // namespace

std::vector<int> Observing::stepsOf(const std::vector<Exposure>& all) {
  const double step = stepCounts();
  std::vector<int> steps;
  for (auto& x : all) {
    int k = static_cast<int>(std::lround(x.scanner / step));
    if (k != 0) steps.push_back(k);
  }
  return steps;
}

int Observing::expectStepFrames(int camera, int scans, int frames) {
  const auto all = exposures(camera);
  std::string seen;
  for (auto& x : all) seen += std::to_string(x.start) + "@" + std::to_string(x.scanner) + " ";
  int stored = 0;
  for (auto& r : Readouts()) {
    if (r.camera != camera) continue;
    ++stored;
    // The exposure this read-out read: the camera's last one started before it.
    const Exposure* read = nullptr;
    for (auto& x : all)
      if (x.start <= r.time) read = &x;
    if (!read) {
      ADD_FAILURE() << "camera " << camera << ": a read-out at " << r.time << " with no exposure";
      continue;
    }
    EXPECT_EQ(std::lround(read->scanner / stepCounts()), r.slot + 1)
        << "camera " << camera << ": the frame stored in slot " << r.slot << " was exposed at "
        << read->scanner << " counts (step " << stepCounts() << " counts), " << read->start
        << " s; exposures: " << seen;
  }
  EXPECT_LE(stored, scans * frames) << "camera " << camera;
  return stored;
}

void Observing::expectScanFrames(const std::vector<int>& cameras, int scans, int frames) const {
  int stored = 0, empty = 0;
  for (int camera : cameras) {
    const int kept = expectStepFrames(camera, scans, frames);
    EXPECT_GE(kept, LeastStored(scans * frames)) << "camera " << camera << "\n" << monitorText();
    stored += kept;
    for (auto& f : files(camera == 1 ? "A" : "B")) {
      const std::size_t plane = static_cast<std::size_t>(f.naxes[0] * f.naxes[1]);
      for (std::size_t k = 0; k + plane <= f.pixels.size(); k += plane)
        if (std::all_of(f.pixels.begin() + static_cast<long>(k),
                        f.pixels.begin() + static_cast<long>(k + plane),
                        [](float v) { return v == 0; }))
          ++empty;
    }
  }
  const int dropped = run_frames_dropped, notRead = run_frames_not_read;
  EXPECT_EQ(stored + dropped + notRead, static_cast<int>(cameras.size()) * scans * frames);
  EXPECT_EQ(empty, dropped + notRead)
      << "every frame dropped or not read, and only those, left zeros in its file";
  EXPECT_EQ(run_frames_lost, dropped + notRead) << "a frame lost otherwise than dropped or unread";
  expectLossesTold();
}

void Observing::expectLossesTold() const {
  const int lost = run_frames_lost, dropped = run_frames_dropped;
  const std::string text = monitorText();
  EXPECT_LE(dropped, lost);
  EXPECT_EQ(text.find("dropped because the scanner had moved on") != std::string::npos, dropped > 0)
      << text;
  const std::string told = "Observation ended: " + std::to_string(lost) + " frames lost";
  EXPECT_EQ(endLine().rfind(told, 0), 0u) << text;
}

std::string Observing::endLine() {
  const std::string text = monitorText();
  const std::size_t start = text.rfind("Observation ended: ");
  if (start == std::string::npos) return "";
  const std::size_t end = text.find('\n', start);
  return text.substr(start, end == std::string::npos ? end : end + 1 - start);
}

bool Observing::Sanitized() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#else
  return false;
#endif
}

int Observing::LeastStored(int frames) {
  // A loaded machine drops a step now and then; the sanitizers' slowness may drop most.
  return Sanitized() ? 1 : (frames + 1) / 2;
}

long Observing::ResidentBytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  long size = 0, resident = 0;
  int read = std::fscanf(f, "%ld %ld", &size, &resident);
  std::fclose(f);
  return read == 2 ? resident * ::sysconf(_SC_PAGESIZE) : 0;
}

double Observing::GrowthPerScan(int warmUp, int scans) {
  nlohmann::json log = {{"path", ""}, {"memory_bytes", 0}};
  helx::sim::Settings::instance().set(
      {{"camera", {{"count", 2}, {"cool_rate", 20.0}, {"warm_rate", 20.0}, {"hold", 1.0}}},
       {"sixk", {{"port", 0}}},
       {"log", log}});
  helx::sim::SimLog::instance().reopen();
  double growth = -1;
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 10;
    s.runs = warmUp;
    setup(s);
    runAndWait(600);
    long before = ResidentBytes();
    s.runs = scans;
    setup(s);
    runAndWait(3600);
    long after = ResidentBytes();
    growth = static_cast<double>(after - before) / scans;
    quit();
  });
  return growth;
}

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

}  // namespace

nlohmann::json FrameTableRows(const fs::path& table) {
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
long long DateMillis(const std::string& date) {
  std::tm t{};
  int ms = 0;
  if (std::sscanf(date.c_str(), "%d-%d-%dT%d:%d:%d.%d", &t.tm_year, &t.tm_mon, &t.tm_mday,
                  &t.tm_hour, &t.tm_min, &t.tm_sec, &ms) != 7)
    return -1;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  return static_cast<long long>(::timegm(&t)) * 1000 + ms;
}

ClockPair ReadClocksTogether() {
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

fs::path FrameTablePath(const fs::path& cube) {
  fs::path t = cube;
  t.replace_extension(".frames.fits");
  return t;
}

double CalendarMillisAt(const ClockPair& together, double instrument) {
  return static_cast<double>(together.calendarMs) + (instrument - together.instrument) * 1000.0;
}

const Exposure* ExposureOfRow(const std::vector<Exposure>& taken, const nlohmann::json& row,
                              double mark) {
  const double t0 = mark + row["T_START"].get<double>();
  const double t1 = mark + row["T_END"].get<double>();
  const Exposure* found = nullptr;
  for (const Exposure& e : taken)
    if (e.start >= t0 && e.end <= t1 + 1e-6) found = &e;
  return found;
}
