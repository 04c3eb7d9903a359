// The operator's hands: what a person can and cannot do at the panels.
#include "platform/ui/operator.h"

#include "runtime_fixture.h"

using helx::ui::Operator;

TEST_F(RuntimeTest, OperatorCannotUseDimmedHiddenOrUnreachableControls) {
  SetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, 1);
  EXPECT_FALSE(Operator::commit(panel, P_BTN));
  SetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, 0);
  SetCtrlAttribute(panel, P_BTN, ATTR_VISIBLE, 0);
  EXPECT_FALSE(Operator::commit(panel, P_BTN));
  SetCtrlAttribute(panel, P_BTN, ATTR_VISIBLE, 1);
  SetTabPageAttribute(panel, P_TAB, 1, ATTR_DIMMED, 1);
  EXPECT_FALSE(Operator::type(page1, 2, "x"));
  EXPECT_TRUE(Operator::type(page0, 2, "3.5"));
  EXPECT_FALSE(Operator::menu(menu, 5));  // its menu is dimmed
  HidePanel(panel);
  EXPECT_FALSE(Operator::commit(panel, P_BTN));
  EXPECT_FALSE(Operator::menu(menu, 3));
}

TEST_F(RuntimeTest, TypingIsBoundedLikeAPersonsInput) {
  runWithUi([&] {
    ASSERT_TRUE(Operator::type(panel, P_NUM, "250"));
    ASSERT_TRUE(Operator::type(panel, P_STR, std::string(1000, 'x')));
    EXPECT_FALSE(Operator::type(panel, P_NUM, "abc"));
    ASSERT_TRUE(Operator::sync());
  });
  int v = 0;
  GetCtrlVal(panel, P_NUM, &v);
  EXPECT_EQ(v, 10);
  int length = 0;
  GetCtrlValueLength(panel, P_STR, &length);
  EXPECT_EQ(length, 255);
}

TEST_F(RuntimeTest, OperatorEventsReachTheirCallbacks) {
  runWithUi([&] {
    ASSERT_TRUE(Operator::type(page1, 2, "hello"));  // brings its page forward first
    ASSERT_TRUE(Operator::menu(menu, 3));
    ASSERT_TRUE(Operator::key(panel, P_NUM, VAL_ENTER_VKEY));
    ASSERT_TRUE(Operator::close(panel));
    ASSERT_TRUE(Operator::sync());
  });
  auto c = commits();
  auto has = [&](int p, int ctrl, int event, int d1 = -1) {
    for (auto& r : c)
      if (r.panel == p && r.control == ctrl && r.event == event && (d1 == -1 || r.d1 == d1))
        return true;
    return false;
  };
  EXPECT_TRUE(has(panel, P_TAB, EVENT_ACTIVE_TAB_CHANGE, 1));
  EXPECT_TRUE(has(page1, 2, EVENT_COMMIT));
  EXPECT_TRUE(has(panel, 3, EVENT_COMMIT));  // the menu item
  EXPECT_TRUE(has(panel, P_NUM, EVENT_KEYPRESS, VAL_ENTER_VKEY));
  EXPECT_TRUE(has(panel, 0, EVENT_CLOSE));
}

TEST_F(RuntimeTest, FileDialogsTakeQueuedAnswers) {
  char path[261] = "unchanged";
  Operator::answerNextFileDialog("/tmp/a.fts");
  EXPECT_EQ(FileSelectPopup("", "*.fts", "*.fts;*.bmp", "Load Data File", VAL_LOAD_BUTTON, 0, 0, 1,
                            0, path),
            VAL_EXISTING_FILE_SELECTED);
  EXPECT_STREQ(path, "/tmp/a.fts");
  EXPECT_EQ(
      FileSelectPopup("", "*.fts", "*.fts", "Load Data File", VAL_LOAD_BUTTON, 0, 0, 1, 0, path),
      VAL_NO_FILE_SELECTED);
  auto popups = Operator::popups();
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[0].title, "Load Data File");
}

TEST_F(RuntimeTest, ThePopupRecordKeepsTheNewestAndCountsThemAll) {
  Operator::clearPopups();
  auto raise = [](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
      MessagePopup("Warning", ("popup " + std::to_string(i) + ".").c_str());
  };
  raise(0, 5);
  ASSERT_TRUE(Operator::waitForPopup("Warning", "popup 2.", 0));  // a wait has read up to 2
  const std::size_t total = helx::ui::kPopupRecords + 10;
  raise(5, total);

  auto kept = Operator::popups();
  ASSERT_EQ(kept.size(), helx::ui::kPopupRecords);
  EXPECT_EQ(Operator::popupCount(), total);
  EXPECT_EQ(kept.front().text, "popup 10.");
  EXPECT_EQ(kept.back().text, "popup " + std::to_string(total - 1) + ".");
  // The next wait counts from the oldest popup kept: those dropped are gone for it too.
  EXPECT_FALSE(Operator::waitForPopup("Warning", "popup 3.", 0));
  auto next = Operator::waitForPopup("Warning", "popup", 0);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->text, "popup 10.");
  EXPECT_TRUE(Operator::waitForPopup("", "popup " + std::to_string(total - 1) + ".", 0));

  Operator::clearPopups();
  EXPECT_TRUE(Operator::popups().empty());
  EXPECT_EQ(Operator::popupCount(), 0u);
}
