// The windows' heavy paths: a 10000-line batch paste, a result window with
// 1000 hits, start-up to the shown main window, and the mass window following
// a protein's calculation to its drawn pattern. Runs offscreen.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <filesystem>

#include "ui/fonts.h"
#include "ui/launcher.h"
#include "ui/main_window.h"
#include "ui/mass_window.h"
#include "ui/namelist.h"
#include "ui/registry.h"
#include "ui/startup.h"

namespace {

const std::filesystem::path Data = ZORVAN_DATA_DIR;

class NoLauncher : public zorvan::Launcher {
 public:
  bool StartDetached(const QString&) override { return false; }
  bool FileExists(const QString&) override { return false; }
};

void BM_BatchPaste10000Lines(benchmark::State& state) {
  zorvan::DesktopRegistry registry;
  NoLauncher launcher;
  zorvan::Zorvan window(Data, registry, launcher);
  zorvan::StartZorvan(window);
  const QStringList mix = {"CuSO4*5H2O",     "Ca(OH)2",        "((CH3)3C)2O", "PhCOOH", "Na2CO3*10H2O",
                           "Fe2(SO4)3*9H2O", "K4Fe(CN)6*3H2O", "h2o",         ""};
  QString pasted;
  for (int i = 0; i < 10000; ++i) pasted += mix[i % mix.size()] + "\r\n";
  for (auto _ : state) {
    QGuiApplication::clipboard()->setText(pasted);
    window.findChild<QAction*>("MnuPaste")->trigger();
    benchmark::DoNotOptimize(QGuiApplication::clipboard()->text().size());
  }
}
BENCHMARK(BM_BatchPaste10000Lines)->Unit(benchmark::kMillisecond);

void BM_ResultWindow1000Hits(benchmark::State& state) {
  zorvan::DesktopRegistry registry;
  NoLauncher launcher;
  zorvan::Zorvan window(Data, registry, launcher);
  zorvan::StartZorvan(window);
  zorvan::SearchResults hits;
  for (int i = 0; i < 1000; ++i) {
    // ｴﾀﾉｰﾙ
    hits.Hits.push_back({u"\uFF74\uFF80\uFF89\uFF70\uFF99 " + std::u16string(1, u'0' + i % 10), u"C2H5OH"});
  }
  for (auto _ : state) {
    auto* list = new zorvan::namelist(hits, 9999, &window);
    list->show();
    QCoreApplication::processEvents();
    state.PauseTiming();
    delete list;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ResultWindow1000Hits)->Unit(benchmark::kMillisecond);

void BM_StartUpToShownWindow(benchmark::State& state) {
  zorvan::DesktopRegistry registry;
  NoLauncher launcher;
  for (auto _ : state) {
    zorvan::Zorvan window(Data, registry, launcher);
    zorvan::StartZorvan(window);
    benchmark::DoNotOptimize(QTest::qWaitForWindowExposed(&window));
  }
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond);

// Enter in the formula box with the mass window open, until the pattern at
// the chosen resolution is shown: arguments, the formula (0 insulin, 1 a
// 12 kDa protein, 2 one of 30 kDa) and the resolution chooser's row (2 R =
// 30 000, 5 fine).
void BM_MassWindowFollows(benchmark::State& state) {
  const char* formulas[] = {"C257H383N65O77S6", "C520H817N139O147S8", "C1300H2000N350O400S10"};
  zorvan::DesktopRegistry registry;
  NoLauncher launcher;
  zorvan::Zorvan window(Data, registry, launcher);
  zorvan::StartZorvan(window);
  window.findChild<QAction*>("MnuMass")->trigger();
  auto* mass = window.findChild<zorvan::MassWindow*>();
  mass->findChild<QComboBox*>("ResolutionChooser")->setCurrentIndex(int(state.range(1)));
  auto* text1 = window.findChild<QLineEdit*>("Text1");
  auto* busy = mass->findChild<QLabel*>("Busy");
  for (auto _ : state) {
    text1->setText(formulas[state.range(0)]);
    QTest::keyClick(text1, Qt::Key_Return);
    while (!busy->text().isEmpty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}
BENCHMARK(BM_MassWindowFollows)->ArgsProduct({{0, 1, 2}, {2, 5}})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zorvan::SetUpApplicationFonts();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
