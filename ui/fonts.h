// The font families the windows ask for, and their substitutes on systems
// that lack them.
#pragma once

#include <QFont>
#include <QString>

namespace zorvan {

// "ＭＳ ゴシック": a fixed-pitch Japanese font.
inline QString MsGothic() { return QStringLiteral(u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"); }
// "ＭＳ Ｐゴシック": its proportional sibling, also the windows' default font.
inline QString MsPGothic() { return QStringLiteral(u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"); }
inline QString Arial() { return QStringLiteral("Arial"); }

// Maps each family above that the system lacks to a free substitute
// (IPAGothic, IPAPGothic and Liberation Sans) and makes "ＭＳ Ｐゴシック" 9 pt
// the windows' default font. Call right after the application object is created.
void SetUpApplicationFonts();

// Returns a normal-weight font of `family` at `points`.
QFont NamedFont(const QString& family, qreal points);

}  // namespace zorvan
