#pragma once
// Progress of joining the music parts into one WAV file.
#include <QLabel>
#include <QProgressBar>
#include <QStringList>

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

  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Image1 = nullptr;
};

extern TWaveForm* WaveForm;
