#include "ui/startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>
#include <exception>
#include <string>

#include "core/record_reader.h"
#include "ui/app_identity.h"
#include "ui/fonts.h"
#include "ui/icon.h"
#include "ui/main_window.h"

namespace zorvan {

namespace {

// Qt's own texts (the text boxes' context menu, the standard buttons) follow
// the rest of the interface into Japanese, whatever the system locale. Where
// the translation is not installed they stay in English.
void LoadQtTranslations() {
  auto* translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace

void SetUpApplication() {
  LoadQtTranslations();
  SetUpApplicationFonts();
  QApplication::setWindowIcon(ZorvanIcon());
}

int StartZorvan(Zorvan& window) {
  std::string message;
  try {
    window.Form_Load();
  } catch (const DataFileError& e) {
    message = e.JapaneseMessage();
  } catch (const std::exception& e) {
    // A folder that cannot be read, or a system without the code page 932
    // converter: still a clear message rather than an abort.
    // データファイルを読めません
    message = std::string("\u30C7\u30FC\u30BF\u30D5\u30A1\u30A4\u30EB\u3092\u8AAD\u3081\u307E\u305B\u3093: ") + e.what();
  }
  if (!message.empty()) {
    std::fprintf(stderr, "%s\n", message.c_str());
    QMessageBox::critical(nullptr, app::Title(), QString::fromStdString(message));
    return 1;
  }
  window.show();
  return 0;
}

}  // namespace zorvan
