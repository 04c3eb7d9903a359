// The byte-scaled picture, its histogram, the graphic panel's placement and the range sliders.
#include <algorithm>
#include <numeric>

#include "display/display.h"
#include "display_fixture.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

using helx::ui::Model;

TEST_F(DisplayTest, RangeOneToTwoThousandAndItsHistogram) {
  std::vector<unsigned short> s = {900, 1000, 1500, 2000, 2100, 1250};
  ByteDisplay(6, 1, s.data(), 1000, 2000);
  EXPECT_EQ(grey(), (std::vector<unsigned char>{0, 0, 127, 255, 255, 63}));

  auto p = plots();
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].handle, plotHandle);
  EXPECT_EQ(p[0].color, VAL_BLUE);
  EXPECT_EQ(p[0].plotStyle, VAL_VERTICAL_BAR);
  ASSERT_EQ(p[0].x.size(), 100u);
  // Only the samples inside the range are counted, across the range's 100 intervals.
  EXPECT_EQ(std::accumulate(p[0].y.begin(), p[0].y.end(), 0.0), 4.0);
  EXPECT_GE(p[0].x.front(), 1000.0);
  EXPECT_LE(p[0].x.back(), 2000.0);
}

TEST_F(DisplayTest, InvertedRangeGradesInReverseWithoutHistogram) {
  std::vector<unsigned short> s = {1500, 2100, 900};
  ByteDisplay(3, 1, s.data(), 2000, 1000);
  EXPECT_EQ(grey(), (std::vector<unsigned char>{127, 0, 255}));
  EXPECT_TRUE(plots().empty());
}

TEST_F(DisplayTest, EmptyRangeSplitsAtTheBoundAndKeepsThePreviousPlot) {
  std::vector<unsigned short> s = {1000, 1200, 999, 0};
  ByteDisplay(4, 1, s.data(), 0, 2000);
  auto before = plots();
  ASSERT_EQ(before.size(), 1u);
  ByteDisplay(4, 1, s.data(), 1000, 1000);
  EXPECT_EQ(grey(), (std::vector<unsigned char>{255, 255, 0, 0}));
  auto after = plots();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].handle, before[0].handle);
}

TEST_F(DisplayTest, PlaneRowZeroIsTheBottomOfThePicture) {
  std::vector<unsigned short> s = {1, 2, 3, 4, 5, 6};
  ByteDisplay(3, 2, s.data(), 1, 6);
  auto img = picture();
  EXPECT_EQ(img.width, 3);
  EXPECT_EQ(img.height, 2);
  EXPECT_EQ(grey(), (std::vector<unsigned char>{153, 204, 255, 0, 51, 102}));
}

TEST_F(DisplayTest, GraphicPanelSitsSevenPixelsRightOfTheMainPanelAtItsSize) {
  std::vector<unsigned short> s(40 * 30, 7);
  ByteDisplay(40, 30, s.data(), 0, 10);
  int mainLeft = 0, mainTop = 0, mainWidth = 0;
  GetPanelAttribute(mainPanel, ATTR_LEFT, &mainLeft);
  GetPanelAttribute(mainPanel, ATTR_TOP, &mainTop);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &mainWidth);
  int left = 0, top = 0, width = 0, height = 0, pw = 0, ph = 0;
  GetPanelAttribute(GraphicPanel, ATTR_LEFT, &left);
  GetPanelAttribute(GraphicPanel, ATTR_TOP, &top);
  GetPanelAttribute(GraphicPanel, ATTR_WIDTH, &width);
  GetPanelAttribute(GraphicPanel, ATTR_HEIGHT, &height);
  GetCtrlAttribute(GraphicPanel, GRAPHICPNL_PIC_WINDOW, ATTR_WIDTH, &pw);
  GetCtrlAttribute(GraphicPanel, GRAPHICPNL_PIC_WINDOW, ATTR_HEIGHT, &ph);
  EXPECT_EQ(left, mainLeft + mainWidth + 7);
  EXPECT_EQ(top, mainTop);
  EXPECT_EQ(width, 40);
  EXPECT_EQ(height, 30);
  EXPECT_EQ(pw, 40);
  EXPECT_EQ(ph, 30);

  // A moved panel jumps back at the next picture.
  SetPanelAttribute(GraphicPanel, ATTR_LEFT, 5);
  ByteDisplay(40, 30, s.data(), 0, 10);
  GetPanelAttribute(GraphicPanel, ATTR_LEFT, &left);
  EXPECT_EQ(left, mainLeft + mainWidth + 7);
}

TEST_F(DisplayTest, MovedPanelSnapsWithinFiftyPixels) {
  ASSERT_EQ(EnsureGraphicPanel(), 1);
  int mainLeft = 0, mainTop = 0, mainWidth = 0, width = 0;
  GetPanelAttribute(mainPanel, ATTR_LEFT, &mainLeft);
  GetPanelAttribute(mainPanel, ATTR_TOP, &mainTop);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &mainWidth);
  GetPanelAttribute(GraphicPanel, ATTR_WIDTH, &width);
  int right = mainLeft + mainWidth + 7;
  auto moveTo = [&](int left, int top) {
    SetPanelAttribute(GraphicPanel, ATTR_LEFT, left);
    SetPanelAttribute(GraphicPanel, ATTR_TOP, top);
    Graphicpnl_proc(GraphicPanel, EVENT_PANEL_MOVE, nullptr, 0, 0);
    int l = 0, t = 0;
    GetPanelAttribute(GraphicPanel, ATTR_LEFT, &l);
    GetPanelAttribute(GraphicPanel, ATTR_TOP, &t);
    return std::make_pair(l, t);
  };
  EXPECT_EQ(moveTo(right + 40, mainTop + 49), std::make_pair(right, mainTop));
  EXPECT_EQ(moveTo(right + 60, mainTop + 60), std::make_pair(right + 60, mainTop + 60));
  // To the left of the main panel, its right edge within reach.
  int leftSide = mainLeft - width - 7;
  EXPECT_EQ(moveTo(leftSide - 30, mainTop - 20).first, leftSide);
}

TEST_F(DisplayTest, ClosedGraphicPanelIsLoadedAgainByTheRangeSlider) {
  SetUpCamera1(4, 2, 1, {10, 20, 30, 40, 50, 60, 70, 80});
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
  ASSERT_EQ(DisplayCCDImage(4, 2, 1, nCameraHandle1), 1);
  int first = GraphicPanel;
  ASSERT_GT(first, 0);
  Graphicpnl_proc(first, EVENT_CLOSE, nullptr, 0, 0);
  EXPECT_EQ(GraphicPanel, 0);

  SetCtrlVal(mainPanel, PANEL_BYTSCL_MIN, 10);
  SetCtrlVal(mainPanel, PANEL_BYTSCL_MAX, 80);
  Commit(SetBytsclMin, PANEL_BYTSCL_MIN);
  ASSERT_GT(GraphicPanel, 0);
  EXPECT_NE(GraphicPanel, first);
  EXPECT_EQ(grey().front(), 145);  // sample 50: 40 / 70 of white
  EXPECT_EQ(grey()[3], 255);       // sample 80, top right
  EXPECT_EQ(grey()[4], 0);         // sample 10, bottom left
}

TEST_F(DisplayTest, RangeSlidersRedrawTheCurrentPlaneAtItsOwnSize) {
  // Camera 2 is a different head: the slider must draw camera 2's plane at its own size, not at
  // the size of the camera configured last (nhDim) or of camera 1.
  SetUpCamera1(8, 8, 3, std::vector<unsigned short>(8 * 8 * 3, 5));
  SetUpCamera2(3, 2, {100, 200, 300, 400, 500, 600});
  nhDim = 8;
  nvDim = 8;
  g_nFrameNumber1 = 1;
  Commit(viewCCD2, PANEL_viewCCD2);
  SetCtrlVal(mainPanel, PANEL_BYTSCL_MIN, 100);
  SetCtrlVal(mainPanel, PANEL_BYTSCL_MAX, 600);
  Commit(SetBytsclMax, PANEL_BYTSCL_MAX);
  EXPECT_EQ(picture().width, 3);
  EXPECT_EQ(picture().height, 2);
  EXPECT_EQ(grey()[3], 0);  // sample 100 at the bottom left
  EXPECT_EQ(grey()[2], 255);

  // Video (no frame count) and an ambiguous view redraw nothing.
  std::vector<unsigned short> other = {1, 2};
  ByteDisplay(2, 1, other.data(), 0, 2);
  g_nFrameNumber1 = 0;
  Commit(SetBytsclMin, PANEL_BYTSCL_MIN);
  EXPECT_EQ(picture().width, 2);
  g_nFrameNumber1 = 1;
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  Commit(SetBytsclMin, PANEL_BYTSCL_MIN);
  EXPECT_EQ(picture().width, 2);
}

// Samples at the camera's ceiling are counted beside the statistics and marked over the picture
// (top row first, like the picture), while the picture's grey bytes stay what the range gives.
TEST_F(DisplayTest, SaturatedSamplesAreCountedAndMarkedWithoutTouchingThePicture) {
  std::vector<unsigned short> s = {16383, 100, 16382, 16383, 16383, 0};  // bottom row first
  ByteDisplay(3, 2, s.data(), 0, 16383);
  EXPECT_EQ(text(PANEL_saturated), "3");
  EXPECT_EQ(grey(), (std::vector<unsigned char>{255, 255, 0, 255, 1, 254}));
  helx::ui::Marks marks = Model::instance().with(
      [](Model& m) { return m.control(GraphicPanel, GRAPHICPNL_PIC_WINDOW)->marks; });
  EXPECT_EQ(marks.width, 3);
  EXPECT_EQ(marks.height, 2);
  EXPECT_EQ(marks.marked, (std::vector<std::uint8_t>{1, 1, 0, 1, 0, 0}));
  EXPECT_EQ(marks.color, 0xFF0000u);

  // A frame without any clears both.
  std::vector<unsigned short> none = {1, 2, 3, 4, 5, 6};
  ByteDisplay(3, 2, none.data(), 0, 16383);
  EXPECT_EQ(text(PANEL_saturated), "0");
  marks = Model::instance().with(
      [](Model& m) { return m.control(GraphicPanel, GRAPHICPNL_PIC_WINDOW)->marks; });
  EXPECT_TRUE(marks.marked.empty());
}

// The frame view shows the frame with its bias/dark subtracted, but saturation is the camera's:
// a sample read at the ceiling is counted and marked whatever is drawn for it, also when the
// range sliders redraw the picture.
TEST_F(DisplayTest, SaturationIsCountedInTheCamerasSamplesUnderTheBiasSubtraction) {
  SetUpCamera1(3, 1, 2, {16383, 200, 16383, 16383, 500, 300});
  bias1 = {100, 100, 100};
  BiasDark1 = bias1.data();
  unsigned short min = 0, max = 0;
  auto marked = [] {
    return Model::instance().with(
        [](Model& m) { return m.control(GraphicPanel, GRAPHICPNL_PIC_WINDOW)->marks.marked; });
  };
  ASSERT_EQ(Display3D_CCD(0, 0, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(max, 16283);  // drawn with the bias subtracted
  EXPECT_EQ(text(PANEL_saturated), "2");
  EXPECT_EQ(marked(), (std::vector<std::uint8_t>{1, 0, 1}));

  g_nFrameNumber1 = 2;
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  Commit(SetBytsclMin, PANEL_BYTSCL_MIN);
  EXPECT_EQ(text(PANEL_saturated), "2");
  EXPECT_EQ(marked(), (std::vector<std::uint8_t>{1, 0, 1}));

  // The column slice shows the camera's samples as they are.
  ASSERT_EQ(Display3D_CCD(1, 0, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(text(PANEL_saturated), "2");
  ASSERT_EQ(Display3D_CCD(0, 1, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(text(PANEL_saturated), "1");
  EXPECT_EQ(marked(), (std::vector<std::uint8_t>{1, 0, 0}));
}
