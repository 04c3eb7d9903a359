// Values, attributes, lists and pages as the program writes and reads them.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "platform/ui/callbacks.h"
#include "platform/ui/message_log.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "runtime_fixture.h"
#include "tests/source_path.h"

TEST_F(RuntimeTest, TextBoxAppendsWhileMessagesAndStringsReplace) {
  SetCtrlVal(panel, P_BOX, "one\n");
  SetCtrlVal(panel, P_BOX, "two\n");
  SetCtrlVal(panel, P_MSG, "first");
  SetCtrlVal(panel, P_MSG, "second");
  SetCtrlVal(panel, P_STR, "x");
  char text[256];
  GetCtrlVal(panel, P_BOX, text);
  EXPECT_STREQ(text, "one\ntwo\n");
  GetCtrlVal(panel, P_MSG, text);
  EXPECT_STREQ(text, "second");
  GetCtrlVal(panel, P_STR, text);
  EXPECT_STREQ(text, "x");
}

TEST_F(RuntimeTest, NumbersFollowTheControlsDataTypeButNotItsLimits) {
  int i = 0;
  GetCtrlVal(panel, P_NUM, &i);
  EXPECT_EQ(i, 5);                 // the resource's default
  SetCtrlVal(panel, P_NUM, 1080);  // limits 0..10 bound only what the operator types
  GetCtrlVal(panel, P_NUM, &i);
  EXPECT_EQ(i, 1080);
  SetCtrlVal(page0, 2, 1080.25);
  double d = 0;
  GetCtrlVal(page0, 2, &d);
  EXPECT_EQ(d, 1080.25);
  SetCtrlVal(panel, P_LED, 7);
  GetCtrlVal(panel, P_LED, &i);
  EXPECT_EQ(i, 1);
}

TEST_F(RuntimeTest, RingValueIndexAndItems) {
  int v = 0, index = -1, n = 0;
  GetCtrlVal(panel, P_RING, &v);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(SetCtrlVal(panel, P_RING, 9), 0);
  GetCtrlIndex(panel, P_RING, &index);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(SetCtrlVal(panel, P_RING, 4), UIEValueNotInList);
  InsertListItem(panel, P_RING, -1, "D", 12);
  GetNumListItems(panel, P_RING, &n);
  EXPECT_EQ(n, 4);
  ClearListCtrl(panel, P_RING);
  GetCtrlIndex(panel, P_RING, &index);
  EXPECT_EQ(index, -1);  // an empty ring has no selection
  InsertListItem(panel, P_RING, -1, "6562.799805", 0);
  GetCtrlIndex(panel, P_RING, &index);
  EXPECT_EQ(index, 0);
  char label[64];
  GetLabelFromIndex(panel, P_RING, 0, label);
  EXPECT_STREQ(label, "6562.799805");
  DefaultCtrl(panel, P_NUM);
}

TEST_F(RuntimeTest, AttributesPanelsPagesAndMenus) {
  int v = 0;
  SetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, 1);
  GetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, &v);
  EXPECT_EQ(v, 1);
  SetCtrlAttribute(panel, P_NUM, ATTR_MAX_VALUE, 99);
  GetCtrlAttribute(panel, P_NUM, ATTR_MAX_VALUE, &v);
  EXPECT_EQ(v, 99);
  SetPanelAttribute(panel, ATTR_WIDTH, 640);
  GetPanelAttribute(panel, ATTR_WIDTH, &v);
  EXPECT_EQ(v, 640);
  SetTabPageAttribute(panel, P_TAB, 1, ATTR_DIMMED, 1);
  GetTabPageAttribute(panel, P_TAB, 1, ATTR_DIMMED, &v);
  EXPECT_EQ(v, 1);
  GetMenuBarAttribute(menu, 4, ATTR_DIMMED, &v);
  EXPECT_EQ(v, 1);
  SetMenuBarAttribute(menu, 4, ATTR_DIMMED, 0);
  GetMenuBarAttribute(menu, 4, ATTR_DIMMED, &v);
  EXPECT_EQ(v, 0);
  EXPECT_LT(SetCtrlVal(panel, 99, 1), 0);
  EXPECT_LT(SetCtrlVal(12345, P_NUM, 1), 0);
}

TEST_F(RuntimeTest, LoadingFailsForMissingCorruptOrUnknownResources) {
  EXPECT_LT(LoadPanel(0, "/nonexistent/HELX.uir", 1), 0);
  std::string corrupt = ::testing::TempDir() + "/corrupt-" + std::to_string(::getpid()) + ".uir";
  std::ofstream(corrupt) << "{ \"panels\": [ {";
  EXPECT_LT(LoadPanel(0, corrupt.c_str(), 1), 0);
  EXPECT_LT(LoadPanel(0, SourcePath("tests/platform/ui/test.uir").c_str(), 42), 0);
  // Unbound names are listed, never fatal.
  auto unbound = helx::ui::UnboundCallbackNames(SourcePath("tests/platform/ui/test.uir").c_str());
  ASSERT_EQ(unbound.size(), 1u);
  EXPECT_EQ(unbound[0], "notBuilt");
}

TEST_F(RuntimeTest, HistogramCountsTopInTheLastIntervalAndReportsCentres) {
  double samples[] = {0, 10, 99.99, 100, 100, -1, 101};
  int counts[100];
  double axis[100];
  ASSERT_EQ(Histogram(samples, 7, 0, 100, counts, axis, 100), 0);
  EXPECT_EQ(counts[0], 1);
  EXPECT_EQ(counts[10], 1);
  EXPECT_EQ(counts[99], 3);
  int total = 0;
  for (int c : counts) total += c;
  EXPECT_EQ(total, 5);
  EXPECT_DOUBLE_EQ(axis[0], 0.5);
  EXPECT_DOUBLE_EQ(axis[99], 99.5);
}

TEST_F(RuntimeTest, GraphPlotsAndBitmaps) {
  unsigned short y[4] = {1, 2, 3, 4};
  int h1 = PlotY(panel, P_BTN, y, 4, VAL_UNSIGNED_SHORT_INTEGER, 0, 0, 0, 1, VAL_GREEN);
  EXPECT_LT(h1, 0);  // only a graph takes plots
  int table[256];
  for (int i = 0; i < 256; ++i) table[i] = i * 0x010101;
  unsigned char bits[6] = {0, 255, 128, 1, 2, 3};
  int bitmap = 0;
  ASSERT_EQ(NewBitmap(3, 8, 3, 2, table, bits, nullptr, &bitmap), 0);
  EXPECT_EQ(DiscardBitmap(bitmap), 0);
  EXPECT_LT(DiscardBitmap(bitmap), 0);
}

namespace {
std::string boxText(int panel) { return helx::ui::Operator::text(panel, P_BOX); }

std::size_t breaks(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}
}  // namespace

TEST_F(RuntimeTest, ATextBoxKeepsItsLastLinesWhileTheMessageLogGetsEveryText) {
  const std::string logPath =
      ::testing::TempDir() + "/text_box_lines-" + std::to_string(::getpid()) + ".log";
  std::remove(logPath.c_str());
  helx::ui::SetMessageLogPath(logPath);
  const std::size_t extra = 7;
  for (std::size_t i = 0; i < helx::ui::kTextBoxLines + extra; ++i)
    SetCtrlVal(panel, P_BOX, ("line " + std::to_string(i) + "\n").c_str());
  SetCtrlVal(panel, P_BOX, "being written ");
  SetCtrlVal(panel, P_BOX, 42);
  helx::ui::SetMessageLogPath("");

  const std::string text = boxText(panel);
  EXPECT_EQ(breaks(text), helx::ui::kTextBoxLines);
  EXPECT_EQ(text.rfind("line 7\n", 0), 0u) << "the oldest lines go first, whole";
  EXPECT_NE(text.find("line " + std::to_string(helx::ui::kTextBoxLines + extra - 1) + "\n"),
            std::string::npos);
  const std::string end = "\nbeing written 42";  // the line being written, number appended
  ASSERT_GE(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
  int length = 0;
  GetCtrlValueLength(panel, P_BOX, &length);
  EXPECT_EQ(static_cast<std::size_t>(length), text.size());

  // The log has every text, the dropped lines and the number among them.
  const std::string written = fileText(logPath);
  EXPECT_NE(written.find("[text] line 0\\n\n"), std::string::npos);
  EXPECT_NE(written.find("[text] line 6\\n\n"), std::string::npos);
  EXPECT_NE(written.find("[text] 42\n"), std::string::npos);
  std::size_t lines = 0;
  for (std::size_t at = written.find("[text] line "); at != std::string::npos;
       at = written.find("[text] line ", at + 1))
    ++lines;
  EXPECT_EQ(lines, helx::ui::kTextBoxLines + extra);
}

TEST_F(RuntimeTest, ATextBoxTrimsOneLongAppendAndAReplacedText) {
  std::string many;
  for (std::size_t i = 0; i < helx::ui::kTextBoxLines + 3; ++i)
    many += "row " + std::to_string(i) + "\n";
  SetCtrlVal(panel, P_BOX, many.c_str());
  std::string text = boxText(panel);
  EXPECT_EQ(breaks(text), helx::ui::kTextBoxLines);
  EXPECT_EQ(text.rfind("row 3\n", 0), 0u);

  // What a view needs to add only the new text: the characters dropped so far, counted from
  // the last replacement of the whole text.
  auto state = [&] {
    return helx::ui::Model::instance().with([&](helx::ui::Model& m) {
      const helx::ui::Control* c = m.control(panel, P_BOX);
      return std::make_pair(c->textGeneration, c->textDropped);
    });
  };
  const auto [generation, dropped] = state();
  EXPECT_EQ(dropped, std::string("row 0\nrow 1\nrow 2\n").size());
  SetCtrlVal(panel, P_BOX, "row next\n");
  EXPECT_EQ(state().first, generation);
  EXPECT_EQ(state().second, dropped + std::string("row 3\n").size());

  ResetTextBox(panel, P_BOX, "fresh\n");
  EXPECT_EQ(boxText(panel), "fresh\n");
  EXPECT_EQ(state(), std::make_pair(generation + 1, std::uint64_t{0}));
  // A replacement longer than the box is cut like an append.
  ResetTextBox(panel, P_BOX, many.c_str());
  EXPECT_EQ(boxText(panel).rfind("row 3\n", 0), 0u);
  EXPECT_EQ(state().first, generation + 2);
  // Strings and messages are replaced, never cut.
  SetCtrlVal(panel, P_MSG, many.c_str());
  EXPECT_EQ(helx::ui::Operator::text(panel, P_MSG), many);
}
