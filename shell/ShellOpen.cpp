#include "ShellOpen.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "Language.h"
#include "Prompter.h"

namespace {
ShellOpenHook g_hook = nullptr;

// An opener that ends with an error this soon could not open the item; one that runs longer has
// started its program (the desktop's opener waits for a browser it starts, for instance), and
// how that program ends later is not about opening.
constexpr qint64 kGiveUpWindowMs = 30000;

// Starts the program on the item and watches how it ends. The process object is not owned by
// anything: an opener still running when the program ends is left running (a browser started
// through it stays open).
bool LaunchWatched(const QString& program, const QString& item, const std::function<void()>& failed) {
  auto* p = new QProcess;
  p->setProgram(program);
  p->setArguments({item});
  p->setStandardOutputFile(QProcess::nullDevice());
  p->setStandardErrorFile(QProcess::nullDevice());
  QElapsedTimer clock;
  clock.start();
  QObject::connect(p, &QProcess::finished, p, [p, clock, failed](int code, QProcess::ExitStatus status) {
    if ((code != 0 || status != QProcess::NormalExit) && clock.elapsed() < kGiveUpWindowMs && failed) failed();
    p->deleteLater();
  });
  p->start();
  if (!p->waitForStarted(10000)) {
    delete p;
    return false;
  }
  return true;
}
}  // namespace

bool ShellOpenDocument(const QString& pathOrUrl, const std::function<void()>& failed) {
  if (g_hook) return g_hook(pathOrUrl);
  const bool address = pathOrUrl.contains("://") || pathOrUrl.startsWith("mailto:", Qt::CaseInsensitive);
  const QUrl url = address ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  const QString item = address ? url.toString() : pathOrUrl;
  // The desktop's opener says whether it could open the item; Qt's own launch only whether it
  // could start the opener.
  const QString opener = QStandardPaths::findExecutable("xdg-open");
  if (!opener.isEmpty()) return LaunchWatched(opener, item, failed);
  // Without it, Debian's browser alternatives may still be there.
  if (url.scheme() != "mailto")
    for (const char* browser : {"x-www-browser", "sensible-browser"}) {
      const QString program = QStandardPaths::findExecutable(QString::fromLatin1(browser));
      if (!program.isEmpty() && LaunchWatched(program, url.toString(), failed)) return true;
    }
  return QDesktopServices::openUrl(url);
}

void SetShellOpenHook(ShellOpenHook hook) { g_hook = hook; }

namespace {
QString textOr(int id, const char* german) {
  const QString t = GetLanguageText(id);
  return t.isEmpty() ? QString::fromUtf8(german) : t;
}
}  // namespace

bool OpenHelpPage(const QString& path) {
  if (!QFileInfo(path).isFile()) {
    kalvora::ShowMessage(textOr(14008, "Die Hilfeseite wurde nicht gefunden:") + "\n" + path);
    return false;
  }
  const auto say = [path] {
    kalvora::ShowMessage(textOr(14006, "Der Internet-Browser konnte nicht gestartet werden. Bitte prüfen Sie, ob auf "
                                       "Ihrem System ein Browser eingerichtet ist.") +
                         "\n" + path);
  };
  if (ShellOpenDocument(path, say)) return true;
  say();
  return false;
}

bool OpenWebAddress(const QString& address) {
  const auto say = [address] {
    if (address.startsWith("mailto:", Qt::CaseInsensitive))
      kalvora::ShowMessage(textOr(14009, "Das E-Mail-Programm konnte nicht gestartet werden. Bitte prüfen Sie, ob auf "
                                         "Ihrem System ein E-Mail-Programm eingerichtet ist.") +
                           "\n" + address.mid(7));
    else
      kalvora::ShowMessage(textOr(14007, "Die Internetseite konnte nicht geöffnet werden, weil kein Browser "
                                         "eingerichtet ist. Die Adresse lautet:") +
                           "\n" + address);
  };
  if (ShellOpenDocument(address, say)) return true;
  say();
  return false;
}
