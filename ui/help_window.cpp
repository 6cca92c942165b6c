#include "ui/help_window.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

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

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
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
  browser->setSource(QUrl(QStringLiteral("qrc:/zorvan/help/help.html")), QTextDocument::HtmlResource);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser);

  auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  closeKey->setContext(Qt::WindowShortcut);
  connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

HelpCommand::HelpCommand(Launcher& launcher) : launcher_(launcher) {}

void HelpCommand::disp_help_Click(QWidget* mainWindow) {
  if (launcher_.StartDetached(WinHelpCommandLine())) return;
  // Without a viewer the program shows its own help rather than ending.
  // A closed window is hidden until its deferred deletion runs; it does not count.
  if (Window() == nullptr) {
    window_ = new HelpWindow(mainWindow);
  }
  window_->show();
  window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->raise();
  window_->activateWindow();
}

HelpWindow* HelpCommand::Window() const {
  return window_.isNull() || window_->isHidden() ? nullptr : window_.data();
}

}  // namespace zorvan
