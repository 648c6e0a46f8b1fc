#include "PlayerWindow.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

namespace kalvora::player {

PlayerWindow::PlayerWindow(Engine* engine, const QString& message, int framesPerSecond)
    : engine_(engine), message_(message), timer_(new QTimer(this)) {
  setObjectName("PlayerWindow");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  timer_->setInterval(1000 / std::max(1, framesPerSecond));
  connect(timer_, &QTimer::timeout, this, &PlayerWindow::tick);
  if (engine_) timer_->start();
}

void PlayerWindow::tick() {
  if (engine_ && engine_->finished()) {
    playedToTheEnd_ = true;
    timer_->stop();
    close();
    return;
  }
  update();
}

void PlayerWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!engine_) {
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, message_);
    return;
  }
  const qreal dpr = devicePixelRatioF();
  QImage frame = engine_->render(size() * dpr);
  frame.setDevicePixelRatio(dpr);
  p.drawImage(0, 0, frame);
  ++frames_;
}

void PlayerWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      close();
      return;
    case Qt::Key_Right: case Qt::Key_Space: case Qt::Key_PageDown:
    case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Down:
      if (engine_) engine_->next();
      break;
    case Qt::Key_Left: case Qt::Key_PageUp: case Qt::Key_Backspace: case Qt::Key_Up:
      if (engine_) engine_->previous();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  tick();
}

void PlayerWindow::mousePressEvent(QMouseEvent* event) {
  if (!engine_) return;
  if (event->button() == Qt::LeftButton) engine_->next();
  else if (event->button() == Qt::RightButton) engine_->previous();
  tick();
}

}  // namespace kalvora::player
