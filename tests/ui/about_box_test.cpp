#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTextBrowser>
#include <QtTest>

#include "ui/about_box.h"
#include "ui/app_identity.h"
#include "ui/help_window.h"
#include "ui/icon.h"
#include "ui/launcher.h"
#include "ui/registry.h"
#include "tests/ui/ui_fixture.h"

namespace zorvan {
namespace {

// A registry held in memory: keys under HKEY_LOCAL_MACHINE with typed raw
// values. It counts opens and closes and remembers which handles are open.
class MemoryRegistry : public Registry {
 public:
  struct Value {
    quint32 type = 0;
    QByteArray data;
  };

  void SetValue(const QString& key, const QString& name, quint32 type, const QByteArray& data) {
    keys_[key][name] = Value{type, data};
  }
  void AddKey(const QString& key) { keys_[key]; }
  // The key then opens for reading only, as for a user without write rights.
  void DenyFullAccess(const QString& key) { readOnly_.insert(key); }

  bool OpenKey(RegistryRoot root, const QString& keyName, quint32 access,
               RegistryHandle& handle) override {
    ++opens;
    accesses.append(access);
    handle = 0;
    if (root != RegistryRoot::LocalMachine || !keys_.contains(keyName)) return false;
    if (readOnly_.contains(keyName) && (access & ~RegKeyRead) != 0) return false;
    handle = nextHandle_++;
    open_.insert(handle, keyName);
    return true;
  }

  bool QueryValue(RegistryHandle handle, const QString& valueName, qsizetype capacity,
                  QByteArray& data, quint32& type) override {
    capacities.append(capacity);
    if (!open_.contains(handle)) return false;
    const auto& values = keys_[open_.value(handle)];
    if (!values.contains(valueName)) return false;
    const Value& value = values.value(valueName);
    if (value.data.size() > capacity) return false;
    data = value.data;
    type = value.type;
    return true;
  }

  void CloseKey(RegistryHandle handle) override {
    ++closes;
    open_.remove(handle);
  }

  int OpenHandles() const { return static_cast<int>(open_.size()); }

  int opens = 0;
  int closes = 0;
  QList<quint32> accesses;
  QList<qsizetype> capacities;

 private:
  QMap<QString, QMap<QString, Value>> keys_;
  QSet<QString> readOnly_;
  QMap<RegistryHandle, QString> open_;
  RegistryHandle nextHandle_ = 0x100;
};

using testing::ModalWatchdog;
using testing::RecordingLauncher;
using testing::SeenBox;
using testing::Watchdog;

// "のﾊﾞｰｼﾞｮﾝ情報"
QString CaptionSuffix() {
  return QStringLiteral(u"\u306E\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D\u60C5\u5831");
}
// "現時点ではｼｽﾃﾑ情報を使用できません"
QString Unavailable() {
  return QStringLiteral(
      u"\u73FE\u6642\u70B9\u3067\u306F\uFF7C\uFF7D\uFF83\uFF91\u60C5\u5831\u3092\u4F7F\u7528"
      u"\u3067\u304D\u307E\u305B\u3093");
}

const QString PathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString FolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString ToolPath =
    QStringLiteral("C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe");
const QString ToolFolder = QStringLiteral("C:\\WINDOWS\\SYSTEM32");
const QString ToolInFolder = QStringLiteral("C:\\WINDOWS\\SYSTEM32\\MSINFO32.EXE");

QByteArray WithNul(const QString& text) { return text.toLatin1() + '\0'; }

enum class KeySetup { ValuePresent, ValueMissing, KeyMissing, KeyReadOnly };

}  // namespace

class AboutBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void loadStepTexts();
  void windowProperties();
  void keysClose_data();
  void keysClose();
  void okButtonCloses();

  void getKeyValue_data();
  void getKeyValue();
  void startSysInfo_data();
  void startSysInfo();
  void sysInfoButtonWithoutRegistry();

  void helpStartsViewer();
  void helpFallsBackToWindow();


 private:
  // Returns a new About box over the stand-in main window, shown when asked.
  frmAbout* NewBox(bool show);
  template <typename T>
  T* Child(QWidget* box, const char* name) {
    return box->findChild<T*>(QString::fromLatin1(name));
  }

  std::unique_ptr<QWidget> mainWindow_;
  MemoryRegistry registry_;
  RecordingLauncher launcher_;
};

void AboutBoxTest::init() {
  mainWindow_ = std::make_unique<QWidget>();
  mainWindow_->resize(200, 100);
  Watchdog().Reset();
  registry_ = MemoryRegistry();
  launcher_ = RecordingLauncher();
}

void AboutBoxTest::cleanup() {
  mainWindow_.reset();
  testing::ExpectNoUnexpectedBox();
}

frmAbout* AboutBoxTest::NewBox(bool show) {
  auto* box = new frmAbout(registry_, launcher_, mainWindow_.get());
  if (show) {
    mainWindow_->show();
    box->show();
    box->activateWindow();
  }
  return box;
}

void AboutBoxTest::loadStepTexts() {
  frmAbout* box = NewBox(false);
  QCOMPARE(box->windowTitle(), app::Title() + CaptionSuffix());
  QCOMPARE(Child<QLabel>(box, "lblTitle")->text(), app::Title());
  // "ﾊﾞｰｼﾞｮﾝ 1.2.1"
  QCOMPARE(Child<QLabel>(box, "lblVersion")->text(),
           QStringLiteral(u"\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D 1.2.1"));
  // "分子式あるいは物質名から分子量および重量分率を計算します"
  QCOMPARE(Child<QLabel>(box, "lblDescription")->text(),
           QStringLiteral(
               u"\u5206\u5B50\u5F0F\u3042\u308B\u3044\u306F\u7269\u8CEA\u540D\u304B\u3089\u5206"
               u"\u5B50\u91CF\u304A\u3088\u3073\u91CD\u91CF\u5206\u7387\u3092\u8A08\u7B97\u3057"
               u"\u307E\u3059"));
  QCOMPARE(Child<QPushButton>(box, "cmdOK")->text(), QStringLiteral("OK"));
  // "ｼｽﾃﾑ情報(&S)..."
  QCOMPARE(Child<QPushButton>(box, "cmdSysInfo")->text(),
           QStringLiteral(u"\uFF7C\uFF7D\uFF83\uFF91\u60C5\u5831(&S)..."));
}

void AboutBoxTest::windowProperties() {
  frmAbout* box = NewBox(true);
  QVERIFY(QTest::qWaitForWindowExposed(box));
  QCOMPARE(box->size(), QSize(267, 172));
  QCOMPARE(box->maximumSize(), QSize(267, 172));
  QCOMPARE(box->geometry().topLeft(), QPoint(156, 129));
  QCOMPARE(box->parentWidget(), mainWindow_.get());
  QVERIFY(!(box->windowFlags() & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(box->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(box->testAttribute(Qt::WA_DeleteOnClose));
  QVERIFY(!box->isModal());

  QVERIFY(Child<QPushButton>(box, "cmdOK")->isDefault());
  QVERIFY(Child<QLabel>(box, "lblDescription")->wordWrap());
  const QFont title = Child<QLabel>(box, "lblTitle")->font();
  // "ＭＳ Ｐゴシック"
  QCOMPARE(title.family(), QStringLiteral(u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"));
  QCOMPARE(title.pointSizeF(), 14.25);
  const QImage icon = Child<QLabel>(box, "picIcon")->pixmap().toImage();
  QVERIFY(!icon.isNull());
  QCOMPARE(icon, ZorvanPixmap().toImage());
}

void AboutBoxTest::keysClose_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("focusOnSysInfo");
  QTest::newRow("Enter") << int(Qt::Key_Return) << false;
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false;
  QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
}

void AboutBoxTest::keysClose() {
  QFETCH(int, key);
  QFETCH(bool, focusOnSysInfo);
  QPointer<frmAbout> box = NewBox(true);
  QVERIFY(QTest::qWaitForWindowActive(box));
  if (focusOnSysInfo) Child<QPushButton>(box, "cmdSysInfo")->setFocus();
  QWidget* target = QApplication::focusWidget();
  QVERIFY(target != nullptr);
  QTest::keyClick(target, Qt::Key(key));
  QTRY_VERIFY(box.isNull());
  // Closing the box neither starts anything nor reads the registry.
  QVERIFY(launcher_.started.isEmpty());
  QCOMPARE(registry_.opens, 0);
}

void AboutBoxTest::okButtonCloses() {
  QPointer<frmAbout> box = NewBox(true);
  QTest::mouseClick(Child<QPushButton>(box, "cmdOK"), Qt::LeftButton);
  QTRY_VERIFY(box.isNull());
  QVERIFY(mainWindow_->isVisible());
}

void AboutBoxTest::getKeyValue_data() {
  QTest::addColumn<int>("setup");
  QTest::addColumn<quint32>("type");
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<bool>("expectedResult");
  QTest::addColumn<QString>("expectedValue");

  const auto present = int(KeySetup::ValuePresent);
  QTest::newRow("string with NUL") << present << RegSz << WithNul(ToolFolder) << true << ToolFolder;
  QTest::newRow("string without NUL") << present << RegSz << ToolFolder.toLatin1() << true
                                      << ToolFolder;
  QTest::newRow("empty string") << present << RegSz << QByteArray(1, '\0') << true << QString();
  QTest::newRow("dword") << present << RegDword << QByteArray("\x1F\x00\x00\x00", 4) << true
                         << QStringLiteral("1F");
  QTest::newRow("dword bytes little-endian")
      << present << RegDword << QByteArray("\x78\x56\x34\x12", 4) << true
      << QStringLiteral("12345678");
  QTest::newRow("other type keeps the old text")
      << present << RegBinary << QByteArray("\x01\x02", 2) << true << QStringLiteral("before");
  QTest::newRow("1024 bytes fit") << present << RegSz << QByteArray(1024, 'x') << true
                                  << QString(1024, u'x');
  QTest::newRow("1025 bytes fail") << present << RegSz << QByteArray(1025, 'x') << false
                                   << QString();
  QTest::newRow("value missing") << int(KeySetup::ValueMissing) << RegSz << QByteArray() << false
                                 << QString();
  QTest::newRow("key missing") << int(KeySetup::KeyMissing) << RegSz << QByteArray() << false
                               << QString();
  QTest::newRow("key without full access")
      << int(KeySetup::KeyReadOnly) << RegSz << WithNul(ToolFolder) << false << QString();
}

void AboutBoxTest::getKeyValue() {
  QFETCH(int, setup);
  QFETCH(quint32, type);
  QFETCH(QByteArray, data);
  QFETCH(bool, expectedResult);
  QFETCH(QString, expectedValue);

  const QString key = QStringLiteral("SOFTWARE\\Zorvan");
  switch (KeySetup(setup)) {
    case KeySetup::ValuePresent:
      registry_.SetValue(key, QStringLiteral("Value"), type, data);
      break;
    case KeySetup::ValueMissing:
      registry_.SetValue(key, QStringLiteral("Other"), type, data);
      break;
    case KeySetup::KeyMissing:
      registry_.SetValue(QStringLiteral("SOFTWARE\\Other"), QStringLiteral("Value"), type, data);
      break;
    case KeySetup::KeyReadOnly:
      registry_.SetValue(key, QStringLiteral("Value"), type, data);
      registry_.DenyFullAccess(key);
      break;
  }
  frmAbout* box = NewBox(false);
  QString value = QStringLiteral("before");
  const bool result = box->GetKeyValue(RegistryRoot::LocalMachine, key, QStringLiteral("Value"), value);
  QCOMPARE(result, expectedResult);
  QCOMPARE(value, expectedValue);
  QCOMPARE(registry_.opens, 1);
  QCOMPARE(registry_.accesses, QList<quint32>{0x2003Fu});
  // The key is closed after every path, a failed open included.
  QCOMPARE(registry_.closes, 1);
  QCOMPARE(registry_.OpenHandles(), 0);
}

void AboutBoxTest::startSysInfo_data() {
  QTest::addColumn<QByteArray>("pathValue");    // empty: no "PATH" value
  QTest::addColumn<QByteArray>("folderValue");  // empty: no "MSINFO" value
  QTest::addColumn<bool>("keysReadOnly");
  QTest::addColumn<QStringList>("existingFiles");
  QTest::addColumn<bool>("startSucceeds");
  QTest::addColumn<QStringList>("expectedStarted");
  QTest::addColumn<QStringList>("expectedFileTests");
  QTest::addColumn<bool>("expectMessage");
  QTest::addColumn<int>("expectedOpens");

  const QByteArray none;
  const QStringList noFiles;
  QTest::newRow("path value, no file test")
      << WithNul(ToolPath) << none << false << noFiles << true << QStringList{ToolPath} << noFiles
      << false << 1;
  QTest::newRow("path value wins over folder")
      << WithNul(ToolPath) << WithNul(ToolFolder) << false << QStringList{ToolInFolder} << true
      << QStringList{ToolPath} << noFiles << false << 1;
  QTest::newRow("folder with the file")
      << none << WithNul(ToolFolder) << false << QStringList{ToolInFolder} << true
      << QStringList{ToolInFolder} << QStringList{ToolInFolder} << false << 2;
  QTest::newRow("folder without the file")
      << none << WithNul(ToolFolder) << false << noFiles << true << QStringList()
      << QStringList{ToolInFolder} << true << 2;
  QTest::newRow("no value") << none << none << false << noFiles << true << QStringList()
                            << noFiles << true << 2;
  QTest::newRow("keys without full access")
      << WithNul(ToolPath) << WithNul(ToolFolder) << true << QStringList{ToolInFolder} << true
      << QStringList() << noFiles << true << 2;
  QTest::newRow("tool cannot start") << WithNul(ToolPath) << none << false << noFiles << false
                                     << QStringList{ToolPath} << noFiles << true << 1;
}

void AboutBoxTest::startSysInfo() {
  QFETCH(QByteArray, pathValue);
  QFETCH(QByteArray, folderValue);
  QFETCH(bool, keysReadOnly);
  QFETCH(QStringList, existingFiles);
  QFETCH(bool, startSucceeds);
  QFETCH(QStringList, expectedStarted);
  QFETCH(QStringList, expectedFileTests);
  QFETCH(bool, expectMessage);
  QFETCH(int, expectedOpens);

  registry_.AddKey(PathKey);
  registry_.AddKey(FolderKey);
  if (!pathValue.isEmpty()) registry_.SetValue(PathKey, QStringLiteral("PATH"), RegSz, pathValue);
  if (!folderValue.isEmpty()) {
    registry_.SetValue(FolderKey, QStringLiteral("MSINFO"), RegSz, folderValue);
  }
  if (keysReadOnly) {
    registry_.DenyFullAccess(PathKey);
    registry_.DenyFullAccess(FolderKey);
  }
  launcher_.existingFiles = existingFiles;
  launcher_.startSucceeds = startSucceeds;

  QPointer<frmAbout> box = NewBox(true);
  Watchdog().Expect(expectMessage ? 1 : 0);
  box->StartSysInfo();

  QCOMPARE(launcher_.started, expectedStarted);
  QCOMPARE(launcher_.fileTests, expectedFileTests);
  QCOMPARE(Watchdog().seen.size(), expectMessage ? 1 : 0);
  if (expectMessage) {
    const SeenBox& seen = Watchdog().seen.first();
    QCOMPARE(seen.text, Unavailable());
    QCOMPARE(seen.title, app::Title());
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }
  QCOMPARE(registry_.opens, expectedOpens);
  QCOMPARE(registry_.closes, expectedOpens);
  QCOMPARE(registry_.OpenHandles(), 0);
  for (qsizetype capacity : registry_.capacities) QCOMPARE(capacity, qsizetype(1024));
  // The About box stays open whatever happened.
  QVERIFY(!box.isNull());
  QVERIFY(box->isVisible());
}

void AboutBoxTest::sysInfoButtonWithoutRegistry() {
  EmptyRegistry empty;
  mainWindow_->show();
  QPointer<frmAbout> box = new frmAbout(empty, launcher_, mainWindow_.get());
  box->show();
  Watchdog().Expect(1);
  QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
  QCOMPARE(Watchdog().seen.size(), 1);
  QCOMPARE(Watchdog().seen.first().text, Unavailable());
  QVERIFY(launcher_.started.isEmpty());
  QVERIFY(launcher_.fileTests.isEmpty());
  QVERIFY(!box.isNull());
  QVERIFY(box->isVisible());
  delete box;
}

void AboutBoxTest::helpStartsViewer() {
  HelpCommand help(launcher_);
  help.disp_help_Click(mainWindow_.get());
  QCOMPARE(launcher_.started, QStringList{QStringLiteral("winhlp32 zorvan.hlp")});
  QCOMPARE(help.Window(), nullptr);
  QVERIFY(mainWindow_->findChildren<HelpWindow*>().isEmpty());
}

void AboutBoxTest::helpFallsBackToWindow() {
  launcher_.startSucceeds = false;
  mainWindow_->show();
  HelpCommand help(launcher_);
  help.disp_help_Click(mainWindow_.get());
  QPointer<HelpWindow> first = help.Window();
  QVERIFY(!first.isNull());
  QVERIFY(first->isVisible());
  QVERIFY(first->isWindow());
  QCOMPARE(first->windowType(), Qt::Window);
  QVERIFY(first->windowTitle().startsWith(app::Title()));
  // "ﾍﾙﾌﾟ"
  QVERIFY(first->windowTitle().contains(QStringLiteral(u"\uFF8D\uFF99\uFF8C\uFF9F")));
  QVERIFY(first->Browser()->isReadOnly());
  QVERIFY(!first->windowIcon().isNull());

  // F1 again brings the same window to the front instead of opening another.
  mainWindow_->activateWindow();
  help.disp_help_Click(mainWindow_.get());
  QCOMPARE(help.Window(), first.data());
  QCOMPARE(mainWindow_->findChildren<HelpWindow*>().size(), 1);
  QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(first.data()));
  QCOMPARE(launcher_.started, QStringList(2, QStringLiteral("winhlp32 zorvan.hlp")));
}

}  // namespace zorvan

QTEST_MAIN(zorvan::AboutBoxTest)
#include "about_box_test.moc"
