#pragma once
// Set-up shared by the editor's screenshot tools.
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>

#include "PxFile.h"
#include "PxPaint.h"
#include "fBildbearbeitung.h"
#include "fSize.h"
#include "fVerschiebenTip.h"
#include "fZuschneidenTip.h"

namespace editorshot {

// A landscape with a house and the sun, drawn at any size.
inline QImage samplePicture(int width, int height) {
  QImage img(width, height, QImage::Format_RGB888);
  QPainter p(&img);
  p.scale(width / 1600.0, height / 1200.0);
  QLinearGradient sky(0, 0, 0, 800);
  sky.setColorAt(0, QColor(70, 130, 200));
  sky.setColorAt(1, QColor(200, 225, 245));
  p.fillRect(0, 0, 1600, 800, sky);
  p.fillRect(0, 800, 1600, 400, QColor(60, 140, 70));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 220, 80));
  p.drawEllipse(QPoint(1250, 250), 120, 120);
  p.setBrush(QColor(120, 90, 60));
  p.drawRect(400, 550, 300, 300);
  p.setBrush(QColor(180, 40, 40));
  p.drawPolygon(QPolygon({QPoint(370, 560), QPoint(550, 400), QPoint(730, 560)}));
  return img;
}

// out with suffix put before its extension ("shot.png", "-1": "shot-1.png").
inline QString withSuffix(const QString& out, const QString& suffix) {
  QString s = out;
  const qsizetype dot = s.lastIndexOf('.');
  s.insert(dot < 0 ? s.size() : dot, suffix);
  return s;
}

// The picture named on the command line, or else `sample()` saved as a JPEG in `folder`;
// empty when the sample cannot be written.
template <class MakeSample>
QString pictureToShow(int argc, char** argv, const QString& folder, MakeSample sample) {
  if (argc > 2) return QString::fromLocal8Bit(argv[2]);
  const QString picture = folder + "/Beispiel.jpg";
  px::Bitmap bmp;
  if (px::FromQImage(sample(), bmp) != 1 ||
      px::SaveBitmap(picture.toStdString(), bmp, px::kFormatJpeg422, 24, 2) != 1)
    return {};
  return picture;
}

// The editor's helper windows, alive for the whole run.
struct HelperWindows {
  HelperWindows() {
    SizeForm = new TSizeForm();
    ZuschneidenTipForm = new TZuschneidenTipForm();
    VerschiebenTipForm = new TVerschiebenTipForm();
  }
  ~HelperWindows() {
    delete SizeForm;
    delete ZuschneidenTipForm;
    delete VerschiebenTipForm;
  }
  HelperWindows(const HelperWindows&) = delete;
  HelperWindows& operator=(const HelperWindows&) = delete;
};

// Shows the editor on `picture` at its usual size, with its exchange files in `appFolder`.
inline void showEditor(TBildbeaerbeitungForm& editor, const QString& picture, const QString& appFolder) {
  editor.FPicturePath = picture;
  editor.FProgramFolder = appFolder;
  editor.resize(1016, 657);
  editor.show();
}

}  // namespace editorshot
