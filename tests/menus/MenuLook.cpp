#include "MenuLook.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

using namespace kvmenu;

SystemColors PinnedColors() {
  SystemColors s;
  s.btnFace = RGBColor(212, 208, 200);
  s.highlight = RGBColor(10, 36, 106);
  s.btnShadow = RGBColor(128, 128, 128);
  s.menuText = RGBColor(0, 0, 0);
  s.inactiveCaption = RGBColor(128, 128, 128);
  s.window = RGBColor(255, 255, 255);
  return s;
}

QFont PinnedFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(11);
  return f;
}

void PinMenuLook() {
  static bool done = false;
  if (done) return;
  done = true;
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPalette pal = QApplication::style()->standardPalette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::Button, QColor(212, 208, 200));
    pal.setColor(group, QPalette::Highlight, QColor(10, 36, 106));
    pal.setColor(group, QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(group, QPalette::Text, QColor(0, 0, 0));
    pal.setColor(group, QPalette::Base, QColor(255, 255, 255));
  }
  pal.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
  QApplication::setPalette(pal);
  QApplication::setFont(PinnedFont());
}
