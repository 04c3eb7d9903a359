// Whole observations on the simulated instrument, driven as an operator would: Power On, the
// setup dialog, OK, Run; then the files written and the simulators' log.
//
// The test binaries wrap DataDump at link time (-Wl,--wrap): every read-out that stored its
// frame is recorded with the camera and the slot it went to, so a check can pair the n-th frame
// a camera read with the n-th exposure the simulator logged for it.
#pragma once

#include <fitsio.h>

#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "helx_fixture.h"

struct Readout {
  int camera = 0;  // 1 or 2, 0 for an unknown handle
  int slot = 0;
  double time = 0;  // instrument time the read-out began, after its exposure
};
std::vector<Readout> Readouts();
void ClearReadouts();
// Called after every read-out, on the reading thread (empty: none).
void SetReadoutHook(std::function<void(int camera, int slot)> hook);

struct Exposure {
  int camera = 0;
  double start = 0, end = 0;
  double scanner = 0;  // encoder counts at the middle of the exposure
  double grating = 0;
};

// The last exposure of `taken` that ran between a frame-table row's two readings (T_START,
// T_END, seconds after the scan's start mark `mark`), or null.
const Exposure* ExposureOfRow(const std::vector<Exposure>& taken, const nlohmann::json& row,
                              double mark);

struct FitsFile {
  std::filesystem::path path;
  int naxis = 0;
  long naxes[3] = {0, 0, 1};
  int bitpix = 0;
  std::string strtime, endtime;
  double elaptime = -1;
  std::vector<std::string> comments;
  std::map<std::string, std::string> keys;  // every card's value, a string without its quotes
  std::vector<float> pixels;                // every sample, frame after frame
};

// The per-frame table beside a cube, and its rows as Astropy's Table.read gives them (one JSON
// object per row, NaN as null).
std::filesystem::path FrameTablePath(const std::filesystem::path& cube);
nlohmann::json FrameTableRows(const std::filesystem::path& table);
// DATE_BEG's text as milliseconds since the epoch (-1 if it is no such text).
long long DateMillis(const std::string& date);
// Calendar time and instrument time read together (within a millisecond of instrument time), so
// that an instrument time can be dated on a clock that runs at real time.
struct ClockPair {
  long long calendarMs = 0;
  double instrument = 0;
};
ClockPair ReadClocksTogether();
// When instrument time `instrument` fell, in calendar milliseconds, by two clocks read together.
double CalendarMillisAt(const ClockPair& together, double instrument);

struct Observation {
  std::string camera = "Camera 1";  // the configuration's label
  std::string acquisition = "Single";
  int frames = 10;
  int runs = 1;
  std::string exposure = "0.01", exposure2 = "0.01";
  std::string scanMode = "Spectrograph";
  std::string stroke, speed;  // imaging mode
  int wavelength = -1;        // the grating ring's entry to choose (-1: as it stands)
  std::string observer;       // typed on the "Misc." page when not empty
};

class Observing : public HelxProgram {
 public:
  // The simulated instrument, like the real one, keeps real time and does not wait for a slow
  // program: on a loaded machine, or under the sanitizers, a step the monitoring loop reaches
  // too late is dropped. Every build is held to the honesty of that: each frame stored under its
  // own step or dropped, counted, told and left as zeros in its file (expectScanFrames,
  // expectLossesTold). That an unloaded machine keeps every step is run_bench's figure, not a
  // test's. A scan must still keep at least LeastStored(frames) of a camera's frames: a
  // program that drops steps for another reason than time is caught here.
  static int LeastStored(int frames);
  // The sanitizers' builds, whose allocator keeps freed memory on purpose.
  static bool Sanitized();

 protected:
  // Two cameras (or `cameras`), the scanner and the stepper controller, on a fast clock; the
  // cameras' and the stepper controller's sections may add settings (faults, ...).
  void simulate(double scale = 25, int cameras = 2, nlohmann::json camera = {},
                nlohmann::json sixk = {});
  // run(), and when an assertion ended the actions early: Stop, then QUIT, so that a failed
  // test ends instead of leaving the program running.
  int observe(const std::function<void()>& actions);
  void powerOn();
  // Opens the dialog, fills it (4x4 binning: 128 x 128 frames) and presses OK.
  void setup(const Observation& s);
  // The clock's rate while a run acquires: real time, as at the telescope. The scan program
  // rests the scanner for 0.3 of a step (27 ms of a 90 ms step), and a frame is stored only
  // when its exposure ended before the scanner was half-way to the next step: a faster clock
  // leaves a busy machine a few milliseconds for that. Power-up and cooling run on the faster
  // rate of simulate(). (Both rates go through TestTimeScale.)
  double runScale = 1;
  double setupScale = 25;  // the rate of simulate(), again once a run has ended
  // Presses Run and waits until the run has ended and Run is enabled again.
  void runAndWait(double seconds = 60);
  void pressRun();
  bool runEnded(double seconds = 60);
  void quit();

  static std::string monitorText();
  // The observation files in the run's data folder ("A" or "B"), oldest first.
  std::vector<FitsFile> files(const std::string& letter, bool flat = false) const;
  static FitsFile readFits(const std::filesystem::path& path);
  // Every exposure the simulator logged for `camera`, by start time.
  static std::vector<Exposure> exposures(int camera);
  // The scan steps of `camera`'s exposures: round(position / step) for each exposure away from
  // the start (the pre-scan exposures at the start are dropped).
  static std::vector<int> stepsOf(const std::vector<Exposure>& all);
  // Every frame of `camera` stored in slot k was exposed at scan step k + 1, checked by pairing
  // each read-out with the last exposure the simulator logged for that camera before it, and
  // at most `scans` x `frames` were stored. Returns the frames stored.
  static int expectStepFrames(int camera, int scans, int frames);
  // The scans of the last Run for `cameras`: every frame stored under its own step (above);
  // every step either stored or dropped and reported; a dropped frame's slot all zeros in the
  // file, every stored one not; the counts of the end line.
  void expectScanFrames(const std::vector<int>& cameras, int scans, int frames) const;
  // What the last observation lost, as the operator was told it: the last end line
  // "Observation ended: N frames lost" names the frames counted lost, the frames dropped because
  // the scanner had moved on are among them and told in their scan's line.
  void expectLossesTold() const;
  // The last "Observation ended: ..." line of the message box, with its newline ("" if none).
  static std::string endLine();
  static int page(const char* name);

  // The process's resident size now, in bytes (0 when /proc cannot tell).
  static long ResidentBytes();
  // Resident growth per scan over `scans` runs of a 10-step scan with both cameras at every
  // step, after `warmUp` runs that fill the allocator's pools and the panels' text. The
  // simulators' in-memory log is switched off: it belongs to the test bench, not the program.
  double GrowthPerScan(int warmUp, int scans);
};
