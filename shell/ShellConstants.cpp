#include "ShellConstants.h"

#include "StringHelpers.h"

QString ProductName(const QString& language) {
  return language.compare("ENGLISH", Qt::CaseInsensitive) == 0 ? QStringLiteral("Slidora")
                                                                : QStringLiteral("Kalvora Plus");
}

QString ArchiveFolderName(int n) { return "Archive_" + PadLeftWithChar(QString::number(n), '0', 4); }
