#pragma once
// The picture list line as the main window stores it in Pictures.ini: "NAME | CAPTION".
// The caption is stored escaped ("&", "<", ">", '"', "|" and line breaks as character
// references), so it stays on its line and never splits at a "|"; every reader (main window,
// player, viewer, print reports, gallery, video production) decodes it with the one decoder
// here, and takes only names that IsPlainFileName accepts.
#include <QString>

namespace kalvora {

QString EncodeStoredCaption(const QString& caption);
// References decoded in one pass ("&amp;#10;" stays the text "&#10;"); other text as it is.
QString DecodeStoredCaption(const QString& stored);
// True when a file name read from a stored list names an entry inside its folder: not empty,
// not "." or "..", no "/" or "\" (the separator of lists written on Windows), no NUL.
// Dots elsewhere are ordinary characters ("Foto..jpg", "Ende...jpg").
bool IsPlainFileName(const QString& name);

}  // namespace kalvora
