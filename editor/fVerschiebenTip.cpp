#include "fVerschiebenTip.h"

#include "Prompter.h"
#include "TipWindow.h"

TVerschiebenTipForm* VerschiebenTipForm = nullptr;

TVerschiebenTipForm::TVerschiebenTipForm(QWidget* parent) : TForm("VerschiebenTipForm", parent) {
  const TipWindowParts parts = BuildTipWindow(
      this, QString::fromUtf8("Bild verschieben (Auswahl Bildauschnitt)"),
      QString::fromUtf8("Den sichtbaren Bildausschnitt wählen Sie, indem Sie das Bild mit gedrückter linker "
                        "Maustaste verschieben. Das geht nur, wenn das Bild durch den Zoom größer als die "
                        "Anzeigefläche ist."),
      false);
  TitleLabel = parts.title;
  HintLabel = parts.text;
  OkBitBtn = parts.next;
  connect(OkBitBtn, &QPushButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}
