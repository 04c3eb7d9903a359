// The flat-field sequence on the simulated instrument: the seven grating positions and the
// return, the averaging and bias/dark subtraction, the flat files, and the setups it refuses.
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell.h"
#include "motors/motors.h"
#include "observing_fixture.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {
std::mutex moves_mutex;
std::vector<int> moves;
int last_target = 0;

std::vector<int> gratingMoves() {
  std::lock_guard lock(moves_mutex);
  return moves;
}
}  // namespace

extern "C" int __real__Z15Gratingtrackingii(int mode, int value);
extern "C" int __wrap__Z15Gratingtrackingii(int mode, int value) {
  {
    std::lock_guard lock(moves_mutex);
    moves.push_back(value);
    last_target = value;
  }
  return __real__Z15Gratingtrackingii(mode, value);
}

namespace {

// A flat field is seven grating moves and scans: up to half a minute at real time, several
// times that on a loaded machine or on the sanitizers' slower clock.
constexpr double kFlatLimitSeconds = 600;
// Where only the files and the grating's moves are looked at, the clock may run faster: a step
// now and then is then dropped (left out of the mean).
constexpr double kFastFlatScale = 3;

class Flat : public Observing {
 protected:
  void flatSetup(int frames) {
    Observation s;
    s.camera = "Flat Fielding";
    s.frames = frames;
    setup(s);
  }
  void takeFlat(double scale) {
    {
      std::lock_guard lock(moves_mutex);
      moves.clear();
    }
    Operator::clearPopups();
    helx::os::Clock::instance().setScale(TestTimeScale(scale));
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_cmd_Run));
    // Run's callback takes the whole flat field on the interface thread without processing
    // events: the queue reaches the sync once it has returned. Before the press is dispatched
    // Run is enabled and no run is active, so runEnded() (which also puts the setup's clock
    // back) may only look after that.
    ASSERT_TRUE(Operator::sync(kFlatLimitSeconds));
    ASSERT_TRUE(runEnded(kFlatLimitSeconds));
  }
};

}  // namespace

TEST_F(Flat, SevenPositionsAroundTheBaseAveragedBiasSubtractedAndSaved) {
  simulate();
  observe([&] {
    powerOn();
    flatSetup(3);
    ASSERT_EQ(ccd_camera, 4);
    Data[0].step = 5000;
    // Every frame read at a position holds 1000 + (that position - 4890) in camera 1, and
    // 2000 in camera 2 (but one); both bias/dark frames are 100.
    const std::size_t pixels1 = static_cast<std::size_t>(nhDim1) * nvDim1;
    const std::size_t pixels2 = static_cast<std::size_t>(nhDim2) * nvDim2;
    for (std::size_t k = 0; k < pixels1; k++) BiasDark1[k] = 100;
    for (std::size_t k = 0; k < pixels2; k++) BiasDark2[k] = 100;
    // Frames stored per camera and grating position (a step may be dropped now and then).
    std::map<std::pair<int, int>, int> stored;
    SetReadoutHook([&](int camera, int slot) {
      int target;
      {
        std::lock_guard lock(moves_mutex);
        target = last_target;
      }
      int n = stored[{camera, target}]++;
      if (camera == 1)
        for (std::size_t k = 0; k < pixels1; k++)
          g_pRawData[pixels1 * slot + k] = static_cast<unsigned short>(1000 + target - 4890);
      // Camera 2's first frame at the first position is left as a frame that was never stored:
      // the mean of that position comes from the others.
      const unsigned short value2 = n == 0 && target == 4890 ? 0 : 2000;
      if (camera == 2)
        for (std::size_t k = 0; k < pixels2; k++) g_pRawData2[pixels2 * slot + k] = value2;
    });
    std::string before = monitorText();
    // At real time, as a run is observed: the plain build must then store every step, which
    // the check of the left-out frame below needs.
    takeFlat(runScale);
    SetReadoutHook({});

    EXPECT_EQ(gratingMoves(), (std::vector<int>{4890, 4910, 4970, 5000, 5020, 5080, 5115, 5000}));
    std::string text = monitorText().substr(before.size());
    auto first = text.find("1 th Grating Position : 4890\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, text.find("2 th Grating Position : 4910\n"));
    EXPECT_NE(text.find("7 th Grating Position : 5115\n"), std::string::npos);
    EXPECT_EQ(ControlText(mainPanel, PANEL_S1), "7");
    EXPECT_EQ(run_frames_lost, run_frames_dropped);

    auto a = files("A", true), b = files("B", true);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    const int offsets[7] = {-110, -90, -30, 0, 20, 80, 115};
    for (const FitsFile* f : {&a[0], &b[0]}) {
      EXPECT_EQ(f->naxis, 3);
      EXPECT_EQ(f->naxes[2], 7);
      EXPECT_EQ(f->bitpix, -32);
      std::string comments;
      for (auto& c : f->comments) comments += c + "\n";
      EXPECT_NE(comments.find("BiasDark Subtracted"), std::string::npos);
      EXPECT_NE(comments.find("averaged image : 3 at each grating angle"), std::string::npos);
      std::string command = "fitsverify -q -e '" + f->path.string() + "' > /dev/null 2>&1";
      EXPECT_EQ(std::system(command.c_str()), 0) << f->path;
    }
    const std::size_t plane = 128 * 128;
    ASSERT_EQ(a[0].pixels.size(), 7 * plane);
    for (int i = 0; i < 7; i++) {
      // Plane i at offset i: 1000 + (offset + 110) over a bias of 100; a position whose every
      // frame was dropped (or, for camera 2 at the first, whose only stored one is the empty
      // one) is all zeros.
      const int target = 5000 + offsets[i];
      const bool any1 = stored[{1, target}] > 0;
      const bool any2 = stored[{2, target}] > (i == 0 ? 1 : 0);
      EXPECT_FLOAT_EQ(a[0].pixels[plane * i + 17], any1 ? 900.0f + offsets[i] + 110 : 0.0f)
          << "plane " << i;
      EXPECT_FLOAT_EQ(b[0].pixels[plane * i + plane - 1], any2 ? 1900.0f : 0.0f) << "plane " << i;
    }
    // Every frame stored or dropped and told: three a position and camera.
    int storedAll = 0;
    for (auto& [where, count] : stored) storedAll += count;
    const int dropped = run_frames_dropped;
    EXPECT_EQ(storedAll + dropped, 2 * 7 * 3);
    EXPECT_EQ(text.find("were dropped because the scanner had moved on") != std::string::npos,
              dropped > 0)
        << text;
    for (int camera : {1, 2}) {
      int kept = 0;
      for (auto& [where, count] : stored) kept += where.first == camera ? count : 0;
      EXPECT_GE(kept, LeastStored(7 * 3)) << "camera " << camera << "\n" << text;
    }
    quit();
  });
}

TEST_F(Flat, AFlatWithFewerThanTwoFramesIsRefused) {
  simulate();
  observe([&] {
    powerOn();
    flatSetup(1);
    takeFlat(kFastFlatScale);
    EXPECT_TRUE(Operator::waitForPopup("Error", "A flat field needs at least 2 frames", 5));
    EXPECT_TRUE(gratingMoves().empty());
    g_nFrameNumber1 = 0;  // below the dialog's minimum
    takeFlat(kFastFlatScale);
    EXPECT_TRUE(Operator::waitForPopup("Error", "A flat field needs at least 2 frames", 5));
    EXPECT_TRUE(gratingMoves().empty());
    EXPECT_TRUE(files("A", true).empty());
    int dimmed = 1;
    GetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    quit();
  });
}

TEST_F(Flat, ATwoFrameFlatCompletesReadingNoBufferPastItsEnd) {
  // Under the sanitizers this catches a final display or average that reads seven frames.
  simulate();
  observe([&] {
    powerOn();
    flatSetup(2);
    takeFlat(kFastFlatScale);
    ASSERT_EQ(files("A", true).size(), 1u);
    ASSERT_EQ(files("B", true).size(), 1u);
    EXPECT_EQ(gratingMoves().size(), 8u);
    EXPECT_EQ(gratingMoves().back(), Data[0].step);
    quit();
  });
}
