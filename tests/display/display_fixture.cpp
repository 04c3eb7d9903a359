#include "display_fixture.h"

#include <unistd.h>

#include <cstdlib>

#include "display/display.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

namespace fs = std::filesystem;
using helx::ui::Model;

void DisplayTest::SetUp() {
  workdir = fs::path(::testing::TempDir()) /
            ("helx-display-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
             std::to_string(::getpid()));
  fs::remove_all(workdir);
  fs::create_directories(workdir);
  ASSERT_EQ(::chdir(workdir.c_str()), 0);
  const char* source = std::getenv("HELX_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  fs::copy(fs::path(source) / "site" / "HELX.uir", workdir / "HELX.uir");

  static char arg0[] = "helx", arg1[] = "--headless";
  char* argv[] = {arg0, arg1, nullptr};
  ASSERT_EQ(InitCVIRTE(0, argv, 0), 1);
  mainPanel = LoadPanel(0, "HELX.uir", PANEL);
  ASSERT_GT(mainPanel, 0);
  aboutPanel = LoadPanel(0, "HELX.uir", InfoPanel);
  Radio_ConvertFromTree(mainPanel, PANEL_SelectAxis);
  DisplayPanel(mainPanel);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &panelwidth);
  GetPanelAttribute(mainPanel, ATTR_HEIGHT, &panelheight);
  for (int k = 0; k < 256; k++) colortable[k] = k * 0x010101;
}

void DisplayTest::TearDown() {
  ReleasePlane(planeDataCCD);
  ReleasePlane(pusFitsData);
  ReleasePlane(pFitsData);
  g_pRawData = g_pRawData2 = BiasDark1 = BiasDark2 = nullptr;
  // The runtime's timer thread must end before the process does.
  CloseCVIRTE();
  ASSERT_EQ(::chdir("/"), 0);
  fs::remove_all(workdir);
}

void DisplayTest::SetUpCamera1(int width, int height, int frames,
                               const std::vector<unsigned short>& data) {
  raw1 = data;
  nCameraHandle1 = 101;
  nhDim1 = width;
  nvDim1 = height;
  g_nFrameNumber1 = frames;
  g_pRawData = raw1.data();
  DataSource = 1;
}

void DisplayTest::SetUpCamera2(int width, int height, const std::vector<unsigned short>& data) {
  raw2 = data;
  nCameraHandle2 = 102;
  nhDim2 = width;
  nvDim2 = height;
  g_pRawData2 = raw2.data();
}

helx::ui::Image DisplayTest::picture() {
  return Model::instance().with([](Model& m) {
    helx::ui::Control* c = m.control(GraphicPanel, GRAPHICPNL_PIC_WINDOW);
    return c ? c->image : helx::ui::Image{};
  });
}

std::vector<unsigned char> DisplayTest::grey() {
  std::vector<unsigned char> bytes;
  for (auto rgb : picture().rgb) bytes.push_back(static_cast<unsigned char>(rgb & 0xFF));
  return bytes;
}

std::vector<helx::ui::Plot> DisplayTest::plots() {
  return Model::instance().with([](Model& m) {
    helx::ui::Control* c = m.control(mainPanel, PANEL_GRAPH);
    return c ? c->plots : std::vector<helx::ui::Plot>{};
  });
}

std::string DisplayTest::text(int control) {
  return Model::instance().with([&](Model& m) {
    helx::ui::Control* c = m.control(mainPanel, control);
    return c ? c->text : std::string();
  });
}

double DisplayTest::number(int control) {
  return Model::instance().with([&](Model& m) {
    helx::ui::Control* c = m.control(mainPanel, control);
    return c ? c->number : -1.0;
  });
}

int DisplayTest::attribute(int control, int attr) {
  int value = 0;
  GetCtrlAttribute(mainPanel, control, attr, &value);
  return value;
}

int DisplayTest::marked() {
  int option = -1;
  Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
  return option;
}

int Commit(int (*callback)(int, int, int, void*, int, int), int control) {
  return callback(mainPanel, control, EVENT_COMMIT, nullptr, 0, 0);
}
