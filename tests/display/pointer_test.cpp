// The pointer over the picture and the clicks, driven by an operator against the running
// program; the camera data are laid out as an acquisition leaves them.
#include <atomic>
#include <thread>
#include <vector>

#include "display/display.h"
#include "helx_fixture.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/observation_state.h"

using helx::ui::Model;
using helx::ui::Operator;

namespace {
std::vector<unsigned short> frames;

// Camera 1 holding `count` frames of width x height, frame f filled with 1000 + f, viewed.
void AcquiredCube(int width, int height, int count) {
  frames.assign(static_cast<std::size_t>(width) * height * (count > 0 ? count : 1), 0);
  for (std::size_t i = 0; i < frames.size(); i++)
    frames[i] = static_cast<unsigned short>(1000 + i / (static_cast<std::size_t>(width) * height));
  nCameraHandle1 = 101;
  nCameraHandle2 = 102;
  nhDim1 = width;
  nvDim1 = height;
  g_nFrameNumber1 = count;
  g_pRawData = frames.data();
  DataSource = 1;
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
}

std::string Text(int control) {
  return Model::instance().with([&](Model& m) { return m.control(mainPanel, control)->text; });
}
double Number(int control) {
  return Model::instance().with([&](Model& m) { return m.control(mainPanel, control)->number; });
}
std::vector<helx::ui::Plot> Plots() {
  return Model::instance().with([](Model& m) { return m.control(mainPanel, PANEL_GRAPH)->plots; });
}
int Marked() {
  int option = -1;
  Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
  return option;
}
void Quit() { ASSERT_TRUE(Operator::commit(mainPanel, PANEL_QUITBUTTON)); }
}  // namespace

TEST_F(HelxProgram, PointerShowsPositionValueAndTheRowUnderIt) {
  layOutSite();
  EXPECT_EQ(run([] {
              // A 4 x 3 frame: plane row r holds 4r .. 4r + 3; the top row is plane row 2.
              AcquiredCube(4, 3, 1);
              for (int i = 0; i < 12; i++) frames[i] = static_cast<unsigned short>(i);
              ASSERT_EQ(DisplayCCDImage(4, 3, 1, nCameraHandle1), 1);
              ASSERT_TRUE(Operator::pointerMove(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 1, 0));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(Text(PANEL_xpos), "1");
              EXPECT_EQ(Text(PANEL_ypos), "0");
              EXPECT_EQ(Text(PANEL_value), "9");
              auto plots = Plots();
              ASSERT_EQ(plots.size(), 1u);
              EXPECT_EQ(plots[0].color, VAL_GREEN);
              EXPECT_EQ(plots[0].y, (std::vector<double>{8, 9, 10, 11}));
              EXPECT_EQ(plots[0].handle, plotHandle);

              // Outside the plane: the position shows, nothing else changes.
              ASSERT_TRUE(Operator::pointerMove(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 2, 3));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(Text(PANEL_ypos), "3");
              EXPECT_EQ(Text(PANEL_value), "9");

              // A click on the graph replaces the profile by the whole plane's histogram.
              ASSERT_TRUE(Operator::click(mainPanel, PANEL_GRAPH, 10, 10));
              ASSERT_TRUE(Operator::sync());
              plots = Plots();
              ASSERT_EQ(plots.size(), 1u);
              EXPECT_EQ(plots[0].color, VAL_BLUE);
              ASSERT_EQ(plots[0].x.size(), 100u);
              EXPECT_GT(plots[0].x.front(), 0.0);
              EXPECT_LT(plots[0].x.front(), 0.2);
              EXPECT_LT(plots[0].x.back(), 11.0);
              double total = 0;
              for (double c : plots[0].y) total += c;
              EXPECT_EQ(total, 12.0);
              Quit();
            }),
            0);
}

TEST_F(HelxProgram, PointerAndClicksAreIgnoredDuringARun) {
  layOutSite();
  EXPECT_EQ(run([] {
              AcquiredCube(16, 4, 50);
              ASSERT_EQ(DisplayCCDImage(16, 4, 50, nCameraHandle1), 1);
              unsigned short min = 0, max = 0;
              ASSERT_EQ(Display3D_CCD(1, 3, &min, &max, nCameraHandle1), 1);
              Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 1);
              auto plotsBefore = Plots();
              Run_thread_stop = 0;
              ASSERT_TRUE(Operator::pointerMove(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 2, 1));
              ASSERT_TRUE(Operator::click(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 12, 1));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(Text(PANEL_xpos), "0");
              EXPECT_EQ(Text(PANEL_value), "0");
              EXPECT_EQ(Plots().size(), plotsBefore.size());
              EXPECT_EQ(Marked(), 1);
              EXPECT_EQ(planeDataCCD.width, 50);
              Run_thread_stop = 1;
              Quit();
            }),
            0);
}

TEST_F(HelxProgram, ClickInTheColumnSliceShowsThatFrame) {
  layOutSite();
  EXPECT_EQ(run([] {
              AcquiredCube(16, 4, 50);
              ASSERT_EQ(DisplayCCDImage(16, 4, 50, nCameraHandle1), 1);
              unsigned short min = 0, max = 0;
              ASSERT_EQ(Display3D_CCD(1, 3, &min, &max, nCameraHandle1), 1);

              // In the frame view a click does nothing.
              ASSERT_TRUE(Operator::click(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 12, 1));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(planeDataCCD.width, 50);

              Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 1);
              SetCtrlVal(mainPanel, PANEL_datamean, "kept");
              ASSERT_TRUE(Operator::click(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 12, 1));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(planeDataCCD.width, 16);
              EXPECT_EQ(planeDataCCD.data[0], 1012);
              EXPECT_EQ(Number(PANEL_set_Select_Frame), 12);
              int lo = -1, hi = -1;
              GetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MIN_VALUE, &lo);
              GetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE, &hi);
              EXPECT_EQ(lo, 0);
              EXPECT_EQ(hi, 49);
              EXPECT_EQ(Marked(), 0);
              EXPECT_EQ(Text(PANEL_datamean), "kept");
              EXPECT_EQ(Number(PANEL_BYTSCL_MIN), 1012);
              EXPECT_EQ(Number(PANEL_BYTSCL_MAX), 1012);
              Quit();
            }),
            0);
}

TEST_F(HelxProgram, ClickOnAWideCameraCubeWidensTheMainPanel) {
  layOutSite();
  EXPECT_EQ(run([] {
              AcquiredCube(640, 480, 3);
              ASSERT_EQ(DisplayCCDImage(640, 480, 3, nCameraHandle1), 1);
              unsigned short min = 0, max = 0;
              ASSERT_EQ(Display3D_CCD(1, 5, &min, &max, nCameraHandle1), 1);
              Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 1);
              ASSERT_TRUE(Operator::click(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 2, 100));
              ASSERT_TRUE(Operator::sync());
              int width = 0, height = 0;
              GetPanelAttribute(mainPanel, ATTR_WIDTH, &width);
              GetPanelAttribute(mainPanel, ATTR_HEIGHT, &height);
              EXPECT_EQ(width, panelwidth + 128);
              EXPECT_EQ(height, panelheight);
              EXPECT_EQ(planeDataCCD.data[0], 1002);
              Quit();
            }),
            0);
}

TEST_F(HelxProgram, ProfilesTakeTheSizeOfTheViewedCamerasPlane) {
  layOutSite();
  EXPECT_EQ(run([] {
              // Two different heads; the setup's choice says camera 1 but camera 2 is shown.
              AcquiredCube(8, 8, 1);
              static std::vector<unsigned short> second = {1, 2, 3, 4, 5, 6};
              nhDim2 = 3;
              nvDim2 = 2;
              g_pRawData2 = second.data();
              ccd_camera = 0;
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_viewCCD2).ok ||
                          DisplayCCDImage(3, 2, 1, nCameraHandle2) == 1);
              ASSERT_TRUE(Operator::sync());
              ASSERT_EQ(planeDataCCD.data, g_pRawData2);
              ASSERT_TRUE(Operator::pointerMove(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 2, 0));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(Text(PANEL_value), "6");
              EXPECT_EQ(Plots().at(0).y, (std::vector<double>{4, 5, 6}));
              // Beyond camera 2's plane (inside camera 1's frame size): ignored.
              ASSERT_TRUE(Operator::pointerMove(GraphicPanel, GRAPHICPNL_PIC_WINDOW, 5, 1));
              ASSERT_TRUE(Operator::sync());
              EXPECT_EQ(Text(PANEL_value), "6");
              Quit();
            }),
            0);
}

TEST_F(HelxProgram, PlanesReplacedByTheRunAreNeverReadAfterRelease) {
  // The run thread keeps replacing the camera plane while the operator moves the pointer,
  // drags the range slider and clicks the graph; the handlers are not dimmed here, so only the
  // code keeps them from reading a released plane (the sanitizer build checks every read).
  layOutSite();
  EXPECT_EQ(run([] {
              AcquiredCube(64, 32, 20);
              ASSERT_EQ(DisplayCCDImage(64, 32, 20, nCameraHandle1), 1);
              std::atomic<bool> done{false};
              std::atomic<int> moves{0};
              // The replacements go on until the operator has acted a few times, however late
              // this thread comes to it on a loaded machine.
              constexpr int kOverlappingMoves = 20;
              std::thread runThread([&] {
                unsigned short min = 0, max = 0;
                for (int i = 0; i < 300 || moves < kOverlappingMoves; i++)
                  Display3D_CCD(i % 2, i % 20, &min, &max, nCameraHandle1);
                done = true;
              });
              while (!done) {
                const int m = moves;
                Operator::pointerMove(GraphicPanel, GRAPHICPNL_PIC_WINDOW, m % 20, m % 32);
                Operator::commit(mainPanel, PANEL_BYTSCL_MIN);
                Operator::click(mainPanel, PANEL_GRAPH, 5, 5);
                Operator::sync();
                ++moves;
              }
              runThread.join();
              ASSERT_TRUE(Operator::sync());
              EXPECT_TRUE(planeDataCCD.owned);
              Quit();
            }),
            0);
}
