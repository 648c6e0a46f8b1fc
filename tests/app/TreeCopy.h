#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Copies a folder with all its subfolders, so a test runs on a copy of the sample data.
inline void copyTree(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QFileInfo& fi : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
    if (fi.isDir()) copyTree(fi.filePath(), to + "/" + fi.fileName());
    else QFile::copy(fi.filePath(), to + "/" + fi.fileName());
  }
}
