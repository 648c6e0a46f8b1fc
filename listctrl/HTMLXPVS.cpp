#include "HTMLXPVS.h"

namespace kalvora {

void InitThemeLibrary() {}
void FreeThemeLibrary() {}
bool ThemeLibraryLoaded() { return false; }
bool IsThemeActive() { return false; }

}  // namespace kalvora
