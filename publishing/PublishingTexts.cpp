#include "PublishingTexts.h"

#include "Language.h"

QString PublishingText(int id, const char* german, const char* english) {
  const QString t = GetLanguageText(id);
  return t.isEmpty() ? PublishingText(german, english) : t;
}

QString PublishingText(const char* german, const char* english) {
  return QString::fromUtf8(LanguageIsEnglish() ? english : german);
}
