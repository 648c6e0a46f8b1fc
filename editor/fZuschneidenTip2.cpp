#include "fZuschneidenTip2.h"

#include "TipWindow.h"

TZuschneidenTipForm2* ZuschneidenTipForm2 = nullptr;

TZuschneidenTipForm2::TZuschneidenTipForm2(QWidget* parent) : TForm("ZuschneidenTipForm2", parent) {
  const TipWindowParts parts = BuildTipWindow(
      this, QString::fromUtf8("Zuschneiden unter Berücksichtigung der Seitenverhältnisse"),
      QString::fromUtf8("Digitalbilder haben meist ein anderes Seitenverhältnis als Fotoabzüge. Damit beim Abzug "
                        "nichts Wichtiges abgeschnitten wird, bereiten Sie Ihre Bilder vorher in der "
                        "Bildbearbeitung mit „Für Fotoabzüge zuschneiden“ vor."),
      true);
  TitleLabel = parts.title;
  HintLabel = parts.text;
  CheckBox1 = parts.checkBox;
  OkBitBtn = parts.next;
  connect(OkBitBtn, &QPushButton::clicked, this, [this] { CloseBitBtnClick(); });
}

void TZuschneidenTipForm2::CloseBitBtnClick() { CloseTipWindow(this, FProgramFolder, CheckBox1, "NoZuschneidenTip2.ini"); }
