#include "platform/ui/qt/file_filter.h"

namespace helx::ui::qt {

QStringList fileFilters(const std::string& patternList) {
  QStringList patterns;
  for (const QString& p : QString::fromStdString(patternList).split(';', Qt::SkipEmptyParts))
    if (!p.trimmed().isEmpty()) patterns << p.trimmed();
  QStringList filters;
  if (patterns.size() > 1) filters << QString("Listed files (%1)").arg(patterns.join(' '));
  for (const QString& p : patterns) filters << QString("%1 (%1)").arg(p);
  filters << "All files (*)";
  return filters;
}

QString initialFilter(const QStringList& filters, const std::string& defaultSpec) {
  const QString wanted = QString("%1 (%1)").arg(QString::fromStdString(defaultSpec).trimmed());
  return filters.contains(wanted) ? wanted : filters.value(0);
}

}  // namespace helx::ui::qt
