#include "ListReport.h"

#include <QLineEdit>
#include <algorithm>

#include "ProgramWindows.h"
#include "fMain.h"

using namespace kalvora::report;

TListReport::TListReport(const QString& instanceName, const QString& caption, QPageSize::PageSizeId paper,
                         int bandWidth, QWidget* parent)
    : TPictureReport(instanceName, caption, parent), paper_(paper), bandWidth_(bandWidth) {}

bool TListReport::BuildReport(Report& r) {
  if (FPrintWidth <= 0) {
    shellwin::Inform(ReportText("Die Bildgröße für den Ausdruck ist ungültig. Bitte wählen Sie eine Größe.",
                                "The print size is not valid. Please choose a size."));
    return false;
  }
  // A size wider than the band would run off the paper.
  const int width = std::min(FPrintWidth, bandWidth_);
  r.pageSize = QPageSize(paper_);
  r.title = ReportText("Kalvora – Bilderliste", "Kalvora – picture list");
  const QFont text = ReportFont("Arial", 13);
  const double inner = bandWidth_ - 8;

  const QString headline = MainForm->FPrintHeadline && MainForm->TitleEdit ? MainForm->TitleEdit->text() : QString();
  const Element title = MakeLabel(8, 8, inner, headline, ReportFont("Arial", 16, true));
  r.titleBand.height = std::max(40.0, title.rect.bottom());
  r.titleBand.elements.push_back(title);
  r.footerBand.height = 24;
  r.footerBand.elements.push_back(MakePageNumber(8, 4, inner, ReportText("Seite ", "Page "), text));

  const int count = FItems->count();
  for (FIndex = 0; FIndex < count; ++FIndex) {
    SetProgress(FIndex * 100 / count);
    if (!ParseItem(FIndex)) continue;
    QString copy;
    QSize size;
    if (!PreparePicture(FFileName, width, copy, size)) continue;
    Band band;
    const Element caption = MakeLabel(8, 0, inner, MainForm->FPrintInfoText ? FCaption : QString(), text);
    // A caption of several lines pushes the picture down instead of covering it.
    const double top = std::max(18.0, caption.rect.bottom());
    band.elements.push_back(caption);
    band.elements.push_back(MakePicture(8, top, size, copy));
    band.height = top + size.height() + 12;
    r.details.push_back(std::move(band));
  }
  SetProgress(100);
  return true;
}
