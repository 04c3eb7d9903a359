// The file dialog's type list: the system passes patterns as "*.fts;*.bmp;*.fit;*.fits".
//
// Threads: pure functions, any thread.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace helx::ui::qt {

// One filter for all listed patterns, one per pattern, then all files.
QStringList fileFilters(const std::string& patternList);
// The filter the dialog opens with: the one for `defaultSpec` when it is listed, else the first.
QString initialFilter(const QStringList& filters, const std::string& defaultSpec);

}  // namespace helx::ui::qt
