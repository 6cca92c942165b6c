// The program's own 32 x 32, 16-colour icon, used by every window.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace zorvan {

// Makes the ui library's resources (icon, help text) available; the linker
// drops them from the static library unless something refers to them.
void InitUiResources();

QPixmap ZorvanPixmap();
QIcon ZorvanIcon();

}  // namespace zorvan
