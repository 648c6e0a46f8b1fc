#pragma once
// The player's only window: shows the engine's frame of the moment and passes keys on.
#include "Engine.h"

#include <QWidget>

class QTimer;

namespace kalvora::player {

class PlayerWindow : public QWidget {
  Q_OBJECT
 public:
  // engine may be null: the window then shows message until it is closed.
  PlayerWindow(Engine* engine, const QString& message, int framesPerSecond);
  qint64 framesShown() const { return frames_; }
  bool playedToTheEnd() const { return playedToTheEnd_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void tick();

  Engine* engine_;
  QString message_;
  QTimer* timer_;
  qint64 frames_ = 0;
  bool playedToTheEnd_ = false;
};

}  // namespace kalvora::player
