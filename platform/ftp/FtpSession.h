#pragma once
// Runs a script of FTP commands on a thread of its own, so the window that started it stays
// responsive and can abort. The results come back as signals, delivered on the thread the
// session lives on (the UI thread).
#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>
#include <memory>
#include <thread>

#include "FtpClient.h"

namespace kalvora::ftp {

// One line of the upload script, as a record (never split from text).
struct Command {
  enum Kind { Upload, Download, Delete, MakeDir, RemoveDir, ChangeDir, ChangeDirUp, ChangeDirRoot };
  Kind kind = Upload;
  QString source;       // Upload: local file; Download and the others: remote path
  QString destination;  // Upload: remote name; Download: local file
};

// Name of the operation a command runs, as the log shows it ("Upload", "ChangeDir", ...).
QString OperationName(Command::Kind kind);

class Session : public QObject {
  Q_OBJECT
 public:
  explicit Session(std::unique_ptr<FtpClient> client, QObject* parent = nullptr);
  // Aborts a running script and waits for its thread.
  ~Session() override;

  // Connects, then runs the commands in order; a failed connection runs none. Refused (false)
  // while a script runs.
  bool Start(const Account& account, const QVector<Command>& commands);
  void Abort();
  bool Running() const { return running_; }
  // Waits for the thread to end (after finished was emitted or the run was aborted).
  void Wait();

 signals:
  void connected();
  void connectFailed(int status, const QString& reason);
  void commandStarted(int index);
  void progress(qint64 done, qint64 total);
  void commandDone(int index, int status, const QString& reason);
  void finished(bool aborted);

 private:
  void run(Account account, QVector<Command> commands);
  Outcome execute(const Command& c);

  std::unique_ptr<FtpClient> client_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<qint64> lastProgressMs_{0};
};

}  // namespace kalvora::ftp
