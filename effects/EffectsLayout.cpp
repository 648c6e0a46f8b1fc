#include "EffectsLayout.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSlider>

namespace kalvora {

QSlider* NamedBar(QWidget* parent, const char* name, int min, int max, int position, int ticks) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(min, max);
  s->setValue(position);
  if (ticks > 0) {
    s->setTickInterval(ticks);
    s->setTickPosition(QSlider::TicksBelow);
  }
  return s;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

QWidget* NamedPanel(QWidget* parent, const char* name) {
  auto* w = new QWidget(parent);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

void AddPreviewRow(QBoxLayout* layout, QWidget* parent, const std::function<QWidget*()>& makeOriginal,
                   const std::function<QWidget*()>& makePreview) {
  auto* pictures = new QHBoxLayout();
  auto* left = new QVBoxLayout();
  left->addWidget(new QLabel(QStringLiteral("Original"), parent));
  left->addWidget(makeOriginal(), 1);
  auto* right = new QVBoxLayout();
  right->addWidget(new QLabel(QStringLiteral("Vorschau"), parent));
  right->addWidget(makePreview(), 1);
  pictures->addLayout(left, 1);
  pictures->addLayout(right, 1);
  layout->addLayout(pictures, 1);
}

}  // namespace kalvora
