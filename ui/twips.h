// Window layouts are designed in twips (1/1440 inch); at 96 dpi a
// device-independent pixel is 15 twips, and Qt scales from there.
#pragma once

#include <QRect>
#include <QSize>
#include <cmath>

namespace zorvan {

inline int Twips(double twips) { return static_cast<int>(std::lround(twips / 15.0)); }
inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}
inline QSize TwipsSize(int width, int height) { return QSize(Twips(width), Twips(height)); }

}  // namespace zorvan
