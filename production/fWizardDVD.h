#pragma once
// The video wizard: the kind of video (VCD or SVCD, plain or high quality) and the TV standard;
// it shows the disk space the video needs beside the free space of the archive drive, refuses
// to start when the video does not fit, and otherwise starts the production run.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdint>
#include <functional>

#include "Form.h"

class TDVDForm;

// Megabytes a video of `pictures` pictures (closing slide included) at `seconds` each needs.
int64_t NeededVideoMB(bool highQuality, const QString& mode, int64_t pictures, double seconds, int fps,
                      int transitionFrames);
// Seconds per picture as typed ("2.5" or "2,5"), or -1 when it is not a number in 0.04..3600.
double CheckedSecondsPerPicture(const QString& text);

class TDVDWizardForm : public TForm {
  Q_OBJECT
 public:
  explicit TDVDWizardForm(QWidget* parent = nullptr);

  QLabel* Label3 = nullptr;
  QRadioButton* VCDRadioButton = nullptr;
  QRadioButton* SVCDRadioButton = nullptr;
  QRadioButton* NanoVCDRadioButton = nullptr;
  QRadioButton* NanoSVCDRadioButton = nullptr;
  QGroupBox* FormatGroupBox = nullptr;
  QRadioButton* PalRadioButton = nullptr;
  QRadioButton* NTSCRadioButton = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* DiashowSizeEdit = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* FreeDiskEdit = nullptr;
  QPushButton* ZurueckBitBtn = nullptr;
  QPushButton* WeiterBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QPushButton* HilfeBitBtn = nullptr;
  QPushButton* OkBitBtn = nullptr;  // the same button as WeiterBitBtn

  // Drive information of the archive drive.
  QString FVolumeName, FFileSystemName;
  int64_t FDiskSizeMB = 0, FDiskFreeMB = 0;

  // Where the pieces come from; the main window and the global run window when left empty.
  std::function<int()> PictureCount;               // pictures of the slideshow
  std::function<QString()> SecondsPerPicture;      // as typed
  std::function<QString()> ArchivePath;            // a path on the archive drive
  std::function<int64_t(const QString&)> FreeBytes;  // free bytes at a path
  TDVDForm* Production = nullptr;
  std::function<void(TDVDForm*)> StartRun;         // default: MakeVideo

  void WeiterBitBtnClick();
  void ZurueckBitBtnClick();
  void AbortBitBtnClick();
  void HilfeBitBtnClick();
  void StartProduction(const QString& mode);
  // Shows both sizes; true when the video fits on the drive.
  bool CheckDiskSpace();
  void ReadDriveInfo(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;  // FormActivate

 private:
  QString Text(int id, const char* german, const char* english) const;
  void showHint(const QString& main, const QString& sub);
};

extern TDVDWizardForm* DVDWizardForm;
