#pragma once
// The editor window on a picture in a temporary folder, with a temporary program folder, a
// scripted prompter and a count of the thumbnail refreshes it asks for.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <memory>

#include "EditorFiles.h"
#include "ScriptedPrompter.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "TestSupport.h"
#include "fBildbearbeitung.h"
#include "fSize.h"
#include "fVerschiebenTip.h"
#include "fZuschneidenTip.h"

#ifndef EDITOR_TEST_HAS_PRINTTO  // the shell fixture brings its own
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
#endif

namespace edtest {

// Four coloured quadrants and a gradient, so turns and flips are told apart even after JPEG.
inline QImage makeImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool right = x >= w / 2, bottom = y >= h / 2;
      const int r = right ? 230 : 20, g = bottom ? 220 : 30, b = (x * 200) / std::max(1, w - 1);
      img.setPixel(x, y, qRgb(r, g, b));
    }
  return img;
}

// px format numbers: 75 PNG, 23 JPEG, 6 BMP, 2 GIF.
inline bool writePicture(const QString& path, const QImage& img, int format) {
  px::Bitmap bmp;
  if (px::FromQImage(img, bmp) != 1) return false;
  return px::SaveBitmap(path.toStdString(), bmp, format, format == px::kFormatGif ? 24 : 24, 2) == 1;
}

inline QImage readPicture(const QString& path) {
  px::BitmapList list;
  px::LoadOptions options;
  if (px::LoadFileToList(path.toStdString(), options, 24, list, 1) != 1 || list.count() < 1) return QImage();
  return px::ToQImage(list.items[0]).convertToFormat(QImage::Format_RGB888);
}

inline QImage viewImage(PicImageControl* v) {
  return v->IsAllocated() ? px::ToQImage(v->Bitmap()).convertToFormat(QImage::Format_RGB888) : QImage();
}

// Mean absolute difference per channel; -1 when the sizes differ.
inline double meanDiff(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return -1;
  const QImage x = a.convertToFormat(QImage::Format_RGB888), y = b.convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int r = 0; r < x.height(); ++r) {
    const uchar* p = x.constScanLine(r);
    const uchar* q = y.constScanLine(r);
    for (int i = 0; i < x.width() * 3; ++i) sum += std::abs(int(p[i]) - int(q[i]));
  }
  return sum / (double(x.width()) * x.height() * 3);
}

inline QImage rotated(const QImage& img, int degrees) { return img.transformed(QTransform().rotate(degrees)); }
inline QImage mirroredLeftRight(const QImage& img) { return img.mirrored(true, false); }
inline QImage upsideDown(const QImage& img) { return img.mirrored(false, true); }

inline QStringList filesLike(const QString& folder, const QString& mask) {
  return QDir(folder).entryList({mask}, QDir::Files, QDir::Name);
}

// Press, moves and release with the left button held, in control coordinates.
inline void drag(QWidget* w, QPoint from, QPoint to, int steps = 5) {
  auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  for (int i = 1; i <= steps; ++i)
    send(QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

inline void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); }

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("KALVORA_APPDIR", app.path().toUtf8());
    appDir = app.path() + "/";
    pictures = show.path() + "/";
    scope = std::make_unique<kalvora::PrompterScope>(prompter);
    // No tip in the way of the print crop unless a test wants it.
    testsupport::writeBytes(appDir + "NoZuschneidenTip.ini", QByteArray());
    SizeForm = new TSizeForm();
    ZuschneidenTipForm = new TZuschneidenTipForm();
    VerschiebenTipForm = new TVerschiebenTipForm();
    editor = new TBildbeaerbeitungForm();
    BildbeaerbeitungForm = editor;
    editor->OnThumbnailRefresh = [this](const QString& source) { refreshes << source; };
  }
  void TearDown() override {
    if (editor->isVisible()) {
      prompter.answerMessage(kalvora::mrNo);
      editor->close();
    }
    delete editor;
    delete SizeForm;
    delete ZuschneidenTipForm;
    delete VerschiebenTipForm;
    SizeForm = nullptr;
    ZuschneidenTipForm = nullptr;
    VerschiebenTipForm = nullptr;
    scope.reset();
    qunsetenv("KALVORA_APPDIR");
  }

  // Writes the picture and shows the editor on it.
  void open(const QString& name, const QImage& img, int format) {
    picture = pictures + name;
    ASSERT_TRUE(writePicture(picture, img, format));
    openExisting(picture);
  }
  void openExisting(const QString& path) {
    picture = path;
    editor->FPicturePath = path;
    editor->FProgramFolder = appDir;
    editor->resize(1016, 657);
    editor->show();
    QApplication::processEvents();
  }
  PicImageControl* view() const { return editor->BildbViewPicImage; }
  QStringList snapshots() const { return filesLike(appDir, "UNDO*.jpg"); }

  testsupport::TempFolder app, show;
  QString appDir, pictures, picture;
  kalvora::ScriptedPrompter prompter;
  std::unique_ptr<kalvora::PrompterScope> scope;
  TBildbeaerbeitungForm* editor = nullptr;
  QStringList refreshes;
};

}  // namespace edtest
