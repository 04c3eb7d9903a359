// Start-up, quitting, and the setup dialog's small callbacks, driven as an operator would.
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/shell.h"
#include "helx_fixture.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {
bool panelLoaded(const std::string& constant) {
  return helx::ui::Model::instance().with([&](helx::ui::Model& m) {
    for (auto& [h, p] : m.panels())
      if (p.constant == constant) return true;
    return false;
  });
}
bool anyPanelShown() {
  return helx::ui::Model::instance().with([](helx::ui::Model& m) {
    for (auto& [h, p] : m.panels())
      if (p.visible && !p.parent) return true;
    return false;
  });
}
}  // namespace

TEST_F(HelxProgram, MissingResourceEndsStartUpWithMinusOneAndNoWindow) {
  EXPECT_EQ(run([] {}), -1);
  EXPECT_FALSE(anyPanelShown());
  EXPECT_TRUE(Operator::popups().empty());
}

TEST_F(HelxProgram, CorruptResourceEndsStartUpWithMinusOne) {
  std::ofstream("HELX.uir") << "{\"panels\": [ {\"number\": 3,";
  EXPECT_EQ(run([] {}), -1);
  EXPECT_FALSE(anyPanelShown());
  EXPECT_TRUE(Operator::popups().empty());
}

TEST_F(HelxProgram, FirstMissingPanelStopsLoading) {
  layOutSite();
  // Without the test panel (5) the about panel (2), loaded after it, is never loaded.
  nlohmann::json doc = nlohmann::json::parse(std::ifstream("HELX.uir"));
  auto& panels = doc["panels"];
  for (auto it = panels.begin(); it != panels.end(); ++it)
    if ((*it)["number"] == 5) {
      panels.erase(it);
      break;
    }
  std::ofstream("HELX.uir") << doc.dump();
  EXPECT_EQ(run([] {}), -1);
  EXPECT_TRUE(panelLoaded("SetHELX"));
  EXPECT_FALSE(panelLoaded("InfoPanel"));
  EXPECT_FALSE(anyPanelShown());
}

TEST_F(HelxProgram, QuitDiscardsThePanelsAndEndsTheLoop) {
  layOutSite();
  int result = run([] { ASSERT_TRUE(Operator::commit(mainPanel, PANEL_QUITBUTTON)); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Run_thread_stop, 1);
  EXPECT_FALSE(panelLoaded("SetHELX"));
  EXPECT_FALSE(panelLoaded("test_panel"));
  EXPECT_FALSE(panelLoaded("InfoPanel"));
  EXPECT_FALSE(panelLoaded("PANEL"));
  // The transfer program is launched by its bare name; here it does not exist, which is no error.
  std::ifstream log("helx-messages.log");
  std::string text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(text.find("HELXFtp.exe"), std::string::npos);
}

TEST_F(HelxProgram, ClosingTheMainWindowIsQuit) {
  layOutSite();
  EXPECT_EQ(run([] { ASSERT_TRUE(Operator::close(mainPanel)); }), 0);
  EXPECT_FALSE(panelLoaded("SetHELX"));
  EXPECT_FALSE(panelLoaded("PANEL"));
}

TEST_F(HelxProgram, StartUpPreparesTheMainPanel) {
  layOutSite();
  int width = 0, visible = 1, option = -1;
  run([&] {
    ASSERT_TRUE(Operator::sync());
    GetPanelAttribute(mainPanel, ATTR_WIDTH, &width);
    GetCtrlAttribute(mainPanel, PANEL_IDLDRAWWIDGET, ATTR_VISIBLE, &visible);
    Radio_GetMarkedOption(mainPanel, PANEL_SelectAxis, &option);
    Operator::commit(mainPanel, PANEL_QUITBUTTON);
  });
  EXPECT_GT(width, 0);
  EXPECT_EQ(panelwidth, width);
  EXPECT_GT(panelheight, 0);
  EXPECT_EQ(visible, 0);
  EXPECT_EQ(option, 0);
}

TEST_F(HelxProgram, TabChangePreviewsTheStepDurationFromCameraOnesExposure) {
  layOutSite();
  std::vector<double> durations;
  run([&] {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
    ASSERT_TRUE(Operator::sync());
    int ccd = page("setCCDTAB"), scan = page("setScanTAB");
    for (int camera = 0; camera <= 4; ++camera) {
      // Before power-up the camera page is dimmed: the program's own write stands in for the
      // operator's earlier choice.
      SetCtrlVal(ccd, setCCDTAB_CCD_setCamera, camera);
      ASSERT_TRUE(Operator::selectTab(HELXpanelSetting, SetHELX_setTAB, 3));
      ASSERT_TRUE(Operator::sync());
      double d = 0;
      GetCtrlVal(scan, setScanTAB_Scan_Step_duration, &d);
      durations.push_back(d);
    }
    Operator::commit(mainPanel, PANEL_QUITBUTTON);
  });
  EXPECT_EQ(durations, (std::vector<double>{100, 100, 100, 130, 130}));
}

TEST_F(HelxProgram, SetupDialogBeforePowerUpOffersOnlyTheMiscPage) {
  layOutSite();
  run([&] {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
    ASSERT_TRUE(Operator::sync());
    int ccd = page("setCCDTAB"), misc = page("setMISC");
    EXPECT_FALSE(Operator::type(ccd, setCCDTAB_CCD_setFrameNumber, "10"));
    EXPECT_TRUE(Operator::type(misc, setMISC_MISC_Observer, "Night Owl"));
    // Choosing "User Defined Object" opens its name field, "Active Region" the AR number.
    ASSERT_TRUE(Operator::chooseLabel(misc, setMISC_MISC_TargetRing, "User Defined Object"));
    ASSERT_TRUE(Operator::sync());
    EXPECT_TRUE(Operator::type(misc, setMISC_MISC_Target, "spot7"));
    EXPECT_FALSE(Operator::type(misc, setMISC_MISC_ARNumber, "12345"));
    ASSERT_TRUE(Operator::chooseLabel(misc, setMISC_MISC_TargetRing, "Active Region"));
    ASSERT_TRUE(Operator::sync());
    EXPECT_FALSE(Operator::type(misc, setMISC_MISC_Target, "x"));
    EXPECT_TRUE(Operator::type(misc, setMISC_MISC_ARNumber, "12345"));
    ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setCancel));
    ASSERT_TRUE(Operator::sync());
    int visible = 1;
    GetPanelAttribute(HELXpanelSetting, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    Operator::commit(mainPanel, PANEL_QUITBUTTON);
  });
}

TEST_F(HelxProgram, DialogCallbacksDimWhatTheChoicesExclude) {
  layOutSite();
  run([&] {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
    ASSERT_TRUE(Operator::sync());
    int ccd = page("setCCDTAB"), scan = page("setScanTAB");
    int dimmed = -1;
    // The callbacks act on whatever the panel holds when they are committed.
    SetCtrlVal(ccd, setCCDTAB_CCD_setBinning, 4);
    CCD_setBinning(ccd, setCCDTAB_CCD_setBinning, EVENT_COMMIT, nullptr, 0, 0);
    GetCtrlAttribute(ccd, setCCDTAB_CCD_setHBin, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    SetCtrlVal(ccd, setCCDTAB_CCD_setBinning, 2);
    CCD_setBinning(ccd, setCCDTAB_CCD_setBinning, EVENT_COMMIT, nullptr, 0, 0);
    GetCtrlAttribute(ccd, setCCDTAB_CCD_setVBin, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);

    SetCtrlIndex(scan, setScanTAB_Scan_Mode, 1);
    Scan_Mode(scan, setScanTAB_Scan_Mode, EVENT_COMMIT, nullptr, 0, 0);
    // A preview: the mode in force changes at OK alone.
    EXPECT_EQ(scan_mode, -1);
    GetCtrlAttribute(scan, setScanTAB_Scan_speed, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    GetCtrlAttribute(scan, setScanTAB_Scan_Step_size, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    SetCtrlIndex(scan, setScanTAB_Scan_Mode, 0);
    Scan_Mode(scan, setScanTAB_Scan_Mode, EVENT_COMMIT, nullptr, 0, 0);
    GetCtrlAttribute(scan, setScanTAB_Scan_stroke, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    GetCtrlAttribute(scan, setScanTAB_Scan_Frames, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    EXPECT_EQ(ControlText(mainPanel, PANEL_TB_Text_Monitor), "Imaging modeSpectrograph mode");
    Operator::commit(mainPanel, PANEL_QUITBUTTON);
  });
}

TEST_F(HelxProgram, TestPanelOpensWithDevicesControlsAndTheRadioPairToggles) {
  layOutSite();
  run([&] {
    Scanner_status = 1;
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Obs_Test));
    ASSERT_TRUE(Operator::sync());
    int dimmed = -1;
    GetCtrlAttribute(testpanel, test_panel_STR_Command, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    GetCtrlAttribute(testpanel, test_panel_setCooler, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);  // the cameras are not powered
    EXPECT_FALSE(Operator::commit(testpanel, test_panel_radio_motor));
    ASSERT_TRUE(Operator::commit(testpanel, test_panel_radio_scan));
    ASSERT_TRUE(Operator::sync());
    int scan = 0, motor = 1;
    GetCtrlVal(testpanel, test_panel_radio_scan, &scan);
    GetCtrlVal(testpanel, test_panel_radio_motor, &motor);
    EXPECT_EQ(scan, 1);
    EXPECT_EQ(motor, 0);
    ASSERT_TRUE(Operator::close(testpanel));
    ASSERT_TRUE(Operator::sync());
    GetCtrlAttribute(testpanel, test_panel_STR_Command, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    Operator::commit(mainPanel, PANEL_QUITBUTTON);
  });
}

TEST_F(HelxProgram, SetupMenuOpensTheDialogAndUndimsTestAndAbout) {
  layOutSite();
  run([&] {
    SetMenuBarAttribute(menubar, MENUBAR_SETUP, ATTR_DIMMED, 0);  // as power-up does
    auto item = Operator::menuItem("MENUBAR_SETUP_SETUP");
    ASSERT_TRUE(item);
    ASSERT_TRUE(Operator::menu(item->first, item->second));
    ASSERT_TRUE(Operator::sync());
    int v = 1;
    GetMenuBarAttribute(menubar, MENUBAR_TEST, ATTR_DIMMED, &v);
    EXPECT_EQ(v, 0);
    GetMenuBarAttribute(menubar, MENUBAR_ABOUT_ABOUT, ATTR_DIMMED, &v);
    EXPECT_EQ(v, 0);
    GetPanelAttribute(HELXpanelSetting, ATTR_VISIBLE, &v);
    EXPECT_EQ(v, 1);
    auto exit = Operator::menuItem("MENUBAR_FILE_EXIT");
    ASSERT_TRUE(exit);
    ASSERT_TRUE(Operator::menu(exit->first, exit->second));
  });
}
