#pragma once
// The scroll bars of the mark-up lists: drawn by the program's style, except that the handle is
// a solid grey that stands out from its track (at least 3 : 1 in relative luminance), where
// the style's own handle is a near-white gradient on a light grey track.
#include <QProxyStyle>

class QScrollBar;

namespace kalvora {

class TListScrollBarStyle : public QProxyStyle {
  Q_OBJECT
 public:
  TListScrollBarStyle();
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget = nullptr) const override;
  // The handle's colour for a bar drawn with palette (darker while it is held).
  static QColor HandleColor(const QPalette& palette, bool pressed);
};

// Gives bar the style; the style lives as long as the bar.
void UseListScrollBarStyle(QScrollBar* bar);

}  // namespace kalvora
