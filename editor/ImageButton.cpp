#include "ImageButton.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

TImageButton::TImageButton(const QString& objectName, const QString& caption, bool heading, QWidget* parent)
    : QLabel(parent), caption_(caption), heading_(heading) {
  setObjectName(objectName);
  setFixedSize(148, 22);
  if (!heading_) setCursor(Qt::PointingHandCursor);
  render();
}

void TImageButton::render() {
  QPixmap pic(148, 22);
  pic.fill(heading_ ? QColor(0x33, 0x55, 0x99) : Qt::white);
  QPainter p(&pic);
  QFont f = font();
  f.setPixelSize(11);  // the caption fits the 148-pixel picture
  f.setBold(heading_);
  p.setFont(f);
  const bool enabled = isEnabled();
  p.setPen(heading_ ? QColor(Qt::white) : enabled ? QColor(0x00, 0x00, 0x80) : QColor(0xA0, 0xA0, 0xA0));
  if (!heading_) {
    p.setBrush(enabled ? QColor(0xFF, 0x99, 0x00) : QColor(0xC0, 0xC0, 0xC0));
    p.drawEllipse(QRect(4, 7, 8, 8));
  }
  const QRect text(heading_ ? 4 : 17, 0, heading_ ? 142 : 129, 22);
  p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QFontMetrics(f).elidedText(caption_, Qt::ElideRight, text.width()));
  p.end();
  setPixmap(pic);
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (!heading_ && isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
}

void TImageButton::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) render();
}
