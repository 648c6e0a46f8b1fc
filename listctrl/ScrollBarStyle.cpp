#include "ScrollBarStyle.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>

namespace kalvora {

TListScrollBarStyle::TListScrollBarStyle() = default;

QColor TListScrollBarStyle::HandleColor(const QPalette& palette, bool pressed) {
  // Halfway between the text and the buttons: grey 120 on the usual light palette, whose
  // track is about 230.
  const QColor text = palette.color(QPalette::WindowText), button = palette.color(QPalette::Button);
  const QColor mid((text.red() + button.red()) / 2, (text.green() + button.green()) / 2,
                   (text.blue() + button.blue()) / 2);
  return pressed ? mid.darker(130) : mid;
}

void TListScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                             QPainter* painter, const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (control != CC_ScrollBar || bar == nullptr || !(bar->subControls & SC_ScrollBarSlider)) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  // Everything but the handle as the style draws it, then the handle over the track.
  QStyleOptionSlider rest(*bar);
  rest.subControls &= ~SC_ScrollBarSlider;
  QProxyStyle::drawComplexControl(control, &rest, painter, widget);
  const QRect handle = subControlRect(control, bar, SC_ScrollBarSlider, widget);
  if (!handle.isValid() || bar->minimum == bar->maximum) return;
  const bool pressed = (bar->activeSubControls & SC_ScrollBarSlider) && (bar->state & State_Sunken);
  const QColor fill = HandleColor(bar->palette, pressed);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(QPen(fill.darker(130), 1));
  painter->setBrush(fill);
  const bool vertical = bar->orientation == Qt::Vertical;
  const QRectF r = QRectF(handle).adjusted(vertical ? 2.5 : 0.5, vertical ? 0.5 : 2.5, vertical ? -2.5 : -0.5,
                                           vertical ? -0.5 : -2.5);
  painter->drawRoundedRect(r, 2, 2);
  painter->restore();
}

void UseListScrollBarStyle(QScrollBar* bar) {
  if (bar == nullptr) return;
  auto* style = new TListScrollBarStyle;
  style->setParent(bar);
  bar->setStyle(style);
}

}  // namespace kalvora
