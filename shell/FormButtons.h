#pragma once
// The buttons of the secondary windows: each a push button with the control name and caption
// the window is known by, placed in the window's layout.
#include <QBoxLayout>
#include <QPushButton>
#include <QString>

#include "Form.h"

// Adds a button named objectName with the caption text to layout. A modalResult other than
// mrNone (0) makes a click end the form's modal run with that result.
QPushButton* AddFormButton(TForm* form, QBoxLayout* layout, const char* objectName, const QString& text,
                           int modalResult = 0);
