#pragma once
// The FTP upload window: copies every file of the gallery folder to a folder on the user's
// web server. Created by the gallery window each time, shown without blocking; it closes by
// itself after a complete upload and otherwise stays open with the log of what failed.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVector>

#include "Form.h"
#include "FtpSession.h"

class TFTPForm : public TForm {
  Q_OBJECT
 public:
  TFTPForm(QWidget* owner, const QString& appDir, const QString& galleryFolder);
  ~TFTPForm() override;

  bool FConnected = false;  // a script is running on an open connection
  QVector<kalvora::ftp::Command> FScript;
  QString FServerDir, FHost, FPort, FUserID, FPassword;
  QString FLastCommand;
  QString FAppDir;         // with trailing '/'
  QString FGalleryFolder;  // without trailing '/'
  int FFailures = 0;       // commands of the last run that failed
  bool FRunning = false;

  QLabel* Image1 = nullptr;  // banner
  QListWidget* ListBox1 = nullptr;
  QLabel* ProgressLabel = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit1 = nullptr;  // host
  QLineEdit* Edit2 = nullptr;  // user ID
  QLineEdit* Edit3 = nullptr;  // password (masked)
  QLineEdit* Edit4 = nullptr;  // port
  QGroupBox* GroupBox2 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* Edit5 = nullptr;  // server folder
  QPushButton* BitBtn1 = nullptr;  // start (abort while running)
  QPushButton* CloseBitBtn = nullptr;

  void FormActivate();
  void BitBtn1Click();
  void LoadSettings();
  bool SaveSettings();  // false when Gallery.ini could not be written
  // The upload records for the gallery folder's files (names starting with "." are left out).
  void BuildUploadList();
  // The command line text of a record, as the log shows it.
  static QString CommandText(const kalvora::ftp::Command& c);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void onConnected();
  void onConnectFailed(int status, const QString& reason);
  void onCommandStarted(int index);
  void onProgress(qint64 done, qint64 total);
  void onCommandDone(int index, int status, const QString& reason);
  void onFinished(bool aborted);
  void setRunning(bool running);
  void log(const QString& line);

  kalvora::ftp::Session* session_ = nullptr;
  bool connectFailed_ = false;
  bool settingsLoaded_ = false;
};
