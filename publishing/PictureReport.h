#pragma once
// What the picture-list reports and the thumbnail sheet share: the items of a run (the slideshow
// list or "Print.txt"), the scaled temporary copies of the pictures, the print and preview
// entry points the main window calls, and FinishPrint.
//
// The scaled copies ("_PRINT_" + name) live in a private temporary folder of the run, never in
// the slideshow folder, so no picture of the user can be taken for one; the folder goes away
// when the run ends, on every road.
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "Form.h"
#include "Placeholders.h"
#include "Report.h"
#include "StringList.h"

class TPictureReport : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FPrintWidth MEMBER FPrintWidth)
  Q_PROPERTY(QString FPaperFormat MEMBER FPaperFormat)
  Q_PROPERTY(int Progress READ Progress)
 public:
  TPictureReport(const QString& instanceName, const QString& caption, QWidget* parent);
  ~TPictureReport() override;

  int FPrintWidth = 0;
  QString FPaperFormat = "A4";

  PicImageControl* PicImage1 = nullptr;  // kept for the design; pictures are scaled on load

  // Prints on the default printer; preview shows the print preview. Both prepare the run,
  // tell the user about pictures left out, and remove the temporary copies at the end.
  Q_INVOKABLE void Print();
  Q_INVOKABLE void Preview();
  // Frees the item list and deletes the temporary print copies.
  Q_INVOKABLE void FinishPrint();
  // True when printing can start (a printer is set up).
  Q_INVOKABLE bool PrinterReady() const;

  // Lays the report of the current main window state out without printing it (also used by
  // Print and Preview). False, with the message shown, when there is nothing to print.
  bool Prepare(kalvora::report::Report& report);
  // How far the running job is, 0..100.
  int Progress() const { return progress_; }
  // The private folder of the temporary copies of the running job ("" when none).
  QString TempFolder() const;

 signals:
  void progressChanged(int percent);

 protected:
  // Builds the report design and its bands from FItems.
  virtual bool BuildReport(kalvora::report::Report& report) = 0;

  // Fills FItems: every entry of the slideshow list when FPrintAllPictures is set, else the
  // lines of Print.txt. False (with the message shown) when Print.txt is missing.
  bool LoadItems();
  // Sets FFileName and FCaption from item index; false for a line naming no picture of the
  // slideshow folder (recorded for the message).
  bool ParseItem(int index);
  // Scales the picture FFileName so its longer side is width units and saves the copy. The
  // copy's path and size come back; false (recorded for the message) when it cannot be read.
  bool PreparePicture(const QString& fileName, int width, QString& copy, QSize& size);
  void SetProgress(int percent);
  // The slideshow folder with a trailing '/'.
  QString SlideshowFolder() const;

  QString FFileName;
  QString FCaption;
  int FIndex = 0;
  std::unique_ptr<kalvora::StringList> FItems;
  QStringList FSkipped;  // names left out of the run

 private:
  bool run(bool preview);
  void tellSkipped(const QStringList& skipped);
  void endBusy();
  std::unique_ptr<QTemporaryDir> temp_;
  int progress_ = 0;
  bool busy_ = false;  // the wait cursor and the main window's progress bar are up
};

// A message of the reports in the user-interface language.
QString ReportText(const char* german, const char* english);
