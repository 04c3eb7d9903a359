// The operator's input at the widgets becomes the events a person's input produces, on the UI
// thread, and a dimmed control cannot be used.
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest/QTest>
#include <thread>

#include "platform/ui/qt/picture_widget.h"
#include "platform/ui/qt/tab_view.h"
#include "qt_fixture.h"

namespace {
enum { POWERON = 2, VIEW_CCD1 = 10, QUIT = 12 };
}

TEST_F(QtViewTest, AClickOnAButtonReachesItsCallbackOnTheUiThread) {
  auto* button = body<QPushButton>(panels[3], POWERON);
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(runUntil([&] { return !calls(panels[3], POWERON, EVENT_COMMIT).empty(); }));
  auto c = calls(panels[3], POWERON, EVENT_COMMIT);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_TRUE(c[0].onUiThread);
}

TEST_F(QtViewTest, ADimmedControlCannotBeClicked) {
  auto* button = body<QPushButton>(panels[3], POWERON);
  std::jthread worker([&] { SetCtrlAttribute(panels[3], POWERON, ATTR_DIMMED, 1); });
  ASSERT_TRUE(runUntil([&] { return !button->isEnabled(); }));
  QTest::mouseClick(button, Qt::LeftButton);
  button->click();
  // A dimmed on/off button keeps its state too.
  auto* view1 = body<QPushButton>(panels[3], VIEW_CCD1);
  ASSERT_FALSE(view1->isEnabled());
  view1->click();
  // A dimmed menu item is not offered.
  QAction* about = view().window(panels[3])->menuAction(11);
  about->trigger();
  flushEvents();
  EXPECT_TRUE(calls(panels[3], POWERON, EVENT_COMMIT).empty());
  EXPECT_TRUE(calls(panels[3], VIEW_CCD1, EVENT_COMMIT).empty());
  EXPECT_TRUE(calls(panels[3], 11, EVENT_COMMIT).empty());
  int on = 0;
  GetCtrlVal(panels[3], VIEW_CCD1, &on);
  EXPECT_EQ(on, 1);
  EXPECT_TRUE(view1->isChecked());
}

TEST_F(QtViewTest, TypingChoosingAndTogglingGoThroughTheModel) {
  const int test = panels[5];
  // ccdTemp (no limits) takes what is typed; Num. of Runs (minimum 1) holds it within limits.
  auto* temp = body<QDoubleSpinBox>(test, 4);
  auto* runs = body<QDoubleSpinBox>(page(0), 13);
  ASSERT_TRUE(temp && runs);
  temp->selectAll();
  QTest::keyClicks(temp, "-45");
  QTest::keyClick(temp, Qt::Key_Return);
  runs->selectAll();
  QTest::keyClicks(runs, "0");
  QTest::keyClick(runs, Qt::Key_Return);
  auto* observer = body<QLineEdit>(page(3), 2);
  observer->setText("Night crew");
  emit observer->returnPressed();
  emit observer->editingFinished();
  auto* cooler = body<QWidget>(test, 2)->findChildren<QRadioButton*>().at(1);
  cooler->click();
  auto* acq = body<QComboBox>(page(0), 3);
  emit acq->activated(2);
  flushEvents();
  drain();

  int value = 0;
  GetCtrlVal(test, 4, &value);
  EXPECT_EQ(value, -45);
  GetCtrlVal(page(0), 13, &value);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(runs->value(), 1) << "the widget shows what the model holds";
  char text[256] = "";
  GetCtrlVal(page(3), 2, text);
  EXPECT_STREQ(text, "Night crew");
  GetCtrlVal(test, 2, &value);
  EXPECT_EQ(value, 0) << "Cooler On";
  GetCtrlVal(page(0), 3, &value);
  EXPECT_EQ(value, 6) << "Frame Transfer";
}

TEST_F(QtViewTest, ATabClickSelectsThePageThroughTheModel) {
  auto* tab = dynamic_cast<helx::ui::qt::TabView*>(view().control(panels[4], 3));
  tab->tabBar()->setCurrentIndex(3);
  ASSERT_TRUE(runUntil([&] { return !calls(panels[4], 3, EVENT_ACTIVE_TAB_CHANGE).empty(); }));
  EXPECT_EQ(calls(panels[4], 3, EVENT_ACTIVE_TAB_CHANGE)[0].d1, 3);
  int active = -1;
  GetActiveTabPage(panels[4], 3, &active);
  EXPECT_EQ(active, 3);
  EXPECT_TRUE(tab->pageSurface(3)->isVisibleTo(tab->body()));

  // A dimmed page cannot be chosen: the bar returns to the page the model shows.
  SetTabPageAttribute(panels[4], 3, 1, ATTR_DIMMED, 1);
  drain();
  tab->tabBar()->setTabEnabled(1, true);  // as if the operator got there before the redraw
  tab->tabBar()->setCurrentIndex(1);
  flushEvents();
  drain();
  EXPECT_EQ(tab->tabBar()->currentIndex(), 3);
  GetActiveTabPage(panels[4], 3, &active);
  EXPECT_EQ(active, 3);
}

TEST_F(QtViewTest, PointerOverThePictureArrivesInPanelCoordinates) {
  const int graphic = panels[1];
  SetCtrlAttribute(graphic, 2, ATTR_LEFT, 10);
  SetCtrlAttribute(graphic, 2, ATTR_TOP, 20);
  drain();
  auto* picture = body<helx::ui::qt::PictureWidget>(graphic, 2);
  ASSERT_NE(picture, nullptr);
  auto send = [&](QEvent::Type type, QPoint at) {
    QMouseEvent e(type, at, picture->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &e);
  };
  // Fifty moves before the UI thread gets to any: the callback sees the first and the latest,
  // not a backlog.
  for (int i = 0; i < 50; ++i) send(QEvent::MouseMove, QPoint(i, 2 * i));
  send(QEvent::MouseButtonPress, QPoint(5, 7));
  ASSERT_TRUE(runUntil([&] {
    auto moves = calls(graphic, 2, EVENT_MOUSE_POINTER_MOVE);
    return !moves.empty() && moves.back().d2 == 10 + 49;
  }));
  auto moves = calls(graphic, 2, EVENT_MOUSE_POINTER_MOVE);
  EXPECT_LE(moves.size(), 3u);
  EXPECT_EQ(moves.front().d2, 10);  // x
  EXPECT_EQ(moves.front().d1, 20);  // y
  EXPECT_EQ(moves.back().d1, 20 + 98);
  auto clicks = calls(graphic, 2, EVENT_LEFT_CLICK);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].d2, 15);
  EXPECT_EQ(clicks[0].d1, 27);
  EXPECT_TRUE(clicks[0].onUiThread);
}

TEST_F(QtViewTest, ClosingAWindowIsTheProgramsDecision) {
  auto* window = view().window(panels[2]);
  window->close();
  ASSERT_TRUE(runUntil([&] { return !calls(panels[2], 0, EVENT_CLOSE).empty(); }));
  EXPECT_TRUE(window->isVisible()) << "the panel callback hides it, not the window";
}
