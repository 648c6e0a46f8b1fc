#pragma once
// An entry of a list of slideshows (the archive list, the export list). Its text shows the
// folder name, a blank and the title; the folder and the title travel with the item itself,
// since either may hold blanks ("Archive_0003 Kopie", the copy a file manager makes).
#include <QListWidget>
#include <QListWidgetItem>
#include <QVariant>

#include "StringHelpers.h"

inline constexpr int kSlideshowFolderRole = Qt::UserRole + 40;
inline constexpr int kSlideshowTitleRole = Qt::UserRole + 41;

inline QListWidgetItem* AddSlideshowEntry(QListWidget* list, const QString& folder, const QString& title) {
  auto* item = new QListWidgetItem(folder + " " + title, list);
  item->setData(kSlideshowFolderRole, folder);
  item->setData(kSlideshowTitleRole, title);
  return item;
}

// The folder of an entry; for an entry made without it, the first blank-separated word.
inline QString SlideshowEntryFolder(const QListWidgetItem* item) {
  if (!item) return QString();
  const QVariant folder = item->data(kSlideshowFolderRole);
  return folder.isValid() ? folder.toString() : ExtractWordN(1, item->text(), " ");
}

inline QString SlideshowEntryTitle(const QListWidgetItem* item) {
  if (!item) return QString();
  const QVariant title = item->data(kSlideshowTitleRole);
  if (title.isValid()) return title.toString();
  const QString text = item->text();
  const qsizetype blank = text.indexOf(' ');
  return blank < 0 ? QString() : text.mid(blank + 1);
}
