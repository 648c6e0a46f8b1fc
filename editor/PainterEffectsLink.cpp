#include "PainterEffectsLink.h"

#include <QVariant>

#include "Bitmap24Qt.h"
#include "FxDrawImage.h"
#include "PainterEffectsF.h"
#include "PxPaint.h"
#include "PxProcess.h"
#include "fBildbearbeitung.h"

namespace editor {

namespace {
// The host's result (sharpened for the automatic enhancement) as one step.
bool storeResult(TBildbeaerbeitungForm* form, bool sharpen) {
  if (!form->Steps().IsOpenFor()) return false;
  if (!form->StoreArtResult(sharpen ? 850 : 0)) return false;
  form->FitPicture();
  return true;
}

bool carries(const QWidget* w, const QWidget* dialog) {
  for (const QWidget* p = dialog; p; p = p->parentWidget())
    if (p == w) return true;
  return false;
}

// While the automatic face is open nothing else in the editor may make a step: its OK stores
// the picture it was computed from. The dialog's own parents stay enabled: a disabled parent
// disables the dialog window with it, and its OK and Abbrechen would be dead.
void holdSteps(TBildbeaerbeitungForm* form, QWidget* dialog, bool running) {
  for (QObject* child : form->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w && !w->isWindow() && !carries(w, dialog)) w->setEnabled(!running);
  }
}
}  // namespace

void LinkPainterEffects(TBildbeaerbeitungForm* form) {
  if (!form || !form->Art) return;
  auto* dlg = dynamic_cast<kalvora::TPainterEffectsF*>(form->Art->EffectsDialog());
  if (!dlg) return;
  dlg->ProgramFolder = form->FProgramFolder;
  if (dlg->property("kalvoraLinked").toBool()) return;
  dlg->setProperty("kalvoraLinked", true);
  dlg->LoadWorkingCopy = [form] { form->LoadWorkingCopyIntoArt(); };
  dlg->StoreResult = [form](bool sharpen) { return storeResult(form, sharpen); };
  dlg->OnModelessRunning = [form, dlg](bool running) { holdSteps(form, dlg, running); };
  // The editor closing ends the automatic face without a step.
  QObject::connect(form, &QDialog::finished, dlg, [dlg] {
    if (dlg->isVisible()) dlg->AbortBitBtnClick();
  });
}

}  // namespace editor
