#pragma once
// Texts of the publishing windows: the language text of an id, or the window's own German or
// English wording where the language file has none, so no window shows an empty caption.
#include <QString>

QString PublishingText(int id, const char* german, const char* english);
// A German or English text that has no id.
QString PublishingText(const char* german, const char* english);
