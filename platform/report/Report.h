#pragma once
// A small band report engine on Qt PrintSupport, in place of the report framework the
// program's printed lists were designed with.
//
// A report is a paper with margins, a title band (top of the first page), detail bands (one
// per record, stacked, a new page when the next one does not fit) and a page footer band (at
// the bottom of every page). Bands hold labels (word-wrapping, optionally sized to their
// text), pictures (drawn at their own size) and the page-number field. Everything is measured
// in report units of 1/96 inch, with the origin at the paper's top-left corner, so a page
// rendered at 96 dpi shows one unit as one pixel.
//
// The report is laid out into pages once and then painted page by page on a printer, in the
// print preview or into a PDF file.
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

namespace kalvora::report {

constexpr double kUnitsPerInch = 96.0;
constexpr double kUnitsPerMm = kUnitsPerInch / 25.4;

struct Element {
  enum Kind { Label, Picture, PageNumber };
  Kind kind = Label;
  QRectF rect;   // within the band
  QString text;  // the label's text; for the page number the text put before the number
  QFont font;
  bool wordWrap = true;
  QImage picture;      // a picture held in memory, or
  QString pictureFile; // a picture file read when the page is painted
};

struct Band {
  double height = 0;
  std::vector<Element> elements;
};

// A label at (left, top) whose height follows its text, wrapped at width. An empty text still
// takes one line, as a label of the report framework does.
Element MakeLabel(double left, double top, double width, const QString& text, const QFont& font);
// A label with a fixed box; the text is wrapped inside it and clipped to it.
Element MakeFixedLabel(const QRectF& box, const QString& text, const QFont& font);
Element MakePicture(double left, double top, const QSize& size, const QString& file);
Element MakePageNumber(double left, double top, double width, const QString& prefix, const QFont& font);

// A font by family and pixel height in report units (13 units is 10 points).
QFont ReportFont(const QString& family, int unitHeight, bool bold = false);

class Report {
 public:
  QPageSize pageSize{QPageSize::A4};
  double marginMm = 12.7;  // on every side
  QString title;           // the job's name in the printer queue
  QString closeCaption = QString::fromUtf8("Schließen");  // the preview's own close button
  Band titleBand;          // first page only
  Band footerBand;         // every page
  std::vector<Band> details;

  // Paper and printable area in units.
  QSizeF paperSize() const;
  QRectF printableRect() const;

  struct Placed {
    const Band* band;
    double top;
  };
  struct Page {
    std::vector<Placed> bands;  // title and details, top to bottom (the footer is implied)
  };
  // Lays the bands out into pages; a report without details has one page.
  std::vector<Page> layout() const;

  // Paints one page of a layout; the painter's units are report units.
  void paintPage(QPainter& painter, const std::vector<Page>& pages, int index) const;

  // Paints every page on a printer (set up for this report's paper); false when the printer
  // cannot be started.
  bool print(QPrinter& printer) const;
  // Writes the report as a PDF file; false when it cannot be written.
  bool writePdf(const QString& path) const;
  // Shows the print preview modally (the user may print from there). Returns the PDF file
  // the user printed into from the preview's print dialog, empty when none was written.
  QString preview(QWidget* parent) const;

  // Called with 0..100 while pages are painted.
  std::function<void(int)> onProgress;

 private:
  void paintTo(QPainter& painter, QPrinter* printer, bool (*newPage)(void*), void* ctx) const;
};

// Where Print sends a report. Unset: the system's printer. A test sets a hook that names a PDF
// file per job, and printing writes that file instead.
using PdfPrintHook = std::function<QString(const QString& jobTitle)>;
void SetPdfPrintHook(PdfPrintHook hook);
bool HasPdfPrintHook();

// True when printing can start: a hook is set or the system has a printer.
bool PrinterAvailable();

enum class PrintResult { Printed, NoPrinter, Failed };
// Prints the report on the default printer (or through the hook).
PrintResult PrintReport(const Report& report);

}  // namespace kalvora::report
