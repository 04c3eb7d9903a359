// The wavelength-list editor's dialog: the entries of "Wv.ini" in a table (wavelength in
// angstrom, grating position in controller steps, grating angle in degrees) with the current
// entry marked; the operator adds, removes, reorders and changes entries and chooses the current
// one. Every edit goes through WvList, so the list never exceeds its 50 entries and the current
// entry always lies inside it.
//
// Threads: UI thread only.
#pragma once

#include <QDialog>

#include "platform/wvcontrol/wv_list.h"

class QTableWidget;
class QPushButton;

namespace helx::ui::qt {

class WavelengthEditor : public QDialog {
 public:
  explicit WavelengthEditor(const wvcontrol::WvList& list, QWidget* parent = nullptr);

  // The list as edited so far.
  const wvcontrol::WvList& list() const { return list_; }

  // The buttons, by what they do (also their object names).
  QPushButton* button(const char* name) const;
  QTableWidget* table() const { return table_; }

 private:
  void fill();
  void showCell(int row, int column, const QString& text);
  void cellEdited(int row, int column);
  void add();
  void remove();
  void moveBy(int delta);
  void makeCurrent();
  int row() const;

  wvcontrol::WvList list_;
  QTableWidget* table_;
  bool filling_ = false;
};

// Installs the dialog as the editor ShowPanel runs (modal; the file is written on OK). While an
// operator script drives the program nobody can answer a dialog, so the editor is skipped.
void InstallWavelengthEditor();

}  // namespace helx::ui::qt
