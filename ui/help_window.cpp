#include "ui/help_window.h"

#include <QFile>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cstdlib>  // std::getenv

#include "core/data_folder.h"
#include "mass/finder.h"  // PlausibilityRulesHelp
#include "ui/app_identity.h"
#include "ui/icon.h"

namespace zorvan {
namespace {

// "ﾍﾙﾌﾟ", after the application title in the caption.
QString HelpCaptionSuffix() { return QStringLiteral(u" \uFF8D\uFF99\uFF8C\uFF9F"); }

constexpr int HelpWidth = 640;
constexpr int HelpHeight = 520;

// The command line that starts the WinHelp viewer on the help file.
QString WinHelpCommandLine() { return QStringLiteral("winhlp32 ") + app::HelpFile(); }

// Returns the help text with the group table, the data folder and the
// finder's plausibility rules, defaults and limits in place of their markers.
QString HelpText(const GroupTable& groups, const std::filesystem::path& dataFolder) {
  QFile file(QStringLiteral(":/zorvan/help/help.html"));
  file.open(QIODevice::ReadOnly);
  QString rows;
  for (const Group& group : groups.Slots)
    rows += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n")
                .arg(QString::fromStdU16String(group.GroupAbbrev).toHtmlEscaped(),
                     QString::fromStdU16String(group.GroupFormula).toHtmlEscaped());
  // 略号, 分子式; （登録なし） when group.csv holds no group
  const QString table = rows.isEmpty() ? QStringLiteral(u"<p>\uFF08\u767B\u9332\u306A\u3057\uFF09</p>")
                                       : QStringLiteral(
                                             u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n"
                                             u"<tr><th>\u7565\u53F7</th><th>\u5206\u5B50\u5F0F</th></tr>\n") +
                                             rows + QStringLiteral("</table>");
  const auto asHtml = [](std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()))
        .toHtmlEscaped()
        .replace(u'\n', QStringLiteral("<br>"));
  };
  const QString rules = asHtml(mass::PlausibilityRulesHelp);
  const QString limits = asHtml(mass::FinderDefaultsHelp());
  const QString folder = QString::fromStdString(dataFolder.string()).toHtmlEscaped();
  // Where one's own copy goes: the folder the next start looks in after the working directory.
  const std::filesystem::path user = UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  const QString userFolder =
      user.empty() ? QStringLiteral("~/.local/share/zorvan") : QString::fromStdString(user.string()).toHtmlEscaped();
  return QString::fromUtf8(file.readAll())
      .replace(QStringLiteral("<!-- groups -->"), table)
      .replace(QStringLiteral("<!-- data folder -->"), folder)
      .replace(QStringLiteral("<!-- user folder -->"), userFolder)
      .replace(QStringLiteral("<!-- rules -->"), rules)
      .replace(QStringLiteral("<!-- limits -->"), limits);
}

}  // namespace

HelpWindow::HelpWindow(const GroupTable& groups, const std::filesystem::path& dataFolder, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  static const bool resourcesReady = (InitUiResources(), true);
  Q_UNUSED(resourcesReady);

  setObjectName(QStringLiteral("HelpWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(app::Title() + HelpCaptionSuffix());
  setWindowIcon(ZorvanIcon());
  resize(HelpWidth, HelpHeight);

  auto* browser = new QTextBrowser(this);
  browser->setObjectName(QStringLiteral("helpBrowser"));
  browser->setReadOnly(true);
  browser->setOpenExternalLinks(true);
  browser->setHtml(HelpText(groups, dataFolder));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser);

  auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  closeKey->setContext(Qt::WindowShortcut);
  connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

HelpCommand::HelpCommand(Launcher& launcher, std::filesystem::path dataFolder)
    : launcher_(launcher), dataFolder_(std::move(dataFolder)) {}

void HelpCommand::disp_help_Click(QWidget* mainWindow, const GroupTable& groups) {
  if (launcher_.StartDetached(WinHelpCommandLine())) return;
  // Without a viewer the program shows its own help rather than ending.
  // A closed window is hidden until its deferred deletion runs; it does not count.
  if (Window() == nullptr) {
    window_ = new HelpWindow(groups, dataFolder_, mainWindow);
  }
  window_->show();
  window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->raise();
  window_->activateWindow();
}

HelpWindow* HelpCommand::Window() const { return window_.isNull() || window_->isHidden() ? nullptr : window_.data(); }

}  // namespace zorvan
