// Drawing an open popup menu of 30 items (icons, a check, separators) with the flat look against
// the same menu drawn by Qt's Fusion style alone, and a flat combo box against a Fusion one.
// Prints the ratios at the end (flat time / Fusion time: below 1 means the flat look is cheaper).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <cstdio>
#include <map>
#include <string>

#include "FlatMenu.h"

namespace {

struct Window {
  QMainWindow win;
  QMenu* menu;
  QComboBox* combo;
  explicit Window(bool flat) {
    menu = win.menuBar()->addMenu(QStringLiteral("Datei"));
    QPixmap px(16, 16);
    px.fill(QColor(200, 60, 40));
    for (int i = 0; i < 30; ++i) {
      if (i % 8 == 7) menu->addSeparator();
      QAction* a = i % 3 ? menu->addAction(QStringLiteral("Eintrag Nummer %1").arg(i))
                         : menu->addAction(QIcon(px), QStringLiteral("Mit Bild %1").arg(i));
      if (i == 4) {
        a->setCheckable(true);
        a->setChecked(true);
      }
      if (i % 5 == 0) a->setShortcut(QKeySequence(QStringLiteral("Ctrl+%1").arg(i % 10)));
    }
    auto* central = new QWidget(&win);
    combo = new QComboBox(central);
    combo->addItems({QStringLiteral("eins"), QStringLiteral("zwei")});
    combo->resize(160, 22);
    win.setCentralWidget(central);
    if (flat) {
      auto* fm = new TFlatMenu(&win);
      fm->ApplyStoredConfiguration();
      fm->SetFlatContainers(kAllContainers);
      fm->SetFlatControls(kAllControls);
      fm->Loaded();
    }
  }
};

Window* flatWindow = nullptr;
Window* plainWindow = nullptr;

void BM_Menu(benchmark::State& state, bool flat) {
  Window* w = flat ? flatWindow : plainWindow;
  w->menu->popup(QPoint(10, 10));
  QApplication::processEvents();
  for (auto _ : state) benchmark::DoNotOptimize(w->menu->grab());
  w->menu->hide();
  QApplication::processEvents();
}

void BM_Combo(benchmark::State& state, bool flat) {
  Window* w = flat ? flatWindow : plainWindow;
  for (auto _ : state) benchmark::DoNotOptimize(w->combo->grab());
}

class Collect : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred && r.iterations > 0)
        seconds[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  Window plain(false), flat(true);
  plainWindow = &plain;
  flatWindow = &flat;
  benchmark::RegisterBenchmark("menu/fusion", BM_Menu, false);
  benchmark::RegisterBenchmark("menu/flat", BM_Menu, true);
  benchmark::RegisterBenchmark("combo/fusion", BM_Combo, false);
  benchmark::RegisterBenchmark("combo/flat", BM_Combo, true);
  benchmark::Initialize(&argc, argv);
  Collect rep;
  benchmark::RunSpecifiedBenchmarks(&rep);
  auto ratio = [&](const char* a, const char* b) {
    if (rep.seconds.count(a) && rep.seconds.count(b))
      std::printf("%-12s flat %.3f ms, Fusion %.3f ms, ratio flat/Fusion %.2f\n", a, rep.seconds[a] * 1e3,
                  rep.seconds[b] * 1e3, rep.seconds[a] / rep.seconds[b]);
  };
  ratio("menu/flat", "menu/fusion");
  ratio("combo/flat", "combo/fusion");
  benchmark::Shutdown();
  return 0;
}
