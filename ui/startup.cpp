#include "ui/startup.h"

#include <QApplication>
#include <QCommandLineParser>
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

DataFolderChoice ChooseWindowDataFolder(const QApplication& app) {
  QCommandLineParser parser;
  const QCommandLineOption data(QStringLiteral("data"), QStringLiteral("Read the data files from <dir>."),
                                QStringLiteral("dir"));
  parser.addOption(data);
  parser.addHelpOption();
  parser.process(app);
  return ChooseDataFolder(parser.value(data).toStdString(), ZORVAN_INSTALLED_DATA_DIR);
}

int StartZorvan(Zorvan& window, const DataFolderChoice* folder) {
  std::string message;
  try {
    window.Form_Load();
  } catch (const DataFileError& e) {
    message = e.JapaneseMessage();
    if (folder) {
      const std::string lookedAt = LookedAtMessage(*folder);
      // フォルダ: the one folder read, when it held atom.csv or was named
      message += "\n" + (lookedAt.empty() ? "\u30D5\u30A9\u30EB\u30C0: " + folder->Path.string() : lookedAt);
    }
  } catch (const std::exception& e) {
    // A folder that cannot be read, or a system without the code page 932
    // converter: still a clear message rather than an abort.
    // データファイルを読めません
    message =
        std::string("\u30C7\u30FC\u30BF\u30D5\u30A1\u30A4\u30EB\u3092\u8AAD\u3081\u307E\u305B\u3093: ") + e.what();
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
