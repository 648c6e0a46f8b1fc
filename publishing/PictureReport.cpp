#include "PictureReport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

#include "FileOps.h"
#include "Language.h"
#include "PrintItems.h"
#include "ProgramWindows.h"
#include "fMain.h"

using kalvora::report::PrintResult;
using kalvora::report::Report;

QString ReportText(const char* german, const char* english) {
  return QString::fromUtf8(LanguageIsEnglish() ? english : german);
}

TPictureReport::TPictureReport(const QString& instanceName, const QString& caption, QWidget* parent)
    : TForm(instanceName, parent) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");
  layout->addWidget(PicImage1);
  PicImage1->hide();
}

TPictureReport::~TPictureReport() = default;

void TPictureReport::Print() { run(false); }
void TPictureReport::Preview() { run(true); }

void TPictureReport::FinishPrint() {
  endBusy();
  FItems.reset();
  temp_.reset();
}

bool TPictureReport::PrinterReady() const { return kalvora::report::PrinterAvailable(); }

QString TPictureReport::TempFolder() const { return temp_ ? temp_->path() : QString(); }

QString TPictureReport::SlideshowFolder() const {
  return MainForm ? MainForm->FArchiveRoot + MainForm->FArchiveFolder + "/" : QString();
}

// Scaling many large pictures takes a while: the wait cursor and the main window's progress
// bar and status line show that the job is working, until it reaches 100.
void TPictureReport::SetProgress(int percent) {
  progress_ = percent;
  if (percent < 100 && !busy_) {
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  if (busy_ && MainForm && MainForm->PicProgressBar) {
    MainForm->PicProgressBar->setValue(std::clamp(percent, 0, 100));
    MainForm->PicProgressBar->show();
    MainForm->StatusBar1->showMessage(
        ReportText("Ausdruck wird vorbereitet: %1 %", "Preparing the print: %1 %").arg(std::clamp(percent, 0, 100)));
  }
  emit progressChanged(percent);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (percent >= 100) endBusy();
}

void TPictureReport::endBusy() {
  if (!busy_) return;
  busy_ = false;
  QApplication::restoreOverrideCursor();
  if (MainForm && MainForm->PicProgressBar) {
    MainForm->PicProgressBar->hide();
    MainForm->StatusBar1->clearMessage();
  }
}

bool TPictureReport::run(bool preview) {
  // The copies and the item list go on every road out of here, errors included.
  struct Cleanup {
    TPictureReport* r;
    ~Cleanup() { r->FinishPrint(); }
  } cleanup{this};

  if (!preview && !kalvora::report::PrinterAvailable()) {
    shellwin::Inform(ReportText("Es ist kein Drucker eingerichtet.", "No printer is set up.") + "\n" +
                     shellwin::Text(10208, "Der Ausdruck kann nicht gestartet werden."));
    return false;
  }
  Report report;
  if (!Prepare(report)) return false;
  report.onProgress = [this](int p) { SetProgress(p); };
  if (!FSkipped.isEmpty()) tellSkipped(FSkipped);
  if (preview) {
    report.closeCaption = ReportText("Schließen", "Close");
    const QString pdf = report.preview(this);
    // Printed into a file from the preview's print dialog: the user learns where it went.
    if (!pdf.isEmpty())
      shellwin::Inform(ReportText("Der Ausdruck wurde als PDF-Datei gespeichert:", "The print was saved as a PDF file:") +
                       "\n" + QDir::toNativeSeparators(pdf));
    return true;
  }
  switch (kalvora::report::PrintReport(report)) {
    case PrintResult::Printed:
      return true;
    case PrintResult::NoPrinter:
      shellwin::Inform(ReportText("Es ist kein Drucker eingerichtet.", "No printer is set up.") + "\n" +
                       shellwin::Text(10208, "Der Ausdruck kann nicht gestartet werden."));
      return false;
    case PrintResult::Failed:
      shellwin::Inform(ReportText("Der Drucker hat den Ausdruck nicht angenommen.",
                                  "The printer did not accept the print job."));
      return false;
  }
  return false;
}

void TPictureReport::tellSkipped(const QStringList& skipped) {
  QStringList names = skipped.mid(0, 20);
  if (skipped.size() > 20) names << QString::fromUtf8("…");
  shellwin::Inform(ReportText("Diese Bilder konnten nicht gelesen werden und fehlen im Ausdruck:",
                              "These pictures could not be read and are left out of the print:") +
                   "\n" + names.join('\n'));
}

bool TPictureReport::Prepare(Report& report) {
  FSkipped.clear();
  FIndex = 0;
  progress_ = 0;
  if (!MainForm) return false;
  temp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/kalvora-print-XXXXXX");
  if (!temp_->isValid()) {
    shellwin::Inform(ReportText("Für den Ausdruck kann kein temporärer Ordner angelegt werden.",
                                "No temporary folder can be made for printing."));
    temp_.reset();
    return false;
  }
  if (!LoadItems()) return false;
  if (FItems->count() > 0 && !QFileInfo(SlideshowFolder()).isDir()) {
    shellwin::Inform(ReportText("Der Ordner der Diashow ist nicht mehr vorhanden:",
                                "The slideshow's folder is gone:") +
                     "\n" + QDir::toNativeSeparators(SlideshowFolder()));
    return false;
  }
  return BuildReport(report);
}

bool TPictureReport::LoadItems() {
  FItems = std::make_unique<kalvora::StringList>();
  if (MainForm->FPrintAllPictures) {
    if (MainForm->DiashowListBox) FItems->lines() = MainForm->DiashowListBox->Items();
    return true;
  }
  QStringList lines;
  if (!ReadPrintList(MainForm->FAppDir + "Print.txt", lines)) {
    shellwin::Inform(ReportText("Die Liste der gewählten Bilder (Print.txt) fehlt. Bitte wählen Sie die Bilder neu aus.",
                                "The list of chosen pictures (Print.txt) is missing. Please choose the pictures again."));
    return false;
  }
  FItems->lines() = lines;
  return true;
}

bool TPictureReport::ParseItem(int index) {
  const QString line = (*FItems)[index];
  const PrintItem item = ParsePrintLine(line);
  FCaption = item.caption;
  FFileName.clear();
  if (!item.valid) {
    if (!line.trimmed().isEmpty()) FSkipped << (item.fileName.isEmpty() ? line.trimmed().left(80) : item.fileName);
    return false;
  }
  FFileName = kalvora::ResolveNoCase(SlideshowFolder() + item.fileName);
  return true;
}

bool TPictureReport::PreparePicture(const QString& fileName, int width, QString& copy, QSize& size) {
  const QString name = QFileInfo(fileName).fileName();
  QImageReader reader(fileName);
  reader.setAutoTransform(false);
  const QSize source = reader.size();
  QImage img;
  if (source.width() > 0 && source.height() > 0 && width > 0) {
    // Halves go to the even neighbour.
    const double r = double(source.width()) / source.height();
    size = r >= 1 ? QSize(width, std::max(1, int(std::nearbyint(width / r))))
                  : QSize(std::max(1, int(std::nearbyint(width * r))), width);
    reader.setScaledSize(size);
    img = reader.read();
  }
  if (img.isNull()) {
    FSkipped << name;
    return false;
  }
  if (img.size() != size) img = img.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  copy = temp_->filePath("_PRINT_" + name);
  if (!img.convertToFormat(QImage::Format_RGB32).save(copy, "JPG", 90)) {
    FSkipped << name;
    return false;
  }
  return true;
}
