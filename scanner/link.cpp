// The link to the scanner's motion controller: the communication library loaded at run time,
// its entry-point table, opening and closing device 0, and the one command exchange.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "scanner/scanner.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

void* h_PmacLib = nullptr;
std::uint32_t dwDevice = 0;
std::atomic<int> bDriverOpen{0};
char PmacLibName[256] = "libpcomm32.so";

PfnOpenPmacDevice DeviceOpen = nullptr;
PfnClosePmacDevice DeviceClose = nullptr;
PfnPmacGetRomVersionA DeviceGetRomVersion = nullptr;
PfnPmacGetRomDateA DeviceGetRomDate = nullptr;
PfnPmacGetResponseA DeviceGetResponse = nullptr;
PfnPmacDownloadA DeviceDownload = nullptr;
PfnPmacGetBufferA DeviceGetBuffer = nullptr;
PfnPmacSetQuickGather DeviceSetQuickGather = nullptr;
PfnPmacCollectGatherData DeviceCollectGatherData = nullptr;
PfnPmacGetGatherSamples DeviceGetGatherSamples = nullptr;
PfnPmacGetIVariableLong DeviceGetIVariableLong = nullptr;

// Never destroyed: a run thread QUIT leaves behind may still talk to the controller while the
// program exits.
std::mutex& pmac_lock = *new std::mutex;

namespace {

void clearEntryPoints() {
  DeviceOpen = nullptr;
  DeviceClose = nullptr;
  DeviceGetRomVersion = nullptr;
  DeviceGetRomDate = nullptr;
  DeviceGetResponse = nullptr;
  DeviceDownload = nullptr;
  DeviceGetBuffer = nullptr;
  DeviceSetQuickGather = nullptr;
  DeviceCollectGatherData = nullptr;
  DeviceGetGatherSamples = nullptr;
  DeviceGetIVariableLong = nullptr;
}

// Fetches one exported name into `slot`; a missing one is added to `missing`.
template <typename Fn>
void fetch(Fn& slot, const char* name, std::string& missing) {
  slot = reinterpret_cast<Fn>(dlsym(h_PmacLib, name));
  if (!slot) missing += std::string(missing.empty() ? "" : ", ") + name;
}

// Loads the library and fills the table; the text of what failed, empty when all is there.
std::string loadLibrary() {
  std::lock_guard guard(pmac_lock);
  // A second power-up after a failed open finds the library still loaded: keep that one.
  if (!h_PmacLib) h_PmacLib = dlopen(PmacLibName, RTLD_NOW | RTLD_LOCAL);
  if (!h_PmacLib) return std::string("Cannot load the scanner library ") + PmacLibName;
  // Every entry point is looked for, so that the operator sees all that are missing at once.
  std::string missing;
  fetch(DeviceOpen, "OpenPmacDevice", missing);
  fetch(DeviceClose, "ClosePmacDevice", missing);
  fetch(DeviceGetRomVersion, "PmacGetRomVersionA", missing);
  fetch(DeviceGetRomDate, "PmacGetRomDateA", missing);
  fetch(DeviceGetResponse, "PmacGetResponseA", missing);
  fetch(DeviceDownload, "PmacDownloadA", missing);
  fetch(DeviceGetBuffer, "PmacGetBufferA", missing);
  fetch(DeviceSetQuickGather, "PmacSetQuickGather", missing);
  fetch(DeviceCollectGatherData, "PmacCollectGatherData", missing);
  fetch(DeviceGetGatherSamples, "PmacGetGatherSamples", missing);
  fetch(DeviceGetIVariableLong, "PmacGetIVariableLong", missing);
  if (missing.empty()) return {};
  // A partial table would crash at its first null entry: drop the library instead.
  clearEntryPoints();
  dlclose(h_PmacLib);
  h_PmacLib = nullptr;
  return std::string("Entry points not found in ") + PmacLibName + ": " + missing;
}

}  // namespace

int RunLink(void) {
  // The popup waits for the operator: never while holding the link.
  std::string failure = loadLibrary();
  if (!failure.empty()) {
    MessagePopup("Error", failure.c_str());
    return 0;
  }
  // The library starts its link to the controller; give it the second it needs.
  Delay(1.0);
  return 1;
}

int PmacCommand(const char* command, char* reply) {
  reply[0] = '\0';
  std::lock_guard guard(pmac_lock);
  if (!DeviceGetResponse) return -1;
  int n = DeviceGetResponse(dwDevice, reply, 255, command);
  if (n < 0) reply[0] = '\0';
  reply[255] = '\0';
  return n;
}

void getresponse(const char* command) {
  char reply[256];
  PmacCommand(command, reply);
  AppendMonitor(reply);
}

void CloseDevice(void) {
  PmacAccessible = 0;
  // Holding the lock: no call is in flight and none can start until the table is cleared.
  std::lock_guard guard(pmac_lock);
  if (bDriverOpen != 0) {
    int closed = DeviceClose ? DeviceClose(dwDevice) : 0;
    bDriverOpen = closed ? 0 : 1;
    char text[64];
    std::snprintf(text, sizeof text, "Device is Closed! %d \n ", bDriverOpen.load());
    AppendMonitor(text);
  }
  if (h_PmacLib) {
    clearEntryPoints();
    dlclose(h_PmacLib);
    h_PmacLib = nullptr;
  }
  Scanner_status = 0;
}
