// The communication library over the in-process simulated controller. The controller is
// created at the first open and lives until the process ends: the library is linked with
// "nodelete", so the host's dlclose at power-off neither loses the controller's program and
// homing nor leaves the scene hook pointing into unloaded code.
#include "platform/pcomm/pcomm.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "sim/pmac/device.h"

namespace {

using helx::sim::pmac::Device;

std::shared_ptr<Device> device(uint32_t number, bool create = false) {
  static std::mutex mutex;
  static std::shared_ptr<Device> only;
  if (number != 0) return nullptr;
  std::lock_guard lock(mutex);
  if (!only && create) {
    only = Device::fromSettings();
    only->publishScanner();
  }
  return only;
}

// Copies at most maxchar characters and the NUL; returns the count copied.
int copyText(const std::string& text, char* out, std::size_t maxchar) {
  if (!out) return -1;
  std::size_t n = std::min(text.size(), maxchar);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<int>(n);
}

char* romText(uint32_t number, char* text, int maxchar, bool date) {
  if (!text || maxchar < 0) return nullptr;
  text[0] = '\0';
  auto d = device(number);
  if (!d) return nullptr;
  auto value = date ? d->romDate() : d->romVersion();
  if (!value) return nullptr;
  copyText(*value, text, static_cast<std::size_t>(maxchar));
  return text;
}

}  // namespace

extern "C" {

int OpenPmacDevice(uint32_t number) {
  auto d = device(number, true);
  return d && d->open() ? 1 : 0;
}

int ClosePmacDevice(uint32_t number) {
  auto d = device(number);
  if (!d || !d->isOpen()) return 0;
  d->close();
  return 1;
}

char* PmacGetRomVersionA(uint32_t number, char* text, int maxchar) {
  return romText(number, text, maxchar, false);
}

char* PmacGetRomDateA(uint32_t number, char* text, int maxchar) {
  return romText(number, text, maxchar, true);
}

int PmacGetResponseA(uint32_t number, char* reply, unsigned maxchar, const char* command) {
  if (!reply) return -1;
  reply[0] = '\0';
  auto d = device(number);
  if (!d || !command) return -1;
  auto text = d->exchange(command);
  if (!text) return -1;
  return copyText(*text, reply, maxchar);
}

int PmacDownloadA(uint32_t number, PmacDownloadMsgProc message, PmacDownloadGetProc get,
                  PmacDownloadProgress progress, const char* path, int macro, int map, int log,
                  int download) {
  // The simulated controller takes the file as it is: no macros, maps, logs or options.
  (void)get;
  (void)macro;
  (void)map;
  (void)log;
  (void)download;
  auto d = device(number);
  if (!d || !path) return 0;
  auto onMessage = [message](const std::string& text) {
    if (!message) return;
    std::string copy = text;
    message(copy.data(), 1);
  };
  auto onProgress = [progress](int percent) {
    if (progress) progress(percent);
  };
  return d->download(path, onMessage, onProgress) ? 1 : 0;
}

int PmacGetBufferA(uint32_t number, char* text, unsigned) {
  if (!text) return -1;
  text[0] = '\0';
  auto d = device(number);
  return d && d->isOpen() && !d->lost() ? 0 : -1;
}

int PmacSetQuickGather(uint32_t number, unsigned mask, int enable) {
  auto d = device(number);
  return d && d->setQuickGather(mask, enable != 0) ? 1 : 0;
}

int PmacCollectGatherData(uint32_t number, long* sources, long* samples) {
  auto d = device(number);
  long s = 0, n = 0;
  bool ok = d && d->collectGather(s, n);
  if (sources) *sources = s;
  if (samples) *samples = n;
  return ok ? 1 : 0;
}

int PmacGetGatherSamples(uint32_t number, long source, long* samples, double* values, long max) {
  auto d = device(number);
  if (!d || !samples || !values || max <= 0) return 0;
  auto data = d->gatherSamples(static_cast<int>(source));
  if (!data) return 0;
  long n = std::min({static_cast<long>(data->size()), *samples > 0 ? *samples : max, max});
  std::copy_n(data->begin(), n, values);
  *samples = n;
  return 1;
}

long PmacGetIVariableLong(uint32_t number, unsigned variable, long fallback) {
  auto d = device(number);
  if (!d) return fallback;
  auto v = d->ivariable(static_cast<int>(variable));
  return v ? static_cast<long>(*v) : fallback;
}

int PmacSimInjectFault(uint32_t number, const char* name, int times, double after) {
  auto d = device(number);
  if (!d || !name) return 0;
  d->faults().inject(name, times, after);
  return 1;
}

}  // extern "C"
