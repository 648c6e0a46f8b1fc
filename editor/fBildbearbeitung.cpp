#include "fBildbearbeitung.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPixmap>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

#include "AppDir.h"
#include "BusyCursor.h"
#include "FxDrawImage.h"
#include "Prompter.h"
#include "ShellConstants.h"
#include "fMain.h"

TBildbeaerbeitungForm* BildbeaerbeitungForm = nullptr;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

}  // namespace

TBildbeaerbeitungForm::TBildbeaerbeitungForm(QWidget* parent) : TForm("BildbeaerbeitungForm", parent) {
  setWindowTitle(u("Bildbearbeitung"));
  resize(1016, 657);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  Panel4 = new QWidget(this);
  Panel4->setObjectName("Panel4");
  auto* bannerRow = new QHBoxLayout(Panel4);
  bannerRow->setContentsMargins(0, 0, 0, 0);
  Image1 = new QLabel(Panel4);
  Image1->setObjectName("Image1");
  bannerRow->addWidget(Image1);
  bannerRow->addStretch(1);
  root->addWidget(Panel4);

  auto* middle = new QHBoxLayout();
  middle->setSpacing(0);
  root->addLayout(middle, 1);
  WorkPanel = new QWidget(this);
  WorkPanel->setObjectName("WorkPanel");
  auto* work = new QVBoxLayout(WorkPanel);
  work->setContentsMargins(0, 0, 0, 0);
  BildbViewPicImage = new PicImageControl(WorkPanel);
  BildbViewPicImage->setObjectName("BildbViewPicImage");
  BildbViewPicImage->SetBackColor(0xFFFFFF);
  BildbViewPicImage->SetCenterImage(true);
  BildbViewPicImage->SetAutoScroll(false);
  BildbViewPicImage->setCursor(Qt::CrossCursor);
  PicImage1 = BildbViewPicImage;
  work->addWidget(BildbViewPicImage, 1);
  buildZoomPanel(WorkPanel);
  middle->addWidget(WorkPanel, 1);

  auto* side = new QWidget(this);
  side->setObjectName("SidePanels");
  side->setFixedWidth(170);
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  buildMenu(side);
  buildCropPanel(side);
  buildRedeyePanel(side);
  // As wide as the eye colours need in this font ("Pupillenfarbe (Schwarz)" uncut).
  const QMargins m = RedeyePanel->layout()->contentsMargins();
  side->setFixedWidth(std::max(170, ComboBox1->sizeHint().width() + m.left() + m.right()));
  middle->addWidget(side);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  root->addWidget(StatusBar1);

  // Hidden helpers.
  ThumbPicImage = new PicImageControl(this);
  ThumbPicImage->setObjectName("ThumbPicImage");
  ThumbPicImage->hide();
  TempPicImage = new PicImageControl(this);
  TempPicImage->setObjectName("TempPicImage");
  TempPicImage->hide();
  TempImage = new QLabel(this);
  TempImage->setObjectName("TempImage");
  TempImage->hide();
  Art = new kalvora::TFxDrawImage(this);
  Art->setObjectName("Art");
  Art->hide();

  // FormCreate: the banner and the first eye colour.
  const QString folder = MainForm ? MainForm->FAppDir : kalvora::ProgramFolder();
  QPixmap banner(folder + "recom/" + BannerPictureName);
  if (!banner.isNull()) Image1->setPixmap(banner);
  ComboBox1->setCurrentIndex(0);

  // The view's own mouse handling runs first; these follow it.
  BildbViewPicImage->OnMouseDown = [this](TPicImage*, TPicImage::TMouseButton b, int, int x, int y) {
    if (b == TPicImage::mbLeft) guarded(u("Auswahl"), [&] { ViewMouseDown(x, y); });
  };
  BildbViewPicImage->OnMouseMove = [this](TPicImage*, int, int x, int y) {
    guarded(u("Auswahl"), [&] { ViewMouseMove(x, y); });
  };
  BildbViewPicImage->OnMouseUp = [this](TPicImage*, TPicImage::TMouseButton b, int, int x, int y) {
    if (b == TPicImage::mbLeft) guarded(u("Auswahl"), [&] { ViewMouseUp(x, y); });
  };
  BildbViewPicImage->OnChange = [this](TPicImage*) { ViewChanged(); };

  OnThumbnailRefresh = [](const QString& source) {
    // From the picture's own file the main window also shows it again in its preview.
    if (MainForm) MainForm->RefreshSelectedThumbnail(source == MainForm->FCurrentPicturePath ? QString() : source);
  };
  editor::EditSession::Hooks hooks;
  hooks.committed = [this](const QString& workingCopy) { afterCommit(workingCopy); };
  hooks.stateChanged = [this] { refreshButtons(); };
  hooks.report = [this](const QString& text) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, windowTitle(), text, kalvora::mbOk);
  };
  session_.SetHooks(hooks);
}

TBildbeaerbeitungForm::~TBildbeaerbeitungForm() {
  if (BildbeaerbeitungForm == this) BildbeaerbeitungForm = nullptr;
}

void TBildbeaerbeitungForm::buildMenu(QWidget* side) {
  EffectsPanel = new QWidget(side);
  EffectsPanel->setObjectName("EffectsPanel");
  auto* outer = new QVBoxLayout(EffectsPanel);
  outer->setContentsMargins(0, 0, 0, 0);
  SelectVariablesPanel = new QWidget(EffectsPanel);
  SelectVariablesPanel->setObjectName("SelectVariablesPanel");
  SelectVariablesPanel->setAutoFillBackground(true);
  QPalette pal = SelectVariablesPanel->palette();
  pal.setColor(QPalette::Window, Qt::white);
  SelectVariablesPanel->setPalette(pal);
  auto* col = new QVBoxLayout(SelectVariablesPanel);
  col->setContentsMargins(11, 6, 11, 6);
  col->setSpacing(2);
  auto add = [&](TImageButton*& field, const char* name, const char* caption, bool heading = false) {
    field = new TImageButton(QString::fromLatin1(name), u(caption), heading, SelectVariablesPanel);
    col->addWidget(field);
  };
  add(Image2, "Image2", "Drehen und Spiegeln", true);
  add(Image3, "Image3", "Nach links drehen");
  add(Image4, "Image4", "Nach rechts drehen");
  add(Image5, "Image5", "Um 180° drehen");
  add(Image6, "Image6", "Horizontal spiegeln");
  add(Image7, "Image7", "Vertikal spiegeln");
  add(Image8, "Image8", "Zuschnitt und Größe", true);
  add(Image9, "Image9", "Frei zuschneiden");
  add(Image10, "Image10", "Größe verändern");
  add(Image11, "Image11", "Fotoabzug-Formate");
  add(Image13, "Image13", "Farbe und Effekte", true);
  add(Image12, "Image12", "Auto-Verbesserung");
  add(Image14, "Image14", "Helligkeit und Kontrast");
  add(Image15, "Image15", "Farbbalance");
  add(Image16, "Image16", "Schärfe");
  add(Image17, "Image17", "Malerische Effekte");
  add(Image18, "Image18", "Retusche und Extras", true);
  add(Image19, "Image19", "Rote Augen entfernen");
  add(Image20, "Image20", "Text einfügen");
  add(Image21, "Image21", "Rahmen");
  add(Image22, "Image22", "Verzerren");
  col->addSpacing(8);
  add(UndoImage, "UndoImage", "Rückgängig");
  add(RedoImage, "RedoImage", "Wiederherstellen");
  add(CloseImage, "CloseImage", "Schließen");
  col->addStretch(1);
  outer->addWidget(SelectVariablesPanel);
  side->layout()->addWidget(EffectsPanel);

  auto on = [this](TImageButton* b, const char* what, std::function<void()> fn) {
    connect(b, &TImageButton::clicked, this, [this, what, fn] { guarded(u(what), fn); });
  };
  on(Image3, "Drehen", [this] { ApplyRotation("-90"); });
  on(Image4, "Drehen", [this] { ApplyRotation("90"); });
  on(Image5, "Drehen", [this] { ApplyRotation("180"); });
  on(Image6, "Spiegeln", [this] { ApplyRotation("FlipV"); });
  on(Image7, "Spiegeln", [this] { ApplyRotation("FlipH"); });
  on(Image9, "Zuschneiden", [this] { Image9Click(); });
  on(Image10, "Größe", [this] { Image10Click(); });
  on(Image11, "Zuschneiden", [this] { Image11Click(); });
  for (TImageButton* b : {Image12, Image14, Image15, Image16, Image17, Image20, Image21, Image22}) {
    const QString name = b->objectName();
    connect(b, &TImageButton::clicked, this, [this, name] { guarded(name, [&] { RunMenuDialog(name); }); });
  }
  on(Image19, "Rote Augen", [this] { Image19Click(); });
  on(UndoImage, "Rückgängig", [this] { UndoImageClick(); });
  on(RedoImage, "Wiederherstellen", [this] { RedoImageClick(); });
  connect(CloseImage, &TImageButton::clicked, this, [this] { close(); });
}

void TBildbeaerbeitungForm::guarded(const QString& what, const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, u("Fehler"),
                                       u("„%1“ ist fehlgeschlagen:\n%2").arg(what, QString::fromUtf8(e.what())),
                                       kalvora::mbOk);
  } catch (...) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, u("Fehler"), u("„%1“ ist fehlgeschlagen.").arg(what),
                                       kalvora::mbOk);
  }
}

QString TBildbeaerbeitungForm::FormatName(int format) { return TMainForm::FileFormatName(format); }

void TBildbeaerbeitungForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  if (!event->spontaneous()) guarded(windowTitle(), [this] { FormShow(); });
}

void TBildbeaerbeitungForm::FormShow() {
  if (MainForm) {
    FPicturePath = MainForm->FCurrentPicturePath;
    FProgramFolder = MainForm->FAppDir;
    setWindowTitle(MainForm->windowTitle());
  }
  if (FProgramFolder.isEmpty()) FProgramFolder = kalvora::ProgramFolder();
  if (!FProgramFolder.endsWith('/')) FProgramFolder += '/';
  FSelecting = FSelValid = false;
  FSelStartX = FSelStartY = FSelWidth = FSelHeight = 0;
  FPanActive = false;
  FPanLastX = FPanLastY = FPanX = FPanY = FPanDeltaX = FPanDeltaY = 0;
  FPanDstRect = FPanSrcRect = QRect();
  FRedeyeActive = false;
  FChanged = false;
  FThumbnailRefreshes = 0;
  FRedeyeThreshold = ThersholdTrackBar->value();
  FRedeyeLightness = LighnessTrackBar->value();
  WorkPanel->show();
  showMenuPanel();
  ZoomPanel->show();
  XLabel->clear();
  layout()->activate();
  opened_ = session_.Open(BildbViewPicImage, FProgramFolder, FPicturePath);
  EffectsPanel->setEnabled(opened_);
  for (TImageButton* b : SelectVariablesPanel->findChildren<TImageButton*>()) b->setEnabled(opened_);
  CloseImage->setEnabled(true);
  refreshButtons();
  if (!opened_) {
    BildbViewPicImage->hide();
    StatusBar1->showMessage(QFileInfo(FPicturePath).fileName());
    // Nothing to edit: the window closes itself.
    QMetaObject::invokeMethod(this, [this] { reject(); }, Qt::QueuedConnection);
    return;
  }
  BildbViewPicImage->SetPaintSizeMode(BildbViewPicImage->BitmapHeight() <= BildbViewPicImage->height() ? smNormal
                                                                                                       : smFit);
  BildbViewPicImage->show();
  BildbViewPicImage->RepaintImage();
  UpdateInfoLine();
  SetEditMode();
  FEditMode = 0;
  BildbViewPicImage->SetRgnMouseMode(0);
  FitPicture();
}

void TBildbeaerbeitungForm::UpdateInfoLine() {
  PicImageControl* v = BildbViewPicImage;
  QString s = "   ";
  const QString format = FormatName(v->InfoFormat());
  if (format == "NOT SUPPORTED") s = "     " + QString::number(v->InfoFormat());
  else s += format;
  s += "     " + QString::number(v->BitmapWidth()) + "x" + QString::number(v->BitmapHeight());
  s += "     " + QString::number(v->InfoBits()) + "Bit Farben  ";
  s += "     " + v->InfoText();
  StatusBar1->showMessage(QFileInfo(FPicturePath).fileName() + " " + s);
  StatusBar1->repaint();
}

void TBildbeaerbeitungForm::SetEditMode() {
  PicImageControl* v = BildbViewPicImage;
  v->SetAutoFloater(false);
  v->SetRgnFrameType(0);
  FSavedFrameType = v->RgnFrameType();
  v->setCursor(Qt::CrossCursor);
}

void TBildbeaerbeitungForm::refreshButtons() {
  UndoImage->setEnabled(opened_ && session_.CanUndo());
  UndoBitBtn1->setEnabled(UndoImage->isEnabled());
  RedoImage->setEnabled(opened_ && session_.CanRedo());
}

void TBildbeaerbeitungForm::afterCommit(const QString& workingCopy) {
  FChanged = true;
  SetEditMode();
  BildbViewPicImage->SetRgnMouseMode(0);
  ++FThumbnailRefreshes;
  if (OnThumbnailRefresh) OnThumbnailRefresh(workingCopy);
  UpdateInfoLine();
}

void TBildbeaerbeitungForm::showMenuPanel() {
  ZuschneidenPanel->hide();
  RedeyePanel->hide();
  EffectsPanel->show();
}

void TBildbeaerbeitungForm::reenterMode() {
  PicImageControl* v = BildbViewPicImage;
  if (FRedeyeActive) {
    FEditMode = 3;
    v->SetRgnMouseMode(3);
    v->SetRgnFrameType(2);
    v->setCursor(Qt::CrossCursor);
  } else {
    SetEditMode();
    FitPicture();
    v->setCursor(Qt::CrossCursor);
    if (v->IsAllocated() && v->HasRgn()) v->FreeRgn();
    v->SetRgnFrameType(FSavedFrameType);
    v->SetRgnMouseMode(FEditMode);
  }
}

void TBildbeaerbeitungForm::UndoImageClick() { stepHistory(&editor::EditSession::Undo); }

void TBildbeaerbeitungForm::RedoImageClick() { stepHistory(&editor::EditSession::Redo); }

void TBildbeaerbeitungForm::stepHistory(bool (editor::EditSession::*step)()) {
  PicImageControl* v = BildbViewPicImage;
  // Red-eye mode keeps the marked area over undo and redo.
  const QRegion region = FRedeyeActive && v->IsAllocated() ? v->Region() : QRegion();
  BusyCursor busy;
  if (!(session_.*step)()) {
    refreshButtons();
    return;
  }
  reenterMode();
  if (FRedeyeActive && !region.isEmpty()) {
    QRegion copy = region;
    v->SetRgnHandle(&copy, 0, 0, 1);
  }
}

bool TBildbeaerbeitungForm::FormClose() {
  if (opened_ && session_.UndoIndex() > 0) {
    const int answer = kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, windowTitle(),
                                                          u("Alle Änderungen an diesem Bild speichern?"),
                                                          kalvora::mbYes | kalvora::mbNo);
    if (answer != kalvora::mrNo) {
      BusyCursor busy;
      QString error;
      if (!session_.SaveBack(&error)) {
        kalvora::CurrentPrompter().message(
            kalvora::MsgKind::Error, windowTitle(),
            error + u("\n\nDas Bild ist unverändert geblieben. Ihre Bearbeitung bleibt im Editor geöffnet."),
            kalvora::mbOk);
        return false;
      }
    } else {
      session_.Discard();
    }
    FChanged = true;
    SetEditMode();
    BildbViewPicImage->SetRgnMouseMode(0);
    ++FThumbnailRefreshes;
    if (OnThumbnailRefresh) OnThumbnailRefresh(FPicturePath);
    UpdateInfoLine();
  }
  showMenuPanel();
  FRedeyeActive = false;
  FEditMode = 0;
  session_.Close();
  opened_ = false;
  return true;
}

void TBildbeaerbeitungForm::done(int result) {
  if (!closing_) {
    closing_ = true;
    bool ok = true;
    guarded(u("Schließen"), [&] { ok = FormClose(); });
    closing_ = false;
    if (!ok) return;
  }
  TForm::done(result);
}
