// "Open File", File > Save and About > About, driven by an operator against the program.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "display/display.h"
#include "files/fits_reader.h"
#include "fits_writer.h"
#include "helx_fixture.h"
#include "platform/atmcd/atmcd.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/observation_state.h"

namespace fs = std::filesystem;
using helx::ui::Model;
using helx::ui::Operator;

namespace {
std::string Text(int panel, int control) {
  return Model::instance().with([&](Model& m) { return m.control(panel, control)->text; });
}
std::string Text(int control) { return Text(mainPanel, control); }
double Number(int control) {
  return Model::instance().with([&](Model& m) { return m.control(mainPanel, control)->number; });
}
int Attribute(int control, int attribute) {
  int value = 0;
  GetCtrlAttribute(mainPanel, control, attribute, &value);
  return value;
}
int Marked() {
  int option = -1;
  Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
  return option;
}
std::vector<std::uint32_t> Picture() {
  return Model::instance().with([](Model& m) {
    auto* c = m.control(GraphicPanel, GRAPHICPNL_PIC_WINDOW);
    return c ? c->image.rgb : std::vector<std::uint32_t>{};
  });
}
void Open(const std::string& path) {
  Operator::answerNextFileDialog(path);
  ASSERT_TRUE(Operator::commit(mainPanel, PANEL_HELX_FileOpen));
  ASSERT_TRUE(Operator::sync(60));
}
std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}
}  // namespace

TEST_F(HelxProgram, OpeningACubeAnImageABitmapThenSaving) {
  layOutSite();
  // A 512 x 512 x 100 cube whose plane 0 is all 1000; a 2-D image; an exported bitmap.
  std::vector<unsigned short> cube(512 * 512 * 100, 1000);
  for (std::size_t i = 512 * 512; i < cube.size(); i++) cube[i] = 3000;
  ASSERT_TRUE(WriteTestFits("cube.fts", {512, 512, 100}, cube, 0.125f));
  ASSERT_TRUE(WriteTestFits("image.fts", {5, 1}, {50, 100, 150, 200, 250}, 3.0f));
  EXPECT_EQ(run([&] {
              auto save = Operator::menuItem("MENUBAR_FILE_SAVE");
              ASSERT_TRUE(save);
              // Nothing shown yet: the operator who chose a name is told why nothing is written.
              Operator::answerNextFileDialog((workdir / "nothing.bmp").string());
              ASSERT_TRUE(Operator::menu(save->first, save->second));
              ASSERT_TRUE(Operator::sync(60));
              EXPECT_TRUE(Operator::waitForPopup("Error", "There is no picture to save", 5));
              EXPECT_FALSE(std::filesystem::exists(workdir / "nothing.bmp"));

              SetCtrlAttribute(mainPanel, PANEL_viewCCD1, ATTR_DIMMED, 0);
              Open((workdir / "cube.fts").string());
              EXPECT_EQ(Text(PANEL_nAxis1), "512");
              EXPECT_EQ(Text(PANEL_nAxis2), "512");
              EXPECT_EQ(Text(PANEL_nAxis3), "100");
              EXPECT_EQ(Text(PANEL_ExpTime), "0.12");
              EXPECT_EQ(Text(PANEL_datamean), "996.10");  // single-precision mean of plane 0
              EXPECT_EQ(Text(PANEL_datastdev), "3.91");
              EXPECT_EQ(Attribute(PANEL_set_Select_Frame, ATTR_MIN_VALUE), 0);
              EXPECT_EQ(Attribute(PANEL_set_Select_Frame, ATTR_MAX_VALUE), 99);
              EXPECT_EQ(Number(PANEL_set_Select_Frame), 0);
              EXPECT_EQ(Attribute(PANEL_set_Select_Frame, ATTR_DIMMED), 0);
              EXPECT_EQ(Attribute(PANEL_SelectAxis, ATTR_DIMMED), 0);
              EXPECT_EQ(Marked(), 0);
              EXPECT_EQ(Attribute(PANEL_viewCCD1, ATTR_DIMMED), 1);
              EXPECT_EQ(Attribute(PANEL_BYTSCL_MIN, ATTR_DIMMED), 0);

              // The operator browses to frame 5: the file's plane, not a camera's.
              ASSERT_TRUE(Operator::type(mainPanel, PANEL_set_Select_Frame, "5"));
              ASSERT_TRUE(Operator::sync(60));
              EXPECT_EQ(Text(PANEL_datamean), "3006.63");  // the float sum of 3000s overshoots
              EXPECT_EQ(pusFitsData.data[0], 3000);

              // This time through File > Open.
              Operator::answerNextFileDialog((workdir / "image.fts").string());
              auto open = Operator::menuItem("MENUBAR_FILE_OPEN");
              ASSERT_TRUE(open);
              ASSERT_TRUE(Operator::menu(open->first, open->second));
              ASSERT_TRUE(Operator::sync(60));
              EXPECT_EQ(Text(PANEL_nAxis1), "5");
              EXPECT_EQ(Text(PANEL_nAxis3), "100");  // a 2-D image keeps the cube's text
              EXPECT_EQ(Text(PANEL_ExpTime), "3.00");
              EXPECT_EQ(Attribute(PANEL_set_Select_Frame, ATTR_DIMMED), 1);
              EXPECT_EQ(Attribute(PANEL_SelectAxis, ATTR_DIMMED), 1);
              std::string meanText = Text(PANEL_datamean);
              float meanBefore = mean;
              double lower = Number(PANEL_BYTSCL_MIN), upper = Number(PANEL_BYTSCL_MAX);

              // Export of the image with the range 100 to 200.
              SetCtrlVal(mainPanel, PANEL_BYTSCL_MIN, 100);
              SetCtrlVal(mainPanel, PANEL_BYTSCL_MAX, 200);
              Operator::answerNextFileDialog((workdir / "export.bmp").string());
              ASSERT_TRUE(Operator::menu(save->first, save->second));
              ASSERT_TRUE(Operator::sync(60));
              std::ifstream in(workdir / "export.bmp", std::ios::binary);
              std::vector<unsigned char> b{std::istreambuf_iterator<char>(in), {}};
              ASSERT_EQ(b.size(), 1078u + 8);
              EXPECT_EQ(std::vector<unsigned char>(b.begin() + 1078, b.begin() + 1083),
                        (std::vector<unsigned char>{0, 0, 127, 255, 255}));
              SetCtrlVal(mainPanel, PANEL_BYTSCL_MIN, static_cast<int>(lower));
              SetCtrlVal(mainPanel, PANEL_BYTSCL_MAX, static_cast<int>(upper));

              // The exported bitmap opened: shown, nothing else changes.
              auto before = Picture();
              Open((workdir / "export.bmp").string());
              EXPECT_NE(Picture(), before);
              EXPECT_EQ(Text(PANEL_datamean), meanText);
              EXPECT_EQ(mean, meanBefore);
              EXPECT_EQ(Text(PANEL_nAxis1), "5");
              EXPECT_EQ(Number(PANEL_BYTSCL_MIN), lower);
              EXPECT_EQ(Number(PANEL_BYTSCL_MAX), upper);
              EXPECT_EQ(Attribute(PANEL_BYTSCL_MAX, ATTR_DIMMED), 0);
              EXPECT_EQ(Marked(), 0);

              // Cancelling changes nothing.
              auto shown = Picture();
              Open("");
              EXPECT_EQ(Picture(), shown);
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_QUITBUTTON));
            }),
            0);
}

TEST_F(HelxProgram, AboutTwiceShowsBothCamerasTwice) {
  layOutSite();
  EXPECT_EQ(run([] {
              long n = 0;
              GetAvailableCameras(&n);
              ASSERT_GE(n, 2);
              GetCameraHandle(0, &nCameraHandle1);
              GetCameraHandle(1, &nCameraHandle2);
              char dir[] = ".";
              SetCurrentCamera(nCameraHandle1);
              Initialize(dir);
              SetCurrentCamera(nCameraHandle2);
              Initialize(dir);
              SetMenuBarAttribute(menubar, MENUBAR_ABOUT, ATTR_DIMMED, 0);
              SetMenuBarAttribute(menubar, MENUBAR_ABOUT_ABOUT, ATTR_DIMMED, 0);
              ASSERT_TRUE(Operator::menu(menubar, MENUBAR_ABOUT_ABOUT));
              ASSERT_TRUE(Operator::menu(menubar, MENUBAR_ABOUT_ABOUT));
              ASSERT_TRUE(Operator::sync(60));
              std::string text = Text(aboutPanel, InfoPanel_textBox);
              EXPECT_EQ(Count(text, "============CCD1===========\n"), 2u);
              EXPECT_EQ(Count(text, "============CCD2===========\n"), 2u);
              EXPECT_EQ(Count(text, "Head Model : "), 4u);
              EXPECT_LT(text.find("============CCD1"), text.find("============CCD2"));
              long current = 0;
              GetCurrentCamera(&current);
              EXPECT_EQ(current, nCameraHandle2);
              // Closing hides the panel and keeps its text.
              ASSERT_TRUE(Operator::close(aboutPanel));
              ASSERT_TRUE(Operator::sync(60));
              int visible = 1;
              GetPanelAttribute(aboutPanel, ATTR_VISIBLE, &visible);
              EXPECT_EQ(visible, 0);
              EXPECT_EQ(Text(aboutPanel, InfoPanel_textBox), text);
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_QUITBUTTON));
            }),
            0);
}
