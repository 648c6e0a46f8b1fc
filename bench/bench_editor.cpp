// One editor step on a 12-megapixel JPEG: a quarter turn through the editor window, the whole
// step (snapshot, rotation, working copy, undo snapshot and the thumbnail from the working
// copy), against `ffmpeg -i x.jpg -vf transpose=1 y.jpg` as a whole process, in one run.
// Prints the best of several runs of each and the ratio (ours / ffmpeg: below 1 is faster).
#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "ImagingHooks.h"
#include "PicImageVCL.h"
#include "PxFile.h"
#include "fBildbearbeitung.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kRuns = 7;

double bestOf(int runs, const std::function<bool()>& fn) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!fn()) {
      std::fprintf(stderr, "run failed\n");
      std::exit(1);
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  const std::string picture = (folder + "x.jpg").toStdString();

  // A photograph-like picture: gradients, waves and grain.
  {
    std::mt19937 rng(7);
    px::Bitmap b;
    px::CreateBitmap(b, kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* p = b.scanLine(y);
      for (int x = 0; x < kWidth; ++x, p += 3) {
        const int g = int(rng() & 15);
        p[0] = uint8_t((x * 255 / kWidth + g) & 255);
        p[1] = uint8_t((y * 255 / kHeight + g) & 255);
        p[2] = uint8_t(128 + 100 * std::sin(x / 150.0) * std::cos(y / 170.0));
      }
    }
    if (px::SaveBitmap(picture, b, px::kFormatJpeg422, 24, 2) != px::kOk) return 1;
  }

  TBildbeaerbeitungForm editor;
  PicImageControl thumbMaker;
  int refreshes = 0;
  editor.OnThumbnailRefresh = [&](const QString& source) {
    ++refreshes;
    MakeThumbnailFile(&thumbMaker, source, folder + "_THUMB_x.jpg", 70);
  };
  editor.FPicturePath = QString::fromStdString(picture);
  editor.FProgramFolder = folder;
  editor.resize(1016, 657);
  const auto o0 = std::chrono::steady_clock::now();
  editor.show();
  QApplication::processEvents();
  const double openTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - o0).count();

  // The first step also writes the snapshot of the picture as opened.
  const double first = bestOf(1, [&] {
    editor.ApplyRotation("90");
    return editor.FUndoIndex() == 1;
  });
  int expected = 1;
  const double step = bestOf(kRuns, [&] {
    editor.ApplyRotation("90");
    return editor.FUndoIndex() == ++expected && refreshes == expected;
  });

  const std::string ffmpeg = "ffmpeg -y -loglevel error -i '" + picture + "' -vf transpose=1 '" +
                             (folder + "y.jpg").toStdString() + "' >/dev/null 2>&1";
  const double reference = bestOf(kRuns, [&] { return std::system(ffmpeg.c_str()) == 0; });

  std::printf("open (load and fit):                  %7.3f s\n", openTime);
  std::printf("first rotate step (with snapshot 1):  %7.3f s\n", first);
  std::printf("rotate step:                          %7.3f s\n", step);
  std::printf("ffmpeg -vf transpose=1 (process):     %7.3f s\n", reference);
  std::printf("ratio step / ffmpeg:                  %7.2f\n", step / reference);
  std::printf("ratio first step / ffmpeg:            %7.2f\n", first / reference);
  editor.Steps().Close();
  return 0;
}
