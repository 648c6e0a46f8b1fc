#include "ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "Language.h"
#include "Prompter.h"

namespace {
ShellOpenHook g_hook = nullptr;
}

bool ShellOpenDocument(const QString& pathOrUrl) {
  if (g_hook) return g_hook(pathOrUrl);
  const QUrl url = pathOrUrl.contains("://") || pathOrUrl.startsWith("mailto:", Qt::CaseInsensitive)
                       ? QUrl(pathOrUrl)
                       : QUrl::fromLocalFile(pathOrUrl);
  if (QDesktopServices::openUrl(url)) return true;
  // Without the desktop's opener (xdg-utils) Debian's browser alternatives may still be there.
  if (url.scheme() == "mailto") return false;
  for (const char* browser : {"x-www-browser", "sensible-browser"}) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(browser));
    if (!program.isEmpty() && QProcess::startDetached(program, {url.toString()})) return true;
  }
  return false;
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
  if (ShellOpenDocument(path)) return true;
  kalvora::ShowMessage(textOr(14006, "Der Internet-Browser konnte nicht gestartet werden. Bitte prüfen Sie, ob auf "
                                     "Ihrem System ein Browser eingerichtet ist.") +
                       "\n" + path);
  return false;
}

bool OpenWebAddress(const QString& address) {
  if (ShellOpenDocument(address)) return true;
  if (address.startsWith("mailto:", Qt::CaseInsensitive))
    kalvora::ShowMessage(textOr(14009, "Das E-Mail-Programm konnte nicht gestartet werden. Bitte prüfen Sie, ob auf "
                                       "Ihrem System ein E-Mail-Programm eingerichtet ist.") +
                         "\n" + address.mid(7));
  else
    kalvora::ShowMessage(textOr(14007, "Die Internetseite konnte nicht geöffnet werden, weil kein Browser "
                                       "eingerichtet ist. Die Adresse lautet:") +
                         "\n" + address);
  return false;
}
