#include "Language.h"

#include <QFileInfo>
#include <memory>

#include "AppDir.h"
#include "IniFile.h"
#include "Prompter.h"

namespace {
QString g_language = QStringLiteral("GERMAN");
std::unique_ptr<kalvora::IniFile> g_texts;

void reportMissing(const QString& path) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, QString(), path + " nicht gefunden!",
                                     kalvora::mbOk);
}
}  // namespace

void LoadLanguage() {
  const QString folder = kalvora::ProgramFolder();
  const QString generator = folder + "Generator.ini";
  if (!QFileInfo::exists(generator)) reportMissing(generator);
  {
    const kalvora::IniFile ini(generator);
    // Only the two languages we have texts for; anything else would leave every folder and
    // text empty, so it falls back to the default.
    const QString value = ini.readString("SETTINGS", "Language", "GERMAN").trimmed().toUpper();
    g_language = value == "ENGLISH" ? QStringLiteral("ENGLISH") : QStringLiteral("GERMAN");
  }
  const QString texts = folder + "Language.ini";
  if (!QFileInfo::exists(texts)) reportMissing(texts);
  g_texts = std::make_unique<kalvora::IniFile>(texts);
}

QString GetLanguageText(int id) {
  if (!g_texts) return QString();
  return g_texts->readString(g_language, QString::number(id));
}

QString CurrentLanguage() { return g_language; }

bool LanguageIsEnglish() { return g_language == "ENGLISH"; }

QLocale ProgramLocale() {
  QLocale locale = LanguageIsEnglish() ? QLocale(QLocale::English, QLocale::UnitedStates)
                                       : QLocale(QLocale::German, QLocale::Germany);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}
