#pragma once
// The music's own names. Renumbering renames the slideshow's audio files to Audio001.mp3,
// Audio002.wav, ... (their playing order); the names they came with are kept in "Audio.ini"
// of the slideshow folder ([TITLES] file name = original name), and the audio list shows each
// file as its name and its original title. The list's items stay the files' full paths.
#include <QString>
#include <QStyledItemDelegate>

class QListWidget;

// Draws an audio line as "Audio001.mp3  –  original title".
class AudioTitleDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // The text the list shows for the line at index.
  static QString LineText(const QModelIndex& index);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

inline constexpr int kAudioTitleRole = 0x0101;  // Qt::UserRole + 1: the original title

// The original title recorded for a file of the folder; empty when none is.
QString RecordedAudioTitle(const QString& folder, const QString& fileName);
// After renumbering: newName was called oldName before (its recorded title, or oldName
// itself, carries over). Titles of the names replaced are dropped with ResetAudioTitles.
void ResetAudioTitles(const QString& folder);
void RecordAudioTitle(const QString& folder, const QString& newName, const QString& title);
// Shows each line of list as file name and original title instead of the full path.
void ShowAudioTitles(QListWidget* list);
