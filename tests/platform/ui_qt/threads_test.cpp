// Values written by worker threads reach their widgets, whichever loop the UI thread is in.
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/ui/qt/frame_widgets.h"
#include "qt_fixture.h"

namespace {
enum { POSITION = 21, CCD1TEMP = 101, MONITOR = 13, MOTORRUN = 26 };
}

TEST_F(QtViewTest, ValuesWrittenByAWorkerReachTheirWidgets) {
  const int main = panels[3], grating = page(2);
  std::atomic<bool> written{false};
  std::jthread worker([&] {
    // A read-out written far faster than anyone could redraw it: the widget ends on the last.
    for (int i = 0; i <= 2000; ++i) SetCtrlVal(main, POSITION, std::to_string(i).c_str());
    SetCtrlVal(main, CCD1TEMP, -59.5);
    for (int i = 0; i < 50; ++i)
      SetCtrlVal(main, MONITOR, ("line " + std::to_string(i) + "\n").c_str());
    InsertListItem(grating, 2, -1, "6562.8", 0);
    InsertListItem(grating, 2, -1, "8542.1", 1);
    written = true;
  });
  auto* position = body<QLabel>(main, POSITION);
  auto* temp = body<QLabel>(main, CCD1TEMP);
  auto* monitor = body<QPlainTextEdit>(main, MONITOR);
  auto* ring = body<QComboBox>(grating, 2);
  ASSERT_TRUE(position && temp && monitor && ring);
  ASSERT_TRUE(runUntil([&] {
    return written && position->text() == "2000" && temp->text() == "-59.5" &&
           monitor->document()->blockCount() == 51 && ring->count() == 2;
  }));
  EXPECT_TRUE(monitor->toPlainText().startsWith("line 0\nline 1\n"));
  EXPECT_EQ(monitor->verticalScrollBar()->value(), monitor->verticalScrollBar()->maximum())
      << "a text box shows its newest lines";
  EXPECT_EQ(ring->itemText(1), "8542.1");
}

TEST_F(QtViewTest, TheViewKeepsUpWhileQtRunsALoopOfItsOwn) {
  // As under a modal popup: only Qt's loop runs, ours does not, and the read-outs still move.
  auto* led = body<helx::ui::qt::LedWidget>(panels[3], MOTORRUN);
  ASSERT_NE(led, nullptr);
  ASSERT_FALSE(led->on());
  QEventLoop qtLoop;
  QTimer poll, guard;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (led->on()) qtLoop.quit();
  });
  QObject::connect(&guard, &QTimer::timeout, [&] { qtLoop.quit(); });
  poll.start(1);
  guard.start(10000);
  std::jthread worker([&] { SetCtrlVal(panels[3], MOTORRUN, 1); });
  qtLoop.exec();
  EXPECT_TRUE(led->on());
}
