// A simulated controller on a manual clock: tests decide when instrument time passes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "platform/os/clock.h"
#include "sim/common/sim_log.h"
#include "sim/pmac/device.h"

namespace helx::sim::pmac::test {

inline std::string siteFile(const std::string& name) {
  const char* root = std::getenv("HELX_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/site/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The bodies exactly as the observing program writes them.
inline std::string spectrographBody(int frames, double durationMs, double step) {
  char text[512];
  std::snprintf(text, sizeof text,
                "i130=120000\r\ni131=4000\r\ni132=4000\r\ni133=40000\r\ni134=0\r\ni135=20000\r\n"
                "inc\r\nta%3.f\r\nts%3.f\r\np1=0\r\nWhile(p1<%4d)\r\nx%4.f\r\ndwell%3.f\r\n"
                "p1=p1+1\r\nEndWhile\r\n",
                0.35 * durationMs, 0.17 * durationMs, frames, step, 0.3 * durationMs);
  return text;
}

inline std::string imagingBody(double speed, double stroke) {
  char text[256];
  std::snprintf(text, sizeof text,
                "i130=40000\r\ni131=1800\r\ni132=1800\r\ni133=40000\r\ni134=0\r\ni135=0\r\n"
                "abs\r\nta100\r\nts50\r\nf%2.f\r\nx%5.f\r\n",
                speed, stroke);
  return text;
}

inline std::string scanProgram(const std::string& body) {
  return siteFile("helx.head") + "\r\n" + body + "\r\n" + siteFile("helx.tail");
}

class PmacTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock().setManual(true);
    SimLog::instance().clear();
    device = std::make_shared<Device>(section());
    ASSERT_TRUE(device->open());
  }
  virtual nlohmann::json section() { return nlohmann::json::object(); }

  static os::Clock& clock() { return os::Clock::instance(); }
  std::string send(const std::string& command) {
    return device->exchange(command).value_or("<no reply>");
  }
  double number(const std::string& command) { return std::atof(send(command).c_str()); }
  void advance(double seconds) {
    clock().advance(
        std::chrono::duration_cast<os::Clock::duration>(std::chrono::duration<double>(seconds)));
  }
  // Advances in steps until the condition holds; false when `limit` seconds pass first.
  bool advanceUntil(const std::function<bool()>& condition, double limit, double step = 0.01) {
    for (double t = 0.0; t <= limit; t += step) {
      if (condition()) return true;
      advance(step);
    }
    return condition();
  }
  bool download(const std::string& text) {
    std::string path =
        ::testing::TempDir() + "pmac_test_program-" + std::to_string(::getpid()) + ".pmc";
    std::ofstream(path, std::ios::binary) << text;
    return device->download(path, nullptr, nullptr);
  }
  void enable() {
    send("#1O0");
    send("#1J/");
  }
  // The observing program's homing sequence, step by step.
  void homeLikeTheProgram() {
    enable();
    send("m139->Y:$814,14");
    send("m138->X:$3D,18");
    ASSERT_EQ(send("m139"), "1\r");
    ASSERT_EQ(send("m138"), "0\r");
    send("m132->X:$3D,22");
    send("j-");
    ASSERT_TRUE(advanceUntil([&] { return send("m132")[0] != '0'; }, 30.0));
    advance(1.0);
    send("hm");
    send("m145->Y:$814,10");
    ASSERT_TRUE(advanceUntil([&] { return send("m145")[0] != '0'; }, 30.0));
    ASSERT_TRUE(advanceUntil([&] { return send("m140")[0] != '0'; }, 10.0));
    send("#1J=75000");
    ASSERT_TRUE(advanceUntil([&] { return send("m140")[0] != '0'; }, 30.0));
    send("HMZ");
  }
  std::vector<nlohmann::json> events(const std::string& name) {
    std::vector<nlohmann::json> out;
    for (auto& e : SimLog::instance().entries("pmac"))
      if (e["ev"] == name) out.push_back(e);
    return out;
  }

  std::shared_ptr<Device> device;
};

}  // namespace helx::sim::pmac::test
