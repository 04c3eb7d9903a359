// The data drive through an observation, as a real night can meet it: a drive too small for
// what the operator asked, a drive that fills while a run saves, a data folder that cannot be
// made. Nothing is lost and nothing is hidden: Run is refused before the first photon, or a cube
// that cannot go where it belongs goes to the fallback folder and the observation stops.
#include <filesystem>
#include <fstream>
#include <string>

#include "app/shell.h"
#include "files/folder_script.h"
#include "observing_fixture.h"
#include "platform/os/paths.h"
#include "platform/ui/operator.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"
#include "tests/app/small_drive.h"

namespace fs = std::filesystem;
using helx::ui::Operator;

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<fs::path> fitsUnder(const fs::path& root) {
  std::vector<fs::path> out;
  if (!fs::exists(root)) return out;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && e.path().extension() == ".fts") out.push_back(e.path());
  return out;
}

bool verified(const fs::path& file) {
  std::string command = "fitsverify -q -e '" + file.string() + "' > /dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

Observation scans(int runs) {
  Observation s;
  s.camera = "Both(2 in 1)";
  s.frames = 10;
  s.runs = runs;
  return s;
}

// Two runs of two 128 x 128 x 5 cubes: 0.7 MB, less than the 1 MB drive.
Observation twoShortRuns() {
  Observation s = scans(2);
  s.frames = 5;
  return s;
}

class FillingDrive : public Observing {
 protected:
  // Run, while something else fills the data drive once the scan has begun.
  void runWhileSomethingFillsTheDrive() {
    auto folder = *helx::os::MapPath(entire_directory);
    SetReadoutHook([folder](int, int slot) {
      if (slot != 0) return;
      std::ofstream fill(fs::path(folder) / "other-program.dat", std::ios::binary | std::ios::app);
      std::string block(4096, 'x');
      while (fill.write(block.data(), static_cast<std::streamsize>(block.size()))) {
      }
    });
    runAndWait();
    SetReadoutHook({});
  }
};

}  // namespace

TEST_F(Observing, RunIsRefusedWhenTheObservationDoesNotFitOnTheDataDrive) {
  simulate();
  SmallDrive drive(fs::current_path() / "drive_g", 1 << 20);
  if (!drive.mounted()) GTEST_SKIP() << drive.why();
  observe([&] {
    powerOn();
    setup(scans(4));  // four runs of two 128 x 128 x 10 cubes: 2.7 MB
    Operator::clearPopups();
    const auto before = fitsUnder("drive_g").size();  // the bias/dark frames of OK
    pressRun();
    ASSERT_TRUE(Operator::sync());
    auto refused = Operator::waitForPopup("Error", "Run refused: the observation needs 2.7 MB", 5);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(contains(refused->text, "MB are free")) << refused->text;
    EXPECT_EQ(RunActive(), 0);
    EXPECT_EQ(fitsUnder("drive_g").size(), before);
    // One run fits.
    setup(scans(1));
    runAndWait();
    EXPECT_EQ(fitsUnder("drive_g").size(), before + 4);  // two new bias/darks, two cubes
    quit();
  });
}

TEST_F(FillingDrive, ACubeTheFullDriveRefusesGoesToTheFallbackFolderAndTheObservationStops) {
  simulate();
  SmallDrive drive(fs::current_path() / "drive_g", 1 << 20);
  if (!drive.mounted()) GTEST_SKIP() << drive.why();
  observe([&] {
    powerOn();
    const Observation s = twoShortRuns();
    setup(s);
    Operator::clearPopups();
    runWhileSomethingFillsTheDrive();
    EXPECT_TRUE(Operator::waitForPopup("Error", "Camera 1's cube could not be saved in", 5));
    EXPECT_TRUE(Operator::waitForPopup("Error", "Camera 2's cube could not be saved in", 5));
    EXPECT_EQ(ControlText(mainPanel, PANEL_S1), "1");  // no second scan into a full drive
    // Both cubes whole in the fallback folder, none under a final name on the data drive.
    auto kept = fitsUnder("unsaved");
    ASSERT_EQ(kept.size(), 2u);
    for (auto& f : kept) EXPECT_TRUE(verified(f)) << f;
    for (auto& f : fitsUnder("drive_g")) {
      EXPECT_NE(f.filename().string().find("_BiasDark"), std::string::npos) << f;
      EXPECT_TRUE(verified(f)) << f;
    }
    expectLossesTold();
    EXPECT_FALSE(contains(endLine(), "not saved")) << endLine();
    quit();
  });
}

TEST_F(Observing, ADataFolderThatCannotBeMadeIsNamedAtOkAndRunIsRefused) {
  simulate();
  // A plain file where the data root should be: neither the folder script nor the program can
  // make the day's folder.
  fs::create_directories("drive_g");
  std::ofstream("drive_g/TARN_Data") << "not a folder";
  observe([&] {
    powerOn();
    Operator::clearPopups();
    setup(scans(1));
    auto named = Operator::waitForPopup("Error", "The data folder G:\\TARN_Data\\", 5);
    ASSERT_TRUE(named);
    EXPECT_TRUE(contains(named->text, "cannot be written: ")) << named->text;
    EXPECT_EQ(data_folder_ok, 0);
    pressRun();
    ASSERT_TRUE(Operator::sync());
    EXPECT_TRUE(Operator::waitForPopup("Error", "Run refused: the data folder G:\\TARN_Data\\", 5));
    EXPECT_EQ(RunActive(), 0);
    // Mended, the next OK finds the folder and Run goes ahead.
    fs::remove("drive_g/TARN_Data");
    setup(scans(1));
    EXPECT_EQ(data_folder_ok, 1);
    runAndWait();
    EXPECT_EQ(files("A").size(), 1u);
    quit();
  });
}

TEST_F(FillingDrive, ACubeNoFolderTakesStaysInMemoryUntilSavedUnsavedOrOkIsRefusedOnce) {
  simulate();
  SmallDrive drive(fs::current_path() / "drive_g", 1 << 20);
  if (!drive.mounted()) GTEST_SKIP() << drive.why();
  std::ofstream("unsaved") << "a plain file where the fallback folder would go";
  observe([&] {
    powerOn();
    const Observation s = twoShortRuns();
    setup(s);
    runWhileSomethingFillsTheDrive();
    EXPECT_TRUE(Operator::waitForPopup("Error", "it is only in memory", 5));
    expectLossesTold();
    EXPECT_TRUE(contains(endLine(), ", 2 files not saved.\n")) << endLine();
    EXPECT_EQ(UnsavedCubes(), 2);

    // OK would release the buffers: refused once, with the way out.
    Operator::clearPopups();
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
    ASSERT_TRUE(Operator::sync());
    ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setOK));
    ASSERT_TRUE(Operator::sync(60));
    EXPECT_TRUE(Operator::waitForPopup("Error", "press OK again", 5));
    EXPECT_EQ(UnsavedCubes(), 2);
    ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setCancel));
    ASSERT_TRUE(Operator::sync());

    // "Save Unsaved" writes camera 1's cube where the operator points; camera 2's dialog is
    // cancelled, so that cube stays kept and the button stays on.
    Operator::answerNextFileDialog("rescued/HELX_A.fts");
    Operator::answerNextFileDialog("");
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_SaveUnsaved));
    ASSERT_TRUE(Operator::sync(60));
    auto rescued = fitsUnder("rescued");
    ASSERT_EQ(rescued.size(), 1u);
    EXPECT_TRUE(verified(rescued[0])) << rescued[0];
    EXPECT_TRUE(contains(rescued[0].filename().string(), "_A.fts")) << rescued[0];
    EXPECT_EQ(UnsavedCubes(), 1);
    int dimmed = 1;
    GetCtrlAttribute(mainPanel, PANEL_SaveUnsaved, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);

    // With the fallback folder possible again, the next OK saves the other one, whole.
    fs::remove("unsaved");
    setup(s);
    EXPECT_EQ(UnsavedCubes(), 0);
    GetCtrlAttribute(mainPanel, PANEL_SaveUnsaved, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    auto kept = fitsUnder("unsaved");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(contains(kept[0].filename().string(), "_B.fts")) << kept[0];
    EXPECT_TRUE(verified(kept[0])) << kept[0];
    quit();
  });
}
