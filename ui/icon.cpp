#include "ui/icon.h"

// Q_INIT_RESOURCE must stand outside any namespace.
static void InitResources() { Q_INIT_RESOURCE(ui); }

namespace zorvan {

void InitUiResources() { InitResources(); }

QPixmap ZorvanPixmap() {
  InitUiResources();
  return QPixmap(QStringLiteral(":/zorvan/zorvan.xpm"));
}

QIcon ZorvanIcon() { return QIcon(ZorvanPixmap()); }

}  // namespace zorvan
