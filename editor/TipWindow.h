#pragma once
// The look shared by the editor's tip windows: caption "Tipps", a tool window on top, a
// picture, a bold title, the text, an optional "Tipp nicht mehr anzeigen" box and "Weiter".
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "Form.h"

struct TipWindowParts {
  QLabel* picture = nullptr;
  QLabel* title = nullptr;
  QLabel* text = nullptr;
  QCheckBox* checkBox = nullptr;  // nullptr without the box
  QPushButton* next = nullptr;    // "Weiter", modal result OK
};

TipWindowParts BuildTipWindow(TForm* form, const QString& title, const QString& text, bool withCheckBox);
// Writes the empty marker file that switches the tip off.
bool WriteTipMarker(const QString& path);
// "Weiter" of a tip with the box: writes `markerName` into `programFolder` (the main window's
// folder when empty) if the box is ticked, then closes the form with OK.
void CloseTipWindow(TForm* form, const QString& programFolder, const QCheckBox* box, const QString& markerName);
