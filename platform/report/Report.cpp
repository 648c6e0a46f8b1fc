#include "Report.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QToolBar>
#include <QToolButton>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <cmath>

#include "FileOps.h"

namespace kalvora::report {

namespace {
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

PdfPrintHook& hookSlot() {
  static PdfPrintHook hook;
  return hook;
}

double textHeight(const QFont& font, double width, const QString& text) {
  const QFontMetricsF fm(font);
  if (text.isEmpty()) return fm.height();
  const QRectF r = fm.boundingRect(QRectF(0, 0, width, 1e6), kTextFlags, text);
  return std::max(fm.height(), r.height());
}

void paintElement(QPainter& p, const Element& e, int pageNumber) {
  switch (e.kind) {
    case Element::Label:
      if (e.text.isEmpty()) return;
      p.save();
      p.setFont(e.font);
      p.setClipRect(e.rect, Qt::IntersectClip);
      p.drawText(e.rect, e.wordWrap ? kTextFlags : (Qt::AlignLeft | Qt::AlignTop), e.text);
      p.restore();
      return;
    case Element::PageNumber:
      p.setFont(e.font);
      p.drawText(e.rect, Qt::AlignLeft | Qt::AlignTop, e.text + QString::number(pageNumber));
      return;
    case Element::Picture: {
      if (!e.picture.isNull()) {
        p.drawImage(e.rect, e.picture);
        return;
      }
      if (e.pictureFile.isEmpty()) return;
      const QImage img(e.pictureFile);
      if (!img.isNull()) p.drawImage(e.rect, img);  // a copy that went missing stays blank
      return;
    }
  }
}

void setUpPrinter(QPrinter& printer, const Report& r) {
  printer.setDocName(r.title);
  printer.setPageSize(r.pageSize);
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setFullPage(true);
  // Pictures are printed in colour; a queue that does not say it prints colour would get grey.
  printer.setColorMode(QPrinter::Color);
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}
}  // namespace

QFont ReportFont(const QString& family, int unitHeight, bool bold) {
  QFont f(family);
  f.setPixelSize(unitHeight);
  f.setBold(bold);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

Element MakeLabel(double left, double top, double width, const QString& text, const QFont& font) {
  Element e;
  e.kind = Element::Label;
  e.text = text;
  e.font = font;
  e.rect = QRectF(left, top, width, textHeight(font, width, text));
  return e;
}

Element MakeFixedLabel(const QRectF& box, const QString& text, const QFont& font) {
  Element e;
  e.kind = Element::Label;
  e.text = text;
  e.font = font;
  e.rect = box;
  return e;
}

Element MakePicture(double left, double top, const QSize& size, const QString& file) {
  Element e;
  e.kind = Element::Picture;
  e.pictureFile = file;
  e.rect = QRectF(QPointF(left, top), QSizeF(size));
  return e;
}

Element MakePageNumber(double left, double top, double width, const QString& prefix, const QFont& font) {
  Element e;
  e.kind = Element::PageNumber;
  e.text = prefix;
  e.font = font;
  e.rect = QRectF(left, top, width, QFontMetricsF(font).height());
  return e;
}

QSizeF Report::paperSize() const {
  const QSizeF mm = pageSize.size(QPageSize::Millimeter);
  return {mm.width() * kUnitsPerMm, mm.height() * kUnitsPerMm};
}

QRectF Report::printableRect() const {
  const double m = marginMm * kUnitsPerMm;
  const QSizeF paper = paperSize();
  return {m, m, paper.width() - 2 * m, paper.height() - 2 * m};
}

std::vector<Report::Page> Report::layout() const {
  const QRectF area = printableRect();
  const double bottom = area.bottom() - footerBand.height;
  std::vector<Page> pages(1);
  double y = area.top();
  pages.back().bands.push_back({&titleBand, y});
  y += titleBand.height;
  for (const Band& b : details) {
    // A band that does not fit goes to a new page; on an empty page it is placed (and clipped).
    if (y + b.height > bottom && y > area.top()) {
      pages.emplace_back();
      y = area.top();
    }
    pages.back().bands.push_back({&b, y});
    y += b.height;
  }
  return pages;
}

void Report::paintPage(QPainter& p, const std::vector<Page>& pages, int index) const {
  const QRectF area = printableRect();
  p.fillRect(QRectF(QPointF(0, 0), paperSize()), Qt::white);
  p.setPen(Qt::black);
  auto paintBand = [&](const Band& band, double top) {
    p.save();
    p.translate(area.left(), top);
    // Nothing leaves the paper or runs into the next band.
    p.setClipRect(QRectF(-area.left(), 0, paperSize().width(), std::min(band.height, area.bottom() - top)));
    for (const Element& e : band.elements) paintElement(p, e, index + 1);
    p.restore();
  };
  for (const Placed& pl : pages[size_t(index)].bands) paintBand(*pl.band, pl.top);
  paintBand(footerBand, area.bottom() - footerBand.height);
}

void Report::paintTo(QPainter& p, QPrinter* printer, bool (*newPage)(void*), void* ctx) const {
  const std::vector<Page> pages = layout();
  int first = 0, last = int(pages.size()) - 1;
  if (printer && printer->fromPage() > 0) {
    first = std::clamp(printer->fromPage() - 1, 0, last);
    last = std::clamp(printer->toPage() > 0 ? printer->toPage() - 1 : last, first, last);
  }
  for (int i = first; i <= last; ++i) {
    if (i > first) newPage(ctx);
    paintPage(p, pages, i);
    if (onProgress) onProgress((i + 1 - first) * 100 / (last - first + 1));
  }
}

bool Report::print(QPrinter& printer) const {
  setUpPrinter(printer, *this);
  QPainter p;
  if (!p.begin(&printer)) return false;
  const double scale = printer.resolution() / kUnitsPerInch;
  p.scale(scale, scale);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  paintTo(p, &printer, [](void* c) { return static_cast<QPrinter*>(c)->newPage(); }, &printer);
  return p.end();
}

bool Report::writePdf(const QString& path) const {
  // Written beside and renamed over: a failed or full-disk write keeps an older PDF whole.
  SaveFile file(path);
  if (!file.open()) return false;
  {
    QPdfWriter w(&file);
    w.setResolution(int(kUnitsPerInch));
    w.setTitle(title);
    w.setCreator(QStringLiteral("Kalvora"));
    w.setPageLayout(QPageLayout(pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter p;
    if (!p.begin(&w)) return false;
    paintTo(p, nullptr, [](void* c) { return static_cast<QPdfWriter*>(c)->newPage(); }, &w);
    if (!p.end()) return false;
  }
  return file.commit() && QFileInfo(path).size() > 0;
}

QString Report::preview(QWidget* parent) const {
  QPrinter printer(QPrinter::HighResolution);
  setUpPrinter(printer, *this);
  QPrintPreviewDialog dlg(&printer, parent);
  dlg.setObjectName(QStringLiteral("PrintPreview"));
  dlg.setWindowTitle(title);
  QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [this](QPrinter* pr) { print(*pr); });
  // Qt's preview has no button to close it: without a title bar it could not be left.
  if (auto* bar = dlg.findChild<QToolBar*>()) {
    bar->addSeparator();
    QAction* close = bar->addAction(closeCaption);
    close->setObjectName(QStringLiteral("ClosePreview"));
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(close)))
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QObject::connect(close, &QAction::triggered, &dlg, &QDialog::reject);
  }
  // A page is hardly readable in Qt's default size.
  if (QScreen* screen = dlg.screen()) dlg.resize(screen->availableGeometry().size() * 0.85);
  // The preview closes with "accepted" only after its print dialog printed.
  if (dlg.exec() != QDialog::Accepted || printer.outputFormat() != QPrinter::PdfFormat) return QString();
  const QString file = printer.outputFileName();
  return !file.isEmpty() && QFileInfo(file).size() > 0 ? QFileInfo(file).absoluteFilePath() : QString();
}

void SetPdfPrintHook(PdfPrintHook hook) { hookSlot() = std::move(hook); }
bool HasPdfPrintHook() { return bool(hookSlot()); }

bool PrinterAvailable() {
  return HasPdfPrintHook() || !QPrinterInfo::defaultPrinterName().isEmpty() ||
         !QPrinterInfo::availablePrinterNames().isEmpty();
}

PrintResult PrintReport(const Report& report) {
  if (HasPdfPrintHook()) {
    const QString path = hookSlot()(report.title);
    return !path.isEmpty() && report.writePdf(path) ? PrintResult::Printed : PrintResult::Failed;
  }
  if (!PrinterAvailable()) return PrintResult::NoPrinter;
  QPrinter printer(QPrinter::HighResolution);
  if (!printer.isValid()) return PrintResult::NoPrinter;
  return report.print(printer) ? PrintResult::Printed : PrintResult::Failed;
}

}  // namespace kalvora::report
