#include "FtpSession.h"

#include <QDateTime>

namespace kalvora::ftp {

QString OperationName(Command::Kind kind) {
  switch (kind) {
    case Command::Upload: return QStringLiteral("Upload");
    case Command::Download: return QStringLiteral("Download");
    case Command::Delete: return QStringLiteral("Delete");
    case Command::MakeDir: return QStringLiteral("MakeDir");
    case Command::RemoveDir: return QStringLiteral("RemoveDir");
    case Command::ChangeDir:
    case Command::ChangeDirUp:
    case Command::ChangeDirRoot: return QStringLiteral("ChangeDir");
  }
  return QString();
}

Session::Session(std::unique_ptr<FtpClient> client, QObject* parent) : QObject(parent), client_(std::move(client)) {
  client_->OnProgress = [this](qint64 done, qint64 total) {
    // At most ten progress signals a second reach the window.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (done < total && now - lastProgressMs_ < 100) return;
    lastProgressMs_ = now;
    emit progress(done, total);
  };
}

Session::~Session() {
  Abort();
  Wait();
}

bool Session::Start(const Account& account, const QVector<Command>& commands) {
  if (running_) return false;
  Wait();
  running_ = true;
  client_->ResetAbort();
  thread_ = std::thread([this, account, commands] { run(account, commands); });
  return true;
}

void Session::Abort() { client_->Abort(); }

void Session::Wait() {
  if (thread_.joinable()) thread_.join();
}

Outcome Session::execute(const Command& c) {
  switch (c.kind) {
    case Command::Upload: return client_->Upload(c.source, c.destination);
    case Command::Download: return client_->Download(c.source, c.destination);
    case Command::Delete: return client_->Delete(c.source);
    case Command::MakeDir: return client_->MakeDirectory(c.source);
    case Command::RemoveDir: return client_->RemoveDir(c.source);
    case Command::ChangeDir: return client_->ChangeDir(c.source);
    case Command::ChangeDirUp: return client_->ChangeDir(QStringLiteral(".."));
    case Command::ChangeDirRoot: return client_->ChangeDir(QStringLiteral("/"));
  }
  return {Status::Failed, QString()};
}

void Session::run(Account account, QVector<Command> commands) {
  const Outcome c = client_->Connect(account);
  account.password.fill(QChar(0));
  bool aborted = c.status == Status::Aborted;
  if (!c.ok()) {
    if (!aborted) emit connectFailed(int(c.status), c.reason);
  } else {
    emit connected();
    for (int i = 0; i < commands.size(); ++i) {
      emit commandStarted(i);
      const Outcome o = execute(commands[i]);
      emit commandDone(i, int(o.status), o.reason);
      if (o.status == Status::Aborted) {
        aborted = true;
        break;
      }
    }
  }
  client_->Disconnect();
  running_ = false;
  emit finished(aborted);
}

}  // namespace kalvora::ftp
