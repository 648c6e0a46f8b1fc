#include "FtpClient.h"

#include <QFile>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <mutex>

#include "FileOps.h"

namespace kalvora::ftp {

std::optional<int> PortFromText(const QString& text) {
  const QString t = text.trimmed();
  // Digits only: a sign or a space inside is no port either.
  for (const QChar c : t)
    if (c < '0' || c > '9') return std::nullopt;
  bool ok = false;
  const int port = t.toInt(&ok, 10);
  if (!ok || port < 1 || port > 65535) return std::nullopt;
  return port;
}

namespace {

bool hasControl(const QString& s) {
  for (const QChar c : s)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
  return false;
}

// A host name or address as it may stand in a URL (an IPv6 address gets its brackets).
QString hostPart(const QString& host) {
  const QString h = host.trimmed();
  if (h.isEmpty()) return QString();
  for (const QChar c : h)
    if (!(c.isLetterOrNumber() || c == '.' || c == '-' || c == '_' || c == ':' || c == '[' || c == ']')) return QString();
  if (h.contains(':') && !h.startsWith('[')) return "[" + h + "]";
  return h;
}

QString encodeSegment(const QString& s) { return QString::fromLatin1(QUrl::toPercentEncoding(s)); }

struct Path {
  bool absolute = false;
  QStringList segments;
};

class CurlFtpClient final : public FtpClient {
 public:
  CurlFtpClient() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }
  ~CurlFtpClient() override { Disconnect(); }

  Outcome Connect(const Account& account) override {
    Disconnect();
    acc_ = account;
    host_ = hostPart(account.host);
    if (host_.isEmpty() || hasControl(account.user) || hasControl(account.password))
      return {Status::InvalidName, QStringLiteral("invalid host or user")};
    cwd_ = Path{};
    if (!begin()) return {Status::LocalError, QStringLiteral("libcurl could not start")};
    curl_easy_setopt(h_, CURLOPT_URL, url(Path{}, true).constData());
    curl_easy_setopt(h_, CURLOPT_NOBODY, 1L);
    const Outcome o = perform(true);
    if (o.ok()) {
      connected_ = true;
      char* entry = nullptr;
      if (curl_easy_getinfo(h_, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry)
        entry_ = QString::fromUtf8(entry);
    } else {
      Disconnect();
    }
    return o;
  }

  void Disconnect() override {
    if (h_) curl_easy_cleanup(h_);  // sends QUIT on a live connection
    h_ = nullptr;
    connected_ = false;
    entry_.clear();
  }

  bool Connected() const override { return connected_; }

  Outcome Upload(const QString& localFile, const QString& remoteName) override {
    Path p;
    if (const Outcome o = ready(remoteName, p); !o.ok()) return o;
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly)) return {Status::LocalError, file.errorString()};
    begin();
    curl_easy_setopt(h_, CURLOPT_URL, url(p, false).constData());
    curl_easy_setopt(h_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h_, CURLOPT_READFUNCTION, &CurlFtpClient::readData);
    curl_easy_setopt(h_, CURLOPT_READDATA, &file);
    curl_easy_setopt(h_, CURLOPT_INFILESIZE_LARGE, curl_off_t(file.size()));
    curl_easy_setopt(h_, CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR_RETRY));
    Outcome o = perform(false);
    if (o.ok()) {
      // A connection that broke off right after the last byte can still look like success:
      // only the full size counts.
      curl_off_t sent = 0;
      if (curl_easy_getinfo(h_, CURLINFO_SIZE_UPLOAD_T, &sent) == CURLE_OK && sent != curl_off_t(file.size()))
        o = {Status::ConnectionLost, QStringLiteral("incomplete upload")};
    }
    return o;
  }

  Outcome Download(const QString& remoteName, const QString& localFile) override {
    Path p;
    if (const Outcome o = ready(remoteName, p); !o.ok()) return o;
    // Replaced only when whole: a broken transfer or a full disk keeps the old file.
    kalvora::SaveFile file(localFile);
    if (!file.open()) return {Status::LocalError, localFile + ": " + std::strerror(file.systemError())};
    begin();
    curl_easy_setopt(h_, CURLOPT_URL, url(p, false).constData());
    curl_easy_setopt(h_, CURLOPT_WRITEFUNCTION, &CurlFtpClient::writeData);
    curl_easy_setopt(h_, CURLOPT_WRITEDATA, &file);
    const Outcome o = perform(false);
    if (!o.ok()) {
      file.cancelWriting();
      return o;
    }
    if (!file.commit()) return {Status::LocalError, localFile + ": " + std::strerror(file.systemError())};
    return o;
  }

  Outcome Delete(const QString& remoteName) override { return command("DELE", remoteName); }
  Outcome MakeDirectory(const QString& remoteFolder) override { return command("MKD", remoteFolder); }
  Outcome RemoveDir(const QString& remoteFolder) override { return command("RMD", remoteFolder); }

  Outcome ChangeDir(const QString& remoteFolder) override {
    Path p;
    if (const Outcome o = ready(remoteFolder, p); !o.ok()) return o;
    begin();
    curl_easy_setopt(h_, CURLOPT_URL, url(p, true).constData());
    curl_easy_setopt(h_, CURLOPT_NOBODY, 1L);
    const Outcome o = perform(false);
    if (o.ok()) cwd_ = p;
    return o;
  }

  QString PrintWorkingDir() const override {
    if (cwd_.absolute) return "/" + cwd_.segments.join('/');
    QString base = entry_.isEmpty() ? QStringLiteral("/") : entry_;
    if (cwd_.segments.isEmpty()) return base;
    if (!base.endsWith('/')) base += '/';
    return base + cwd_.segments.join('/');
  }

  void Abort() override { abort_ = true; }
  void ResetAbort() override { abort_ = false; }

 private:
  // Resets the handle's options (the connection stays) and sets the common ones.
  bool begin() {
    if (!h_) h_ = curl_easy_init();
    if (!h_) return false;
    curl_easy_reset(h_);
    errors_[0] = 0;
    curl_easy_setopt(h_, CURLOPT_ERRORBUFFER, errors_);
    curl_easy_setopt(h_, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(h_, CURLOPT_USERNAME, acc_.user.toUtf8().constData());
    curl_easy_setopt(h_, CURLOPT_PASSWORD, acc_.password.toUtf8().constData());
    curl_easy_setopt(h_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h_, CURLOPT_CONNECTTIMEOUT_MS, long(acc_.timeoutMs));
    curl_easy_setopt(h_, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(std::max(30000, acc_.timeoutMs) / 1000));
    curl_easy_setopt(h_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h_, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(h_, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(h_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h_, CURLOPT_XFERINFOFUNCTION, &CurlFtpClient::progress);
    curl_easy_setopt(h_, CURLOPT_XFERINFODATA, this);
    return true;
  }

  Outcome ready(const QString& remote, Path& p) {
    if (abort_) return {Status::Aborted, QString()};
    if (!connected_) return {Status::Failed, QStringLiteral("not connected")};
    if (remote.trimmed().isEmpty() || hasControl(remote)) return {Status::InvalidName, remote};
    p = resolve(remote);
    return {};
  }

  Path resolve(const QString& remote) const {
    Path p = remote.startsWith('/') ? Path{true, {}} : cwd_;
    for (const QString& s : remote.split('/', Qt::SkipEmptyParts)) {
      if (s == ".") continue;
      if (s == ".." && !p.segments.isEmpty() && p.segments.last() != "..") p.segments.removeLast();
      else if (s == ".." && p.absolute) continue;
      else p.segments << s;
    }
    return p;
  }

  // The path as the server reads it in a command (absolute when the login folder is known).
  QString serverPath(const Path& p) const {
    if (p.absolute) return "/" + p.segments.join('/');
    if (entry_.isEmpty()) return p.segments.join('/');
    QString base = entry_;
    if (!base.endsWith('/')) base += '/';
    return base + p.segments.join('/');
  }

  QByteArray url(const Path& p, bool folder) const {
    QStringList parts;
    for (const QString& s : p.segments) parts << encodeSegment(s);
    QString u = "ftp://" + host_ + ":" + QString::number(acc_.port) + "/" + (p.absolute ? "%2F" : "") + parts.join('/');
    if (folder && !parts.isEmpty()) u += '/';
    return u.toUtf8();
  }

  Outcome command(const char* verb, const QString& remote) {
    Path p;
    if (const Outcome o = ready(remote, p); !o.ok()) return o;
    begin();
    curl_slist* list = curl_slist_append(nullptr, (QString::fromLatin1(verb) + " " + serverPath(p)).toUtf8().constData());
    curl_easy_setopt(h_, CURLOPT_URL, url(Path{}, true).constData());
    curl_easy_setopt(h_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h_, CURLOPT_QUOTE, list);
    const Outcome o = perform(false);
    curl_easy_setopt(h_, CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(list);
    return o;
  }

  Outcome perform(bool connecting) {
    if (abort_) return {Status::Aborted, QString()};
    const CURLcode rc = curl_easy_perform(h_);
    if (rc == CURLE_OK) return {};
    long code = 0;
    curl_easy_getinfo(h_, CURLINFO_RESPONSE_CODE, &code);
    QString reason = QString::fromUtf8(errors_[0] ? errors_ : curl_easy_strerror(rc)).trimmed();
    if (code > 0 && !reason.contains(QString::number(code))) reason += QStringLiteral(" (%1)").arg(code);
    switch (rc) {
      case CURLE_ABORTED_BY_CALLBACK: return {Status::Aborted, QString()};
      case CURLE_LOGIN_DENIED: return {Status::LoginFailed, reason};
      case CURLE_COULDNT_RESOLVE_HOST:
      case CURLE_COULDNT_CONNECT:
      case CURLE_WEIRD_SERVER_REPLY:
        return {connecting ? Status::ConnectFailed : Status::ConnectionLost, reason};
      case CURLE_OPERATION_TIMEDOUT:
      case CURLE_SEND_ERROR:
      case CURLE_RECV_ERROR:
      case CURLE_PARTIAL_FILE:
      case CURLE_GOT_NOTHING:
      case CURLE_FTP_ACCEPT_TIMEOUT:
        return {connecting ? Status::ConnectFailed : Status::ConnectionLost, reason};
      case CURLE_READ_ERROR:
      case CURLE_WRITE_ERROR:
        return {Status::LocalError, reason};
      case CURLE_URL_MALFORMAT:
        return {Status::InvalidName, reason};
      default:
        return {connecting ? Status::ConnectFailed : Status::Failed, reason};
    }
  }

  static size_t readData(char* buffer, size_t size, size_t count, void* user) {
    auto* f = static_cast<QFile*>(user);
    const qint64 n = f->read(buffer, qint64(size * count));
    return n < 0 ? size_t(CURL_READFUNC_ABORT) : size_t(n);
  }

  static size_t writeData(char* buffer, size_t size, size_t count, void* user) {
    auto* f = static_cast<kalvora::SaveFile*>(user);
    return f->write(buffer, qint64(size * count)) == qint64(size * count) ? size * count : 0;
  }

  static int progress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
    auto* self = static_cast<CurlFtpClient*>(user);
    if (self->abort_) return 1;
    if (self->OnProgress) {
      if (ulTotal > 0 || ulNow > 0) self->OnProgress(qint64(ulNow), qint64(ulTotal));
      else if (dlTotal > 0 || dlNow > 0) self->OnProgress(qint64(dlNow), qint64(dlTotal));
    }
    return 0;
  }

  CURL* h_ = nullptr;
  Account acc_;
  QString host_;
  QString entry_;
  Path cwd_;
  bool connected_ = false;
  std::atomic<bool> abort_{false};
  char errors_[CURL_ERROR_SIZE] = {0};
};

}  // namespace

std::unique_ptr<FtpClient> MakeCurlFtpClient() { return std::make_unique<CurlFtpClient>(); }

}  // namespace kalvora::ftp
