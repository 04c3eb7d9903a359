#include "platform/ui/qt/wavelength_editor.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/ui/options.h"
#include "platform/wvcontrol/wvcontrol.h"

namespace helx::ui::qt {

namespace {
enum Column { kCurrent, kWavelength, kStep, kAngle, kColumns };

}  // namespace

// Cells are made once and then only rewritten: fill() also runs inside the table's own
// cellChanged signal, where the item that changed must not be replaced.
void WavelengthEditor::showCell(int row, int column, const QString& text) {
  if (QTableWidgetItem* item = table_->item(row, column)) {
    item->setText(text);
    return;
  }
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  if (column == kCurrent) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  table_->setItem(row, column, item);
}

WavelengthEditor::WavelengthEditor(const wvcontrol::WvList& list, QWidget* parent)
    : QDialog(parent), list_(list), table_(new QTableWidget(0, kColumns, this)) {
  setWindowTitle("Wavelength List");
  table_->setHorizontalHeaderLabels({"", "Wavelength (\u00C5)", "Step", "Angle (deg)"});
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(kCurrent, QHeaderView::ResizeToContents);
  table_->verticalHeader()->setVisible(false);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(table_, &QTableWidget::cellChanged, this, &WavelengthEditor::cellEdited);

  auto* side = new QVBoxLayout;
  auto addButton = [&](const char* name, const char* text, auto slot) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    side->addWidget(b);
  };
  addButton("add", "Add", [this] { add(); });
  addButton("remove", "Remove", [this] { remove(); });
  addButton("up", "Up", [this] { moveBy(-1); });
  addButton("down", "Down", [this] { moveBy(1); });
  addButton("current", "Make Current", [this] { makeCurrent(); });
  side->addStretch();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* body = new QHBoxLayout;
  body->addWidget(table_, 1);
  body->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel("Wavelengths of the grating (Wv.ini); \u25B6 marks the current one."));
  layout->addLayout(body);
  layout->addWidget(buttons);
  resize(560, 360);
  fill();
}

QPushButton* WavelengthEditor::button(const char* name) const {
  return findChild<QPushButton*>(name);
}

int WavelengthEditor::row() const { return table_->currentRow(); }

void WavelengthEditor::fill() {
  filling_ = true;
  const int keep = row();
  const auto& entries = list_.entries();
  table_->setRowCount(static_cast<int>(entries.size()));
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    const auto& e = entries[static_cast<std::size_t>(i)];
    showCell(i, kCurrent, i == list_.selected() ? "\u25B6" : "");
    showCell(i, kWavelength, QString::number(e.wavelength, 'f', 2));
    showCell(i, kStep, QString::number(e.step));
    showCell(i, kAngle, QString::number(e.angle, 'f', 4));
  }
  if (keep >= 0 && keep < table_->rowCount()) table_->setCurrentCell(keep, kWavelength);
  button("add")->setEnabled(static_cast<int>(entries.size()) < wvcontrol::WvList::kCapacity);
  filling_ = false;
}

// A typed value that does not read as a number is put back as it was.
void WavelengthEditor::cellEdited(int r, int column) {
  if (filling_ || r < 0 || r >= static_cast<int>(list_.entries().size())) return;
  wvcontrol::WvRecord record = list_.entries()[static_cast<std::size_t>(r)];
  const QString text = table_->item(r, column)->text().trimmed();
  bool ok = false;
  if (column == kWavelength) {
    const float v = text.toFloat(&ok);
    if (ok && v > 0) record.wavelength = v;
  } else if (column == kStep) {
    const int v = text.toInt(&ok);
    if (ok) record.step = v;
  } else if (column == kAngle) {
    const double v = text.toDouble(&ok);
    if (ok) record.angle = v;
  }
  list_.set(r, record);
  fill();
}

void WavelengthEditor::add() {
  // A new entry starts as a copy of the chosen one (or of the last), to be changed in place.
  const auto& entries = list_.entries();
  wvcontrol::WvRecord record;
  int at = row() >= 0 ? row() + 1 : -1;
  if (!entries.empty())
    record = entries[static_cast<std::size_t>(row() >= 0 ? row() : entries.size() - 1)];
  if (!list_.add(record, at)) return;
  fill();
  table_->setCurrentCell(at >= 0 ? at : table_->rowCount() - 1, kWavelength);
}

void WavelengthEditor::remove() {
  if (!list_.remove(row())) return;
  fill();
}

void WavelengthEditor::moveBy(int delta) {
  const int from = row();
  if (!list_.move(from, from + delta)) return;
  table_->setCurrentCell(from + delta, kWavelength);
  fill();
}

void WavelengthEditor::makeCurrent() {
  if (!list_.select(row())) return;
  fill();
}

void InstallWavelengthEditor() {
  wvcontrol::SetEditorDialog([](wvcontrol::WvList& list) {
    if (!RuntimeOptions().script.empty()) return false;
    WavelengthEditor editor(list);
    if (editor.exec() != QDialog::Accepted) return false;
    list = editor.list();
    return true;
  });
}

}  // namespace helx::ui::qt
