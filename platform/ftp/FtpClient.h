#pragma once
// The program's FTP client: a small interface of our own with libcurl behind it.
//
// - Credentials go to libcurl as options, never into a URL, a command line or a message.
// - Remote paths use '/'; a path starting with '/' is absolute, anything else is relative to
//   the current remote folder, which starts as the account's login folder. The client keeps
//   the current folder itself (libcurl addresses every transfer by URL).
// - Uploads create the server folders they need.
// - Every call blocks until done; run them off the UI thread. Abort() may be called from any
//   thread: the running transfer stops within about a second and every later call answers
//   Aborted until ResetAbort().
#include <QString>
#include <optional>
#include <atomic>
#include <functional>
#include <memory>

namespace kalvora::ftp {

struct Account {
  QString host;
  int port = 21;
  QString user;
  QString password;
  int timeoutMs = 10000;  // connecting and waiting for an answer
};

// A port text as the user typed it: a number in 1..65535; anything else (empty too) is no
// port, and the caller refuses to connect rather than guess one.
std::optional<int> PortFromText(const QString& text);

enum class Status {
  Ok,
  Failed,          // the server refused the request (no rights, no such file, ...)
  ConnectFailed,   // host unknown or unreachable, no FTP server answering
  LoginFailed,     // user or password refused
  ConnectionLost,  // the connection broke off during the request
  LocalError,      // a local file could not be read or written
  InvalidName,     // a remote name with control characters, or an invalid host
  Aborted,
};

struct Outcome {
  Status status = Status::Ok;
  QString reason;  // the server's or the system's words, for the log; never a secret
  bool ok() const { return status == Status::Ok; }
};

class FtpClient {
 public:
  virtual ~FtpClient() = default;
  virtual Outcome Connect(const Account& account) = 0;
  // Sends QUIT and closes the connection (nothing when not connected).
  virtual void Disconnect() = 0;
  virtual bool Connected() const = 0;
  virtual Outcome Upload(const QString& localFile, const QString& remoteName) = 0;
  virtual Outcome Download(const QString& remoteName, const QString& localFile) = 0;
  virtual Outcome Delete(const QString& remoteName) = 0;
  virtual Outcome MakeDirectory(const QString& remoteFolder) = 0;
  virtual Outcome RemoveDir(const QString& remoteFolder) = 0;
  virtual Outcome ChangeDir(const QString& remoteFolder) = 0;
  virtual QString PrintWorkingDir() const = 0;
  virtual void Abort() = 0;
  virtual void ResetAbort() = 0;
  // Byte counters of the running transfer (done, total), called on the transferring thread.
  std::function<void(qint64, qint64)> OnProgress;
};

std::unique_ptr<FtpClient> MakeCurlFtpClient();

}  // namespace kalvora::ftp
