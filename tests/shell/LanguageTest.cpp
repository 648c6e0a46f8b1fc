// Text lookup by id in the chosen language.
#include "ShellFixture.h"

using shelltest::ShellTest;

TEST_F(ShellTest, TextsAreLookedUpInTheChosenLanguage) {
  shelltest::writeText(appDir + "Language.ini",
                       "[GERMAN]\r\n515=Abbrechen\r\n100001=Diashow\r\n[ENGLISH]\r\n515=Cancel\r\n");
  LoadLanguage();
  EXPECT_EQ(GetLanguageText(515), "Abbrechen");
  EXPECT_EQ(GetLanguageText(100001), "Diashow");
  EXPECT_EQ(GetLanguageText(516), "");
  EXPECT_EQ(GetLanguageText(-1), "");
  setSetting("Language", "ENGLISH");
  LoadLanguage();
  EXPECT_TRUE(LanguageIsEnglish());
  EXPECT_EQ(GetLanguageText(515), "Cancel");
  EXPECT_EQ(GetLanguageText(100001), "");
  EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(ShellTest, ShippedTextsCoverBothLanguagesAlike) {
  const kalvora::IniFile ini(shelltest::sourceData("Language.ini"));
  const QStringList german = ini.readSection("GERMAN");
  const QStringList english = ini.readSection("ENGLISH");
  EXPECT_EQ(german, english);
  for (const QString& id : german) {
    EXPECT_FALSE(ini.readString("GERMAN", id).isEmpty()) << id.toStdString();
    EXPECT_FALSE(ini.readString("ENGLISH", id).isEmpty()) << id.toStdString();
  }
  // Captions the windows are known by.
  EXPECT_EQ(ini.readString("GERMAN", "585"), QString::fromUtf8("1. Schritt: Bilder auswählen"));
  EXPECT_EQ(ini.readString("GERMAN", "1105"), "Diashow nach dem letzten Bild wieder von vorne beginnen");
  EXPECT_EQ(ini.readString("GERMAN", "608"), QString::fromUtf8("Markierte Bilder zur Diashow hinzufügen"));
}
