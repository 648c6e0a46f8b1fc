#include "fZuschneidenTip.h"

#include "TipWindow.h"

TZuschneidenTipForm* ZuschneidenTipForm = nullptr;

TZuschneidenTipForm::TZuschneidenTipForm(QWidget* parent) : TForm("ZuschneidenTipForm", parent) {
  const TipWindowParts parts = BuildTipWindow(
      this, QString::fromUtf8("Zuschneiden unter Berücksichtigung der Seitenverhältnisse"),
      QString::fromUtf8("Wählen Sie rechts das Format Ihrer Fotoabzüge (9 x 13, 10 x 15, 13 x 18 oder 20 x 30) und "
                        "die Ausrichtung. Ziehen Sie dann mit gedrückter Maustaste über das Bild: der Rahmen behält "
                        "das Seitenverhältnis des Formats, so wird beim Abzug nichts abgeschnitten. Mit "
                        "„Zuschneiden“ wird der markierte Bereich übernommen."),
      true);
  TitleLabel = parts.title;
  HintLabel = parts.text;
  CheckBox1 = parts.checkBox;
  OkBitBtn = parts.next;
  connect(OkBitBtn, &QPushButton::clicked, this, [this] { CloseBitBtnClick(); });
}

void TZuschneidenTipForm::CloseBitBtnClick() { CloseTipWindow(this, FProgramFolder, CheckBox1, "NoZuschneidenTip.ini"); }
