// Program settings (Generator.ini), the player's settings (Settings.ini in the archive root)
// and the handlers that keep the settings fields in step with their controls.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include "Colors.h"
#include "Drives.h"
#include "IniFile.h"
#include "ImagingHooks.h"
#include "SaveFailure.h"
#include "fMain.h"

namespace {
const QString kSettings = QStringLiteral("SETTINGS");
QString boolText(bool b) { return b ? QStringLiteral("TRUE") : QStringLiteral("FALSE"); }
}  // namespace

void TMainForm::LoadGeneratorSettings() {
  const kalvora::IniFile ini(FAppDir + "Generator.ini");
  FSecondsPerPicture = ini.readString(kSettings, "DefaultTime", "");
  SecEdit->setText(FSecondsPerPicture);
  EndlessPlayCheckBox->setChecked(ini.readString(kSettings, "StopDiashowAtEnd", "").toUpper() == "FALSE");
  FullscreenCheckBox->setChecked(ini.readString(kSettings, "Fullscreen", "").toUpper() != "FALSE");
  FullscreenCheckBoxClick();
  ManuellCheckBox->setChecked(ini.readString(kSettings, "Manuell", "").toUpper() != "FALSE");
  TextCheckBox->setChecked(ini.readString(kSettings, "PictureTextVisible", "").toUpper() == "TRUE");
  PictureNameCheckBox->setChecked(ini.readString(kSettings, "FileNameVisible", "").toUpper() == "TRUE");
  FBackgroundColor = TColorToQColor(ini.readInteger(kSettings, "BKGColor", 0));
  FTextColor = TColorToQColor(ini.readInteger(kSettings, "TextColor", 0));
  // Compared exactly: another value leaves the buttons as they are.
  const QString mode = ini.readString(kSettings, "EffectMode", "OFF");
  if (mode == "ON") ONRadioButton->setChecked(true);
  else if (mode == "OFF") OFFRadioButton->setChecked(true);
  else if (mode == "RANDOM") RNDRadioButton->setChecked(true);
  OFFRadioButtonClick();
  PrintPreviewCheckBox->setChecked(ini.readString(kSettings, "PrintPreview", "TRUE") == "TRUE");
  FEffectNumber = ini.readInteger(kSettings, "Effect", 1);
  SpinEdit1->setValue(FEffectNumber);  // limited to the effect lines; a change runs SpinEdit1Change
  FTextOffset = ini.readInteger(kSettings, "TextOffset", 0);
  SpinEdit2->setValue(FTextOffset);
  FDrive = ini.readString(kSettings, "Drive", "").trimmed();
  // A drive letter in Generator.ini names the home folder, like an empty value.
  if (DriveIsHome(FDrive)) FDrive.clear();
  else FDrive = QDir::cleanPath(FDrive);
  SelectDrive(FDrive);
}

void TMainForm::SelectDrive(const QString& drive) {
  int index = DriveComboBox1->findData(drive);
  if (index < 0) {
    DriveComboBox1->addItem(DriveDisplayName(drive), drive);
    index = DriveComboBox1->count() - 1;
  }
  if (DriveComboBox1->currentIndex() == index) DriveComboBox1Change();
  else DriveComboBox1->setCurrentIndex(index);
}

// The slideshow keys Generator.ini and the player's Settings.ini share, in their file order.
static void writeShowKeys(kalvora::IniFile& ini, const TMainForm& f, bool fullscreenValue) {
  ini.writeString(kSettings, "StopDiashowAtEnd", boolText(!f.EndlessPlayCheckBox->isChecked()));
  ini.writeString(kSettings, "Fullscreen", boolText(fullscreenValue));
  ini.writeString(kSettings, "Manuell", boolText(f.FullscreenCheckBox->isChecked() && f.ManuellCheckBox->isChecked()));
  ini.writeString(kSettings, "PictureTextVisible", boolText(f.TextCheckBox->isChecked()));
  ini.writeString(kSettings, "FileNameVisible", boolText(f.PictureNameCheckBox->isChecked()));
  ini.writeInteger(kSettings, "BKGColor", QColorToTColor(f.FBackgroundColor));
  ini.writeInteger(kSettings, "TextColor", QColorToTColor(f.FTextColor));
  if (f.OFFRadioButton->isChecked()) ini.writeString(kSettings, "EffectMode", "OFF");
  else if (f.ONRadioButton->isChecked()) ini.writeString(kSettings, "EffectMode", "ON");
  else if (f.RNDRadioButton->isChecked()) ini.writeString(kSettings, "EffectMode", "RANDOM");
  ini.writeInteger(kSettings, "Effect", f.FEffectNumber);
  ini.writeInteger(kSettings, "TextOffset", f.FTextOffset);
}

bool TMainForm::SaveGeneratorSettings() {
  kalvora::IniFile ini(FAppDir + "Generator.ini");
  kalvora::IniFile::Batch batch(ini);
  ini.writeString(kSettings, "DefaultTime", FSecondsPerPicture);
  writeShowKeys(ini, *this, FullscreenCheckBox->isChecked());
  ini.writeString(kSettings, "PrintPreview", boolText(PrintPreviewCheckBox->isChecked()));
  ini.writeString(kSettings, "SourcePicturesPath", FSourceFolder);
  ini.writeString(kSettings, "Drive", FDrive);
  if (batch.commit()) return true;
  shellwin::ReportSettingsNotSaved(ini.fileName(), ini.lastFailure());
  return false;
}

bool TMainForm::WritePlayerSettings() {
  kalvora::IniFile ini(FArchiveRoot + "Settings.ini");
  kalvora::IniFile::Batch batch(ini);
  // The player reads Fullscreen the other way round.
  writeShowKeys(ini, *this, !FullscreenCheckBox->isChecked());
  // The slideshow to play: an unchanged Diashow.ini is not rewritten, so its age names nothing.
  ini.writeString(kSettings, "Diashow", FArchiveFolder);
  if (batch.commit()) return true;
  shellwin::ReportSettingsNotSaved(ini.fileName(), ini.lastFailure());
  return false;
}

void TMainForm::FullscreenCheckBoxClick() { ManuellCheckBox->setVisible(FullscreenCheckBox->isChecked()); }

void TMainForm::OFFRadioButtonClick() { EffectPanel->setVisible(ONRadioButton->isChecked()); }

void TMainForm::SpinEdit1Change() {
  if (SpinEdit1->value() > 127) {
    SpinEdit1->setValue(127);  // runs this handler again
    return;
  }
  FEffectNumber = SpinEdit1->value();
  // The box shows the new number at once. A preview plays for seconds without taking keys, so
  // it waits until the choices stop coming; those it would have shown are overtaken.
  if (FEffectPreviewTimer) FEffectPreviewTimer->start();
  else PlayEffectPreview();
}

void TMainForm::PlayEffectPreview() {
  if (FEffectPreviewTimer) FEffectPreviewTimer->stop();
  if (OnEffectPreview) OnEffectPreview(FEffectNumber);
  FPreviewToggle = !FPreviewToggle;
  try {
    ApplyEffect(FEffectNumber);
  } catch (const std::exception&) {
    // A broken effect line leaves the preview as it was.
  }
  PicImage1->SetPaintSizeMode(PicFitMode);
  LoadPictureInto(PicImage1, FAppDir + (FPreviewToggle ? "Preview1.jpg" : "Preview2.jpg"));
  // Played to its end here: nothing of this preview is left to play after keys that came
  // meanwhile have chosen another effect.
  PicImage1->repaint();
}

void TMainForm::SpinEdit2Change() { FTextOffset = SpinEdit2->value(); }

void TMainForm::DriveComboBox1Change() {
  if (DriveComboBox1->currentIndex() >= 0) FDrive = DriveComboBox1->currentData().toString();
}

void TMainForm::TitleEditChange() { FDiashowTitle = TitleEdit->text(); }

void TMainForm::SecEditChange() { FSecondsPerPicture = SecEdit->text(); }
