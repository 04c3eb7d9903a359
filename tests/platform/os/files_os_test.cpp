// The operating-system layer the data files rest on: UTC calendar time, the mapping of the
// program's Windows-style paths, and the runner for the program's own .bat scripts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os/batch.h"
#include "platform/os/calendar.h"
#include "platform/os/launch.h"
#include "platform/os/paths.h"
#include "platform/os/storage.h"
#include "tests/app/small_drive.h"

namespace fs = std::filesystem;
using namespace helx::os;

namespace {
class InTempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir =
        fs::path(::testing::TempDir()) /
        ("helx-os-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(::chdir(dir.c_str()), 0);
    ::unsetenv("HELX_DRIVE_G");
    SetOsLog([this](const std::string& t) {
      std::lock_guard lock(mutex);
      log.push_back(t);
    });
  }
  void TearDown() override { SetOsLog({}); }
  void script(const std::string& name, const std::string& content) {
    std::ofstream(dir / name, std::ios::binary) << content;
  }
  fs::path dir;
  std::mutex mutex;
  std::vector<std::string> log;
};

TEST(Calendar, BreaksDownInUtc) {
  ::setenv("TZ", "Asia/Seoul", 1);
  ::tzset();
  std::tm t = UtcTime(1275721389);  // 2010-06-05 07:03:09 UTC, 16:03 in Seoul
  EXPECT_EQ(t.tm_year + 1900, 2010);
  EXPECT_EQ(t.tm_mon + 1, 6);
  EXPECT_EQ(t.tm_mday, 5);
  EXPECT_EQ(t.tm_hour, 7);
  EXPECT_EQ(t.tm_sec, 9);
  std::time_t now = CalendarNow();
  EXPECT_LE(std::abs(now - std::time(nullptr)), 1);
}

TEST(Paths, DriveLettersMapToFoldersAndBackslashesBecomeSlashesOnly) {
  ::unsetenv("HELX_DRIVE_G");
  EXPECT_EQ(MapPath("G:\\TARN_Data\\20261206\\raw\\dc"), "drive_g/TARN_Data/20261206/raw/dc");
  EXPECT_EQ(MapPath("g:\\TARN_Data\\\\x\\"), "drive_g/TARN_Data/x");
  EXPECT_EQ(MapPath("Wv.ini"), "Wv.ini");
  EXPECT_EQ(MapPath("/tmp/a\\b"), "/tmp/a/b");
  EXPECT_EQ(MapPath("G:\\odd[1]\\a b"), "drive_g/odd[1]/a b");
  ::setenv("HELX_DRIVE_G", "/srv/data", 1);
  EXPECT_EQ(MapPath("G:\\TARN_Data\\x"), "/srv/data/TARN_Data/x");
  ::unsetenv("HELX_DRIVE_G");
}

TEST(Paths, ClimbingComponentsAreRefused) {
  EXPECT_FALSE(MapPath("G:\\TARN_Data\\..\\..\\etc"));
  EXPECT_FALSE(MapPath("..\\x"));
  EXPECT_FALSE(MapPath("a/../b"));
  EXPECT_EQ(MapPath("G:\\TARN_Data\\.\\x"), "drive_g/TARN_Data/x");
  EXPECT_EQ(OpenMapped("G:\\..\\x", "w"), nullptr);
  EXPECT_FALSE(fs::exists("x"));
}

TEST_F(InTempDir, MkdirMakesEveryMissingFolderBeforeLaunchReturns) {
  script("makefolder.bat", "mkdir G:\\TARN_Data\\20261206\\raw\\spot 7");
  EXPECT_EQ(Launch("makefolder.bat", true), LaunchResult::Started);
  EXPECT_TRUE(fs::is_directory(dir / "drive_g/TARN_Data/20261206/raw/spot 7"));
  // An existing folder is no failure; Windows line ends are understood.
  script("makefolder.bat", "mkdir G:\\TARN_Data\\20261206\r\n");
  EXPECT_EQ(Launch("makefolder.bat", true), LaunchResult::Started);
}

TEST_F(InTempDir, ArpIsLoggedNotRunAndOtherLinesNeverReachAShell) {
  script("IPaddr.bat", "arp -s 192.168.10.10 00-90-55-00-1a-2b 192.168.10.1");
  EXPECT_EQ(Launch("IPaddr.bat", true), LaunchResult::Started);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("arp -s 192.168.10.10"), std::string::npos);

  script("evil.bat", "touch pwned\nmkdir G:\\ok & touch pwned2");
  EXPECT_EQ(RunBatchScript("evil.bat"), LaunchResult::Failed);
  EXPECT_FALSE(fs::exists(dir / "pwned"));
  EXPECT_FALSE(fs::exists(dir / "pwned2"));
  // The whole rest of a mkdir line is one folder name, never a command.
  EXPECT_TRUE(fs::is_directory(dir / "drive_g" / "ok & touch pwned2"));

  script("climb.bat", "mkdir G:\\TARN_Data\\..\\..\\outside");
  EXPECT_EQ(RunBatchScript("climb.bat"), LaunchResult::Failed);
  EXPECT_FALSE(fs::exists(dir / "outside"));
  EXPECT_FALSE(fs::exists(dir.parent_path() / "outside"));
}

TEST_F(InTempDir, MissingScriptAndFolderThroughAFileFail) {
  EXPECT_EQ(Launch("nothere.bat", true), LaunchResult::NotFound);
  std::ofstream(dir / "file") << "x";
  script("m.bat", "mkdir file\\sub");
  EXPECT_EQ(RunBatchScript("m.bat"), LaunchResult::Failed);
  EXPECT_FALSE(log.empty());
}

TEST_F(InTempDir, AnInstalledRunnerTakesPrecedence) {
  std::string seen;
  SetBatchRunner([&](const std::string& s) {
    seen = s;
    return LaunchResult::Started;
  });
  script("makefolder.bat", "mkdir G:\\x");
  EXPECT_EQ(Launch("makefolder.bat", true), LaunchResult::Started);
  EXPECT_EQ(seen, "makefolder.bat");
  EXPECT_FALSE(fs::exists(dir / "drive_g"));
  SetBatchRunner({});
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// The data drive before an observation

TEST_F(InTempDir, AFolderIsMadeAndProvedWritableOrTheReasonIsGiven) {
  EXPECT_EQ(PrepareWritableFolder("G:\\TARN_Data\\20261208\\raw\\dc"), "");
  EXPECT_TRUE(fs::is_directory(dir / "drive_g/TARN_Data/20261208/raw/dc"));
  EXPECT_TRUE(fs::is_empty(dir / "drive_g/TARN_Data/20261208/raw/dc"));  // the probe is gone
  // A plain file where a folder of the path should be.
  std::ofstream(dir / "drive_g/TARN_Data/20261209") << "x";
  EXPECT_NE(PrepareWritableFolder("G:\\TARN_Data\\20261209\\raw"), "");
  EXPECT_EQ(PrepareWritableFolder("G:\\TARN_Data\\..\\x"), "the path is not allowed");
  EXPECT_FALSE(FreeBytes("G:\\TARN_Data\\..\\x"));
}

TEST_F(InTempDir, TheWriteProbeNeverFollowsALinkPlantedInTheFolder) {
  const fs::path folder = dir / "drive_g/TARN_Data/20261208";
  fs::create_directories(folder);
  std::ofstream(dir / "outside.txt") << "keep";
  // Links under the probe's names: the fixed name of old, and this process's first probe (a
  // dangling link, which a create through it would bring into being).
  const fs::path first = folder / (".helx-write-test-" + std::to_string(::getpid()) + "-0");
  fs::create_symlink(dir / "outside.txt", folder / ".helx-write-test");
  fs::create_symlink(dir / "made-through-the-link", first);

  EXPECT_EQ(PrepareWritableFolder("G:\\TARN_Data\\20261208"), std::strerror(EEXIST));
  EXPECT_FALSE(fs::exists(dir / "made-through-the-link"));
  std::ifstream in(dir / "outside.txt");
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "keep");
  EXPECT_TRUE(fs::is_symlink(first));  // not removed either

  // The next probe has a name of its own: the folder takes files, and is left as it was.
  EXPECT_EQ(PrepareWritableFolder("G:\\TARN_Data\\20261208"), "");
  EXPECT_FALSE(fs::exists(dir / "made-through-the-link"));
  std::size_t entries = 0;
  for (auto& e : fs::directory_iterator(folder)) {
    EXPECT_TRUE(fs::is_symlink(e.symlink_status())) << e.path();
    entries++;
  }
  EXPECT_EQ(entries, 2u);
}

TEST_F(InTempDir, AFolderNameTheInterpreterWouldChangeIsRefused) {
  for (const char* line :
       {"mkdir G:\\TARN_Data\\20261206\\raw\\spot ", "mkdir G:\\TARN_Data\\20261206\\raw\\ spot",
        "mkdir G:\\TARN_Data\\20261206\\raw\\spot.",
        "mkdir G:\\TARN_Data\\20261206\\raw\\spot \\x"}) {
    SCOPED_TRACE(line);
    script("m.bat", line);
    EXPECT_EQ(RunBatchScript("m.bat"), LaunchResult::Failed);
    EXPECT_FALSE(fs::exists(dir / "drive_g/TARN_Data/20261206/raw"));
  }
  // A blank inside a name, a dot inside it, and a Windows line end are kept as they were.
  script("m.bat", "mkdir G:\\TARN_Data\\20261206\\raw\\spot 7.a\r\n");
  EXPECT_EQ(RunBatchScript("m.bat"), LaunchResult::Started);
  EXPECT_TRUE(fs::is_directory(dir / "drive_g/TARN_Data/20261206/raw/spot 7.a"));
}

TEST_F(InTempDir, AFullDriveIsSeenBeforeAnythingIsWritten) {
  SmallDrive drive(dir / "drive_g", 1 << 20);
  if (!drive.mounted()) GTEST_SKIP() << drive.why();
  auto free = FreeBytes("G:\\TARN_Data\\20261208");  // not there yet: its drive is asked
  ASSERT_TRUE(free);
  EXPECT_GT(*free, 900'000u);
  EXPECT_LE(*free, 1u << 20);
  EXPECT_EQ(PrepareWritableFolder("G:\\TARN_Data\\20261208"), "");
  {
    std::ofstream fill(dir / "drive_g/TARN_Data/fill", std::ios::binary);
    std::string block(4096, 'x');
    while (fill.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
  EXPECT_LT(*FreeBytes("G:\\TARN_Data\\20261208"), 4096u);
  EXPECT_EQ(PrepareWritableFolder("G:\\TARN_Data\\20261208"), std::strerror(ENOSPC));
}
