// Opening and configuring the scanner's controller at power-up, and the scan program generated
// from the site's templates for the chosen scan mode and downloaded into the controller.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "scanner/scanner.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

std::atomic<float> step_size{0.0f};
std::atomic<float> step_moved{0.0f};
std::atomic<float> step_duration{0.0f};
std::atomic<int> scan_program_loaded{0};

int ScanOpen(void) {
  char text[300];
  // Without the library nothing below may touch the controller.
  if (!RunLink()) return 0;
  int opened = 0;
  {
    std::lock_guard guard(pmac_lock);
    opened = DeviceOpen ? DeviceOpen(dwDevice) : 0;
  }
  bDriverOpen = opened;
  if (opened == 0) {
    std::snprintf(text, sizeof text, "Device is NOT opened! %d \n ", opened);
    AppendMonitor(text);
    return 0;
  }
  std::snprintf(text, sizeof text, "Device is opened in device #%d", static_cast<int>(dwDevice));
  AppendMonitor(text);

  char version[31] = "", date[31] = "";
  {
    std::lock_guard guard(pmac_lock);
    if (DeviceGetRomVersion) DeviceGetRomVersion(dwDevice, version, 30);
    if (DeviceGetRomDate) DeviceGetRomDate(dwDevice, date, 30);
  }
  std::snprintf(text, sizeof text, "\nV%s %s", version, date);
  AppendMonitor(text);

  char reply[256];
  getresponse("i900=3");
  getresponse("i125=$80C000");
  PmacCommand("i117=0.5", reply);
  PmacCommand("i130=40000", reply);
  PmacCommand("i131=1800", reply);
  PmacCommand("i132=1800", reply);
  PmacCommand("i133=40000", reply);
  PmacCommand("i135=0", reply);
  // The read-back proves the controller answers: one that opened but is silent is closed
  // again, and the power-up names it.
  if (PmacCommand("i900", reply) < 0) {
    AppendMonitor("\nThe scanner's controller opened but does not answer.\n");
    CloseDevice();
    return 0;
  }
  AppendMonitor("\ni900=");
  AppendMonitor(reply);
  PmacCommand("i125", reply);
  AppendMonitor("i125=");
  AppendMonitor(reply);

  PmacAccessible = 1;
  Scanner_status = 1;
  return 1;
}

namespace {

// A whole file, NUL-terminated, with its size; null when it cannot be read.
char* readWhole(const char* path, long* size) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  std::fseek(f, 0, SEEK_END);
  long n = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (n < 0) n = 0;
  char* data = static_cast<char*>(std::calloc(static_cast<std::size_t>(n) + 1, 1));
  if (data) n = static_cast<long>(std::fread(data, 1, static_cast<std::size_t>(n), f));
  std::fclose(f);
  *size = n;
  return data;
}

}  // namespace

int ScanCommandWrite(int frames, float duration, float step, float speed, float stroke) {
  char head_name[300] = "helx.head";
  char tail_name[300] = "helx.tail";
  char pmc_name[300] = "HELX.pmc";
  scan_program_loaded = 0;
  long head_size = 0, tail_size = 0;
  char* head = readWhole(head_name, &head_size);
  char* tail = head ? readWhole(tail_name, &tail_size) : nullptr;

  FILE* out = head && tail ? std::fopen(pmc_name, "wb") : nullptr;
  if (!out) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "The scan program was not generated: %s cannot be %s. Run is refused until "
                  "a setup generates one.\n",
                  !head   ? head_name
                  : !tail ? tail_name
                          : pmc_name,
                  head && tail ? "written" : "read");
    TellOperator("Error", text);
  }
  int loaded = 0;
  if (out) {
    std::fwrite(head, 1, static_cast<std::size_t>(head_size), out);
    std::fputs("\r\n", out);
    if (speed == 0 && stroke == 0) {
      step_size = step;
      step_duration = duration;
      std::fprintf(out,
                   "i130=120000\r\ni131=4000\r\ni132=4000\r\ni133=40000\r\ni134=0\r\ni135=20000\r\n"
                   "inc\r\nta%3.f\r\nts%3.f\r\np1=0\r\nWhile(p1<%4d)\r\nx%4.f\r\ndwell%3.f\r\n"
                   "p1=p1+1\r\nEndWhile\r\n",
                   0.35 * duration, 0.17 * duration, frames, static_cast<double>(step),
                   0.3 * duration);
      // The controller moves what the line says, in whole units: the triggers must follow
      // that step, and the operator must know when it differs from the one entered.
      char moved[64];
      std::snprintf(moved, sizeof moved, "%4.f", static_cast<double>(step));
      step_moved = static_cast<float>(std::strtod(moved, nullptr));
      if (step_moved.load() != step) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "\nScan step %g is not a whole number of units: the scanner moves %.0f "
                      "units per step.\n",
                      static_cast<double>(step), static_cast<double>(step_moved.load()));
        AppendMonitor(text);
      }
    }
    if (duration == 0 && step == 0) {
      step_size = frames != 0 ? stroke / static_cast<float>(frames) : 0.0f;
      std::fprintf(out,
                   "i130=40000\r\ni131=1800\r\ni132=1800\r\ni133=40000\r\ni134=0\r\ni135=0\r\n"
                   "abs\r\nta100\r\nts50\r\nf%2.f\r\nx%5.f\r\n",
                   static_cast<double>(speed), static_cast<double>(stroke));
    }
    std::fputs("\r\n", out);
    std::fwrite(tail, 1, static_cast<std::size_t>(tail_size), out);
    const bool written = std::fclose(out) == 0;
    AppendMonitor("\nScript was generated.\n");
    loaded = written && OpenScript(pmc_name);
    if (!loaded)
      TellOperator("Error",
                   "The scan program HELX.pmc was not downloaded to the scanner controller. Run "
                   "is refused until a setup downloads one.\n");
  } else {
    // The program file of an earlier setup, if any, goes to the controller as before; it is
    // not this setup's, so Run stays refused.
    OpenScript(pmc_name);
  }
  std::free(head);
  std::free(tail);
  scan_program_loaded = loaded;
  return loaded;
}

int OpenScript(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return 0;
  std::fclose(f);
  Delay(1.0);
  int ok = 0;
  {
    std::lock_guard guard(pmac_lock);
    if (DeviceDownload) ok = DeviceDownload(dwDevice, nullptr, nullptr, nullptr, path, 1, 1, 1, 1);
  }
  Delay(1.0);
  if (ok) {
    AppendMonitor("\nDevice Download Success\n");
    AppendMonitor("\nOpen Script() called complete!!\n");
  }
  return ok ? 1 : 0;
}
