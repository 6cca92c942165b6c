#include "ui/icon.h"

namespace zorvan {

QPixmap ZorvanPixmap() { return QPixmap(QStringLiteral(":/zorvan/zorvan.xpm")); }

QIcon ZorvanIcon() { return QIcon(ZorvanPixmap()); }

}  // namespace zorvan
