// The program's own 32 x 32, 16-colour icon, used by every window.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace zorvan {

QPixmap ZorvanPixmap();
QIcon ZorvanIcon();

}  // namespace zorvan
