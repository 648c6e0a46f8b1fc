// Generator.ini into the controls and back, and the player's Settings.ini.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "Colors.h"
#include "ShellFixture.h"

using shelltest::ShellTest;

TEST_F(ShellTest, SettingsValuesFollowTheirComparisonRules) {
  struct Case {
    const char* key;
    const char* value;  // nullptr: key removed
    QCheckBox* TMainForm::*box;
    bool ticked;
  };
  const Case cases[] = {
      {"Fullscreen", "false", &TMainForm::FullscreenCheckBox, false},
      {"Fullscreen", "no", &TMainForm::FullscreenCheckBox, true},
      {"Fullscreen", nullptr, &TMainForm::FullscreenCheckBox, true},
      {"Manuell", "FALSE", &TMainForm::ManuellCheckBox, false},
      {"Manuell", "x", &TMainForm::ManuellCheckBox, true},
      {"PictureTextVisible", "True", &TMainForm::TextCheckBox, true},
      {"PictureTextVisible", "yes", &TMainForm::TextCheckBox, false},
      {"FileNameVisible", "tRUE", &TMainForm::PictureNameCheckBox, true},
      {"FileNameVisible", nullptr, &TMainForm::PictureNameCheckBox, false},
      {"StopDiashowAtEnd", "false", &TMainForm::EndlessPlayCheckBox, true},
      {"StopDiashowAtEnd", nullptr, &TMainForm::EndlessPlayCheckBox, false},
      {"PrintPreview", "True", &TMainForm::PrintPreviewCheckBox, false},
      {"PrintPreview", "TRUE", &TMainForm::PrintPreviewCheckBox, true},
      {"PrintPreview", nullptr, &TMainForm::PrintPreviewCheckBox, true},
  };
  for (const Case& c : cases) {
    {
      kalvora::IniFile ini(appDir + "Generator.ini");
      if (c.value) ini.writeString("SETTINGS", c.key, c.value);
      else ini.deleteKey("SETTINGS", c.key);
    }
    start();
    EXPECT_EQ((form.get()->*c.box)->isChecked(), c.ticked) << c.key << "=" << (c.value ? c.value : "(missing)");
    form.reset();
  }
}

TEST_F(ShellTest, EffectModeIsComparedExactly) {
  struct Case {
    const char* value;
    bool off, on, random;
  };
  const Case cases[] = {{"ON", false, true, false}, {"RANDOM", false, false, true}, {"OFF", true, false, false},
                        {"on", true, false, false}, {"", true, false, false}};
  for (const Case& c : cases) {
    setSetting("EffectMode", c.value);
    start();
    EXPECT_EQ(form->OFFRadioButton->isChecked(), c.off) << c.value;
    EXPECT_EQ(form->ONRadioButton->isChecked(), c.on) << c.value;
    EXPECT_EQ(form->RNDRadioButton->isChecked(), c.random) << c.value;
    EXPECT_EQ(!form->EffectPanel->isHidden(), c.on) << c.value;
    form.reset();
  }
}

TEST_F(ShellTest, ManualChangeShowsOnlyInFullScreen) {
  setSetting("Fullscreen", "FALSE");
  start();
  EXPECT_TRUE(form->ManuellCheckBox->isHidden());
  form->FullscreenCheckBox->click();
  EXPECT_FALSE(form->ManuellCheckBox->isHidden());
}

TEST_F(ShellTest, NumbersAndTextsLoadIntoFieldsAndControls) {
  setSetting("DefaultTime", "7,5");
  setSetting("BKGColor", "255");         // red in the class library's colour numbers
  setSetting("TextColor", "$00FF0000");  // blue
  setSetting("TextOffset", "abc");
  setSetting("Effect", "3");
  start();
  EXPECT_EQ(form->FSecondsPerPicture, "7,5");
  EXPECT_EQ(form->SecEdit->text(), "7,5");
  EXPECT_EQ(form->FBackgroundColor, QColor(255, 0, 0));
  EXPECT_EQ(form->FTextColor, QColor(0, 0, 255));
  EXPECT_EQ(form->FTextOffset, 0);
  EXPECT_EQ(form->FEffectNumber, 3);
  EXPECT_EQ(form->SpinEdit1->value(), 3);
  form->SpinEdit2->setValue(120);
  EXPECT_EQ(form->FTextOffset, 120);
}

TEST_F(ShellTest, SaveWritesTheSettingsAndKeepsTheLanguage) {
  setSetting("Language", "GERMAN");
  start();
  form->FullscreenCheckBox->setChecked(false);
  form->ManuellCheckBox->setChecked(true);
  form->EndlessPlayCheckBox->setChecked(true);
  form->TextCheckBox->setChecked(true);
  form->PictureNameCheckBox->setChecked(false);
  form->RNDRadioButton->setChecked(true);
  form->PrintPreviewCheckBox->setChecked(false);
  form->FBackgroundColor = QColor(0, 0, 255);
  form->FTextColor = QColor(1, 2, 3);
  form->FSecondsPerPicture = "6";
  form->FSourceFolder = "/pictures/";
  form->FEffectNumber = 9;
  form->FTextOffset = 33;
  form->SaveGeneratorSettings();
  const kalvora::IniFile ini(appDir + "Generator.ini");
  const QList<QPair<QString, QString>> expected = {
      {"Language", "GERMAN"}, {"DefaultTime", "6"}, {"StopDiashowAtEnd", "FALSE"}, {"Fullscreen", "FALSE"},
      {"Manuell", "FALSE"},   {"PictureTextVisible", "TRUE"}, {"FileNameVisible", "FALSE"},
      {"BKGColor", QString::number(0xFF0000)}, {"TextColor", QString::number(0x030201)},  // blue, green, red from the top byte down
      {"EffectMode", "RANDOM"}, {"Effect", "9"}, {"TextOffset", "33"}, {"PrintPreview", "FALSE"},
      {"SourcePicturesPath", "/pictures/"}, {"Drive", ""}};
  for (const auto& [key, value] : expected) EXPECT_EQ(ini.readString("SETTINGS", key), value) << key.toStdString();
  // A second start reads back what was saved.
  form.reset();
  start();
  EXPECT_FALSE(form->FullscreenCheckBox->isChecked());
  EXPECT_TRUE(form->RNDRadioButton->isChecked());
  EXPECT_EQ(form->FBackgroundColor, QColor(0, 0, 255));
  EXPECT_EQ(form->FSecondsPerPicture, "6");
}

TEST_F(ShellTest, PlayerSettingsInvertFullscreenAndKeepTheOtherKeys) {
  start();
  form->FullscreenCheckBox->setChecked(true);
  form->ManuellCheckBox->setChecked(true);
  form->ONRadioButton->setChecked(true);
  form->FEffectNumber = 12;
  form->SaveGeneratorSettings();
  form->WritePlayerSettings();
  const kalvora::IniFile player(form->FArchiveRoot + "Settings.ini");
  EXPECT_EQ(player.readString("SETTINGS", "Fullscreen"), "FALSE");
  EXPECT_EQ(player.readString("SETTINGS", "Manuell"), "TRUE");
  EXPECT_EQ(player.readString("SETTINGS", "EffectMode"), "ON");
  EXPECT_EQ(player.readString("SETTINGS", "Effect"), "12");
  EXPECT_EQ(player.readString("SETTINGS", "Speed"), "3");  // shipped key kept
  EXPECT_EQ(kalvora::IniFile(appDir + "Generator.ini").readString("SETTINGS", "Fullscreen"), "TRUE");
}
