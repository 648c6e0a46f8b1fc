#pragma once
// The pieces the effect dialogs are laid out from: named bars, labels and panels, and the row of
// the two captioned pictures ("Original", "Vorschau") above the bars.
#include <QString>

#include <functional>

class QBoxLayout;
class QLabel;
class QSlider;
class QWidget;

namespace kalvora {

// A horizontal bar; ticks > 0 draws tick marks below it at that interval.
QSlider* NamedBar(QWidget* parent, const char* name, int min, int max, int position, int ticks = 0);
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text);
QWidget* NamedPanel(QWidget* parent, const char* name);

// The original and the preview side by side, each under its caption, sharing the width; the row
// takes the stretch of `layout`. The pictures are made in turn after their captions, so the
// children keep the order the dialog lists them in.
void AddPreviewRow(QBoxLayout* layout, QWidget* parent, const std::function<QWidget*()>& makeOriginal,
                   const std::function<QWidget*()>& makePreview);

}  // namespace kalvora
