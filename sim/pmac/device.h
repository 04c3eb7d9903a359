// The simulated controller as a host sees it through its link: it runs on the one clock
// (every call first brings the controller up to the present instrument time), keeps each
// command and its reply together, writes its events to the shared simulator log ("pmac"),
// publishes the scanner position to the camera scene hook, and injects the link faults of its
// sim.json section: a command that gets no reply (the host waits reply_timeout_ms, then the
// call fails), a lost device (every call fails at once from then on).
//
// The controller lives as long as the Device, independent of the link being open, as the
// hardware keeps its program and its homing when the host disconnects.
//
// Threads: every member is safe from any thread. Exchanges are serialised by the link lock;
// the scene hook takes only the state lock, so it never waits for a slow exchange.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/common/faults.h"
#include "sim/pmac/config.h"
#include "sim/pmac/controller.h"
#include "sim/pmac/interpreter.h"

namespace helx::sim::pmac {

class Device : public std::enable_shared_from_this<Device> {
 public:
  // Builds the controller from a "pmac" settings section. Call publishScanner() to feed the
  // scene hook.
  explicit Device(const nlohmann::json& section);
  static std::shared_ptr<Device> fromSettings();
  void publishScanner();

  bool open();
  void close();
  bool isOpen() const;
  bool lost();

  // One command line and its reply; nullopt when the device is lost or the reply never came.
  std::optional<std::string> exchange(const std::string& command);
  // Sends a program file line by line (';' starts a comment). Each rejected line is reported
  // to `message`; false when the file cannot be read, the device is lost or a line failed.
  bool download(const std::string& path, const std::function<void(const std::string&)>& message,
                const std::function<void(int percent)>& progress);
  std::optional<std::string> romVersion();
  std::optional<std::string> romDate();
  std::optional<double> ivariable(int number);

  bool setQuickGather(unsigned mask, bool enable);
  // Stops gathering and reports what was collected; false when nothing was.
  bool collectGather(long& sources, long& samples);
  std::optional<std::vector<double>> gatherSamples(int source);

  // Actual scanner position in counts at the present instrument time.
  double scannerCounts();
  FaultPlan& faults() { return faults_; }

 private:
  bool usable();  // open and not lost; logs a lost device once
  void sync();    // state lock held
  void linkWait(double ms);

  mutable std::mutex link_;
  mutable std::mutex state_;
  LinkConfig linkConfig_;
  FaultPlan faults_;
  Controller controller_;
  Interpreter interpreter_;
  bool open_ = false;
  bool lost_ = false;
};

}  // namespace helx::sim::pmac
