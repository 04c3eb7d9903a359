// Frames and cubes of the cameras and of files: the frame plane, the column slice, the bias
// subtraction, plane ownership and the browsing callbacks.
#include <cstring>

#include "display/display.h"
#include "display_fixture.h"
#include "files/fits_reader.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

namespace {
std::vector<unsigned short> Plane3x2x2() { return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}; }
std::vector<unsigned short> PlaneOf(const Plane& p) {
  return std::vector<unsigned short>(p.data, p.data + p.width * p.height);
}
// A cube whose frame f holds f + 1000 everywhere.
std::vector<unsigned short> NumberedCube(int width, int height, int frames) {
  std::vector<unsigned short> s(static_cast<std::size_t>(width) * height * frames);
  for (int f = 0; f < frames; f++)
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++)
        s[(static_cast<std::size_t>(f) * height + y) * width + x] =
            static_cast<unsigned short>(f + 1000);
  return s;
}
}  // namespace

TEST_F(DisplayTest, ColumnSliceRunsOverTheFrames) {
  SetUpCamera1(2, 2, 3, Plane3x2x2());
  unsigned short min = 0, max = 0;
  ASSERT_EQ(Display3D_CCD(1, 1, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(planeDataCCD.width, 3);
  EXPECT_EQ(planeDataCCD.height, 2);
  EXPECT_EQ(PlaneOf(planeDataCCD), (std::vector<unsigned short>{2, 6, 10, 4, 8, 12}));
  EXPECT_EQ(min, 2);
  EXPECT_EQ(max, 12);
  EXPECT_EQ(picture().width, 3);

  ASSERT_EQ(Display3D_CCD(0, 2, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(PlaneOf(planeDataCCD), (std::vector<unsigned short>{9, 10, 11, 12}));
  EXPECT_EQ(mean, 10.5f);
}

TEST_F(DisplayTest, BiasIsSubtractedWrappingInTheFrameViewOnly) {
  SetUpCamera1(2, 1, 2, {100, 300, 100, 300});
  bias1 = {105, 100};
  BiasDark1 = bias1.data();
  unsigned short min = 0, max = 0;
  Display3D_CCD(0, 1, &min, &max, nCameraHandle1);
  EXPECT_EQ(PlaneOf(planeDataCCD), (std::vector<unsigned short>{65531, 200}));
  Display3D_CCD(1, 0, &min, &max, nCameraHandle1);
  EXPECT_EQ(PlaneOf(planeDataCCD), (std::vector<unsigned short>{100, 100}));
  // The camera buffer itself is left as it was read.
  EXPECT_EQ(raw1[2], 100);
}

TEST_F(DisplayTest, SingleFrameRefersToTheBufferACubeFrameIsACopy) {
  SetUpCamera1(2, 2, 1, {1, 2, 3, 4});
  ASSERT_EQ(DisplayCCDImage(2, 2, 1, nCameraHandle1), 1);
  EXPECT_EQ(planeDataCCD.data, g_pRawData);
  EXPECT_FALSE(planeDataCCD.owned);
  // Replacing a referring plane frees nothing (the sanitizer build would see a bad free).
  ReleasePlane(planeDataCCD);
  EXPECT_EQ(raw1[3], 4);

  SetUpCamera1(2, 2, 3, Plane3x2x2());
  ASSERT_EQ(DisplayCCDImage(2, 2, 3, nCameraHandle1), 1);
  EXPECT_TRUE(planeDataCCD.owned);
  EXPECT_NE(planeDataCCD.data, g_pRawData);
  EXPECT_EQ(PlaneOf(planeDataCCD), (std::vector<unsigned short>{1, 2, 3, 4}));
  // The cube enables the browsing controls with the frame count.
  EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_DIMMED), 0);
  EXPECT_EQ(attribute(PANEL_SelectAxis, ATTR_DIMMED), 0);
  EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_MAX_VALUE), 2);
}

TEST_F(DisplayTest, UnknownHandleShowsNothing) {
  SetUpCamera1(2, 2, 1, {1, 2, 3, 4});
  unsigned short min = 0, max = 0;
  EXPECT_EQ(DisplayCCDImage(2, 2, 1, 999), 0);
  EXPECT_EQ(Display3D_CCD(0, 0, &min, &max, 999), 0);
  EXPECT_EQ(GraphicPanel, 0);
}

TEST_F(DisplayTest, ViewButtonsChooseTheCameraAndLeaveTheBrowsingControls) {
  SetUpCamera1(2, 1, 1, {10, 20});
  SetUpCamera2(3, 1, {7, 8, 9});
  int dimmedBefore = attribute(PANEL_set_Select_Frame, ATTR_DIMMED);
  Commit(viewCCD2, PANEL_viewCCD2);
  EXPECT_EQ(number(PANEL_viewCCD1), 0);
  EXPECT_EQ(number(PANEL_viewCCD2), 1);
  EXPECT_EQ(planeDataCCD.data, g_pRawData2);
  EXPECT_EQ(picture().width, 3);
  EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_DIMMED), dimmedBefore);
  Commit(viewCCD1, PANEL_viewCCD1);
  EXPECT_EQ(number(PANEL_viewCCD1), 1);
  EXPECT_EQ(number(PANEL_viewCCD2), 0);
  EXPECT_EQ(picture().width, 2);
}

TEST_F(DisplayTest, DisplayCCDImageLeavesTheReadoutsTheSliderCommitWritesThem) {
  SetUpCamera1(2, 1, 2, {100, 300, 1000, 3000});
  SetCtrlVal(mainPanel, PANEL_datamean, "old");
  SetCtrlVal(mainPanel, PANEL_datastdev, "old");
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
  DisplayCCDImage(2, 1, 2, nCameraHandle1);
  EXPECT_EQ(text(PANEL_datamean), "old");
  EXPECT_EQ(text(PANEL_datastdev), "old");
  EXPECT_EQ(mean, 200.0f);
  // The range sliders follow the picture.
  EXPECT_EQ(number(PANEL_BYTSCL_MIN), 100);
  EXPECT_EQ(number(PANEL_BYTSCL_MAX), 300);
  EXPECT_EQ(attribute(PANEL_BYTSCL_MIN, ATTR_DIMMED), 0);

  SetCtrlVal(mainPanel, PANEL_set_Select_Frame, 1);
  Commit(SetSelectFrame, PANEL_set_Select_Frame);
  EXPECT_EQ(text(PANEL_datamean), "2000.00");
  EXPECT_EQ(text(PANEL_datastdev), "1000.00");
  EXPECT_EQ(attribute(PANEL_BYTSCL_MAX, ATTR_MAX_VALUE), 3000);
  EXPECT_EQ(number(PANEL_BYTSCL_MIN), 1000);
}

TEST_F(DisplayTest, SwitchingFromAColumnBeyondTheFramesShowsTheLastFrame) {
  for (int start : {300, 100}) {
    SetUpCamera1(512, 2, 100, NumberedCube(512, 2, 100));
    SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
    SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
    Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 1);
    SetCtrlVal(mainPanel, PANEL_set_Select_Frame, start);
    Commit(SetSelectFrame, PANEL_set_Select_Frame);
    EXPECT_EQ(planeDataCCD.width, 100);

    Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
    Commit(setFrameAxis, PANEL_SelectAxis);
    EXPECT_EQ(number(PANEL_set_Select_Frame), 99);
    EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_MAX_VALUE), 99);
    EXPECT_EQ(planeDataCCD.width, 512);
    EXPECT_EQ(planeDataCCD.data[0], 1099);
  }
  // Back to the column slice: the index is brought into the frame's width.
  SetCtrlVal(mainPanel, PANEL_set_Select_Frame, 700);
  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 1);
  Commit(setFrameAxis, PANEL_SelectAxis);
  EXPECT_EQ(number(PANEL_set_Select_Frame), 511);
  EXPECT_EQ(attribute(PANEL_set_Select_Frame, ATTR_MAX_VALUE), 511);
  EXPECT_EQ(planeDataCCD.width, 100);
}

TEST_F(DisplayTest, TheRunsFixedColumnIsClampedToABinnedFrame) {
  // Column 260 lies beyond a 256-pixel frame; the slice shows the last column instead of
  // reading past each frame.
  std::vector<unsigned short> cube(256 * 2 * 4, 1);
  for (int f = 0; f < 4; f++) cube[static_cast<std::size_t>(f) * 512 + 255] = 50 + f;
  SetUpCamera1(256, 2, 4, cube);
  unsigned short min = 0, max = 0;
  ASSERT_EQ(Display3D_CCD(1, 260, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(PlaneOf(planeDataCCD), (std::vector<unsigned short>{50, 51, 52, 53, 1, 1, 1, 1}));
  ASSERT_EQ(Display3D_CCD(0, 1000, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(planeDataCCD.data[255], 53);
  ASSERT_EQ(Display3D_CCD(1, -5, &min, &max, nCameraHandle1), 1);
  EXPECT_EQ(planeDataCCD.data[0], 1);
}

TEST_F(DisplayTest, FileCubePlanesAndSlices) {
  // A 2 x 2 x 3 file cube in memory, as the reader leaves it.
  ASSERT_TRUE(AllocatePlane(pFitsData, 2, 6));
  auto s = Plane3x2x2();
  std::memcpy(pFitsData.data, s.data(), s.size() * 2);
  FitsHeader.NAXIS = 3;
  FitsHeader.NAXIS1 = 2;
  FitsHeader.NAXIS2 = 2;
  FitsHeader.NAXIS3 = 3;
  FitsHeader.bytepix = 2;
  DataSource = 0;
  unsigned short min = 0, max = 0;
  ASSERT_EQ(Display3DFits(1, 1, &min, &max), 1);
  EXPECT_EQ(PlaneOf(pusFitsData), (std::vector<unsigned short>{2, 6, 10, 4, 8, 12}));
  ASSERT_EQ(Display3DFits(0, 1, &min, &max), 1);
  EXPECT_EQ(PlaneOf(pusFitsData), (std::vector<unsigned short>{5, 6, 7, 8}));
  EXPECT_EQ(min, 5);
  EXPECT_EQ(max, 8);

  SetCtrlVal(mainPanel, PANEL_set_Select_Frame, 9);
  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
  Commit(setFrameAxis, PANEL_SelectAxis);
  EXPECT_EQ(number(PANEL_set_Select_Frame), 2);
  EXPECT_EQ(PlaneOf(pusFitsData), (std::vector<unsigned short>{9, 10, 11, 12}));
  EXPECT_EQ(text(PANEL_datamean), "10.50");
}

TEST_F(DisplayTest, ABufferReleasedUnderThePlaneIsNeverRead) {
  // The plane referred to camera 1's buffer; the setup released and replaced that buffer.
  SetUpCamera1(4, 2, 1, std::vector<unsigned short>(8, 3));
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
  ASSERT_EQ(DisplayCCDImage(4, 2, 1, nCameraHandle1), 1);
  std::vector<unsigned short> replacement(2, 9);
  g_pRawData = replacement.data();
  nhDim1 = 2;
  nvDim1 = 1;
  EXPECT_FALSE(CameraPlaneCurrent());
  auto before = picture();
  Commit(SetBytsclMin, PANEL_BYTSCL_MIN);
  EXPECT_EQ(picture().rgb, before.rgb);
  drawHistogram(mainPanel, PANEL_GRAPH, EVENT_LEFT_CLICK, nullptr, 10, 10);
  EXPECT_TRUE(plots().empty());
  pic_window(GraphicPanel, GRAPHICPNL_PIC_WINDOW, EVENT_MOUSE_POINTER_MOVE, nullptr, 0, 0);
  EXPECT_EQ(text(PANEL_value), "0");
  EXPECT_TRUE(plots().empty());
}
