// The data-folder script: its whole content, refused operator text, and the folders it makes
// when the program launches it.
#include "files/folder_script.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "panel_fixture.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

namespace fs = std::filesystem;
using helx::ui::Operator;

namespace {
std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

using FolderScript = PanelTest;

TEST_F(FolderScript, ScriptIsOneUnquotedMkdirLineWithoutLineBreak) {
  ASSERT_EQ(makefolderscript("G:\\TARN_Data\\20261206\\raw\\dc"), 1);
  EXPECT_EQ(slurp("makefolder.bat"), "mkdir G:\\TARN_Data\\20261206\\raw\\dc");
  // Rewritten, not appended, on every use; a blank stays unquoted.
  ASSERT_EQ(makefolderscript("G:\\TARN_Data\\20261206\\raw\\spot 7"), 1);
  EXPECT_EQ(slurp("makefolder.bat"), "mkdir G:\\TARN_Data\\20261206\\raw\\spot 7");
}

TEST_F(FolderScript, LaunchedScriptMakesEveryMissingFolderBeforeLaunchReturns) {
  ASSERT_EQ(makefolderscript("G:\\TARN_Data\\20261206\\raw\\spot 7"), 1);
  EXPECT_EQ(LaunchExecutableEx("makefolder.bat", LE_HIDE, nullptr), 0);
  EXPECT_TRUE(fs::is_directory(workdir / "drive_g" / "TARN_Data" / "20261206" / "raw" / "spot 7"));
}

TEST_F(FolderScript, TargetNamesThatCouldEscapeOrRunACommandAreRefused) {
  for (const char* bad :
       {"..\\..\\x", "a&b", "x|y", "..", "a/b", "c:d", "", "   ", "name\"quoted\"", "semi;colon"}) {
    SCOPED_TRACE(bad);
    Operator::clearPopups();
    EXPECT_EQ(CheckTargetName(bad), 0);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Target name", 1).has_value());
  }
  EXPECT_EQ(CheckTargetName(std::string(MAX_TARGET_NAME + 1, 'x').c_str()), 0);
  for (const char* good : {"spot7", "AR 13664 east", "flare-2026_12.a"})
    EXPECT_EQ(CheckTargetName(good), 1);
  // The longest name still fits entire_directory with the root, the date and "\raw\".
  EXPECT_LT(std::strlen("G:\\TARN_Data\\20261206\\raw\\") + MAX_TARGET_NAME,
            sizeof entire_directory);
}

TEST_F(FolderScript, TargetNamesTheInterpreterWouldChangeAreRefused) {
  // The command interpreter drops blanks around a name and dots at its end: the script would
  // make another folder than the one the files go to.
  for (const char* bad : {" spot7", "spot7 ", "  spot7  ", "spot7.", "spot7..", "AR 13664 ."}) {
    SCOPED_TRACE(bad);
    Operator::clearPopups();
    EXPECT_EQ(CheckTargetName(bad), 0);
    auto popup = Operator::waitForPopup("Error", "Target name", 1);
    ASSERT_TRUE(popup.has_value());
    EXPECT_EQ(popup->text, "Target name may not begin or end with a blank, nor end with \".\"");
  }
  EXPECT_NE(monitorText().find("Target name may not begin or end with a blank, nor end with "
                               "\".\"\n"),
            std::string::npos);
  for (const char* good : {"spot 7", "v.2 east", ".hidden-ish"})
    EXPECT_EQ(CheckTargetName(good), 1);

  // Nor is such a folder ever written into the script, whatever builds the path.
  ASSERT_EQ(makefolderscript("G:\\TARN_Data\\20261206\\raw\\dc"), 1);
  for (const char* bad :
       {"G:\\TARN_Data\\20261206\\raw\\spot7 ", "G:\\TARN_Data\\20261206\\raw\\ spot7",
        "G:\\TARN_Data\\20261206.", "G:\\TARN_Data\\20261206 \\raw\\dc"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(makefolderscript(bad), 0);
  }
  EXPECT_EQ(slurp("makefolder.bat"), "mkdir G:\\TARN_Data\\20261206\\raw\\dc");
}

TEST_F(FolderScript, PathsWithClimbsOrShellCharactersAreNeverWritten) {
  ASSERT_EQ(makefolderscript("G:\\TARN_Data\\20261206\\raw\\dc"), 1);
  for (const char* bad : {"G:\\TARN_Data\\20261206\\raw\\..\\..\\x", "G:\\TARN_Data\\x & del y",
                          "G:\\TARN_Data\\x\r\nmkdir y"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(makefolderscript(bad), 0);
  }
  EXPECT_EQ(slurp("makefolder.bat"), "mkdir G:\\TARN_Data\\20261206\\raw\\dc");
}

TEST_F(FolderScript, UnwritableScriptShowsInfoPopup) {
  fs::create_directory("makefolder.bat");  // a folder where the script should go
  EXPECT_EQ(makefolderscript("G:\\TARN_Data\\20261206"), 0);
  auto popup = Operator::waitForPopup("info", "Fail to write file\n", 1);
  ASSERT_TRUE(popup.has_value());
  EXPECT_EQ(popup->text, "Fail to write file\n");
}
}  // namespace
