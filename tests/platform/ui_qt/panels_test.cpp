// Every panel as drawn against the panel resource itself: each control's kind, geometry,
// label, default, limits, items and initial state; the windows and the menu bar.
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/ui/qt/frame_widgets.h"
#include "platform/ui/qt/graph_widget.h"
#include "platform/ui/qt/picture_widget.h"
#include "platform/ui/qt/tab_view.h"
#include "qt_fixture.h"
#include "tests/source_path.h"

using helx::ui::qt::ControlView;
using nlohmann::json;

namespace {

json resource() {
  std::ifstream in(SourcePath("site/HELX.uir").c_str());
  return json::parse(in);
}

QString shown(const std::string& label) {  // "__OK" reads "OK"
  QString s = QString::fromStdString(label);
  return s.replace("__", "");
}

const std::set<std::string> kLabelAbove = {"text_box", "string",      "numeric", "numeric_slide",
                                           "ring",     "choice_list", "graph",   "picture"};

// Checks one control of the resource against its view; `where` names it in failures.
void checkControl(const json& d, const ControlView* view, const std::string& where) {
  SCOPED_TRACE(where);
  const std::string kind = d.at("kind");
  if (kind == "timer") {
    EXPECT_EQ(view, nullptr) << "a timer has no widget";
    return;
  }
  ASSERT_NE(view, nullptr);
  QWidget* body = view->body();
  const QRect rect(d.value("left", 0), d.value("top", 0), d.value("width", 0),
                   d.value("height", 0));
  if (kind == "text_message")
    EXPECT_EQ(body->pos(), rect.topLeft());
  else
    EXPECT_EQ(body->geometry(), rect);
  EXPECT_EQ(body->isEnabled(), !d.value("dimmed", false));
  EXPECT_EQ(!body->isHidden(), d.value("visible", true));

  const std::string label = d.value("label", "");
  const bool labelled = !label.empty() && d.value("label_visible", true);
  if (kLabelAbove.count(kind) && labelled) {
    ASSERT_NE(view->label(), nullptr);
    EXPECT_FALSE(view->label()->isHidden());
    EXPECT_EQ(view->label()->text(), shown(label));
    EXPECT_EQ(view->label()->geometry().bottom(), rect.top() - 1) << "label strip above";
    EXPECT_EQ(view->label()->x(), rect.left());
  } else if (kind == "led" && labelled) {
    ASSERT_NE(view->label(), nullptr);
    EXPECT_EQ(view->label()->text(), shown(label));
    EXPECT_GT(view->label()->x(), rect.right()) << "an LED's label is to its right";
  } else {
    EXPECT_TRUE(view->label() == nullptr || view->label()->isHidden()) << "no label drawn";
  }

  const json def = d.value("default", json());
  if (kind == "command_button" || kind == "toggle_button") {
    auto* b = dynamic_cast<QPushButton*>(body);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->isCheckable(), kind == "toggle_button");
    if (!label.empty()) {
      EXPECT_EQ(b->text().remove('&'), shown(label));
    }
    if (kind == "toggle_button") {
      EXPECT_EQ(b->isChecked(), def.is_number() && def.get<int>() != 0);
    }
  } else if (kind == "led") {
    auto* led = dynamic_cast<helx::ui::qt::LedWidget*>(body);
    ASSERT_NE(led, nullptr);
    EXPECT_EQ(led->on(), def.is_number() && def.get<int>() != 0);
    EXPECT_EQ(led->onColor().rgb() & 0xFFFFFF, d.value("on_color", 0xFF0000u));
  } else if (kind == "text_message") {
    auto* t = dynamic_cast<QLabel*>(body);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text().toStdString(), d.value("default", ""));
    EXPECT_GE(t->width(), t->fontMetrics().horizontalAdvance(t->text())) << "whole text shown";
  } else if (kind == "text_box") {
    auto* box = dynamic_cast<QPlainTextEdit*>(body);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText().toStdString(), d.value("default", ""));
  } else if (kind == "string") {
    auto* edit = dynamic_cast<QLineEdit*>(body);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), d.value("default", ""));
  } else if (kind == "numeric") {
    auto* spin = dynamic_cast<QDoubleSpinBox*>(body);
    ASSERT_NE(spin, nullptr);
    const std::string type = d.value("data_type", "int");
    const bool integral = type == "int" || type == "unsigned";
    EXPECT_DOUBLE_EQ(spin->value(), d.value("default", 0.0));
    EXPECT_DOUBLE_EQ(spin->minimum(),
                     d.value("min", integral ? std::numeric_limits<int>::min() : -1e12));
    EXPECT_DOUBLE_EQ(spin->maximum(),
                     d.value("max", integral ? std::numeric_limits<int>::max() : 1e12));
    EXPECT_DOUBLE_EQ(spin->singleStep(), d.value("inc", 1.0));
    EXPECT_EQ(spin->decimals() == 0, integral);
  } else if (kind == "numeric_slide") {
    auto* slider = body->findChild<QSlider*>();
    auto* readout = body->findChild<QLabel*>("readout");
    ASSERT_TRUE(slider && readout);
    const double min = d.value("min", 0.0), inc = d.value("inc", 1.0);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), std::lround((d.value("max", 0.0) - min) / inc));
    EXPECT_EQ(slider->value(), std::lround((d.value("default", 0.0) - min) / inc));
    EXPECT_EQ(readout->text().toDouble(), d.value("default", 0.0));
  } else if (kind == "ring" || kind == "choice_list") {
    QStringList expected;
    for (auto& item : d.value("items", json::array()))
      expected << QString::fromStdString(item.at("label"));
    const int selected = expected.isEmpty() ? -1 : d.value("default_index", 0);
    QStringList items;
    int current = -1;
    if (kind == "ring") {
      auto* combo = dynamic_cast<QComboBox*>(body);
      ASSERT_NE(combo, nullptr);
      for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
      current = combo->currentIndex();
    } else {
      const auto options = body->findChildren<QRadioButton*>();
      for (int i = 0; i < options.size(); ++i) {
        items << options[i]->text();
        if (options[i]->isChecked()) {
          EXPECT_EQ(current, -1) << "exactly one option selected";
          current = i;
        }
      }
    }
    EXPECT_EQ(items, expected);
    EXPECT_EQ(current, selected);
  } else if (kind == "graph") {
    EXPECT_NE(dynamic_cast<helx::ui::qt::GraphWidget*>(body), nullptr);
  } else if (kind == "picture") {
    EXPECT_NE(dynamic_cast<helx::ui::qt::PictureWidget*>(body), nullptr);
  } else if (kind == "tab") {
    auto* tab = dynamic_cast<const helx::ui::qt::TabView*>(view);
    ASSERT_NE(tab, nullptr);
    QStringList titles, expected;
    for (int i = 0; i < tab->tabBar()->count(); ++i) titles << tab->tabBar()->tabText(i);
    for (auto& page : d.at("pages")) expected << QString::fromStdString(page.at("label"));
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(tab->tabBar()->currentIndex(), 0);
  } else if (kind == "decoration") {
    EXPECT_NE(dynamic_cast<helx::ui::qt::DecorationWidget*>(body), nullptr);
  } else if (kind == "splitter") {
    EXPECT_NE(dynamic_cast<helx::ui::qt::SplitterWidget*>(body), nullptr);
  } else if (kind == "activex") {
    EXPECT_NE(dynamic_cast<helx::ui::qt::PlaceholderWidget*>(body), nullptr);
  } else {
    ADD_FAILURE() << "kind " << kind << " not covered";
  }
}

}  // namespace

TEST_F(QtViewTest, EveryControlIsDrawnAsTheResourceDescribesIt) {
  int checked = 0;
  const json uir = resource();
  for (auto& pd : uir.at("panels")) {
    const int panel = panels.at(pd.at("number").get<int>());
    for (auto& cd : pd.at("controls")) {
      const std::string where =
          pd.at("constant").get<std::string>() + "." + cd.at("constant").get<std::string>();
      checkControl(cd, view().control(panel, cd.at("id")), where);
      ++checked;
      int index = 0;
      for (auto& page : cd.value("pages", json::array())) {
        int handle = 0;
        ASSERT_EQ(GetPanelHandleFromTabPage(panel, cd.at("id"), index++, &handle), 0);
        for (auto& pc : page.at("controls")) {
          checkControl(pc, view().control(handle, pc.at("id")),
                       where + "." + pc.at("constant").get<std::string>());
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 150);
}

TEST_F(QtViewTest, PanelsAreWindowsAtTheirGeometryWithTheMenuBarOnTheMain) {
  const json uir = resource();
  for (auto& pd : uir.at("panels")) {
    auto* window = view().window(panels.at(pd.at("number").get<int>()));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), pd.at("title").get<std::string>());
    EXPECT_EQ(window->canvas()->size(), QSize(pd.at("width"), pd.at("height")));
    EXPECT_EQ(window->pos(), QPoint(pd.at("left"), pd.at("top")));
    EXPECT_EQ(window->menuBar() != nullptr, pd.at("number") == 3);
  }
  auto* main = view().window(panels[3]);
  QStringList menus;
  for (QAction* a : main->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, QStringList({"File", "Setup", "Test", "About"}));
  // Dimmed at start: the Setup, Test and About menus and the Test and About items.
  for (int id : {2, 3, 4, 5, 7}) EXPECT_TRUE(main->menuAction(id)->isEnabled()) << id;
  for (int id : {6, 8, 9, 10, 11}) EXPECT_FALSE(main->menuAction(id)->isEnabled()) << id;

  SetMenuBarAttribute(menuBar, 6, ATTR_DIMMED, 0);
  drain();
  EXPECT_TRUE(main->menuAction(6)->isEnabled());
}

TEST_F(QtViewTest, TabPagesLieBelowTheTabStripAndOnlyTheActiveOneShows) {
  auto* tab = dynamic_cast<helx::ui::qt::TabView*>(view().control(panels[4], 3));
  ASSERT_NE(tab, nullptr);
  auto* canvas = view().window(panels[4])->canvas();
  // CCD_setAcq at (189, 28) on page 0 of the tab control at (10, 10).
  auto* acq = view().control(page(0), 3)->body();
  EXPECT_EQ(acq->mapTo(canvas, QPoint(0, 0)), QPoint(10 + 189, 10 + 24 + 28));
  EXPECT_TRUE(acq->isVisibleTo(canvas));
  EXPECT_FALSE(view().control(page(1), 3)->body()->isVisibleTo(canvas));

  SetActiveTabPage(panels[4], 3, 1);
  SetTabPageAttribute(panels[4], 3, 2, ATTR_DIMMED, 1);
  drain();
  EXPECT_EQ(tab->tabBar()->currentIndex(), 1);
  EXPECT_FALSE(acq->isVisibleTo(canvas));
  EXPECT_TRUE(view().control(page(1), 3)->body()->isVisibleTo(canvas));
  EXPECT_FALSE(tab->tabBar()->isTabEnabled(2));
}

TEST_F(QtViewTest, TheProgramResizesAndHidesPanelsAndControls) {
  const int graphic = panels[1];
  SetPanelAttribute(graphic, ATTR_WIDTH, 300);
  SetPanelAttribute(graphic, ATTR_HEIGHT, 200);
  SetCtrlAttribute(graphic, 2, ATTR_WIDTH, 300);
  SetCtrlAttribute(panels[3], 41, ATTR_VISIBLE, 1);
  SetCtrlAttribute(panels[3], 2, ATTR_VISIBLE, 0);
  HidePanel(panels[2]);
  drain();
  EXPECT_EQ(view().window(graphic)->canvas()->size(), QSize(300, 200));
  EXPECT_EQ(view().control(graphic, 2)->body()->width(), 300);
  EXPECT_FALSE(view().control(panels[3], 41)->body()->isHidden());
  EXPECT_TRUE(view().control(panels[3], 2)->body()->isHidden());
  EXPECT_FALSE(view().window(panels[2])->isVisible());

  DiscardPanel(graphic);
  drain();
  EXPECT_EQ(view().window(graphic), nullptr);
  EXPECT_EQ(view().control(graphic, 2), nullptr);
}
