#pragma once
#include <QString>

namespace kalvora {

// The program folder with a trailing '/': KALVORA_APPDIR when set (tests point it at a
// temporary copy), else the folder of the executable. Needs a QCoreApplication for the latter.
QString ProgramFolder();

}  // namespace kalvora
