// The application's identity, defined once and used by every window.
#pragma once

#include <QString>

#include "core/version.h"

namespace zorvan::app {

// "分子量計算　Zorvan": the two parts joined by an IDEOGRAPHIC SPACE.
inline QString Title() { return QStringLiteral(u"\u5206\u5B50\u91CF\u8A08\u7B97\u3000Zorvan"); }
inline QString HelpFile() { return QStringLiteral("zorvan.hlp"); }

}  // namespace zorvan::app
