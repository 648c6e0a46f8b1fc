#pragma once
// The audio preview of the slideshow settings page. The default player plays through the
// ffplay program in its own process (no window, no sound device needed by this program
// itself); a test replaces the main window's player with a fake through the same interface.
#include <QObject>
#include <QString>

class QProcess;

class TMediaPlayer : public QObject {
  Q_OBJECT
 public:
  explicit TMediaPlayer(QObject* parent = nullptr) : QObject(parent) {}
  ~TMediaPlayer() override = default;

  QString FileName;
  // Each returns false when it could not do its work (the audio page ignores that: a title
  // that cannot be played stays silent, with no message).
  virtual bool Open() = 0;  // opens the device for FileName
  virtual bool Play() = 0;  // plays from the start, or on after a pause
  virtual bool Pause() = 0;  // pauses; pausing again plays on
  virtual bool Stop() = 0;
  virtual void Close() = 0;  // stops and frees the device
  // The file the device is open for (empty when closed), so a second Play goes on rather
  // than starting anew.
  virtual QString OpenedFile() const { return QString(); }
};

class TFfplayMediaPlayer : public TMediaPlayer {
  Q_OBJECT
 public:
  explicit TFfplayMediaPlayer(QObject* parent = nullptr);
  ~TFfplayMediaPlayer() override;
  bool Open() override;
  bool Play() override;
  bool Pause() override;
  bool Stop() override;
  void Close() override;
  QString OpenedFile() const override { return opened_; }
  qint64 ProcessId() const;  // of the playing process, 0 when none

 private:
  QString opened_;
  QProcess* process_ = nullptr;
  bool paused_ = false;
};
