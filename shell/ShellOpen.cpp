#include "ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
ShellOpenHook g_hook = nullptr;
}

bool ShellOpenDocument(const QString& pathOrUrl) {
  if (g_hook) return g_hook(pathOrUrl);
  const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
  return QDesktopServices::openUrl(url);
}

void SetShellOpenHook(ShellOpenHook hook) { g_hook = hook; }
