#pragma once
// The flat painters of the ordinary controls. Each paints from a small state record (hover,
// focus, presses) so it can be driven and checked without a live event stream; the flat style
// calls them for subclassed controls and for the buttons of a tool bar with the button handler.
#include <QImage>
#include <QRect>
#include <QString>

#include "MenuColors.h"

class QPainter;
class QWidget;
class QToolButton;
class QStyleOptionToolButton;
class QStyleOptionSpinBox;
class TFlatMenu;

namespace kvmenu {

struct ControlState {
  const QWidget* control = nullptr;
  TFlatMenu* menu = nullptr;
  bool hot = false;
  bool focused = false;
  bool mouseDown = false;
  bool spaceDown = false;
  bool enabled = true;
  bool rightToLeft = false;
  bool framed = true;  // the border style the control had when it was taken over
  int tag = 0;
};

// Size of the arrow buttons (the width of a scroll bar's thumb box).
int ThumbSize();

// Colours a painter reads off a control: its parent's background and its own.
TColor ParentColorOf(const QWidget* w);
TColor ControlColorOf(const QWidget* w);

// Two-colour bevel: top and left lines in top, bottom and right in bottom, width times inwards.
void Frame3D(QPainter& p, QRect& r, TColor top, TColor bottom, int width);
// A 1-pixel outline of r (right and bottom included).
void Outline(QPainter& p, const QRect& r, TColor c);

void PaintFlatCombo(QPainter& p, const ControlState& s, const QRect& client, bool droppedDown, bool simple);
void PaintFlatLookupCombo(QPainter& p, const ControlState& s, const QRect& client, bool droppedDown);
void PaintFlatEdit(QPainter& p, const ControlState& s, const QRect& client);
void PaintFlatListBorder(QPainter& p, const ControlState& s, const QRect& bounds);
// Outer outline as the list border, inner outline in the window colour.
void PaintFlatDoubleOutline(QPainter& p, const ControlState& s, const QRect& bounds);
// A band of a control bar (here a main window's tool bar): its face and its grip of short lines.
void PaintControlBand(QPainter& p, TFlatMenu* menu, const QRect& band, TColor color);
void PaintBandGrip(QPainter& p, const QRect& handle, TColor color, bool vertical);
void PaintFlatProgress(QPainter& p, const ControlState& s, const QRect& bounds);

// Panel bevels; the inner bevel (0 none, 1 lowered, 2 raised) sits inside the border width.
enum BevelKind { bvNone = 0, bvLowered = 1, bvRaised = 2 };
void PaintFlatPanel(QPainter& p, const ControlState& s, const QRect& client, BevelKind outer, BevelKind inner,
                    int bevelWidth, int borderWidth);
void PaintFlatGroupBox(QPainter& p, const ControlState& s, const QRect& client, const QString& caption,
                       bool ctl3D, int captionIndent = 9);

// Speed button: glyph slices, layout of glyph and caption.
enum GlyphLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
struct SpeedButtonLook {
  bool flat = false;
  bool down = false;
  int numGlyphs = 1;
  QImage glyph;  // all slices side by side
  QString caption;
  GlyphLayout layout = blGlyphLeft;
  int spacing = 4;
};
void PaintFlatSpeedButton(QPainter& p, const ControlState& s, const QRect& client, const SpeedButtonLook& b);
// Where the glyph and the caption of a speed button go (exposed for the layout table).
void SpeedButtonLayout(const QSize& client, const QSize& glyph, const QSize& text, GlyphLayout layout,
                       int spacing, bool rightToLeft, QPoint* glyphAt, QPoint* textAt);

void PaintFlatUpDown(QPainter& p, const ControlState& s, const QRect& up, const QRect& down, int hotPart,
                     int pressedPart);

// A glyph as the menus treat it: pale at rest, grey when disabled, lifted with a shadow when hot.
void PaintButtonGlyph(QImage& buf, TFlatMenu* menu, QImage glyph, QPoint at, bool checked, bool enabled,
                      bool selected);

// A button caption in the menus' text colours; a default caption first gets four offset passes
// darkened from the colour under it.
void PaintButtonCaption(QPainter& p, TFlatMenu* menu, const QFont& font, const QString& text, const QRect& r,
                        int flags, bool enabled, bool isDefault, TColor under);

// One tool-bar button, painted by the tool-bar button handler.
struct ToolBarButtonLook {
  QRect bounds;
  kvmenu::TColor barColor = 0;
  bool hot = false, checked = false, selected = false, enabled = true;
  bool dropDown = false;  // a split button with its arrow part
  bool hasMenu = false;
  bool list = false;  // caption beside the glyph
  bool showCaption = false;
  bool rightToLeft = false;
  QImage glyph;
  QString caption;
};
void PaintToolBarButton(QImage& buf, TFlatMenu* menu, const ToolBarButtonLook& b);
// A separator between tool-bar buttons: the button background, and with a positive tag a line
// across its middle.
void PaintToolBarSeparator(QPainter& p, TFlatMenu* menu, const QRect& r, TColor barColor, int tag,
                           bool horizontalBar);

}  // namespace kvmenu
