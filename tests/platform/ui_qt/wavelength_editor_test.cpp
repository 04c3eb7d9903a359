// The wavelength-list editor's dialog edits the list only through the list's own rules: the
// current entry follows its wavelength, a bad number is refused, the list stops at 50.
#include "platform/ui/qt/wavelength_editor.h"

#include <QPushButton>
#include <QTableWidget>

#include "qt_fixture.h"

using helx::ui::qt::WavelengthEditor;
using helx::wvcontrol::WvList;
using helx::wvcontrol::WvRecord;

namespace {
WvList threeLines() {
  WvList list;
  list.add({6562.8f, {}, 1000, {}, 10.0});
  list.add({5890.0f, {}, 2000, {}, 12.0});
  list.add({8542.1f, {}, 3000, {}, 14.0});
  list.select(0);
  return list;
}
std::vector<float> wavelengths(const WvList& list) {
  std::vector<float> out;
  for (auto& e : list.entries()) out.push_back(e.wavelength);
  return out;
}
}  // namespace

TEST_F(QtViewTest, TheWavelengthEditorMovesRemovesAndMarksTheCurrentEntry) {
  WavelengthEditor editor(threeLines());
  QTableWidget* table = editor.table();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->item(1, 1)->text(), "5890.00");
  EXPECT_EQ(table->item(1, 2)->text(), "2000");
  EXPECT_FALSE(table->item(0, 0)->text().isEmpty());  // the current entry's mark
  EXPECT_TRUE(table->item(2, 0)->text().isEmpty());

  table->setCurrentCell(2, 1);
  editor.button("current")->click();
  EXPECT_EQ(editor.list().selected(), 2);
  EXPECT_FALSE(table->item(2, 0)->text().isEmpty());
  EXPECT_TRUE(table->item(0, 0)->text().isEmpty());

  // The current entry moves up with its wavelength.
  editor.button("up")->click();
  EXPECT_EQ(wavelengths(editor.list()), (std::vector<float>{6562.8f, 8542.1f, 5890.0f}));
  EXPECT_EQ(editor.list().selected(), 1);
  EXPECT_EQ(table->currentRow(), 1);
  editor.button("up")->click();
  editor.button("up")->click();  // already at the top: nothing changes
  EXPECT_EQ(wavelengths(editor.list()), (std::vector<float>{8542.1f, 6562.8f, 5890.0f}));
  EXPECT_EQ(editor.list().selected(), 0);

  table->setCurrentCell(2, 1);
  editor.button("remove")->click();
  EXPECT_EQ(wavelengths(editor.list()), (std::vector<float>{8542.1f, 6562.8f}));
  EXPECT_EQ(table->rowCount(), 2);
}

TEST_F(QtViewTest, TheWavelengthEditorTakesTypedNumbersAndStopsAtFiftyEntries) {
  WavelengthEditor editor(threeLines());
  QTableWidget* table = editor.table();
  table->item(1, 1)->setText("5895.92");
  table->item(1, 3)->setText("12.5");
  EXPECT_FLOAT_EQ(editor.list().entries()[1].wavelength, 5895.92f);
  EXPECT_DOUBLE_EQ(editor.list().entries()[1].angle, 12.5);
  // Not a number, or not a wavelength: the entry stays and the cell shows it again.
  table->item(1, 1)->setText("sodium");
  table->item(1, 2)->setText("-");
  table->item(0, 1)->setText("-5");
  EXPECT_FLOAT_EQ(editor.list().entries()[1].wavelength, 5895.92f);
  EXPECT_EQ(editor.list().entries()[1].step, 2000);
  EXPECT_FLOAT_EQ(editor.list().entries()[0].wavelength, 6562.8f);
  EXPECT_EQ(table->item(1, 1)->text(), "5895.92");

  // A new entry is a copy of the chosen one, just after it.
  table->setCurrentCell(0, 1);
  editor.button("add")->click();
  ASSERT_EQ(editor.list().entries().size(), 4u);
  EXPECT_EQ(editor.list().entries()[1], editor.list().entries()[0]);
  EXPECT_EQ(table->currentRow(), 1);
  while (editor.button("add")->isEnabled()) editor.button("add")->click();
  EXPECT_EQ(static_cast<int>(editor.list().entries().size()), WvList::kCapacity);
  EXPECT_EQ(table->rowCount(), WvList::kCapacity);
}
