#include "fQRThumbnail.h"

#include <QFileInfo>
#include <QLineEdit>

#include "fMain.h"

using namespace kalvora::report;

TQRThumbnailForm* QRThumbnailForm = nullptr;

namespace {
constexpr int kBandWidth = 698;
constexpr int kRowHeight = 153;
constexpr int kThumbSize = 120;
struct Cell {
  int left;
  int labelWidth;
};
constexpr Cell kCells[4] = {{8, 169}, {184, 169}, {360, 169}, {536, 161}};
}  // namespace

TQRThumbnailForm::TQRThumbnailForm(QWidget* parent)
    : TPictureReport("QRThumbnailForm", QString::fromUtf8("Thumbnails"), parent) {}

bool TQRThumbnailForm::BuildReport(Report& r) {
  r.pageSize = QPageSize(QPageSize::A4);
  r.title = ReportText("Kalvora – Übersicht", "Kalvora – overview");
  // The sheet always carries the slideshow's title.
  const QString headline = MainForm->TitleEdit ? MainForm->TitleEdit->text() : QString();
  const Element title = MakeLabel(8, 8, kBandWidth - 8, headline, ReportFont("Arial", 16, true));
  r.titleBand.height = std::max(40.0, title.rect.bottom());
  r.titleBand.elements.push_back(title);
  r.footerBand.height = 24;
  r.footerBand.elements.push_back(
      MakePageNumber(8, 4, kBandWidth - 8, ReportText("Seite ", "Page "), ReportFont("Arial", 13)));

  const QFont small = ReportFont("Arial", 11);
  const int count = FItems->count();
  for (FIndex = 0; FIndex < count; FIndex += 4) {
    SetProgress(FIndex * 100 / count);
    Band band;
    band.height = kRowHeight;
    // Cells past the end, and cells whose picture cannot be read, stay blank.
    for (int k = 0; k < 4 && FIndex + k < count; ++k) {
      if (!ParseItem(FIndex + k)) continue;
      const Cell c = kCells[k];
      band.elements.push_back(
          MakeFixedLabel(QRectF(c.left, 8, c.labelWidth, 17), QFileInfo(FFileName).fileName(), small));
      QString copy;
      QSize size;
      if (PreparePicture(FFileName, kThumbSize, copy, size)) band.elements.push_back(MakePicture(c.left, 28, size, copy));
    }
    r.details.push_back(std::move(band));
  }
  SetProgress(100);
  return true;
}
