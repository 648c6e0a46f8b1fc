#include "ShellConstants.h"

QString ProductName(const QString& language) {
  return language.compare("ENGLISH", Qt::CaseInsensitive) == 0 ? QStringLiteral("Slidora")
                                                                : QStringLiteral("Kalvora Plus");
}
