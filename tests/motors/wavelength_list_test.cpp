// The wavelength list as the program reads it into `Data` and the setup panel's ring.
#include "motors/wavelength_list.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "platform/wvcontrol/wvcontrol.h"
#include "state/HELX.h"
#include "state/observation_state.h"
#include "tests/files/panel_fixture.h"

namespace fs = std::filesystem;
using helx::ui::Operator;

namespace {
class WavelengthList : public PanelTest {
 protected:
  struct Entry {
    float wavelength;
    int step;
  };
  // A Wv.ini holding `count` and `select` in its header and these records, as the editor
  // writes them.
  static void writeEntries(int count, int select, const std::vector<Entry>& entries) {
    std::string bytes(2000, '\0');
    std::snprintf(bytes.data(), 100, "NUMBER OF WV    =%d", count);
    std::snprintf(bytes.data() + 100, 100, "CURRENT_SELECT  =%d", select);
    for (const Entry& e : entries) {
      WvEntry record{};
      record.wavelength = e.wavelength;
      record.step = e.step;
      record.angle = 23.0;
      bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
    }
    std::ofstream("Wv.ini", std::ios::binary).write(bytes.data(), std::ssize(bytes));
  }
  int items() {
    int n = -1;
    GetNumListItems(gratingPage(), setMotoTAB_Motor_Wavelength, &n);
    return n;
  }
  std::string label(int i) {
    char text[256] = "";
    GetLabelFromIndex(gratingPage(), setMotoTAB_Motor_Wavelength, i, text);
    return text;
  }
  int selected() {
    int i = -2;
    GetCtrlIndex(gratingPage(), setMotoTAB_Motor_Wavelength, &i);
    return i;
  }
};

TEST_F(WavelengthList, ThreeEntriesWithTheSecondSelected) {
  writeWvIni("Wv.ini", 3, 1, {6562.8f, 8542.09f, 6302.5f});
  ASSERT_EQ(InitWvRing(), 1);
  EXPECT_EQ(nWV_FileIO, 3);
  EXPECT_EQ(items(), 3);
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(SelectedWvEntry(), 1);
  // The nearest float to 6562.8 shows with six decimals.
  EXPECT_EQ(label(0), "6562.799805");
  EXPECT_EQ(Data[2].step, 205);
  EXPECT_EQ(Data[2].angle, 22.0);
  // Read again: the same ring, and the file is not held open.
  InitWvRing();
  EXPECT_EQ(items(), 3);
  fs::remove("Wv.ini");
  EXPECT_FALSE(fs::exists("Wv.ini"));
}

TEST_F(WavelengthList, CountKeyAwayFromASlotStartIsNotFound) {
  std::string bytes(2000, '\0');
  std::memcpy(bytes.data() + 50, "NUMBER OF WV    =3", 18);
  std::memcpy(bytes.data() + 100, "CURRENT_SELECT  =1", 18);
  bytes += std::string(72, '\x11');
  std::ofstream("Wv.ini", std::ios::binary) << bytes;
  InitWvRing();
  EXPECT_EQ(nWV_FileIO, 0);  // the count of the first load: none
  EXPECT_EQ(items(), 0);
  EXPECT_EQ(SelectedWvEntry(), -1);
}

TEST_F(WavelengthList, CountAndSelectionOutsideTheTableAreClampedAndShortFilesKeepOldEntries) {
  writeWvIni("Wv.ini", 3, 2, {6562.8f, 8542.09f, 6302.5f});
  InitWvRing();
  // Count 80, selection 70, two records present: the table holds 50, the third entry keeps its
  // earlier contents and nothing is read past the file.
  writeWvIni("Wv.ini", 80, 70, {5000.0f, 5001.0f});
  InitWvRing();
  EXPECT_EQ(nWV_FileIO, 50);
  EXPECT_EQ(CurrentSelectWV_FileIO, 49);
  EXPECT_EQ(Data[0].wavelength, 5000.0f);
  EXPECT_EQ(Data[2].wavelength, 6302.5f);
  EXPECT_EQ(items(), 50);
  writeWvIni("Wv.ini", -7, -3, {});
  InitWvRing();
  EXPECT_EQ(nWV_FileIO, 0);
  EXPECT_EQ(items(), 0);
  EXPECT_EQ(SelectedWvEntry(), -1);
  // A header cut short inside its first slot.
  std::ofstream("Wv.ini", std::ios::binary) << "NUMBER OF WV    =";
  EXPECT_EQ(OpenFileF(nullptr), 1);
  EXPECT_EQ(nWV_FileIO, 0);
}

TEST_F(WavelengthList, MissingFileKeepsThePreviousListAndSaysSo) {
  writeWvIni("Wv.ini", 2, 0, {6562.8f, 8542.09f});
  InitWvRing();
  fs::remove("Wv.ini");
  EXPECT_EQ(OpenFileF(nullptr), 0);
  auto popup = Operator::waitForPopup("Error", "Cannot open file Wv.ini", 1);
  ASSERT_TRUE(popup.has_value());
  EXPECT_EQ(popup->text, "Cannot open file Wv.ini");
  ResetPanel();
  InitPanel();
  EXPECT_EQ(items(), 2);
}

TEST_F(WavelengthList, AddWvFieldReloadsWhatTheEditorWrote) {
  writeWvIni("Wv.ini", 1, 0, {6562.8f});
  InitWvRing();
  helx::wvcontrol::SetEditorDialog([](helx::wvcontrol::WvList& list) {
    list.add({8542.09f, {}, 1200, {}, 30.83});
    list.select(1);
    return true;
  });
  AddWvField(0, 0, EVENT_COMMIT, nullptr, 0, 0);
  helx::wvcontrol::SetEditorDialog({});
  EXPECT_EQ(items(), 2);
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(Data[1].step, 1200);
}

TEST_F(WavelengthList, EntriesOutsideTheGratingsTravelAreLeftOutAndToldOnce) {
  const std::vector<Entry> spoilt = {
      {6562.8f, 0}, {6569.2f, 2147483000}, {6717.7f, 77445}, {6767.8f, -9000}, {8542.1f, 150000}};
  writeEntries(5, 2, spoilt);  // the third entry selected
  const std::size_t before = Operator::popupCount();
  ASSERT_EQ(InitWvRing(), 1);
  EXPECT_EQ(nWV_FileIO, 3);
  EXPECT_EQ(items(), 3);
  EXPECT_EQ(Data[0].step, 0);
  EXPECT_EQ(Data[1].step, 77445);
  EXPECT_EQ(Data[2].step, 150000);  // the travel's end is within it
  // The ring's index is still the index into Data, and the file's selection follows its entry.
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(SelectedWvEntry(), 1);
  auto popup = Operator::waitForPopup("Warning", "Wv.ini entry 2", 1);
  ASSERT_TRUE(popup.has_value());
  EXPECT_EQ(popup->text,
            "Wv.ini entry 2 (wavelength 6569.20, step 2147483000) lies outside the grating's "
            "travel (steps -2000 to 150000): it is left out of the list.\n"
            "Wv.ini entry 4 (wavelength 6767.80, step -9000) lies outside the grating's travel "
            "(steps -2000 to 150000): it is left out of the list.\n");
  EXPECT_NE(monitorText().find("Wv.ini entry 4 (wavelength 6767.80, step -9000)"),
            std::string::npos);
  EXPECT_EQ(Operator::popupCount(), before + 1);

  // Read again (the test panel opens): the same entries are not told of again.
  InitWvRing();
  EXPECT_EQ(Operator::popupCount(), before + 1);
  EXPECT_EQ(items(), 3);

  // A selected entry that is left out selects the next one kept.
  writeEntries(5, 1, spoilt);
  InitWvRing();
  EXPECT_EQ(SelectedWvEntry(), 1);
  EXPECT_EQ(Data[SelectedWvEntry()].step, 77445);

  // Mended, then spoilt again: told again.
  writeEntries(2, 0, {{6562.8f, 0}, {6569.2f, 3205}});
  InitWvRing();
  EXPECT_EQ(Operator::popupCount(), before + 1);
  writeEntries(5, 2, spoilt);
  InitWvRing();
  EXPECT_EQ(Operator::popupCount(), before + 2);

  // A short file: of the two records there, the second is left out; the entries the file does
  // not reach keep their earlier contents and follow the kept one.
  writeEntries(5, 4, {{5000.0f, 100}, {5001.0f, 999999}});
  InitWvRing();
  EXPECT_EQ(nWV_FileIO, 4);
  EXPECT_EQ(Data[0].step, 100);
  EXPECT_EQ(Data[1].step, 150000);  // the earlier list's third entry
  EXPECT_EQ(CurrentSelectWV_FileIO, 3);
  EXPECT_EQ(items(), 4);
}

TEST_F(WavelengthList, SiteListLoadsWithTheSimulatedCamerasLines) {
  fs::copy(fs::path(std::getenv("HELX_SOURCE_DIR")) / "site" / "Wv.ini", "Wv.ini");
  InitWvRing();
  ASSERT_GE(nWV_FileIO, 3);
  EXPECT_EQ(label(CurrentSelectWV_FileIO), "6562.799805");
  EXPECT_EQ(Data[CurrentSelectWV_FileIO].step, 0);
  bool calcium = false;
  for (int i = 0; i < nWV_FileIO; i++) calcium |= label(i).rfind("8542.", 0) == 0;
  EXPECT_TRUE(calcium);
}
}  // namespace
