#include "sim/pmac/device.h"

#include <fstream>

#include "platform/os/clock.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

namespace helx::sim::pmac {

namespace {
void log(const std::string& event, nlohmann::json fields = nlohmann::json::object()) {
  SimLog::instance().write("pmac", event, std::move(fields));
}
}  // namespace

Device::Device(const nlohmann::json& section)
    : linkConfig_(linkConfig(section)),
      faults_(section.is_object() && section.contains("faults") ? section["faults"]
                                                                : nlohmann::json::object()),
      controller_(controllerConfig(section), os::Clock::instance().seconds()),
      interpreter_(controller_) {
  controller_.setEventSink(
      [](const std::string& event, nlohmann::json fields) { log(event, std::move(fields)); });
  controller_.setFaults({[this] { return faults_.shouldFail("amp_enable"); },
                         [this] { return faults_.shouldFail("settle_short"); }});
  log("power_on", {{"position", controller_.motor().position()}});
}

std::shared_ptr<Device> Device::fromSettings() {
  return std::make_shared<Device>(Settings::instance().section("pmac"));
}

void Device::publishScanner() {
  std::weak_ptr<Device> weak = weak_from_this();
  SceneHook::setScannerSource([weak] {
    auto device = weak.lock();
    return device ? device->scannerCounts() : 0.0;
  });
}

void Device::sync() { controller_.advanceTo(os::Clock::instance().seconds()); }

void Device::linkWait(double ms) {
  // A manual clock moves only when a test says so; a link wait must not block that test.
  auto& clock = os::Clock::instance();
  if (ms > 0.0 && !clock.manual()) clock.sleepForSeconds(ms / 1000.0);
}

bool Device::lost() {
  std::lock_guard lock(state_);
  if (!lost_ && faults_.shouldFail("lost")) {
    lost_ = true;
    log("device_lost");
  }
  return lost_;
}

bool Device::usable() { return !lost() && isOpen(); }

bool Device::open() {
  std::lock_guard link(link_);
  if (lost()) return false;
  std::lock_guard lock(state_);
  open_ = true;
  log("open");
  return true;
}

void Device::close() {
  std::lock_guard link(link_);
  std::lock_guard lock(state_);
  if (open_) log("close");
  open_ = false;
}

bool Device::isOpen() const {
  std::lock_guard lock(state_);
  return open_;
}

std::optional<std::string> Device::exchange(const std::string& command) {
  std::lock_guard link(link_);
  if (!usable()) return std::nullopt;
  if (faults_.shouldFail("no_reply") ||
      faults_.shouldFail("no_reply:" + Interpreter::normalize(command))) {
    log("no_reply", {{"command", command}});
    linkWait(linkConfig_.replyTimeoutMs);
    return std::nullopt;
  }
  std::string reply;
  {
    std::lock_guard lock(state_);
    sync();
    reply = interpreter_.execute(command);
  }
  if (reply.find('\a') != std::string::npos) log("error", {{"command", command}, {"reply", reply}});
  linkWait(linkConfig_.replyLatencyMs);
  return reply;
}

bool Device::download(const std::string& path,
                      const std::function<void(const std::string&)>& message,
                      const std::function<void(int)>& progress) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (message) message("cannot open " + path);
    return false;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (auto c = line.find(';'); c != std::string::npos) line.erase(c);
    lines.push_back(std::move(line));
  }
  std::lock_guard link(link_);
  if (!usable()) return false;
  int errors = 0;
  {
    std::lock_guard lock(state_);
    sync();
    for (std::size_t n = 0; n < lines.size(); ++n) {
      if (Interpreter::normalize(lines[n]).empty()) continue;
      std::string reply = interpreter_.execute(lines[n]);
      if (reply.find('\a') != std::string::npos) {
        ++errors;
        if (message)
          message("line " + std::to_string(n + 1) + ": " + lines[n] + " " + reply.substr(1));
      }
      if (progress) progress(static_cast<int>(100 * (n + 1) / lines.size()));
    }
  }
  log("download", {{"path", path}, {"lines", lines.size()}, {"errors", errors}});
  linkWait(linkConfig_.replyLatencyMs * static_cast<double>(lines.size()));
  return errors == 0;
}

std::optional<std::string> Device::romVersion() {
  std::lock_guard link(link_);
  if (!usable()) return std::nullopt;
  return controller_.config().romVersion;
}

std::optional<std::string> Device::romDate() {
  std::lock_guard link(link_);
  if (!usable()) return std::nullopt;
  return controller_.config().romDate;
}

std::optional<double> Device::ivariable(int number) {
  std::lock_guard link(link_);
  if (!usable() || number < 0 || number > 1023) return std::nullopt;
  std::lock_guard lock(state_);
  return controller_.ivars()[number];
}

bool Device::setQuickGather(unsigned mask, bool enable) {
  std::lock_guard link(link_);
  if (!usable()) return false;
  std::lock_guard lock(state_);
  sync();
  if (!enable) {
    controller_.stopGather();
    controller_.deleteGather();
    return true;
  }
  bool ok = controller_.setQuickGather(mask);
  log("quick_gather", {{"mask", mask}, {"ok", ok}});
  return ok;
}

bool Device::collectGather(long& sources, long& samples) {
  std::lock_guard link(link_);
  if (!usable()) return false;
  std::lock_guard lock(state_);
  sync();
  controller_.stopGather();
  auto& g = controller_.gatherer();
  sources = static_cast<long>(g.sources());
  samples = static_cast<long>(g.samples());
  log("gather_collect", {{"sources", sources}, {"samples", samples}});
  return g.defined() && samples > 0;
}

std::optional<std::vector<double>> Device::gatherSamples(int source) {
  std::lock_guard link(link_);
  if (!usable()) return std::nullopt;
  std::lock_guard lock(state_);
  auto& g = controller_.gatherer();
  if (!g.defined() || source < 0 || static_cast<std::size_t>(source) >= g.sources())
    return std::nullopt;
  return g.source(static_cast<std::size_t>(source));
}

double Device::scannerCounts() {
  std::lock_guard lock(state_);
  sync();
  return controller_.motor().position();
}

}  // namespace helx::sim::pmac
