// Frames the instrument did not give: a camera that refuses to hand over its data in the middle
// of a scan, and a scanner controller that stops answering while frames are exposed. Every such
// frame is lost, counted, told, recorded as not stored and left as zeros in its file, and no
// frame is filed under another step.
#include <dlfcn.h>
#include <fitsio.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "observing_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/pcomm/pcomm.h"
#include "platform/ui/operator.h"
#include "sequence/frames_not_read.h"
#include "sequence/sequence.h"
#include "sim/common/sim_log.h"
#include "state/observation_state.h"

using helx::ui::Operator;
namespace fs = std::filesystem;

namespace {

struct TableRow {
  int stored = 0;
  double posEnd = 0;
};

// The STORED and POS_END columns of a cube's frame table.
std::vector<TableRow> frameTable(const fs::path& cube) {
  fs::path path = cube;
  path.replace_extension(".frames.fits");
  std::vector<TableRow> rows;
  fitsfile* f = nullptr;
  int status = 0;
  if (fits_open_table(&f, path.c_str(), READONLY, &status)) return rows;
  long count = 0;
  int stored = 0, posEnd = 0;
  fits_get_num_rows(f, &count, &status);
  fits_get_colnum(f, CASEINSEN, const_cast<char*>("STORED"), &stored, &status);
  fits_get_colnum(f, CASEINSEN, const_cast<char*>("POS_END"), &posEnd, &status);
  std::vector<int> s(static_cast<std::size_t>(count));
  std::vector<double> p(static_cast<std::size_t>(count));
  // A NaN reading comes back as NaN; cfitsio then also reports that a null was met.
  double nan = std::nan("");
  int anyNull = 0;
  fits_read_col(f, TINT, stored, 1, 1, count, nullptr, s.data(), &anyNull, &status);
  fits_read_col(f, TDOUBLE, posEnd, 1, 1, count, &nan, p.data(), &anyNull, &status);
  int closing = 0;
  fits_close_file(f, &closing);
  if (status) return {};
  for (long k = 0; k < count; ++k) rows.push_back({s[k], p[k]});
  return rows;
}

// Every row of the cube's table says STORED=1 exactly where its frame holds data.
void expectTableMatchesCube(const FitsFile& cube) {
  const auto rows = frameTable(cube.path);
  ASSERT_EQ(static_cast<long>(rows.size()), cube.naxes[2]) << cube.path;
  const std::size_t plane = static_cast<std::size_t>(cube.naxes[0] * cube.naxes[1]);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    bool zeros = true;
    for (std::size_t i = 0; i < plane && zeros; ++i) zeros = cube.pixels[k * plane + i] == 0;
    EXPECT_EQ(rows[k].stored == 1, !zeros) << cube.path << " frame " << k + 1;
  }
}

int popupsContaining(const std::string& text) {
  int n = 0;
  for (auto& p : Operator::popups()) n += p.text.find(text) != std::string::npos ? 1 : 0;
  return n;
}

int cameraFaults(const std::string& call, int camera) {
  int n = 0;
  for (auto& e : helx::sim::SimLog::instance().entries("camera"))
    if (e["ev"] == "fault" && e["call"] == call && e["camera"] == camera) ++n;
  return n;
}

}  // namespace

TEST_F(Observing, ReadOutsTheCameraRefusesAreLostToldOnceAndNeverFiledUnderAnotherStep) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 30;
    setup(s);
    Operator::clearPopups();
    // Camera 2 refuses its next three read-outs once its tenth frame is stored.
    SetReadoutHook([](int camera, int slot) {
      if (camera == 2 && slot == 9) helx::atmcd_sim::faults().inject("GetAcquiredData16@2", 3);
    });
    runAndWait();
    SetReadoutHook({});

    const int refused = cameraFaults("GetAcquiredData16", 2);
    EXPECT_EQ(run_frames_not_read, refused);
    ASSERT_GE(refused, 1) << "no read-out of camera 2 came after its tenth frame";
    if (!Sanitized()) {
      EXPECT_EQ(refused, 3);
    }
    expectScanFrames({1, 2}, 1, 30);
    EXPECT_EQ(popupsContaining("Camera 2 did not hand over its frame of step "), 1);
    EXPECT_NE(endLine().find("(" + std::to_string(refused) + " not read from the camera)"),
              std::string::npos)
        << endLine();
    for (const char* letter : {"A", "B"}) {
      auto cubes = files(letter);
      ASSERT_EQ(cubes.size(), 1u);
      expectTableMatchesCube(cubes[0]);
    }
    quit();
  });
}

TEST_F(Observing, AFrameWhoseScannerReadingNeverCameIsNotStored) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.frames = 40;
    setup(s);
    // The scanner's controller leaves two position queries unanswered (half a second each) once
    // the tenth frame is stored: a frame exposed then has no reading to prove the scanner stayed.
    void* pcomm = ::dlopen("libpcomm32.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(pcomm, nullptr) << ::dlerror();
    auto inject = reinterpret_cast<PfnPmacSimInjectFault>(::dlsym(pcomm, "PmacSimInjectFault"));
    ASSERT_NE(inject, nullptr);
    SetReadoutHook([&](int camera, int slot) {
      if (camera == 1 && slot == 9) inject(0, "no_reply:#1P", 2, 0.0);
    });
    runAndWait(120);
    SetReadoutHook({});
    ::dlclose(pcomm);

    int silent = 0;
    for (auto& e : helx::sim::SimLog::instance().entries("pmac"))
      if (e["ev"] == "no_reply" && e.value("command", "") == "#1P") ++silent;
    EXPECT_GE(silent, 1);
    expectScanFrames({1}, 1, 40);
    auto cubes = files("A");
    ASSERT_EQ(cubes.size(), 1u);
    expectTableMatchesCube(cubes[0]);
    int unread = 0;
    for (const TableRow& row : frameTable(cubes[0].path)) {
      if (!std::isnan(row.posEnd)) continue;
      ++unread;
      EXPECT_EQ(row.stored, 0) << "a frame with no reading after its exposure was stored";
    }
    EXPECT_GE(unread, 1) << "no exposure ended while the controller was silent";
    quit();
  });
}
