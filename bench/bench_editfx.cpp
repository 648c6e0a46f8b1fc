// One preview update of each face of the editor's dialogs, as a held bar is let go: on the
// effect host's 256 x 256 preview and on a 12-megapixel picture. The reference is a frame of
// the screen (16 ms): the ratio (ours / 16 ms) must stay below 1 for the preview to keep up
// with the mouse. Prints the median of several runs of each.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "FxDrawImage.h"
#include "PainterEffectsF.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "fBildbearbeitung.h"
#include "fPicEffects.h"
#include "fText.h"

namespace {

constexpr double kFrame = 0.016;

double median(int runs, const std::function<void(int)>& fn) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    fn(i);
    t.push_back(timer.nsecsElapsed() / 1e9);
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

QImage photo(int w, int h) {
  std::mt19937 rng(7);
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    uchar* p = img.scanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const int g = int(rng() & 15);
      p[0] = uchar((x * 255 / w + g) & 255);
      p[1] = uchar((y * 255 / h + g) & 255);
      p[2] = uchar(128 + 100 * std::sin(x / 150.0) * std::cos(y / 170.0));
    }
  }
  return img;
}

void line(const char* what, const char* size, double seconds) {
  std::printf("%-34s %-10s %9.2f ms   ratio / 16 ms: %6.2f\n", what, size, seconds * 1000, seconds / kFrame);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";

  struct Size {
    const char* name;
    int w, h, runs;
  };
  for (const Size& s : {Size{"256x256", 256, 256, 21}, Size{"12 MP", 4000, 3000, 3}}) {
    const QImage img = photo(s.w, s.h);
    const QString picture = folder + QString("p%1.png").arg(s.w);
    px::Bitmap bmp;
    px::FromQImage(img, bmp);
    px::SaveBitmap(picture.toStdString(), bmp, px::kFormatPng, 24, 2);

    TBildbeaerbeitungForm editor;
    BildbeaerbeitungForm = &editor;
    editor.FPicturePath = picture;
    editor.FProgramFolder = folder;
    editor.resize(1016, 657);
    editor.show();
    QApplication::processEvents();

    // Colour balance, sharpness and grey.
    TPicEffectsForm effects;
    effects.Mode = "RGB";
    effects.show();
    line("colour balance (one channel bar)", s.name, median(s.runs, [&](int i) {
           effects.RedTrackBar->setValue(20 + i % 70);
         }));
    effects.Mode = "SW";
    line("grey", s.name, median(s.runs, [&](int i) { effects.GreenTrackBar->setValue(20 + i % 70); }));
    effects.hide();
    effects.Mode = "SHARPEN";
    effects.show();
    line("sharpen (+500)", s.name, median(s.runs, [&](int i) {
           effects.SharpenTrackBar->setValue(500 + (i & 1));
         }));
    line("soften (-100: radius 20)", s.name, median(s.runs, [&](int i) {
           effects.SharpenTrackBar->setValue(-100 - (i & 1));
         }));
    effects.hide();

    // The painter-effects dialog on the host's picture of this size.
    auto* dlg = dynamic_cast<kalvora::TPainterEffectsF*>(editor.Art->EffectsDialog());
    editor.Art->setPicture(img);
    dlg->ProgramFolder = folder;
    line("brightness/contrast/colour", s.name, median(s.runs, [&](int i) {
           dlg->HelligkeitTrackBar->setValue(10 + i % 50);
         }));
    double worst = 0;
    const char* worstName = "";
    for (int index : kalvora::TPainterEffectsF::TreeIndexes) {
      dlg->EListClick(index);
      const double t = median(s.runs, [&](int i) { dlg->EBar->setValue(dlg->EBar->minimum() + 1 + (i & 1)); });
      if (t > worst) worst = t, worstName = kalvora::TFxDrawImage::EffectTable()[std::size_t(index)].treeLabel;
    }
    std::printf("  slowest effect: %s\n", worstName);
    line("painter effect (slowest of 21)", s.name, worst);

    // The text dialog on the picture.
    TTextForm text;
    text.PicImage1->Load(picture, 0, 1, -1);
    text.show();
    QApplication::processEvents();
    line("text redraw", s.name, median(s.runs, [&](int i) { text.TrackBar1->setValue(i % 90); }));
    text.hide();

    editor.Steps().Close();
    BildbeaerbeitungForm = nullptr;
  }
  return 0;
}
