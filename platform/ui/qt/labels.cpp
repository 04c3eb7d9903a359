#include "platform/ui/qt/labels.h"

#include <QStringDecoder>
#include <algorithm>

namespace helx::ui::qt {

QString runtimeText(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

namespace {
// Rewrites "__X" as `mark` + X and every other '&' as `amp`.
QString rewrite(const std::string& label, const QString& mark, const QString& amp) {
  QString out;
  const QString in = runtimeText(label);
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == '_' && i + 2 < in.size() && in[i + 1] == '_') {
      out += mark;
      ++i;
    } else if (in[i] == '&') {
      out += amp;
    } else {
      out += in[i];
    }
  }
  return out;
}
}  // namespace

QString displayLabel(const std::string& label) { return rewrite(label, "", "&"); }

QString buttonText(const std::string& label) { return rewrite(label, "&", "&&"); }

int labelLines(const std::string& label) {
  return label.empty() ? 0 : 1 + static_cast<int>(std::count(label.begin(), label.end(), '\n'));
}

}  // namespace helx::ui::qt
