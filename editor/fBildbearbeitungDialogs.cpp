// The editor's menu entries that open a dialog (colour, effects, text, frames, warp) and the
// hand-over to and from the effect host. Each dialog commits its result through the step
// protocol (EditStep.h): one undoable step, or nothing when it is cancelled or fails.
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <memory>

#include "Bitmap24Qt.h"
#include "EditorFiles.h"
#include "FxDrawImage.h"
#include "PainterEffectsLink.h"
#include "Prompter.h"
#include "PxPaint.h"
#include "PxProcess.h"
#include "fBildbearbeitung.h"
#include "fMorph.h"
#include "fSize.h"

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

void inform(const QString& text) {
  kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}

TForm* programWindow(const char* instanceName) {
  return qobject_cast<TForm*>(FindProgramWindow(QString::fromLatin1(instanceName)));
}

QImage readWorkingCopy(const QString& path) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  return reader.read();
}
}  // namespace

void TBildbeaerbeitungForm::LoadWorkingCopyIntoArt() {
  const QImage img = readWorkingCopy(session_.WorkingCopyPath());
  if (!img.isNull()) Art->setPicture(img.convertToFormat(QImage::Format_RGB888));
}

void TBildbeaerbeitungForm::LoadPreviewIntoArt() {
  const QImage img = readWorkingCopy(session_.WorkingCopyPath());
  if (img.isNull() || img.width() <= 0) return;
  // 199 pixels wide; the height is kept within 1..2000 for extreme side ratios.
  const int h = std::clamp(int(std::nearbyint(199.0 * img.height() / img.width())), 1, 2000);
  const QImage preview = img.scaled(199, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB888);
  TempImage->setPixmap(QPixmap::fromImage(preview));
  Art->setPicture(preview);
}

bool TBildbeaerbeitungForm::StoreArtResult(int sharpen) {
  const QImage result = kalvora::ToQImage(Art->WorkBitmap);
  px::Bitmap bmp;
  editor::EditStep step = session_.BeginStep();
  if (!step.IsOpen()) return false;
  if (result.isNull() || px::FromQImage(result, bmp) != 1) {
    step.Rollback(u("Das Ergebnis des Effekts ist leer."));
    return false;
  }
  if (sharpen) px::SharpenBitmap(bmp, sharpen);
  return step.CommitPicture(bmp);
}

void TBildbeaerbeitungForm::RunMenuDialog(const QString& button) {
  SetEditMode();
  ZuschneidenPanel->hide();
  RedeyePanel->hide();
  if (!session_.EnsureWorkingCopy()) return;
  const QString folder = FProgramFolder;
  editor::LinkPainterEffects(this);
  if (button == "Image12") {
    // The dialog's "Original" shows the host's picture as it opens: this picture, not the one
    // of an earlier showing.
    LoadPreviewIntoArt();
    Art->AutoEnhance();
  } else if (button == "Image14" || button == "Image17") {
    LoadPreviewIntoArt();
    Art->ShowEffects(button == "Image14");
  } else if (button == "Image15" || button == "Image16") {
    if (TForm* f = programWindow("PicEffectsForm")) {
      f->setProperty("Mode", button == "Image15" ? "RGB" : "SHARPEN");
      f->ShowModal();
    }
  } else if (button == "Image20") {
    // The text dialog draws into its own copy of the picture ("Text.jpg").
    TForm* f = programWindow("TextForm");
    PicImageControl* pic = f ? f->findChild<PicImageControl*>("PicImage1") : nullptr;
    const QString text = folder + "Text.jpg";
    if (!f || !pic || !editor::CopyFileAtomic(session_.WorkingCopyPath(), text)) return;
    pic->Load(text, 0, 1, 1);
    if (f->ShowModal() == kalvora::mrOk && pic->IsAllocated()) {
      editor::EditStep step = session_.BeginStep();
      if (step.IsOpen() && step.CommitPicture(pic->Bitmap())) FitPicture();
      QFile::remove(text);
    }
  } else if (button == "Image21") {
    // The frames dialog reads the picture from "rahmen.jpg" and hands its result back as a
    // bitmap (its "ErgebnisBitmap"); "rahmen.jpg" goes in every case.
    TForm* f = programWindow("RahmenForm");
    if (!f) {
      inform(u("Diese Funktion steht noch nicht zur Verfügung."));
      return;
    }
    const QString rahmen = folder + "rahmen.jpg";
    QString error;
    if (!editor::CopyFileAtomic(session_.WorkingCopyPath(), rahmen, &error)) {
      QFile::remove(rahmen);
      kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, QString(), error, kalvora::mbOk);
      return;
    }
    f->setProperty("FPicturePath", rahmen);
    const bool ok = f->ShowModal() == kalvora::mrOk;
    const QImage result = ok ? f->property("ErgebnisBitmap").value<QImage>() : QImage();
    QFile::remove(rahmen);
    px::Bitmap bmp;
    // OK is only possible with a preview; an empty one changes nothing.
    if (result.isNull() || px::FromQImage(result.convertToFormat(QImage::Format_RGB888), bmp) != 1) return;
    editor::EditStep step = session_.BeginStep();
    if (step.IsOpen() && step.CommitPicture(bmp)) FitPicture();
  } else if (button == "Image21" || button == "Image22") {
    // The frames and warp dialogs leave their result in "Temp.bmp"; a file of an earlier run
    // must never count as this one's result.
    const QString result = folder + editor::DialogResultName;
    const QString rahmen = folder + "rahmen.jpg";
    QFile::remove(result);
    // The warp dialog is made for this one use and freed after it.
    std::unique_ptr<TMorphForm> morph;
    if (button == "Image22") {
      morph = std::make_unique<TMorphForm>(folder, this);
      if (!morph->Ready()) {
        inform(morph->LoadError());
        return;
      }
    }
    TForm* f = morph ? morph.get() : programWindow("RahmenForm");
    if (!f) {
      inform(u("Diese Funktion steht noch nicht zur Verfügung."));
      return;
    }
    if (button == "Image21") {
      editor::CopyFileAtomic(session_.WorkingCopyPath(), rahmen);
      f->setProperty("FPicturePath", rahmen);
    }
    if (f->ShowModal() == kalvora::mrOk && QFile::exists(result)) {
      editor::EditStep step = session_.BeginStep();
      if (step.IsOpen() && step.CommitFile(result)) FitPicture();
    }
    QFile::remove(rahmen);
  }
}

void TBildbeaerbeitungForm::Image10Click() {
  PicImageControl* v = BildbViewPicImage;
  if (!SizeForm || !v->IsAllocated()) return;
  SetEditMode();
  session_.EnsureWorkingCopy();
  ZuschneidenPanel->hide();
  RedeyePanel->hide();
  SizeForm->FOrgWidth = v->BitmapWidth();
  SizeForm->FOrgHeight = v->BitmapHeight();
  if (SizeForm->ShowModal() != kalvora::mrOk) return;
  const int w = SizeForm->FNewWidth, h = SizeForm->FNewHeight;
  // 0 in either side means no change; the dialog refuses negative and too large sizes.
  if (w <= 0 || h <= 0 || w > TSizeForm::MaxSide || h > TSizeForm::MaxSide) return;
  editor::EditStep step = session_.BeginStep();
  if (!step.IsOpen()) return;
  try {
    v->Size(w, h, 2);
  } catch (const std::exception& e) {
    step.Rollback(u("Die Größe konnte nicht geändert werden:\n%1").arg(QString::fromUtf8(e.what())));
    return;
  }
  if (step.CommitView()) FitPicture();
}
