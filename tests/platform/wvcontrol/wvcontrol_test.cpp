// The wavelength-list editor's model and ShowPanel: the file format both ways, editing, and
// the headless editor that returns at once.
#include "platform/wvcontrol/wvcontrol.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using helx::wvcontrol::WvList;
using helx::wvcontrol::WvRecord;

namespace {
std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string header(int count, int select, const char* extraSlot = nullptr) {
  std::string bytes(2000, '\0');
  std::snprintf(bytes.data(), 100, "NUMBER OF WV    =%d", count);
  std::snprintf(bytes.data() + 100, 100, "CURRENT_SELECT  =%d", select);
  if (extraSlot) std::snprintf(bytes.data() + 500, 100, "%s", extraSlot);
  return bytes;
}

std::string record(float wv, std::int32_t step, double angle, std::uint32_t raw1 = 0,
                   std::uint32_t raw2 = 0) {
  char r[24];
  std::memcpy(r, &wv, 4);
  std::memcpy(r + 4, &raw1, 4);
  std::memcpy(r + 8, &step, 4);
  std::memcpy(r + 12, &raw2, 4);
  std::memcpy(r + 16, &angle, 8);
  return std::string(r, 24);
}

TEST(WvListFormat, ReadsRecordsAndKeepsUninterpretedFieldsAndOtherSlots) {
  std::string bytes = header(2, 1, "EDITED BY = night crew") +
                      record(6562.8f, 0, 23.19, 0xDEADBEEF, 7) + record(8542.09f, -3, 30.8);
  WvList list = WvList::parse(bytes);
  ASSERT_EQ(list.entries().size(), 2u);
  EXPECT_EQ(list.selected(), 1);
  EXPECT_EQ(list.entries()[0].wavelength, 6562.8f);
  EXPECT_EQ(list.entries()[1].step, -3);
  EXPECT_EQ(list.entries()[0].angle, 23.19);
  // Written back unchanged, byte for byte.
  EXPECT_EQ(list.serialise(), bytes);
}

TEST(WvListFormat, CountAndSelectionAreClampedAndShortFilesReadAsFarAsTheyGo) {
  std::string two = record(1.0f, 1, 1.0) + record(2.0f, 2, 2.0);
  EXPECT_EQ(WvList::parse(header(-4, 0) + two).entries().size(), 0u);
  EXPECT_EQ(WvList::parse(header(-4, 0) + two).selected(), -1);
  EXPECT_EQ(WvList::parse(header(99, 7) + two).entries().size(), 2u);
  EXPECT_EQ(WvList::parse(header(99, 7) + two).selected(), 1);
  EXPECT_EQ(WvList::parse(header(2, -5) + two).selected(), 0);
  EXPECT_EQ(WvList::parse(header(2, 0) + two.substr(0, 30)).entries().size(), 1u);
  EXPECT_EQ(WvList::parse("NUMBER OF WV    =3").entries().size(), 0u);
  std::string many = header(500, 0);
  for (int i = 0; i < 60; i++) many += record(static_cast<float>(i), i, i);
  EXPECT_EQ(WvList::parse(many).entries().size(), 50u);
}

TEST(WvListEditing, AddRemoveMoveAndSelectKeepTheSelectionOnItsEntry) {
  WvList list;
  EXPECT_FALSE(list.remove(0));
  ASSERT_TRUE(list.add({6562.8f, {}, 0, {}, 23.0}));
  ASSERT_TRUE(list.add({8542.1f, {}, 100, {}, 30.0}));
  ASSERT_TRUE(list.add({6302.5f, {}, -50, {}, 22.0}, 0));
  EXPECT_EQ(list.entries()[0].wavelength, 6302.5f);
  ASSERT_TRUE(list.select(2));  // 8542.1
  ASSERT_TRUE(list.move(2, 0));
  EXPECT_EQ(list.selected(), 0);
  EXPECT_EQ(list.entries()[0].wavelength, 8542.1f);
  ASSERT_TRUE(list.remove(1));
  EXPECT_EQ(list.selected(), 0);
  ASSERT_TRUE(list.remove(0));
  EXPECT_EQ(list.selected(), 0);
  EXPECT_EQ(list.entries()[0].wavelength, 6562.8f);
  EXPECT_FALSE(list.select(3));
  for (int i = 0; i < 49; i++) ASSERT_TRUE(list.add({}));
  EXPECT_FALSE(list.add({}));
}

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(::testing::TempDir()) / ("helx-wv-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(::chdir(dir.c_str()), 0);
  }
  void TearDown() override { helx::wvcontrol::SetEditorDialog({}); }
  fs::path dir;
};

TEST_F(Editor, HeadlessShowPanelReturnsAtOnceAndLeavesTheFileAlone) {
  std::string bytes = header(1, 0) + record(6562.8f, 0, 23.19);
  std::ofstream("Wv.ini", std::ios::binary) << bytes;
  ShowPanel();
  EXPECT_EQ(slurp("Wv.ini"), bytes);
}

TEST_F(Editor, AcceptedDialogWritesTheFileBeforeShowPanelReturnsAndItReadsBackEqual) {
  std::ofstream("Wv.ini", std::ios::binary) << header(1, 0) + record(6562.8f, 0, 23.19, 42);
  WvList edited;
  helx::wvcontrol::SetEditorDialog([&](WvList& list) {
    list.add({8542.09f, {}, 1200, {}, 30.83});
    list.select(1);
    edited = list;
    return true;
  });
  ShowPanel();
  auto back = WvList::read("Wv.ini");
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, edited);
  EXPECT_EQ(back->entries()[0].unused1[0], 42);
  EXPECT_EQ(slurp("Wv.ini").substr(0, 18), "NUMBER OF WV    =2");
  EXPECT_EQ(slurp("Wv.ini").substr(100, 18), "CURRENT_SELECT  =1");
  EXPECT_EQ(slurp("Wv.ini").size(), 2000u + 2 * 24);
}

TEST_F(Editor, CancelledDialogAndMissingFile) {
  helx::wvcontrol::SetEditorDialog([](WvList& list) {
    list.add({1.0f, {}, 1, {}, 1.0});
    return false;
  });
  ShowPanel();
  EXPECT_FALSE(fs::exists("Wv.ini"));
  helx::wvcontrol::SetEditorDialog([](WvList& list) { return list.add({1.0f, {}, 1, {}, 1.0}); });
  ShowPanel();  // a missing file starts an empty list
  ASSERT_TRUE(WvList::read("Wv.ini"));
  EXPECT_EQ(WvList::read("Wv.ini")->entries().size(), 1u);
}
}  // namespace
