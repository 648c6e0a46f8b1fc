#pragma once
#include <QStringList>
// Creates every window of the program once, in the fixed start-up order.
void CreateWindows();
// Frees them again, in the reverse order.
void DestroyWindows();
// The window classes in creation order.
QStringList WindowCreationOrder();
