#include "ui/fonts.h"

#include <QApplication>
#include <QFontDatabase>

namespace zorvan {
namespace {

void RegisterFontSubstitutes() {
  const std::pair<QString, QString> substitutes[] = {
      {MsGothic(), QStringLiteral("IPAGothic")},
      {MsPGothic(), QStringLiteral("IPAPGothic")},
      {Arial(), QStringLiteral("Liberation Sans")},
  };
  for (const auto& [family, substitute] : substitutes)
    if (!QFontDatabase::hasFamily(family)) QFont::insertSubstitution(family, substitute);
}

}  // namespace

void SetUpApplicationFonts() {
  RegisterFontSubstitutes();
  QApplication::setFont(NamedFont(MsPGothic(), 9));
}

QFont NamedFont(const QString& family, qreal points) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

}  // namespace zorvan
