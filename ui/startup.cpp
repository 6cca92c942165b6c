#include "ui/startup.h"

#include <QMessageBox>
#include <cstdio>

#include "core/record_reader.h"
#include "ui/app_identity.h"
#include "ui/main_window.h"

namespace zorvan {

int StartZorvan(Zorvan& window) {
  try {
    window.Form_Load();
  } catch (const DataFileError& e) {
    std::fprintf(stderr, "%s\n", e.JapaneseMessage().c_str());
    QMessageBox::critical(nullptr, app::Title(), QString::fromStdString(e.JapaneseMessage()));
    return 1;
  }
  window.show();
  return 0;
}

}  // namespace zorvan
