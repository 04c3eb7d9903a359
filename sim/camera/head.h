// One simulated EMCCD camera head: its hardware description, its cooler, and its acquisitions,
// computed from instrument time and synthesised only when the data are read.
//
// An acquisition is a schedule fixed when it starts (frame k exposes from start + k x cycle for
// the effective exposure time); nothing runs in the background. Whoever drives the head hands
// it the optics' position (scanner, grating) whenever it looks, and each frame takes the last
// position seen at or before the middle of its exposure. When the data are read, each frame is
// the solar spectrum (or darkness behind a closed shutter) integrated over its exposure, with
// dark current at the sensor's temperature of that moment, shot noise, electron multiplication,
// read noise, bias and the 14-bit converter. The noise of frame n of a head comes from the
// head's seed and n alone, so a run is repeatable.
//
// Every exposure is written to the simulator log (device "camera", event "exposure").
// Threads: not thread-safe; the owner locks. Times passed in must not go backwards.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "sim/camera/detector_noise.h"
#include "sim/camera/solar_scene.h"
#include "sim/camera/thermal.h"

namespace helx::sim::camera {

enum Amplifier { kElectronMultiplying = 0, kConventional = 1 };

struct HeadConfig {
  std::string model = "DV897_BV";
  int width = 512;
  int height = 512;
  double pixelSize = 16.0;                                      // um
  std::vector<double> verticalSpeeds{0.3, 0.5, 0.9, 1.7, 3.3};  // us per row shift
  // MHz, per amplifier (EM, conventional).
  std::array<std::vector<double>, 2> horizontalSpeeds{std::vector<double>{10.0, 5.0, 3.0, 1.0},
                                                      std::vector<double>{3.0, 1.0, 0.08}};
  // Electrons rms, per amplifier and speed.
  std::array<std::vector<double>, 2> readNoise{std::vector<double>{60.0, 45.0, 35.0, 25.0},
                                               std::vector<double>{12.0, 8.0, 6.0}};
  std::vector<double> preampGains{1.0, 2.4, 5.1};
  double sensitivity = 25.0;          // electrons per DN at pre-amplifier gain 1
  int emGainHigh = 255;               // gain register setting range 0 .. emGainHigh
  double emGainMax = 1000.0;          // real gain at the top setting (exponential in the setting)
  double darkCurrent = 300.0;         // electrons / pixel / s at 20 C
  double darkHalving = 6.0;           // C of cooling that halves it
  double clockInducedCharge = 0.005;  // electrons / pixel / frame through the gain register
  double pedestal = 0.0;              // DN added to the baseline offset
  double baselineDrift = 0.2;         // DN per C below 20 C, clamp off
  double baselineJitter = 2.0;        // DN rms frame to frame, clamp off
  int defaultOffset = 100;            // baseline offset register after initialisation
  double rowOverhead = 1.0;           // us per output row
  double prnu = 0.01;                 // pixel response non-uniformity, rms
  int slitDust = 3;                   // dust grains on the slit (dark rows along the spectrum)
  int minTemperature = -100;
  int maxTemperature = 20;
  std::array<unsigned, 6> hardwareVersion{3, 9, 0, 0, 4, 20};
  std::array<unsigned, 6> softwareVersion{2, 17, 0, 2, 102, 2};
  ThermalConfig thermal;
  Spectrograph spectrograph;

  // Hardware preset by head model ("DV897_BV": 512 x 512, "DV885_KCS_VP": 1004 x 1002).
  static HeadConfig preset(const std::string& model);
  double realGain(int setting) const;
  double darkRate(double celsius) const;
};

// What the driver has set when an acquisition starts.
struct CameraSetup {
  bool series = false;  // false: one frame; true: `frames` frames
  int frames = 1;
  bool frameTransfer = false;
  double exposure = 0.01;  // s, requested
  int verticalSpeed = 0;
  int amplifier = kElectronMultiplying;
  int horizontalSpeed = 0;
  int preamp = 0;
  int emGain = 0;          // gain register setting
  int shutterMode = 0;     // 0 auto, 1 open, 2 closed, 4 and 5 open
  int shutterOpening = 0;  // ms
  int shutterClosing = 0;  // ms
  bool baselineClamp = true;
  int baselineOffset = 100;
  Geometry window;

  bool shutterOpen() const { return shutterMode != 2; }
  int frameCount() const { return series ? frames : 1; }
};

struct Timings {
  double exposure;    // s, effective
  double accumulate;  // s
  double kinetic;     // s, start to start of frames
  double readout;     // s, one frame
  double shift;       // s, image to storage (frame transfer)
};

class Head {
 public:
  Head(int number, HeadConfig config, std::shared_ptr<const SunConfig> sun, std::uint64_t seed,
       double now);

  int number() const { return number_; }  // 1-based, as the log names it
  const HeadConfig& config() const { return config_; }
  const SunConfig& sun() const { return *sun_; }
  ThermalModel& thermal() { return thermal_; }
  const ThermalModel& thermal() const { return thermal_; }

  CameraSetup defaults() const;  // the settings after initialisation
  Timings timings(const CameraSetup& setup) const;

  void start(const CameraSetup& setup, OpticsPosition at, double now, bool neverEnds = false);
  void observe(OpticsPosition at, double now);
  bool acquiring(double now);
  void abort(double now);
  // Samples the last completed acquisition holds (frames x width x height), 0 when none.
  std::size_t dataSize() const;
  // Synthesises the last completed acquisition into `out` (dataSize() samples).
  void read(std::uint16_t* out);

  // The detector's relative light response (PRNU and slit dust), width x height.
  const std::vector<float>& responseMap() const { return response_; }

 private:
  struct Frame {
    double start = 0.0, end = 0.0;
    OpticsPosition at;
    double temperature = 0.0;
    bool settled = false;
  };
  struct Acquisition {
    CameraSetup setup;
    Timings timings{};
    double start = 0.0;
    double end = std::numeric_limits<double>::infinity();
    bool neverEnds = false;
    std::uint64_t firstSerial = 0;
    std::vector<Frame> frames;
    std::vector<std::pair<double, OpticsPosition>> samples;
  };

  void settle(double now);
  const float* rates(const CameraSetup& setup, OpticsPosition at);

  int number_;
  HeadConfig config_;
  std::shared_ptr<const SunConfig> sun_;
  std::uint64_t seed_;
  ThermalModel thermal_;
  std::vector<float> response_;
  std::uint64_t serial_ = 0;  // exposures so far
  std::unique_ptr<Acquisition> current_;
  bool complete_ = false;  // current_ finished and holds data

  // The last scene rendered, kept while the optics stand still.
  std::vector<float> rateCache_;
  bool cacheValid_ = false;
  OpticsPosition cacheAt_;
  Geometry cacheWindow_;
};

}  // namespace helx::sim::camera
