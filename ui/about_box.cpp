#include "ui/about_box.h"

#include <QColor>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QWindow>

#include "ui/app_identity.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/icon.h"
#include "ui/twips.h"

namespace zorvan {
namespace {

// Registry locations of the system-information tool, read after the path
// (SysInfoPathKey, SysInfoPathValue) when that is missing.
constexpr char SysInfoFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr char SysInfoFolderValue[] = "MSINFO";
constexpr char SysInfoFileName[] = "MSINFO32.EXE";
// Bytes that one registry value may take.
constexpr qsizetype RegistryBufferSize = 1024;

// "のﾊﾞｰｼﾞｮﾝ情報", appended to the application title in the caption.
QString CaptionSuffix() { return QStringLiteral(u"\u306E\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D\u60C5\u5831"); }
// "ﾊﾞｰｼﾞｮﾝ ", in front of the version number.
QString VersionPrefix() { return QStringLiteral(u"\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D "); }
// "ｼｽﾃﾑ情報(&S)..."
QString SysInfoCaption() { return QStringLiteral(u"\uFF7C\uFF7D\uFF83\uFF91\u60C5\u5831(&S)..."); }
// "分子式あるいは物質名から分子量および重量分率を計算します"
QString Description() {
  return QStringLiteral(
      u"\u5206\u5B50\u5F0F\u3042\u308B\u3044\u306F\u7269\u8CEA\u540D\u304B\u3089\u5206\u5B50"
      u"\u91CF\u304A\u3088\u3073\u91CD\u91CF\u5206\u7387\u3092\u8A08\u7B97\u3057\u307E\u3059");
}
// "現時点ではｼｽﾃﾑ情報を使用できません"
QString SysInfoUnavailable() {
  return QStringLiteral(
      u"\u73FE\u6642\u70B9\u3067\u306F\uFF7C\uFF7D\uFF83\uFF91\u60C5\u5831\u3092\u4F7F\u7528"
      u"\u3067\u304D\u307E\u305B\u3093");
}
constexpr double TitleFontPoints = 14.25;  // in the family MsPGothic()

// Geometry in twips from the top left of the client area.
constexpr int ClientWidth = 4005;
constexpr int ClientHeight = 2580;
constexpr int ClientLeft = 2340;
constexpr int ClientTop = 1935;
constexpr int RuleTop = 1800;

// The etched rule: a grey line one pixel high over a white line two pixels
// high, both starting at the widget's top.
class EtchedRule : public QWidget {
 public:
  explicit EtchedRule(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), 2), QColor(0xFF, 0xFF, 0xFF));
    painter.fillRect(QRect(0, 0, width(), 1), QColor(0x80, 0x80, 0x80));
  }
};

void MakeTextBlack(QLabel* label) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
}

}  // namespace

frmAbout::frmAbout(Registry& registry, Launcher& launcher, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      registry_(registry),
      launcher_(launcher) {
  SetUpWindow();
  CreateControls();
  Form_Load();
}

void frmAbout::SetUpWindow() {
  setObjectName(QStringLiteral("frmAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  // No icon of its own; without this the box would take the main window's.
  setWindowIcon(QIcon());
  // Window managers such as openbox still draw the owner's icon, or one of
  // their own, on a dialog without an icon; a blank native icon leaves its
  // title bar bare.
  winId();
  QPixmap blank(16, 16);
  blank.fill(Qt::transparent);
  windowHandle()->setIcon(QIcon(blank));
  setSizeGripEnabled(false);
  // Setting the geometry marks the box as placed, so Qt does not centre it
  // over the main window.
  setGeometry(TwipsRect(ClientLeft, ClientTop, ClientWidth, ClientHeight));
  setFixedSize(TwipsSize(ClientWidth, ClientHeight));
}

void frmAbout::CreateControls() {
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(TwipsRect(360, 2040, 1380, 345));
  cmdOK->setDefault(true);

  picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  picIcon->setGeometry(TwipsRect(240, 240, 540, 540));
  picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picIcon->setPixmap(ZorvanPixmap());

  cmdSysInfo = new QPushButton(SysInfoCaption(), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
  cmdSysInfo->setGeometry(TwipsRect(2160, 2040, 1380, 345));

  lblDescription = new QLabel(Description(), this);
  lblDescription->setObjectName(QStringLiteral("lblDescription"));
  lblDescription->setGeometry(TwipsRect(1050, 1080, 2685, 690));
  lblDescription->setWordWrap(true);
  lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  MakeTextBlack(lblDescription);

  lblTitle = new QLabel(this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  lblTitle->setGeometry(TwipsRect(1050, 240, 2685, 480));
  lblTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblTitle->setFont(NamedFont(MsPGothic(), TitleFontPoints));
  MakeTextBlack(lblTitle);

  lblVersion = new QLabel(this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblVersion->setGeometry(TwipsRect(1050, 780, 2685, 225));
  lblVersion->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  Line1 = new EtchedRule(this);
  Line1->setObjectName(QStringLiteral("Line1"));
  Line1->setGeometry(0, Twips(RuleTop), Twips(ClientWidth), 2);

  // A focused button takes Enter itself; cmdOK is the default button besides.
  PressOnEnter({cmdOK, cmdSysInfo});
  SetTabOrder({cmdOK, picIcon, cmdSysInfo, lblDescription, lblTitle, lblVersion});
  cmdOK->setFocus();

  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
  connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load() {
  setWindowTitle(app::Title() + CaptionSuffix());
  lblVersion->setText(VersionPrefix() + QString::number(VersionMajor) + u'.' + QString::number(VersionMinor) + u'.' +
                      QString::number(VersionRevision));
  lblTitle->setText(app::Title());
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::keyPressEvent(QKeyEvent* event) {
  // Esc presses the cancel button, which is cmdOK, rather than rejecting on its own.
  if (event->matches(QKeySequence::Cancel)) {
    cmdOK->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmAbout::StartSysInfo() {
  QString SysInfoPath;
  bool found = GetKeyValue(RegistryRoot::LocalMachine, QString::fromLatin1(SysInfoPathKey),
                           QString::fromLatin1(SysInfoPathValue), SysInfoPath);
  if (!found && GetKeyValue(RegistryRoot::LocalMachine, QString::fromLatin1(SysInfoFolderKey),
                            QString::fromLatin1(SysInfoFolderValue), SysInfoPath)) {
    // The folder value names only the directory; the tool's file must be there.
    SysInfoPath += u'\\' + QString::fromLatin1(SysInfoFileName);
    found = launcher_.FileExists(SysInfoPath);
  }
  if (found && launcher_.StartDetached(SysInfoPath)) return;

  QMessageBox box(QMessageBox::NoIcon, app::Title(), SysInfoUnavailable(), QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("SysInfoUnavailable"));
  box.exec();
}

bool frmAbout::GetKeyValue(RegistryRoot KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal) {
  RegistryHandle hKey = 0;
  bool result = false;
  QByteArray tmpVal;
  quint32 KeyValType = 0;
  if (registry_.OpenKey(KeyRoot, KeyName, RegKeyAllAccess, hKey) &&
      registry_.QueryValue(hKey, SubKeyRef, RegistryBufferSize, tmpVal, KeyValType) &&
      tmpVal.size() <= RegistryBufferSize) {
    if (KeyValType == RegSz) {
      // A string may be stored with or without its terminating NUL; the text
      // ends at the first NUL either way.
      const qsizetype end = tmpVal.indexOf('\0');
      KeyVal = QString::fromLocal8Bit(end < 0 ? tmpVal : tmpVal.left(end));
    } else if (KeyValType == RegDword) {
      // The bytes are a little-endian number; a short value is zero-extended.
      quint32 number = 0;
      for (qsizetype i = qMin<qsizetype>(tmpVal.size(), 4) - 1; i >= 0; --i) {
        number = (number << 8) | static_cast<quint8>(tmpVal.at(i));
      }
      KeyVal = QString::number(number, 16).toUpper();
    }
    result = true;
  } else {
    KeyVal.clear();
  }
  // The handle is closed also after a failed open, as the registry ignores 0.
  registry_.CloseKey(hKey);
  return result;
}

}  // namespace zorvan
