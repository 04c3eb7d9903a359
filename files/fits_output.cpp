#include "files/fits_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "files/fits_files.h"
#include "files/time_marks.h"
#include "motors/wavelength_list.h"
#include "platform/atmcd/atmcd.h"
#include "platform/os/calendar.h"
#include "platform/os/clock.h"
#include "platform/os/paths.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"
#include "state/setup_in_force.h"

int fits_sync = 1;
char fits_last_saved[512];

namespace {
std::atomic<unsigned> tempCounter{0};

// Seconds the save waits for the next one when its name is taken, before it adds a number.
constexpr int kWaitForNextSecond = 2;

bool buildPath(FitsSave& save, std::time_t when, int number) {
  std::tm utc = helx::os::UtcTime(when);
  char name[128];
  char extra[16] = "";
  if (number > 0) std::snprintf(extra, sizeof extra, "_%d", number);
  std::snprintf(name, sizeof name, "HELX_%.2d%.2d%.2d_%.2d%.2d%.2d_%s%s.fts", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, save.suffix,
                extra);
  std::memset(save.path, 0, sizeof save.path);
  int n = std::snprintf(save.path, sizeof save.path, "%s\\%s", save.directory, name);
  if (n < 0 || n >= static_cast<int>(sizeof save.path)) return false;
  auto mapped = helx::os::MapPath(save.path);
  if (!mapped) return false;
  save.mappedPath = *mapped;
  return true;
}

bool syncPath(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

std::string folderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Gives the finished temporary file its final name unless that name exists. 0 or an errno.
int place(const std::string& temp, const std::string& final) {
  if (::link(temp.c_str(), final.c_str()) == 0) {
    ::unlink(temp.c_str());
    return 0;
  }
  int e = errno;
  if (e != EPERM && e != EOPNOTSUPP && e != EMLINK && e != ENOSYS) return e;
  // Folders without hard links: an exclusive rename does the same.
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, final.c_str(), RENAME_NOREPLACE) == 0) return 0;
  return errno;
}

void waitForNextSecond(std::time_t after) {
  // Calendar time is real time: the wait is real too.
  while (helx::os::CalendarNow() <= after)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Samples of type T (16 or 32 bits) from memory order into the file's big-endian order.
template <typename T>
void SwapToBigEndian(const unsigned char* in, unsigned char* out, std::size_t n) {
  if constexpr (std::endian::native == std::endian::big) {
    std::memcpy(out, in, n * sizeof(T));
  } else {
    for (std::size_t i = 0; i < n; i++) {
      T v;
      std::memcpy(&v, in + i * sizeof(T), sizeof(T));
      if constexpr (sizeof(T) == 2)
        v = __builtin_bswap16(v);
      else
        v = __builtin_bswap32(v);
      std::memcpy(out + i * sizeof(T), &v, sizeof(T));
    }
  }
}

void fail(FitsSave& save, const char* step) {
  if (save.failedStep.empty()) save.failedStep = step;
}
}  // namespace

std::string FitsTempPath(const std::string& final) {
  char unique[64];
  std::snprintf(unique, sizeof unique, ".part%d-%u", static_cast<int>(::getpid()), tempCounter++);
  return final + unique;
}

bool FitsSyncPath(const std::string& path, int flags) { return syncPath(path, flags); }
int FitsPlaceFile(const std::string& temp, const std::string& final) { return place(temp, final); }

void FitsText(const char* in, char* out) {
  int n = 0;
  for (const char* p = in ? in : ""; *p && n < 68; p++) {
    unsigned char c = static_cast<unsigned char>(*p);
    out[n++] = (c >= 0x20 && c <= 0x7E) ? static_cast<char>(c) : '?';
  }
  out[n] = '\0';
}

void ReadPanelText(int panel, int control, char* out, int size) {
  out[0] = '\0';
  int length = 0;
  if (GetCtrlValueLength(panel, control, &length) < 0 || length < 0 || length >= size) return;
  GetCtrlVal(panel, control, out);
}

void ReadCameraInfo(long camera, int* temperature, char* headModel) {
  char model[256] = "";
  SetCurrentCamera(camera);
  GetTemperature(temperature);
  GetHeadModel(model);
  model[32] = '\0';
  FitsText(model, headModel);
}

void WriteGratingKeys(FitsSave& save) {
  // The entry the grating was moved to at OK, and only where it got there: the ring may show
  // another entry since, and the list may have been read again.
  char wavelength[64] = "", step[32] = "", angle[64] = "";
  const GratingSetupInForce& grating = setup_in_force.grating;
  if (grating.index >= 0 && grating.reached) {
    std::snprintf(wavelength, sizeof wavelength, "%.2f", static_cast<double>(grating.wavelength));
    std::snprintf(step, sizeof step, "%.2d", grating.step);
    std::snprintf(angle, sizeof angle, "%.2f", grating.angle);
  }
  ffpkys(save.fptr, "GRATWVLN", wavelength, "Grating wavelength for CAM 1", &save.status);
  FitsStep(save, "write GRATWVLN");
  ffpkys(save.fptr, "GRATSTEP", step, "Grating step count", &save.status);
  FitsStep(save, "write GRATSTEP");
  ffpkys(save.fptr, "GRATANGL", angle, "Grating angle", &save.status);
  FitsStep(save, "write GRATANGL");
}

void FitsWriteSamples(FitsSave& save, const void* samples, std::size_t count, int sampleBytes) {
  if (save.status != 0) return;
  constexpr std::size_t kSwapBufferBytes = std::size_t{1} << 20;
  const std::size_t perChunk = kSwapBufferBytes / sampleBytes;
  std::unique_ptr<unsigned char[]> chunk(
      new (std::nothrow) unsigned char[std::min(perChunk, count) * sampleBytes]);
  if (!chunk) {
    save.status = MEMORY_ALLOCATION;
    return;
  }
  const auto* in = static_cast<const unsigned char*>(samples);
  LONGLONG offset = 0;  // bytes into the data unit
  for (std::size_t done = 0; done < count && save.status == 0;) {
    std::size_t n = std::min(perChunk, count - done);
    std::size_t bytes = n * sampleBytes;
    if (sampleBytes == 2)
      SwapToBigEndian<std::uint16_t>(in + done * 2, chunk.get(), n);
    else
      SwapToBigEndian<std::uint32_t>(in + done * 4, chunk.get(), n);
    // An image is one row of the data unit to the library: byte `offset` of it is row 1,
    // character offset + 1.
    ffptbb(save.fptr, 1, offset + 1, static_cast<LONGLONG>(bytes), chunk.get(), &save.status);
    offset += static_cast<LONGLONG>(bytes);
    done += n;
  }
}

void FitsStep(FitsSave& save, const char* step) {
  if (save.status != 0) fail(save, step);
}

bool FitsBegin(FitsSave& save, const char* directory, const char* suffix, std::size_t dataBytes) {
  if (helx::os::PerformanceFrequency() <= 0)
    MessagePopup("Error", "Cannot support the timer of high resolution\n");
  else if (gliFreq <= 0)
    gliFreq = helx::os::PerformanceFrequency();
  char mark[52];
  marktime_start(mark);

  save.directory = directory ? directory : "";
  save.suffix = suffix;
  if (!buildPath(save, helx::os::CalendarNow(), 0)) {
    fail(save, "build the file name");
    save.status = FILE_NOT_CREATED;
    return false;
  }
  save.tempPath = FitsTempPath(save.mappedPath);
  // The plain disk-file call: a "[" or "!" in a folder name is a folder name, not a filter.
  (void)dataBytes;
  ffdkinit(&save.fptr, save.tempPath.c_str(), &save.status);
  FitsStep(save, "create the file");
  return save.status == 0;
}

int FitsFinish(FitsSave& save) {
  if (save.fptr) {
    if (save.status != 0) {
      // The library still frees the file; its result no longer matters.
      int ignored = 0;
      ffclos(save.fptr, &ignored);
    } else {
      ffclos(save.fptr, &save.status);
      FitsStep(save, "close the file");
    }
    save.fptr = nullptr;
  }
  if (save.status == 0 && fits_sync && !syncPath(save.tempPath, O_RDONLY)) {
    fail(save, "write the file to the disk");
    save.status = WRITE_ERROR;
  }

  if (save.status == 0) {
    std::time_t when = helx::os::CalendarNow();
    for (int attempt = 0;; attempt++) {
      int e = place(save.tempPath, save.mappedPath);
      if (e == 0) break;
      if (e != EEXIST || attempt > kWaitForNextSecond + 1000) {
        fail(save, "give the file its name");
        save.status = FILE_NOT_CREATED;
        break;
      }
      bool ok;
      if (attempt < kWaitForNextSecond) {
        waitForNextSecond(when);
        when = helx::os::CalendarNow();
        ok = buildPath(save, when, 0);
      } else {
        ok = buildPath(save, when, attempt - kWaitForNextSecond + 1);
      }
      if (!ok) {
        fail(save, "build the file name");
        save.status = FILE_NOT_CREATED;
        break;
      }
    }
    if (save.status == 0 && fits_sync) syncPath(folderOf(save.mappedPath), O_RDONLY | O_DIRECTORY);
  }
  if (save.status != 0 && !save.tempPath.empty()) ::unlink(save.tempPath.c_str());

  int ok = save.status == 0;
  if (ok) {
    std::memset(fits_last_saved, 0, sizeof fits_last_saved);
    std::memcpy(fits_last_saved, save.path, sizeof fits_last_saved - 1);
  } else {
    char reason[FLEN_STATUS] = "";
    ffgerr(save.status, reason);
    char text[1024];
    std::snprintf(text, sizeof text, "FITS file not saved: %s failed (%s)\n%s\n",
                  save.failedStep.c_str(), reason, save.path);
    MessagePopup("Error", text);
    AppendMonitor(text);
  }

  char mark[52];
  marktime_end(mark);
  char line[64];
  std::snprintf(line, sizeof line, "%.3f Sec\n", static_cast<double>(time_difference()));
  AppendMonitor(line);
  return ok;
}
