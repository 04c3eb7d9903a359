#include "sim/camera/head.h"

#include <algorithm>
#include <cmath>

#include "sim/common/sim_log.h"

namespace helx::sim::camera {

HeadConfig HeadConfig::preset(const std::string& model) {
  HeadConfig c;  // the defaults are the 512 x 512 back-illuminated head
  if (model == "DV885_KCS_VP") {
    c.model = model;
    c.width = 1004;
    c.height = 1002;
    c.pixelSize = 8.0;
    c.verticalSpeeds = {0.4, 0.6, 1.0, 2.0, 3.4};
    c.horizontalSpeeds = {std::vector<double>{35.0, 27.0, 13.0, 1.0},
                          std::vector<double>{3.0, 1.0}};
    c.readNoise = {std::vector<double>{90.0, 70.0, 45.0, 20.0}, std::vector<double>{10.0, 6.0}};
    c.preampGains = {1.0, 2.2, 4.6};
    c.sensitivity = 20.0;
    c.darkCurrent = 150.0;
    c.hardwareVersion = {3, 9, 0, 0, 3, 14};
  } else {
    c.model = "DV897_BV";
  }
  return c;
}

double HeadConfig::realGain(int setting) const {
  if (setting <= 0 || emGainHigh <= 0) return 1.0;
  return std::pow(emGainMax, static_cast<double>(setting) / emGainHigh);
}

double HeadConfig::darkRate(double celsius) const {
  return darkCurrent * std::exp2((celsius - 20.0) / darkHalving);
}

namespace {

// PRNU (per pixel, Gaussian) times the shadows of dust grains on the slit: each darkens a few
// rows over the whole spectrum.
std::vector<float> makeResponse(const HeadConfig& c, std::uint64_t seed) {
  Rng rng(mixSeed(seed, 0x5E5170u));
  std::vector<float> map(static_cast<std::size_t>(c.width) * c.height);
  for (auto& v : map) v = static_cast<float>(std::max(0.0, 1.0 + c.prnu * rng.normal()));
  for (int d = 0; d < c.slitDust; ++d) {
    const double row = rng.uniform() * c.height;
    const double width = 0.7 + 2.0 * rng.uniform();
    const double depth = 0.05 + 0.2 * rng.uniform();
    for (int r = std::max(0, static_cast<int>(row - 4 * width));
         r < std::min(c.height, static_cast<int>(row + 4 * width) + 1); ++r) {
      const double z = (r - row) / width;
      const auto factor = static_cast<float>(1.0 - depth * std::exp(-0.5 * z * z));
      float* p = map.data() + static_cast<std::size_t>(r) * c.width;
      for (int col = 0; col < c.width; ++col) p[col] *= factor;
    }
  }
  return map;
}

nlohmann::json positionJson(const OpticsPosition& at) {
  return {{"scanner", at.scannerCounts}, {"grating", at.gratingSteps}};
}

}  // namespace

Head::Head(int number, HeadConfig config, std::shared_ptr<const SunConfig> sun, std::uint64_t seed,
           double now)
    : number_(number),
      config_(std::move(config)),
      sun_(std::move(sun)),
      seed_(seed),
      thermal_(config_.thermal, now),
      response_(makeResponse(config_, seed)) {}

CameraSetup Head::defaults() const {
  CameraSetup s;
  s.verticalSpeed = static_cast<int>(config_.verticalSpeeds.size()) - 1;
  s.baselineOffset = config_.defaultOffset;
  s.window.detectorWidth = s.window.hend = config_.width;
  s.window.detectorHeight = s.window.vend = config_.height;
  return s;
}

Timings Head::timings(const CameraSetup& s) const {
  const double vs = config_.verticalSpeeds.at(static_cast<std::size_t>(s.verticalSpeed)) * 1e-6;
  const double hs = config_.horizontalSpeeds.at(static_cast<std::size_t>(s.amplifier))
                        .at(static_cast<std::size_t>(s.horizontalSpeed)) *
                    1e6;
  const double nh = s.window.width();
  const double nv = s.window.height();
  Timings t{};
  t.shift = config_.height * vs;
  t.readout = config_.height * vs + nv * (nh / hs + config_.rowOverhead * 1e-6);
  t.exposure = std::max(0.0, s.exposure);
  if (s.frameTransfer && s.series) {
    // Exposing continues while the previous frame reads out of the storage area.
    t.exposure = std::max(t.exposure, t.readout);
    t.kinetic = t.exposure + t.shift;
  } else if (s.frameTransfer) {
    t.kinetic = t.exposure + t.shift + t.readout;
  } else {
    const double shutter =
        s.shutterMode == 0 ? std::max(s.shutterOpening, s.shutterClosing) * 1e-3 : 0.0;
    t.kinetic = t.exposure + shutter + t.readout;
  }
  t.accumulate = t.kinetic;
  return t;
}

void Head::start(const CameraSetup& setup, OpticsPosition at, double now, bool neverEnds) {
  settle(now);
  auto a = std::make_unique<Acquisition>();
  a->setup = setup;
  a->timings = timings(setup);
  a->start = now;
  a->neverEnds = neverEnds;
  a->firstSerial = serial_;
  const int n = setup.frameCount();
  serial_ += static_cast<std::uint64_t>(n);
  a->frames.resize(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    a->frames[k].start = now + k * a->timings.kinetic;
    a->frames[k].end = a->frames[k].start + a->timings.exposure;
  }
  if (!neverEnds)
    a->end = now + n * a->timings.kinetic +
             (setup.series && setup.frameTransfer ? a->timings.readout : 0.0);
  a->samples.emplace_back(now, at);
  SimLog::instance().write("camera", "acquisition",
                           {{"camera", number_},
                            {"frames", n},
                            {"series", setup.series},
                            {"frame_transfer", setup.frameTransfer},
                            {"exposure", a->timings.exposure},
                            {"kinetic", a->timings.kinetic},
                            {"readout", a->timings.readout},
                            {"start", now},
                            {"end", neverEnds ? nlohmann::json(nullptr) : nlohmann::json(a->end)},
                            {"width", setup.window.width()},
                            {"height", setup.window.height()},
                            {"hbin", setup.window.hbin},
                            {"vbin", setup.window.vbin},
                            {"shutter", setup.shutterOpen() ? "open" : "closed"},
                            {"em_gain", setup.emGain},
                            {"preamp", setup.preamp}});
  current_ = std::move(a);
  complete_ = false;
}

void Head::observe(OpticsPosition at, double now) {
  if (!current_ || complete_) return;
  auto& samples = current_->samples;
  const auto& last = samples.back().second;
  if (last.scannerCounts == at.scannerCounts && last.gratingSteps == at.gratingSteps) return;
  if (current_->neverEnds) {
    // None of its frames is ever settled: only where the optics are now matters, and a hung
    // acquisition watched for hours while the scanner moves must not keep every position.
    samples.back() = {now, at};
    return;
  }
  samples.emplace_back(now, at);
  settle(now);
}

void Head::settle(double now) {
  if (!current_ || complete_ || current_->neverEnds) return;
  Acquisition& a = *current_;
  for (std::size_t k = 0; k < a.frames.size(); ++k) {
    Frame& f = a.frames[k];
    if (f.settled) continue;
    if (f.end > now) break;
    const double middle = 0.5 * (f.start + f.end);
    std::size_t chosen = 0;
    while (chosen + 1 < a.samples.size() && a.samples[chosen + 1].first <= middle) ++chosen;
    f.at = a.samples[chosen].second;
    a.samples.erase(a.samples.begin(), a.samples.begin() + static_cast<std::ptrdiff_t>(chosen));
    f.temperature = thermal_.temperature(middle);
    f.settled = true;
    auto fields = positionJson(f.at);
    fields["camera"] = number_;
    fields["frame"] = k;
    fields["frames"] = a.frames.size();
    fields["serial"] = a.firstSerial + k;
    fields["start"] = f.start;
    fields["end"] = f.end;
    fields["exposure"] = f.end - f.start;
    fields["shutter"] = a.setup.shutterOpen() ? "open" : "closed";
    fields["temperature"] = f.temperature;
    SimLog::instance().write("camera", "exposure", std::move(fields));
  }
  if (now >= a.end) complete_ = true;
}

bool Head::acquiring(double now) {
  settle(now);
  return current_ && !complete_;
}

void Head::abort(double now) {
  settle(now);
  if (!current_ || complete_) return;
  std::size_t done = 0;
  for (const auto& f : current_->frames) done += f.settled ? 1 : 0;
  SimLog::instance().write("camera", "abort", {{"camera", number_}, {"frames_exposed", done}});
  current_.reset();
}

std::size_t Head::dataSize() const {
  if (!current_ || !complete_) return 0;
  return current_->frames.size() * current_->setup.window.pixels();
}

const float* Head::rates(const CameraSetup& setup, OpticsPosition at) {
  const Geometry& w = setup.window;
  const bool sameWindow = cacheWindow_.hbin == w.hbin && cacheWindow_.vbin == w.vbin &&
                          cacheWindow_.hstart == w.hstart && cacheWindow_.hend == w.hend &&
                          cacheWindow_.vstart == w.vstart && cacheWindow_.vend == w.vend;
  if (!cacheValid_ || !sameWindow || cacheAt_.scannerCounts != at.scannerCounts ||
      cacheAt_.gratingSteps != at.gratingSteps) {
    rateCache_.resize(w.pixels());
    renderSpectrum(*sun_, config_.spectrograph, w, at, response_.data(), rateCache_.data());
    cacheValid_ = true;
    cacheAt_ = at;
    cacheWindow_ = w;
  }
  return rateCache_.data();
}

void Head::read(std::uint16_t* out) {
  if (dataSize() == 0) return;
  const Acquisition& a = *current_;
  const CameraSetup& s = a.setup;
  const std::size_t pixels = s.window.pixels();
  const double binned = static_cast<double>(s.window.hbin) * s.window.vbin;
  const bool em = s.amplifier == kElectronMultiplying;
  Response response;
  response.sensitivity =
      config_.sensitivity / config_.preampGains.at(static_cast<std::size_t>(s.preamp));
  response.readNoise = config_.readNoise.at(static_cast<std::size_t>(s.amplifier))
                           .at(static_cast<std::size_t>(s.horizontalSpeed));
  response.emGain = em ? config_.realGain(s.emGain) : 1.0;
  for (std::size_t k = 0; k < a.frames.size(); ++k) {
    const Frame& f = a.frames[k];
    Rng rng(mixSeed(seed_, a.firstSerial + k));
    response.bias = config_.pedestal + s.baselineOffset;
    if (!s.baselineClamp)
      response.bias +=
          config_.baselineDrift * (20.0 - f.temperature) + config_.baselineJitter * rng.normal();
    const double exposure = f.end - f.start;
    const double dark =
        config_.darkRate(f.temperature) * (exposure + 0.5 * a.timings.readout) * binned +
        (em ? config_.clockInducedCharge * binned : 0.0);
    const float* light = s.shutterOpen() ? rates(s, f.at) : nullptr;
    digitize(light, exposure, dark, out + k * pixels, pixels, response, rng);
  }
}

}  // namespace helx::sim::camera
