// The transition effect of the preview picture and the help page.
#include <QFileInfo>

#include "EffectList.h"
#include "Prompter.h"
#include "ShellConstants.h"
#include "ShellOpen.h"
#include "fMain.h"

void TMainForm::ApplyEffect(int n) {
  // A missing or short Effects.ini (already reported at start-up) leaves the preview as it is.
  if (n < 1 || n > FEffectsList.count()) return;
  PicImage1->SetBackErase(true);
  const QString line = FEffectsList[n - 1];
  // Field by field, as a failing field leaves the ones before it set.
  PicImage1->SetEffectDelay(unsigned(ParseEffectField(line, 2)));
  PicImage1->SetEffectGrain(unsigned(ParseEffectField(line, 3)));
  PicImage1->SetPaintMaxPasses(unsigned(ParseEffectField(line, 4)));
  PicImage1->SetPaintEffect(ParseEffectField(line, 1));
  PicImage1->SetWandColor(0);
  PicImage1->SetWandSize(unsigned(ParseEffectField(line, 5)));
  PicImage1->SetBackErase(false);
  PicImage1->repaint();
}

void TMainForm::Hilfedatei1Click() {
  OpenHelpPage(FAppDir + "help/" + HelpFileName);
}
