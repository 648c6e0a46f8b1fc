#pragma once
// Lets the user tick saved slideshows for an export (the CD for the photo lab, the CD-ROM, the
// screensaver). Each entry shows the slideshow's folder name, one blank and its title, and
// carries the folder (SlideshowEntries.h); the main window reads the ticked entries after the
// OK result and does the copying.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "Form.h"

class TExportForm : public TForm {
  Q_OBJECT
 public:
  explicit TExportForm(QWidget* parent = nullptr);

  QLabel* DoLabel = nullptr;
  QListWidget* CheckListBox = nullptr;
  QPushButton* OpenBitBtn = nullptr;
  QPushButton* BitBtn1 = nullptr;

  // Fills the list from the archive root (every activation).
  void FormActivate();
  void OpenBitBtnClick();
  void BitBtn1Click();

  // The slideshows under root (with trailing '/') as folder name and title, sorted by folder
  // name without regard to case.
  static QList<QPair<QString, QString>> Slideshows(const QString& root);

 protected:
  void showEvent(QShowEvent* event) override;
};

extern TExportForm* ExportForm;
