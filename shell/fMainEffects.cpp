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
  PicImage1->BackErase = true;
  const EffectSettings e = ParseEffectLine(FEffectsList[n - 1]);
  PicImage1->EffectDelay = e.EffectDelay;
  PicImage1->EffectGrain = e.EffectGrain;
  PicImage1->PaintMaxPasses = e.PaintMaxPasses;
  PicImage1->PaintEffect = e.PaintEffect;
  PicImage1->WandColor = Qt::black;
  PicImage1->WandSize = e.WandSize;
  PicImage1->BackErase = false;
  PicImage1->repaint();
}

void TMainForm::Hilfedatei1Click() {
  const QString page = FAppDir + "help/" + HelpFileName;
  if (!QFileInfo(page).isFile() || !ShellOpenDocument(page))
    kalvora::CurrentPrompter().message(
        kalvora::MsgKind::Information, QString(),
        "Unable to start internet browser! Make sure you have it properly set-up on your system!", kalvora::mbOk);
}
