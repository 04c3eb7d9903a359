#include "sim/camera/config.h"

#include <algorithm>

namespace helx::sim::camera {

namespace {

using nlohmann::json;

template <typename T>
void take(const json& j, const char* key, T& value) {
  auto it = j.find(key);
  if (it == j.end() || it->is_null()) return;
  try {
    value = it->get<T>();
  } catch (const json::exception&) {
    // A value of the wrong type keeps the default, as a missing key does.
  }
}

template <typename T>
void takePositive(const json& j, const char* key, T& value) {
  T v = value;
  take(j, key, v);
  if (v > 0) value = v;
}

void takeSpeeds(const json& j, const char* key, std::array<std::vector<double>, 2>& value) {
  auto it = j.find(key);
  if (it == j.end() || !it->is_array() || it->size() != 2) return;
  try {
    value = {(*it)[0].get<std::vector<double>>(), (*it)[1].get<std::vector<double>>()};
  } catch (const json::exception&) {
  }
}

std::vector<SpectralLine> linesFrom(const json& list) {
  std::vector<SpectralLine> lines;
  for (const auto& item : list) {
    if (!item.is_object()) continue;
    SpectralLine l;
    take(item, "wavelength", l.wavelength);
    take(item, "depth", l.depth);
    takePositive(item, "half_width", l.halfWidth);
    take(item, "lorentz", l.lorentz);
    take(item, "zeeman", l.zeeman);
    take(item, "telluric", l.telluric);
    l.depth = std::clamp(l.depth, 0.0, 1.0);
    l.lorentz = std::clamp(l.lorentz, 0.0, 1.0);
    lines.push_back(l);
  }
  return lines;
}

SunConfig sunFrom(const json& j, std::uint64_t seed) {
  SunConfig s;
  s.seed = seed;
  if (!j.is_object()) return s;
  take(j, "seed", s.seed);
  takePositive(j, "arcsec_per_count", s.arcsecPerCount);
  takePositive(j, "granule_size", s.granuleSize);
  takePositive(j, "quiet_temperature", s.quietTemperature);
  take(j, "granulation_contrast", s.granulationContrast);
  take(j, "granule_upflow", s.granuleUpflow);
  take(j, "lane_downflow", s.laneDownflow);
  auto spots = j.find("spots");
  if (spots != j.end() && spots->is_array()) {
    s.spots.clear();
    for (const auto& item : *spots) {
      if (!item.is_object()) continue;
      Spot spot;
      take(item, "x", spot.x);
      take(item, "y", spot.y);
      takePositive(item, "umbra_radius", spot.umbraRadius);
      takePositive(item, "penumbra_radius", spot.penumbraRadius);
      takePositive(item, "umbra_temperature", spot.umbraTemperature);
      takePositive(item, "penumbra_temperature", spot.penumbraTemperature);
      take(item, "evershed", spot.evershed);
      take(item, "limb_azimuth", spot.limbAzimuth);
      spot.penumbraRadius = std::max(spot.penumbraRadius, spot.umbraRadius + 0.1);
      s.spots.push_back(spot);
    }
  }
  return s;
}

HeadConfig headFrom(const json& j, int index) {
  std::string model = "DV897_BV";
  take(j, "model", model);
  HeadConfig c = HeadConfig::preset(model);
  takePositive(j, "width", c.width);
  takePositive(j, "height", c.height);
  c.width = std::min(c.width, 8192);
  c.height = std::min(c.height, 8192);
  takePositive(j, "pixel_size", c.pixelSize);
  take(j, "vertical_speeds", c.verticalSpeeds);
  takeSpeeds(j, "horizontal_speeds", c.horizontalSpeeds);
  takeSpeeds(j, "read_noise", c.readNoise);
  take(j, "preamp_gains", c.preampGains);
  takePositive(j, "sensitivity", c.sensitivity);
  takePositive(j, "em_gain_high", c.emGainHigh);
  takePositive(j, "em_gain_max", c.emGainMax);
  take(j, "dark_current", c.darkCurrent);
  takePositive(j, "dark_halving", c.darkHalving);
  take(j, "clock_induced_charge", c.clockInducedCharge);
  take(j, "pedestal", c.pedestal);
  take(j, "baseline_drift", c.baselineDrift);
  take(j, "baseline_jitter", c.baselineJitter);
  take(j, "default_offset", c.defaultOffset);
  take(j, "row_overhead_us", c.rowOverhead);
  take(j, "prnu", c.prnu);
  take(j, "slit_dust", c.slitDust);
  take(j, "min_temperature", c.minTemperature);
  take(j, "max_temperature", c.maxTemperature);
  take(j, "hardware_version", c.hardwareVersion);
  take(j, "software_version", c.softwareVersion);

  ThermalConfig& t = c.thermal;
  take(j, "ambient", t.ambient);
  takePositive(j, "cool_rate", t.coolRate);
  takePositive(j, "warm_rate", t.warmRate);
  takePositive(j, "settle", t.settle);
  takePositive(j, "passive_tau", t.passiveTau);
  takePositive(j, "band", t.band);
  take(j, "hold", t.hold);
  take(j, "fan_reach", t.reach);

  // The spectrograph's defaults are for 16 um pixels: smaller pixels see less of the slit and
  // of the spectrum each.
  Spectrograph& s = c.spectrograph;
  s = defaultSpectrograph(index);
  s.dispersion *= c.pixelSize / 16.0;
  s.arcsecPerRow *= c.pixelSize / 16.0;
  s.continuumRate *= (c.pixelSize / 16.0) * (c.pixelSize / 16.0);
  take(j, "centre_wavelength", s.centreWavelength);
  takePositive(j, "dispersion", s.dispersion);
  take(j, "grating_reference", s.gratingReference);
  take(j, "angstrom_per_step", s.angstromPerStep);
  takePositive(j, "arcsec_per_row", s.arcsecPerRow);
  take(j, "continuum_rate", s.continuumRate);
  if (auto it = j.find("lines"); it != j.end() && it->is_array()) s.lines = linesFrom(*it);

  // Tables the driver indexes must not be empty.
  if (c.verticalSpeeds.empty()) c.verticalSpeeds = {1.0};
  for (std::size_t a = 0; a < 2; ++a) {
    if (c.horizontalSpeeds[a].empty()) c.horizontalSpeeds[a] = {1.0};
    c.readNoise[a].resize(c.horizontalSpeeds[a].size(),
                          c.readNoise[a].empty() ? 10.0 : c.readNoise[a].back());
  }
  auto positive = [](std::vector<double>& v) {
    for (auto& x : v) x = x > 0.0 ? x : 1.0;
  };
  positive(c.verticalSpeeds);
  positive(c.horizontalSpeeds[0]);
  positive(c.horizontalSpeeds[1]);
  if (c.preampGains.empty()) c.preampGains = {1.0};
  positive(c.preampGains);
  c.slitDust = std::clamp(c.slitDust, 0, 100);
  return c;
}

}  // namespace

Spectrograph defaultSpectrograph(int index) {
  Spectrograph s;
  if (index % 2 == 0) {
    s.centreWavelength = 6562.8;
    s.dispersion = 0.02;
    s.continuumRate = 1.3e6;
    s.lines = {
        {6562.808, 0.83, 0.45, 0.55, 0.05, false},  // H-alpha
        {6560.58, 0.12, 0.06, 0.1, 0.5, false},     // Si I, in the blue wing
        {6564.06, 0.15, 0.025, 0.0, 0.0, true},     // water vapour, telluric
    };
  } else {
    s.centreWavelength = 8540.0;
    s.dispersion = 0.025;
    s.continuumRate = 0.9e6;
    s.lines = {
        {8542.09, 0.80, 0.45, 0.6, 0.3, false},   // Ca II infrared triplet
        {8538.015, 0.40, 0.09, 0.1, 1.0, false},  // Fe I
        {8536.165, 0.30, 0.08, 0.1, 0.8, false},  // Si I
    };
  }
  return s;
}

InstrumentConfig instrumentFromSettings(const json& section) {
  InstrumentConfig config;
  if (!section.is_object()) {
    for (int i = 0; i < config.count; ++i) config.heads.push_back(headFrom(json::object(), i));
    config.sun = sunFrom(json::object(), config.seed);
    return config;
  }
  take(section, "count", config.count);
  config.count = std::clamp(config.count, 0, 8);
  take(section, "seed", config.seed);
  config.sun = sunFrom(section.value("sun", json::object()), config.seed);
  if (auto f = section.find("faults"); f != section.end() && f->is_object()) config.faults = *f;

  json shared = section;
  for (const char* key : {"count", "seed", "sun", "faults", "heads"}) shared.erase(key);
  const json heads = section.value("heads", json::array());
  for (int i = 0; i < config.count; ++i) {
    json merged = shared;
    if (heads.is_array() && static_cast<std::size_t>(i) < heads.size() && heads[i].is_object())
      merged.update(heads[i]);
    config.heads.push_back(headFrom(merged, i));
  }
  return config;
}

}  // namespace helx::sim::camera
