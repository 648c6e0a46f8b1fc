#pragma once
// Progress of joining the music parts into one WAV file, and the join itself.
#include <QLabel>
#include <QProgressBar>
#include <QStringList>
#include <functional>

#include "Form.h"

class TWaveForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QStringList FileList MEMBER FileList)
  Q_PROPERTY(QString OutputFileName MEMBER OutputFileName)
  Q_PROPERTY(int Seconds MEMBER Seconds)
 public:
  explicit TWaveForm(QWidget* parent = nullptr);

  QStringList FileList;
  QString OutputFileName;
  int Seconds = 0;

  // Lent by the production run: its log, its window's memo line and its abort flag.
  std::function<void(const QString&)> OnLog;
  std::function<void(const QString&)> OnMemo;
  std::function<bool()> OnAborted;

  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Image1 = nullptr;

  // Joins FileList into OutputFileName: Seconds x 44100 sample frames of 16-bit PCM (whole
  // blocks of 4000, so up to 3999 more), starting again with the first file while the music
  // is too short. Every input is read as 16-bit PCM; an input of another sample rate or
  // channel count than the first raises EWaveError, as do the wave classes' own faults (the
  // output is then removed). Returns the frames written; an empty FileList writes nothing.
  qint64 MakeInputWav();

  static constexpr int BlockFrames = 4000;
  static constexpr int ChunkBlocks = 16;  // blocks read and written at once

 protected:
  void showEvent(QShowEvent* event) override;  // FormActivate

 private:
  void log(const QString& line) const;
  void memo(const QString& line) const;
};

extern TWaveForm* WaveForm;
