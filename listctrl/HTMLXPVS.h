#pragma once
// The theme library loader of the check list. On Windows it loaded the visual-styles library
// at program start so that check boxes could be drawn themed. On Linux there is no such
// library: these functions do nothing, and TMarkupCheckList draws its check boxes through
// the application's Qt style, which follows the desktop's look by itself.
namespace kalvora {

void InitThemeLibrary();          // does nothing
void FreeThemeLibrary();          // does nothing
bool ThemeLibraryLoaded();        // always false
bool IsThemeActive();             // always false: check boxes are drawn by the Qt style

}  // namespace kalvora
