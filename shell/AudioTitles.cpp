#include "AudioTitles.h"

#include <QListWidget>

#include "FileOps.h"
#include "IniFile.h"
#include "StringHelpers.h"

namespace {
const QString kTitles = QStringLiteral("TITLES");

QString titlesFile(const QString& folder) { return AddTrailingBackslash(folder) + "Audio.ini"; }

}  // namespace

QString AudioTitleDelegate::LineText(const QModelIndex& index) {
  const QString name = FileNamePart(index.data(Qt::DisplayRole).toString());
  const QString title = index.data(kAudioTitleRole).toString();
  return title.isEmpty() || title == name ? name : name + QString::fromUtf8("  –  ") + title;
}

void AudioTitleDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  option->text = LineText(index);
}

QString RecordedAudioTitle(const QString& folder, const QString& fileName) {
  return kalvora::IniFile(titlesFile(folder)).readString(kTitles, fileName);
}

void ResetAudioTitles(const QString& folder) {
  kalvora::IniFile ini(titlesFile(folder));
  if (ini.sectionExists(kTitles)) ini.eraseSection(kTitles);
}

void RecordAudioTitle(const QString& folder, const QString& newName, const QString& title) {
  kalvora::IniFile ini(titlesFile(folder));
  ini.writeString(kTitles, newName, title);
}

void ShowAudioTitles(QListWidget* list) {
  list->setItemDelegate(new AudioTitleDelegate(list));
}
