#pragma once
// Printing tests: the whole program on a temporary folder, the print jobs written as PDF files,
// and poppler's tools (pdfinfo, pdftoppm at 96 dpi so one report unit is one pixel, pdftotext)
// to look at what was printed.
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "ProductionFixture.h"
#include "Report.h"
#include "fMain.h"
#include "fQRList.h"
#include "fQRListA5.h"
#include "fQRThumbnail.h"

namespace printtest {

struct Pic {
  QString name;
  int w, h;
  QColor color;
  QString caption;
};

inline QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000)) {
    ADD_FAILURE() << program.toStdString() << " did not finish";
    p.kill();
    p.waitForFinished();
    if (exitCode) *exitCode = -1;
    return QString();
  }
  if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return QString::fromUtf8(p.readAllStandardOutput());
}

inline bool havePoppler() { return !QStandardPaths::findExecutable("pdftoppm").isEmpty(); }

inline int pdfPages(const QString& pdf) {
  const QString info = run("pdfinfo", {pdf});
  for (const QString& line : info.split('\n'))
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  return -1;
}

inline QString pdfText(const QString& pdf, int page) {
  return run("pdftotext", {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
}

// The page rendered at 96 dpi.
inline QImage pdfPage(const QString& pdf, int page) {
  const QString prefix = pdf + ".p" + QString::number(page);
  run("pdftoppm", {"-r", "96", "-f", QString::number(page), "-l", QString::number(page), "-singlefile", "-png", pdf,
                   prefix});
  return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}

// The bounding box of the pixels near colour c (an empty rect when none).
inline QRect colorBox(const QImage& img, QColor c, int tolerance = 60) {
  int l = img.width(), t = img.height(), r = -1, b = -1;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = line[x];
      if (std::abs(qRed(p) - c.red()) + std::abs(qGreen(p) - c.green()) + std::abs(qBlue(p) - c.blue()) > tolerance)
        continue;
      l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
    }
  }
  return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

// Within one pixel.
inline ::testing::AssertionResult near(const QRect& got, const QRect& want) {
  if (std::abs(got.left() - want.left()) <= 1 && std::abs(got.top() - want.top()) <= 1 &&
      std::abs(got.width() - want.width()) <= 1 && std::abs(got.height() - want.height()) <= 1)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << got.x() << "," << got.y() << " " << got.width() << "x"
                                       << got.height() << ", want " << want.x() << "," << want.y() << " "
                                       << want.width() << "x" << want.height();
}

inline const QColor kColors[] = {QColor(255, 0, 0),   QColor(0, 160, 0),   QColor(0, 0, 255),   QColor(255, 160, 0),
                                 QColor(160, 0, 160), QColor(0, 160, 160), QColor(120, 80, 0),  QColor(255, 0, 160),
                                 QColor(0, 80, 160),  QColor(160, 160, 0), QColor(80, 0, 255),  QColor(0, 255, 120)};

class PrintTest : public prodtest::ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    if (!havePoppler()) GTEST_SKIP() << "poppler-utils (pdfinfo, pdftoppm, pdftotext) is not installed";
    kalvora::report::SetPdfPrintHook([this](const QString& title) {
      jobTitles << title;
      tempSeen << QRListForm->TempFolder() + QRListA5Form->TempFolder() + QRThumbnailForm->TempFolder();
      const QString path = out.path() + "/job" + QString::number(jobs.size() + 1) + ".pdf";
      jobs << path;
      return path;
    });
    mf->PrintPreviewCheckBox->setChecked(false);
  }
  void TearDown() override {
    kalvora::report::SetPdfPrintHook(nullptr);
    ProductionTest::TearDown();
  }

  // A slideshow of solid-colour pictures, opened in the main window.
  void openShow(const QString& folder, const QString& title, const std::vector<Pic>& pics) {
    QByteArray list;
    for (const Pic& p : pics) {
      if (p.w > 0) prodtest::writeJpeg(root + folder + "/" + p.name, p.w, p.h, p.color);
      list += p.name.toUtf8() + " | " + p.caption.toUtf8() + "\r\n";
    }
    shelltest::writeText(root + folder + "/Diashow.ini",
                         "[DIASHOW]\r\nTitel=" + title.toUtf8() + "\r\nTime=4\r\n");
    shelltest::writeText(root + folder + "/Pictures.ini", list);
    selectArchive(folder);
    mf->Open1BitBtnClick();
    modal.shown.clear();
    prompter = kalvora::ScriptedPrompter();
  }
  // n pictures "p1.jpg".. of w x h in the colours above, captions "Bild n".
  static std::vector<Pic> pictures(int n, int w = 300, int h = 200) {
    std::vector<Pic> out;
    for (int i = 0; i < n; ++i)
      out.push_back({QString("p%1.jpg").arg(i + 1), w, h, kColors[i % 12], QString("Bild %1").arg(i + 1)});
    return out;
  }

  testsupport::TempFolder out;
  QStringList jobs;
  QStringList jobTitles;
  QStringList tempSeen;
};

}  // namespace printtest
