#include "platform/atmcd/atmcd.h"

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "sim/camera/config.h"
#include "sim/camera/head.h"
#include "sim/common/faults.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

namespace {

using helx::sim::FaultPlan;
using helx::sim::SimLog;
using helx::sim::camera::CameraSetup;
using helx::sim::camera::Head;
using helx::sim::camera::OpticsPosition;

constexpr long kHandleBase = 100;  // handle of camera index i is kHandleBase + i

struct Camera {
  std::unique_ptr<Head> head;
  bool initialized = false;
  CameraSetup setup;
  int triggerMode = 0;
};

struct Driver {
  std::mutex mutex;
  bool built = false;
  std::vector<Camera> cameras;
  std::size_t current = 0;
  FaultPlan faults;

  void build() {
    auto config = helx::sim::camera::instrumentFromSettings(
        helx::sim::Settings::instance().section("camera"));
    auto sun = std::make_shared<const helx::sim::camera::SunConfig>(config.sun);
    const double now = helx::os::Clock::instance().seconds();
    cameras.clear();
    for (std::size_t i = 0; i < config.heads.size(); ++i) {
      Camera c;
      const int number = static_cast<int>(i) + 1;
      c.head = std::make_unique<Head>(number, config.heads[i], sun,
                                      helx::sim::camera::mixSeed(config.seed, i + 1), now);
      c.setup = c.head->defaults();
      cameras.push_back(std::move(c));
    }
    current = 0;
    faults.configure(config.faults);
    built = true;
  }
};

Driver& theDriver() {
  static Driver d;
  return d;
}

OpticsPosition opticsNow() {
  auto p = helx::sim::SceneHook::now();
  return {p.scannerCounts, p.gratingSteps};
}

enum class Need { Nothing, Camera, Initialized, Idle };

// One driver call: holds the driver's lock, hands every acquiring head the optics' position,
// and checks the injected faults and the state the call needs.
class Call {
 public:
  Call(const char* name, Need need) : lock_(theDriver().mutex), d_(theDriver()) {
    if (!d_.built) d_.build();
    now_ = helx::os::Clock::instance().seconds();
    bool anyAcquiring = false;
    for (auto& c : d_.cameras)
      if (c.head->acquiring(now_)) anyAcquiring = true;  // also settles finished exposures
    if (anyAcquiring) {
      const OpticsPosition at = opticsNow();
      for (auto& c : d_.cameras) c.head->observe(at, now_);
    }
    code_ = check(name, need);
  }

  bool ok() const { return code_ == DRV_SUCCESS; }
  unsigned int code() const { return code_; }
  double now() const { return now_; }
  Driver& driver() { return d_; }
  Camera& camera() { return d_.cameras[d_.current]; }
  Head& head() { return *camera().head; }
  CameraSetup& setup() { return camera().setup; }

 private:
  unsigned int check(const char* name, Need need) {
    const bool haveCamera = d_.current < d_.cameras.size();
    if (auto fault = injected(name, haveCamera)) return *fault;
    if (need == Need::Nothing) return DRV_SUCCESS;
    if (!haveCamera) return DRV_ERROR_NOCAMERA;
    if (need == Need::Camera) return DRV_SUCCESS;
    if (!camera().initialized) return DRV_NOT_INITIALIZED;
    if (need == Need::Idle && head().acquiring(now_)) return DRV_ACQUIRING;
    return DRV_SUCCESS;
  }

  std::optional<unsigned int> injected(const std::string& name, bool haveCamera) {
    std::string key;
    if (haveCamera) {
      const std::string own = name + "@" + std::to_string(d_.current + 1);
      if (d_.faults.shouldFail(own)) key = own;
    }
    if (key.empty() && d_.faults.shouldFail(name)) key = name;
    if (key.empty()) return std::nullopt;
    const auto code = static_cast<unsigned int>(d_.faults.code(key).value_or(DRV_ERROR_ACK));
    SimLog::instance().write("camera", "fault",
                             {{"call", name},
                              {"camera", haveCamera ? static_cast<long>(d_.current) + 1 : 0L},
                              {"code", code}});
    return code;
  }

  std::unique_lock<std::mutex> lock_;
  Driver& d_;
  double now_ = 0.0;
  unsigned int code_ = DRV_SUCCESS;
};

// Whether `index` selects an entry of one of the head's tables.
template <typename T>
bool inRange(int index, const std::vector<T>& table) {
  return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Life.

unsigned int GetAvailableCameras(long* totalCameras) {
  Call call("GetAvailableCameras", Need::Nothing);
  if (!call.ok()) return call.code();
  if (!totalCameras) return DRV_P1INVALID;
  *totalCameras = static_cast<long>(call.driver().cameras.size());
  return DRV_SUCCESS;
}

unsigned int GetCameraHandle(long cameraIndex, long* cameraHandle) {
  Call call("GetCameraHandle", Need::Nothing);
  if (!call.ok()) return call.code();
  if (cameraIndex < 0 || static_cast<std::size_t>(cameraIndex) >= call.driver().cameras.size())
    return DRV_P1INVALID;
  if (!cameraHandle) return DRV_P2INVALID;
  *cameraHandle = kHandleBase + cameraIndex;
  return DRV_SUCCESS;
}

unsigned int SetCurrentCamera(long cameraHandle) {
  Call call("SetCurrentCamera", Need::Nothing);
  if (!call.ok()) return call.code();
  const long index = cameraHandle - kHandleBase;
  if (index < 0 || static_cast<std::size_t>(index) >= call.driver().cameras.size())
    return DRV_P1INVALID;
  call.driver().current = static_cast<std::size_t>(index);
  return DRV_SUCCESS;
}

unsigned int GetCurrentCamera(long* cameraHandle) {
  Call call("GetCurrentCamera", Need::Camera);
  if (!call.ok()) return call.code();
  if (!cameraHandle) return DRV_P1INVALID;
  *cameraHandle = kHandleBase + static_cast<long>(call.driver().current);
  return DRV_SUCCESS;
}

unsigned int Initialize(char* /*dir: the driver's own files are not needed here*/) {
  Call call("Initialize", Need::Camera);
  if (!call.ok()) return call.code();
  call.head().abort(call.now());
  call.camera().initialized = true;
  call.camera().setup = call.head().defaults();
  call.camera().triggerMode = 0;
  SimLog::instance().write(
      "camera", "initialize",
      {{"camera", call.head().number()}, {"model", call.head().config().model}});
  return DRV_SUCCESS;
}

unsigned int ShutDown(void) {
  Call call("ShutDown", Need::Initialized);
  if (!call.ok()) return call.code();
  call.head().abort(call.now());
  call.head().thermal().setCooler(false, call.now());
  call.camera().initialized = false;
  SimLog::instance().write("camera", "shutdown", {{"camera", call.head().number()}});
  return DRV_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Information.

unsigned int GetCapabilities(AndorCapabilities* caps) {
  Call call("GetCapabilities", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!caps || caps->ulSize != sizeof(AndorCapabilities)) return DRV_P1INVALID;
  caps->ulAcqModes = AC_ACQMODE_SINGLE | AC_ACQMODE_KINETIC | AC_ACQMODE_FRAMETRANSFER;
  caps->ulReadModes = AC_READMODE_FULLIMAGE | AC_READMODE_SUBIMAGE;
  caps->ulTriggerModes = AC_TRIGGERMODE_INTERNAL | AC_TRIGGERMODE_CONTINUOUS;
  caps->ulCameraType = AC_CAMERATYPE_IXON;
  caps->ulPixelMode = AC_PIXELMODE_14BIT;
  caps->ulSetFunctions = AC_SETFUNCTION_VREADOUT | AC_SETFUNCTION_HREADOUT |
                         AC_SETFUNCTION_TEMPERATURE | AC_SETFUNCTION_EMCCDGAIN |
                         AC_SETFUNCTION_BASELINECLAMP | AC_SETFUNCTION_BASELINEOFFSET |
                         AC_SETFUNCTION_PREAMPGAIN;
  caps->ulGetFunctions = AC_GETFUNCTION_TEMPERATURE | AC_GETFUNCTION_TEMPERATURERANGE |
                         AC_GETFUNCTION_DETECTORSIZE | AC_GETFUNCTION_EMCCDGAIN;
  caps->ulFeatures = AC_FEATURES_POLLING | AC_FEATURES_SHUTTER | AC_FEATURES_FANCONTROL |
                     AC_FEATURES_MIDFANCONTROL;
  caps->ulPCICard = 0;
  caps->ulEMGainCapability = AC_EMGAIN_8BIT;
  caps->ulFTReadModes = AC_READMODE_FULLIMAGE | AC_READMODE_SUBIMAGE;
  return DRV_SUCCESS;
}

unsigned int GetHeadModel(char* name) {
  Call call("GetHeadModel", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!name) return DRV_P1INVALID;
  const std::string& model = call.head().config().model;
  const std::size_t n = std::min<std::size_t>(model.size(), 31);
  std::memcpy(name, model.data(), n);
  name[n] = '\0';
  return DRV_SUCCESS;
}

unsigned int GetDetector(int* xpixels, int* ypixels) {
  Call call("GetDetector", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!xpixels) return DRV_P1INVALID;
  if (!ypixels) return DRV_P2INVALID;
  *xpixels = call.head().config().width;
  *ypixels = call.head().config().height;
  return DRV_SUCCESS;
}

unsigned int GetNumberVSSpeeds(int* speeds) {
  Call call("GetNumberVSSpeeds", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!speeds) return DRV_P1INVALID;
  *speeds = static_cast<int>(call.head().config().verticalSpeeds.size());
  return DRV_SUCCESS;
}

unsigned int GetVSSpeed(int index, float* speed) {
  Call call("GetVSSpeed", Need::Initialized);
  if (!call.ok()) return call.code();
  const auto& table = call.head().config().verticalSpeeds;
  if (!inRange(index, table)) return DRV_P1INVALID;
  if (!speed) return DRV_P2INVALID;
  *speed = static_cast<float>(table[static_cast<std::size_t>(index)]);
  return DRV_SUCCESS;
}

unsigned int GetNumberADChannels(int* channels) {
  Call call("GetNumberADChannels", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!channels) return DRV_P1INVALID;
  *channels = 1;  // one 14-bit converter
  return DRV_SUCCESS;
}

unsigned int GetNumberHSSpeeds(int channel, int typ, int* speeds) {
  Call call("GetNumberHSSpeeds", Need::Initialized);
  if (!call.ok()) return call.code();
  if (channel != 0) return DRV_P1INVALID;
  if (typ != 0 && typ != 1) return DRV_P2INVALID;
  if (!speeds) return DRV_P3INVALID;
  *speeds =
      static_cast<int>(call.head().config().horizontalSpeeds[static_cast<std::size_t>(typ)].size());
  return DRV_SUCCESS;
}

unsigned int GetHSSpeed(int channel, int typ, int index, float* speed) {
  Call call("GetHSSpeed", Need::Initialized);
  if (!call.ok()) return call.code();
  if (channel != 0) return DRV_P1INVALID;
  if (typ != 0 && typ != 1) return DRV_P2INVALID;
  const auto& table = call.head().config().horizontalSpeeds[static_cast<std::size_t>(typ)];
  if (!inRange(index, table)) return DRV_P3INVALID;
  if (!speed) return DRV_P4INVALID;
  *speed = static_cast<float>(table[static_cast<std::size_t>(index)]);
  return DRV_SUCCESS;
}

namespace {
unsigned int sixValues(const std::array<unsigned, 6>& values, unsigned int* out[6]) {
  static constexpr unsigned int kInvalid[6] = {DRV_P1INVALID, DRV_P2INVALID, DRV_P3INVALID,
                                               DRV_P4INVALID, DRV_P5INVALID, DRV_P6INVALID};
  for (int i = 0; i < 6; ++i)
    if (!out[i]) return kInvalid[i];
  for (int i = 0; i < 6; ++i) *out[i] = values[static_cast<std::size_t>(i)];
  return DRV_SUCCESS;
}
}  // namespace

unsigned int GetHardwareVersion(unsigned int* PCB, unsigned int* Decode, unsigned int* dummy1,
                                unsigned int* dummy2, unsigned int* CameraFirmwareVersion,
                                unsigned int* CameraFirmwareBuild) {
  Call call("GetHardwareVersion", Need::Initialized);
  if (!call.ok()) return call.code();
  unsigned int* out[6] = {PCB, Decode, dummy1, dummy2, CameraFirmwareVersion, CameraFirmwareBuild};
  return sixValues(call.head().config().hardwareVersion, out);
}

unsigned int GetSoftwareVersion(unsigned int* eprom, unsigned int* coffile, unsigned int* vxdrev,
                                unsigned int* vxdver, unsigned int* dllrev, unsigned int* dllver) {
  Call call("GetSoftwareVersion", Need::Initialized);
  if (!call.ok()) return call.code();
  unsigned int* out[6] = {eprom, coffile, vxdrev, vxdver, dllrev, dllver};
  return sixValues(call.head().config().softwareVersion, out);
}

unsigned int GetTemperatureRange(int* mintemp, int* maxtemp) {
  Call call("GetTemperatureRange", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!mintemp) return DRV_P1INVALID;
  if (!maxtemp) return DRV_P2INVALID;
  *mintemp = call.head().config().minTemperature;
  *maxtemp = call.head().config().maxTemperature;
  return DRV_SUCCESS;
}

unsigned int GetEMGainRange(int* low, int* high) {
  Call call("GetEMGainRange", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!low) return DRV_P1INVALID;
  if (!high) return DRV_P2INVALID;
  *low = 0;
  *high = call.head().config().emGainHigh;
  return DRV_SUCCESS;
}

unsigned int GetEMCCDGain(int* gain) {
  Call call("GetEMCCDGain", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!gain) return DRV_P1INVALID;
  *gain = call.setup().emGain;
  return DRV_SUCCESS;
}

unsigned int GetNumberPreAmpGains(int* noGains) {
  Call call("GetNumberPreAmpGains", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!noGains) return DRV_P1INVALID;
  *noGains = static_cast<int>(call.head().config().preampGains.size());
  return DRV_SUCCESS;
}

unsigned int IsTriggerModeAvailable(int iTriggerMode) {
  Call call("IsTriggerModeAvailable", Need::Initialized);
  if (!call.ok()) return call.code();
  return iTriggerMode == 0 ? DRV_SUCCESS : DRV_INVALID_MODE;
}

// ---------------------------------------------------------------------------------------------
// Settings.

unsigned int SetAcquisitionMode(int mode) {
  Call call("SetAcquisitionMode", Need::Idle);
  if (!call.ok()) return call.code();
  if (mode != 1 && mode != 3 && mode != 6) return DRV_P1INVALID;
  call.setup().series = mode != 1;
  return DRV_SUCCESS;
}

unsigned int SetFrameTransferMode(int mode) {
  Call call("SetFrameTransferMode", Need::Idle);
  if (!call.ok()) return call.code();
  if (mode != 0 && mode != 1) return DRV_P1INVALID;
  call.setup().frameTransfer = mode == 1;
  return DRV_SUCCESS;
}

unsigned int SetNumberKinetics(int number) {
  Call call("SetNumberKinetics", Need::Idle);
  if (!call.ok()) return call.code();
  if (number < 1) return DRV_P1INVALID;
  call.setup().frames = number;
  return DRV_SUCCESS;
}

unsigned int SetReadMode(int mode) {
  Call call("SetReadMode", Need::Idle);
  if (!call.ok()) return call.code();
  return mode == 4 ? DRV_SUCCESS : DRV_P1INVALID;
}

unsigned int SetVSSpeed(int index) {
  Call call("SetVSSpeed", Need::Idle);
  if (!call.ok()) return call.code();
  if (!inRange(index, call.head().config().verticalSpeeds)) return DRV_P1INVALID;
  call.setup().verticalSpeed = index;
  return DRV_SUCCESS;
}

unsigned int SetADChannel(int channel) {
  Call call("SetADChannel", Need::Idle);
  if (!call.ok()) return call.code();
  return channel == 0 ? DRV_SUCCESS : DRV_P1INVALID;
}

unsigned int SetHSSpeed(int typ, int index) {
  Call call("SetHSSpeed", Need::Idle);
  if (!call.ok()) return call.code();
  if (typ != 0 && typ != 1) return DRV_P1INVALID;
  if (!inRange(index, call.head().config().horizontalSpeeds[static_cast<std::size_t>(typ)]))
    return DRV_P2INVALID;
  call.setup().amplifier = typ;
  call.setup().horizontalSpeed = index;
  return DRV_SUCCESS;
}

unsigned int SetShutter(int typ, int mode, int closingtime, int openingtime) {
  Call call("SetShutter", Need::Idle);
  if (!call.ok()) return call.code();
  if (typ != 0 && typ != 1) return DRV_P1INVALID;
  if (mode != 0 && mode != 1 && mode != 2 && mode != 4 && mode != 5) return DRV_P2INVALID;
  if (closingtime < 0) return DRV_P3INVALID;
  if (openingtime < 0) return DRV_P4INVALID;
  call.setup().shutterMode = mode;
  call.setup().shutterClosing = closingtime;
  call.setup().shutterOpening = openingtime;
  return DRV_SUCCESS;
}

unsigned int SetFanMode(int mode) {
  Call call("SetFanMode", Need::Idle);
  if (!call.ok()) return call.code();
  if (mode < 0 || mode > 2) return DRV_P1INVALID;
  call.head().thermal().setFan(mode, call.now());
  return DRV_SUCCESS;
}

unsigned int SetPreAmpGain(int index) {
  Call call("SetPreAmpGain", Need::Idle);
  if (!call.ok()) return call.code();
  if (!inRange(index, call.head().config().preampGains)) return DRV_P1INVALID;
  call.setup().preamp = index;
  return DRV_SUCCESS;
}

unsigned int SetEMCCDGain(int gain) {
  Call call("SetEMCCDGain", Need::Idle);
  if (!call.ok()) return call.code();
  if (gain < 0 || gain > call.head().config().emGainHigh) return DRV_P1INVALID;
  call.setup().emGain = gain;
  return DRV_SUCCESS;
}

unsigned int SetImage(int hbin, int vbin, int hstart, int hend, int vstart, int vend) {
  Call call("SetImage", Need::Idle);
  if (!call.ok()) return call.code();
  const int width = call.head().config().width;
  const int height = call.head().config().height;
  if (hstart < 1 || hstart > width) return DRV_P3INVALID;
  if (hend < hstart || hend > width) return DRV_P4INVALID;
  if (vstart < 1 || vstart > height) return DRV_P5INVALID;
  if (vend < vstart || vend > height) return DRV_P6INVALID;
  if (hbin < 1 || hbin > hend - hstart + 1) return DRV_P1INVALID;
  if (vbin < 1 || vbin > vend - vstart + 1) return DRV_P2INVALID;
  auto& w = call.setup().window;
  w.hbin = hbin;
  w.vbin = vbin;
  w.hstart = hstart;
  w.hend = hend;
  w.vstart = vstart;
  w.vend = vend;
  return DRV_SUCCESS;
}

unsigned int SetTriggerMode(int mode) {
  Call call("SetTriggerMode", Need::Idle);
  if (!call.ok()) return call.code();
  if (mode != 0) return DRV_P1INVALID;
  call.camera().triggerMode = mode;
  return DRV_SUCCESS;
}

unsigned int SetExposureTime(float time) {
  Call call("SetExposureTime", Need::Idle);
  if (!call.ok()) return call.code();
  if (!std::isfinite(time) || time < 0.0f) return DRV_P1INVALID;
  call.setup().exposure = time;
  return DRV_SUCCESS;
}

unsigned int SetBaselineClamp(int state) {
  Call call("SetBaselineClamp", Need::Idle);
  if (!call.ok()) return call.code();
  if (state != 0 && state != 1) return DRV_P1INVALID;
  call.setup().baselineClamp = state == 1;
  return DRV_SUCCESS;
}

unsigned int SetBaselineOffset(int offset) {
  Call call("SetBaselineOffset", Need::Idle);
  if (!call.ok()) return call.code();
  if (offset < -1000 || offset > 1000 || offset % 100 != 0) return DRV_P1INVALID;
  call.setup().baselineOffset = offset;
  return DRV_SUCCESS;
}

unsigned int GetAcquisitionTimings(float* exposure, float* accumulate, float* kinetic) {
  Call call("GetAcquisitionTimings", Need::Idle);
  if (!call.ok()) return call.code();
  if (!exposure) return DRV_P1INVALID;
  if (!accumulate) return DRV_P2INVALID;
  if (!kinetic) return DRV_P3INVALID;
  const auto t = call.head().timings(call.setup());
  *exposure = static_cast<float>(t.exposure);
  *accumulate = static_cast<float>(t.accumulate);
  *kinetic = static_cast<float>(t.kinetic);
  return DRV_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Acquisition.

unsigned int StartAcquisition(void) {
  Call call("StartAcquisition", Need::Idle);
  if (!call.ok()) return call.code();
  // The driver's buffer holds at most 2^31 samples (4 GiB).
  const auto& setup = call.setup();
  if (static_cast<double>(setup.frameCount()) * static_cast<double>(setup.window.pixels()) >
      2147483648.0)
    return DRV_ACQ_BUFFER;
  auto& faults = call.driver().faults;
  const std::string own = "AcquisitionHang@" + std::to_string(call.head().number());
  const bool hang = faults.shouldFail(own) || faults.shouldFail("AcquisitionHang");
  call.head().start(setup, opticsNow(), call.now(), hang);
  return DRV_SUCCESS;
}

unsigned int GetStatus(int* status) {
  Call call("GetStatus", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!status) return DRV_P1INVALID;
  *status = call.head().acquiring(call.now()) ? DRV_ACQUIRING : DRV_IDLE;
  return DRV_SUCCESS;
}

unsigned int GetAcquiredData16(unsigned short* arr, unsigned long size) {
  Call call("GetAcquiredData16", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!arr) return DRV_P1INVALID;
  if (call.head().acquiring(call.now())) return DRV_ACQUIRING;
  const std::size_t available = call.head().dataSize();
  if (available == 0) return DRV_NO_NEW_DATA;
  if (size != available) return DRV_P2INVALID;
  call.head().read(arr);
  return DRV_SUCCESS;
}

unsigned int AbortAcquisition(void) {
  Call call("AbortAcquisition", Need::Initialized);
  if (!call.ok()) return call.code();
  if (!call.head().acquiring(call.now())) return DRV_IDLE;
  call.head().abort(call.now());
  return DRV_SUCCESS;
}

// ---------------------------------------------------------------------------------------------
// Cooling.

unsigned int SetTemperature(int temperature) {
  Call call("SetTemperature", Need::Idle);
  if (!call.ok()) return call.code();
  const auto& config = call.head().config();
  if (temperature < config.minTemperature || temperature > config.maxTemperature)
    return DRV_P1INVALID;
  call.head().thermal().setTarget(temperature, call.now());
  SimLog::instance().write("camera", "cooler",
                           {{"camera", call.head().number()},
                            {"on", call.head().thermal().coolerOn()},
                            {"target", temperature},
                            {"temperature", call.head().thermal().temperature(call.now())}});
  return DRV_SUCCESS;
}

namespace {
unsigned int switchCooler(const char* name, bool on) {
  Call call(name, Need::Idle);
  if (!call.ok()) return call.code();
  auto& thermal = call.head().thermal();
  thermal.setCooler(on, call.now());
  SimLog::instance().write("camera", "cooler",
                           {{"camera", call.head().number()},
                            {"on", on},
                            {"target", thermal.target()},
                            {"temperature", thermal.temperature(call.now())}});
  return DRV_SUCCESS;
}
}  // namespace

unsigned int CoolerON(void) { return switchCooler("CoolerON", true); }

unsigned int CoolerOFF(void) { return switchCooler("CoolerOFF", false); }

unsigned int GetTemperature(int* temperature) {
  Call call("GetTemperature", Need::Idle);
  if (!call.ok()) return call.code();
  if (!temperature) return DRV_P1INVALID;
  const auto& thermal = call.head().thermal();
  *temperature = static_cast<int>(std::lround(thermal.temperature(call.now())));
  switch (thermal.status(call.now())) {
    case helx::sim::camera::ThermalStatus::Off:
      return DRV_TEMPERATURE_OFF;
    case helx::sim::camera::ThermalStatus::NotReached:
      return DRV_TEMPERATURE_NOT_REACHED;
    case helx::sim::camera::ThermalStatus::NotStabilised:
      return DRV_TEMPERATURE_NOT_STABILIZED;
    case helx::sim::camera::ThermalStatus::Stabilised:
      break;
  }
  return DRV_TEMPERATURE_STABILIZED;
}

// ---------------------------------------------------------------------------------------------
// Test access.

namespace helx::atmcd_sim {

void reset() {
  std::lock_guard lock(theDriver().mutex);
  theDriver().build();
}

sim::FaultPlan& faults() { return theDriver().faults; }

void withHead(int number, const std::function<void(sim::camera::Head&)>& f) {
  std::lock_guard lock(theDriver().mutex);
  if (!theDriver().built) theDriver().build();
  if (number < 1 || static_cast<std::size_t>(number) > theDriver().cameras.size()) return;
  f(*theDriver().cameras[static_cast<std::size_t>(number) - 1].head);
}

}  // namespace helx::atmcd_sim
