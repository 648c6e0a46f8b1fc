#pragma once
// A fixed look for the menu tests: Fusion, a fixed palette and a pinned 11-pixel font.
#include <QFont>

#include "MenuColors.h"

void PinMenuLook();
kvmenu::SystemColors PinnedColors();
QFont PinnedFont();
