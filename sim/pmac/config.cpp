#include "sim/pmac/config.h"

namespace helx::sim::pmac {

namespace {
template <typename T>
T value(const nlohmann::json& s, const char* key, T fallback) {
  auto it = s.find(key);
  if (it == s.end()) return fallback;
  try {
    return it->get<T>();
  } catch (const nlohmann::json::exception&) {
    return fallback;
  }
}
// The servo period the plant constants are converted with (I10 at power-on).
constexpr double kCycleSeconds = 3703707.0 / 8388608.0 / 1000.0;
}  // namespace

ControllerConfig controllerConfig(const nlohmann::json& s) {
  ControllerConfig c;
  if (!s.is_object()) return c;
  auto& m = c.mechanics;
  c.romVersion = value(s, "rom_version", c.romVersion);
  c.romDate = value(s, "rom_date", c.romDate);
  m.startPosition = value(s, "start_position", m.startPosition);
  m.negativeLimit = value(s, "negative_limit", m.negativeLimit);
  m.positiveLimit = value(s, "positive_limit", m.positiveLimit);
  m.hardStopMargin = value(s, "hard_stop_margin", m.hardStopMargin);
  m.homeFlag = value(s, "home_flag", m.homeFlag);
  m.homeFlagWidth = value(s, "home_flag_width", m.homeFlagWidth);
  double accel = value(s, "accel_per_dac", m.plant.accelPerDac / (kCycleSeconds * kCycleSeconds));
  double damping = value(s, "damping", m.plant.damping / kCycleSeconds);
  if (accel > 0.0) m.plant.accelPerDac = accel * kCycleSeconds * kCycleSeconds;
  if (damping >= 0.0) m.plant.damping = damping * kCycleSeconds;
  c.gatherCapacity = value<std::size_t>(s, "gather_buffer_samples", c.gatherCapacity);
  c.settleShortCounts = value(s, "settle_short_counts", c.settleShortCounts);
  return c;
}

LinkConfig linkConfig(const nlohmann::json& s) {
  LinkConfig l;
  if (!s.is_object()) return l;
  l.replyLatencyMs = value(s, "reply_latency_ms", l.replyLatencyMs);
  l.replyTimeoutMs = value(s, "reply_timeout_ms", l.replyTimeoutMs);
  return l;
}

}  // namespace helx::sim::pmac
