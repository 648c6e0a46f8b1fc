#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
QTranslator* g_translator = nullptr;
}

bool InstallQtTranslations(const QString& language) {
  if (g_translator) {
    QCoreApplication::removeTranslator(g_translator);
    delete g_translator;
    g_translator = nullptr;
  }
  if (language.toUpper() != "GERMAN") return true;
  auto* translator = new QTranslator;
  // "qt_de" pulls in the catalogues of Qt's modules (qtbase_de and the others installed).
  if (!translator->load(QStringLiteral("qt_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  g_translator = translator;
  return true;
}
