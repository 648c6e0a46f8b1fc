#include "PainterEffectsF.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "Bitmap24Qt.h"
#include "EffectsLayout.h"
#include "FxDrawImage.h"

namespace kalvora {

const int TPainterEffectsF::TreeIndexes[TreeCount] = {16, 25, 41, 42, 53, 54, 3,  5,  6,  8, 9,
                                                      10, 11, 26, 27, 28, 29, 30, 31, 49, 50};

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

QLabel* makePicture(QWidget* parent, const char* name) {
  auto* l = NamedLabel(parent, name, QString());
  l->setMinimumSize(200, 150);
  l->setAlignment(Qt::AlignCenter);
  l->setFrameShape(QFrame::StyledPanel);
  l->setFrameShadow(QFrame::Sunken);
  return l;
}

void showScaled(QLabel* label, const QImage& img) {
  if (img.isNull()) {
    label->clear();
    return;
  }
  const QSize box = label->size().expandedTo(QSize(200, 150));
  label->setPixmap(QPixmap::fromImage(img.width() > box.width() || img.height() > box.height()
                                          ? img.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation)
                                          : img));
}
}  // namespace

TPainterEffectsF::TPainterEffectsF(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PainterEffectsF"));
  setWindowTitle(QStringLiteral("Effekte"));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(640, 520);

  auto* layout = new QVBoxLayout(this);
  AddPreviewRow(layout, this, [this] { return Image1 = makePicture(this, "Image1"); },
                [this] { return Image = makePicture(this, "Image"); });

  HelligkeitPanel = NamedPanel(this, "HelligkeitPanel");
  EffectPanel = NamedPanel(this, "EffectPanel");
  AutomaticPanel = NamedPanel(this, "AutomaticPanel");
  AutomaticPanel->setVisible(false);
  layout->addWidget(HelligkeitPanel);
  layout->addWidget(EffectPanel);
  layout->addWidget(AutomaticPanel);

  // Brightness, contrast and colour.
  auto* adjust = new QGridLayout(HelligkeitPanel);
  adjust->addWidget(NamedLabel(HelligkeitPanel, "Label8", u("Helligkeit - Kontrast - Farbe")), 0, 0, 1, 2);
  HelligkeitLabel = NamedLabel(HelligkeitPanel, "HelligkeitLabel", u("Helligkeit: 0"));
  HelligkeitTrackBar = NamedBar(HelligkeitPanel, "HelligkeitTrackBar", -255, 255, 0, 51);
  KontrastLabel = NamedLabel(HelligkeitPanel, "KontrastLabel", u("Kontrast: 0"));
  KontrastTrackBar = NamedBar(HelligkeitPanel, "KontrastTrackBar", -255, 255, 0, 25);
  FarbeLabel = NamedLabel(HelligkeitPanel, "FarbeLabel", u("Farbe: 0"));
  FarbeTrackBar = NamedBar(HelligkeitPanel, "FarbeTrackBar", 0, 500, 250, 25);
  adjust->addWidget(HelligkeitLabel, 1, 0);
  adjust->addWidget(HelligkeitTrackBar, 1, 1);
  adjust->addWidget(KontrastLabel, 2, 0);
  adjust->addWidget(KontrastTrackBar, 2, 1);
  adjust->addWidget(FarbeLabel, 3, 0);
  adjust->addWidget(FarbeTrackBar, 3, 1);
  ZuruecksetzenButton = new QPushButton(u("Zurücksetzen"), HelligkeitPanel);
  ZuruecksetzenButton->setObjectName("ZuruecksetzenButton");
  adjust->addWidget(ZuruecksetzenButton, 4, 1, Qt::AlignRight);

  // The effect tree and its strength bar.
  auto* effectLayout = new QVBoxLayout(EffectPanel);
  effectLayout->addWidget(NamedLabel(EffectPanel, "Label9", u("Effekte")));
  effectLayout->addWidget(NamedLabel(EffectPanel, "Label10", u("Bewegen Sie den Regler um den Effekt anzuzeigen!")));
  ETree = new QTreeWidget(EffectPanel);
  ETree->setObjectName("ETree");
  ETree->setHeaderHidden(true);
  ETree->setRootIsDecorated(false);
  ETree->setMouseTracking(true);
  ETree->setMinimumHeight(120);
  for (int index : TreeIndexes) {
    auto* item = new QTreeWidgetItem(ETree, {u(TFxDrawImage::EffectTable()[std::size_t(index)].treeLabel)});
    item->setData(0, Qt::UserRole, index);
  }
  effectLayout->addWidget(ETree, 1);
  effectLayout->addWidget(NamedLabel(EffectPanel, "Label1", u("Effektstärke weniger/mehr")));
  EBar = NamedBar(EffectPanel, "EBar", 1, 16, 1);
  effectLayout->addWidget(EBar);
  extrabar = NamedBar(EffectPanel, "extrabar", 1, 300, 1);
  extrabar->setVisible(false);
  cxbar = NamedBar(EffectPanel, "cxbar", 0, 100, 0);
  cxbar->setVisible(false);
  cybar = NamedBar(EffectPanel, "cybar", 0, 100, 0);
  cybar->setVisible(false);

  // The automatic enhancement's notice.
  auto* autoLayout = new QVBoxLayout(AutomaticPanel);
  Label16 = NamedLabel(AutomaticPanel, "Label16", u("Automatische Bildverbesserung"));
  Label11 = NamedLabel(AutomaticPanel, "Label11",
                      u("Automatische Bildverbesserung wurde ausgeführt! Bitte drücken Sie die OK-Taste wenn Sie "
                        "mit dem Ergebnis einverstanden sind!"));
  Label11->setWordWrap(true);
  autoLayout->addWidget(Label16);
  autoLayout->addWidget(Label11);

  auto* buttonPanel = NamedPanel(this, "ButtonPanel");
  auto* buttons = new QHBoxLayout(buttonPanel);
  buttons->addStretch(1);
  SaveBitBtn = new QPushButton(u("OK"), buttonPanel);
  SaveBitBtn->setObjectName("SaveBitBtn");
  SaveBitBtn->setDefault(true);  // Return confirms
  AbortBitBtn = new QPushButton(u("Abbrechen"), buttonPanel);
  AbortBitBtn->setObjectName("AbortBitBtn");
  AbortBitBtn->setAutoDefault(false);  // focused from an earlier click it must not take Return
  buttons->addWidget(SaveBitBtn);
  buttons->addWidget(AbortBitBtn);
  layout->addWidget(buttonPanel);

  for (QSlider* s : {EBar, cxbar, extrabar, cybar}) connect(s, &QSlider::valueChanged, this, [this] { EBarChange(); });
  for (QSlider* s : {HelligkeitTrackBar, KontrastTrackBar, FarbeTrackBar}) {
    connect(s, &QSlider::valueChanged, this, [this, s] { adjustBarChange(s); });
    connect(s, &QSlider::sliderReleased, this, [this, s] { adjustBarChange(s); });
  }
  connect(ETree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (item) EListClick(item->data(0, Qt::UserRole).toInt());
  });
  connect(ZuruecksetzenButton, &QPushButton::clicked, this, [this] { ZuruecksetzenButtonClick(); });
  connect(SaveBitBtn, &QPushButton::clicked, this, [this] { SaveBitBtnClick(); });
  connect(AbortBitBtn, &QPushButton::clicked, this, [this] { AbortBitBtnClick(); });
}

TPainterEffectsF::~TPainterEffectsF() = default;

QSlider* TPainterEffectsF::slider(Bar bar) const {
  switch (bar) {
    case FxEffectsDialog::EBar: return this->EBar;
    case FxEffectsDialog::extrabar: return this->extrabar;
    case FxEffectsDialog::cxbar: return this->cxbar;
    case FxEffectsDialog::cybar: return this->cybar;
  }
  return nullptr;
}

QWidget* TPainterEffectsF::panel(Panel p) const {
  switch (p) {
    case FxEffectsDialog::HelligkeitPanel: return this->HelligkeitPanel;
    case FxEffectsDialog::EffectPanel: return this->EffectPanel;
    case FxEffectsDialog::AutomaticPanel: return this->AutomaticPanel;
  }
  return nullptr;
}

int TPainterEffectsF::barPosition(Bar bar) const { return slider(bar)->value(); }

// Set by the host: no bar handler runs (the host is in the middle of an operation).
void TPainterEffectsF::setBarPosition(Bar bar, int position) {
  QSignalBlocker block(slider(bar));
  slider(bar)->setValue(position);
}

int TPainterEffectsF::barMaximum(Bar bar) const { return slider(bar)->maximum(); }

void TPainterEffectsF::setBarMaximum(Bar bar, int maximum) {
  QSignalBlocker block(slider(bar));
  slider(bar)->setMaximum(maximum);
}

void TPainterEffectsF::setPanelVisible(Panel p, bool visible) {
  panelShown_[p] = visible;
  panel(p)->setVisible(visible);
}

bool TPainterEffectsF::panelVisible(Panel p) const { return panelShown_[p]; }

void TPainterEffectsF::showPreview(const Bitmap24& picture) {
  preview_ = ToQImage(picture);
  showScaled(Image, preview_);
  Image->repaint();
}

int TPainterEffectsF::showModal() { return exec(); }

void TPainterEffectsF::showModeless() {
  modeless_ = true;
  if (OnModelessRunning) OnModelessRunning(true);
  show();
}

void TPainterEffectsF::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TPainterEffectsF::FormShow() {
  if (host_) showScaled(Image1, host_->Picture());
  SelectedEffect = -1;
  ETree->clearSelection();
  ETree->setCurrentItem(nullptr);
  setAdjustBars(0, 250, 0);
  FAdjustDirty = true;
  UpdateAdjustPreview();
  SaveBitBtn->setEnabled(false);
}

void TPainterEffectsF::setAdjustBars(int brightness, int color, int contrast) {
  for (QSlider* s : {HelligkeitTrackBar, KontrastTrackBar, FarbeTrackBar}) s->blockSignals(true);
  HelligkeitTrackBar->setValue(brightness);
  FarbeTrackBar->setValue(color);
  KontrastTrackBar->setValue(contrast);
  for (QSlider* s : {HelligkeitTrackBar, KontrastTrackBar, FarbeTrackBar}) s->blockSignals(false);
  readAdjustBars();
}

void TPainterEffectsF::readAdjustBars() {
  FBrightness = HelligkeitTrackBar->value();
  FColor = FarbeTrackBar->value();
  FContrast = KontrastTrackBar->value();
  HelligkeitLabel->setText(u("Helligkeit: ") + QString::number(FBrightness));
  FarbeLabel->setText(u("Farbe: ") + QString::number(FColor - 250));
  KontrastLabel->setText(u("Kontrast: ") + QString::number(FContrast));
}

// Held by the mouse: remembered; the preview follows on the release.
void TPainterEffectsF::adjustBarChange(QSlider* bar) {
  if (bar->isSliderDown()) {
    FAdjustDirty = true;
    return;
  }
  FAdjustDirty = true;
  UpdateAdjustPreview();
}

void TPainterEffectsF::UpdateAdjustPreview() {
  if (!FAdjustDirty) return;
  readAdjustBars();
  if (host_) host_->AdjustColors(FBrightness, FColor, FContrast);
  writePrev();
  SaveBitBtn->setEnabled(true);
}

void TPainterEffectsF::ZuruecksetzenButtonClick() {
  setAdjustBars(0, 250, 0);
  FAdjustDirty = true;
  UpdateAdjustPreview();
}

void TPainterEffectsF::writePrev() {
  if (ProgramFolder.isEmpty() || preview_.isNull()) return;
  preview_.save(ProgramFolder + QStringLiteral("prev.jpg"), "JPG", 90);
}

void TPainterEffectsF::EListClick(int effectIndex) {
  if (effectIndex < 0 || effectIndex >= TFxDrawImage::EffectCount) return;
  SelectedEffect = effectIndex;
  SaveBitBtn->setEnabled(true);
  const FxEffectInfo& info = TFxDrawImage::EffectTable()[std::size_t(effectIndex)];
  {
    QSignalBlocker block(EBar);
    EBar->setMinimum(info.barMin);
    EBar->setMaximum(info.barMax);
    EBar->setValue(info.barStart);
  }
  EBarChange();
}

void TPainterEffectsF::EBarChange() {
  if (SelectedEffect < 0 || SelectedEffect >= TFxDrawImage::EffectCount) return;
  SaveBitBtn->setEnabled(true);
  if (host_) host_->RunEffect(SelectedEffect);
  writePrev();
}

// The choice applied to the whole working copy and handed to the editor as one step.
void TPainterEffectsF::SaveBitBtnClick() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool ok = true;
  if (host_ && panelShown_[FxEffectsDialog::HelligkeitPanel]) {
    if (LoadWorkingCopy) LoadWorkingCopy();
    readAdjustBars();
    FAdjustDirty = false;
    host_->AdjustColors(FBrightness, FColor, FContrast);
  }
  if (host_ && panelShown_[FxEffectsDialog::EffectPanel] && SelectedEffect >= 0) {
    const int strength = EBar->value();
    // The centre bars were set for the preview: they keep their place relative to the picture.
    const int oldW = std::max(1, cxbar->maximum()), oldH = std::max(1, cybar->maximum());
    const int cx = cxbar->value(), cy = cybar->value();
    if (LoadWorkingCopy) LoadWorkingCopy();
    const QImage& whole = host_->Picture();
    if (!whole.isNull()) {
      setBarMaximum(FxEffectsDialog::cxbar, whole.width());
      setBarPosition(FxEffectsDialog::cxbar, int(qint64(cx) * whole.width() / oldW));
      setBarMaximum(FxEffectsDialog::cybar, whole.height());
      setBarPosition(FxEffectsDialog::cybar, int(qint64(cy) * whole.height() / oldH));
    }
    setBarPosition(FxEffectsDialog::EBar, strength);
    EBarChange();
  }
  // The automatic enhancement's sharpening belongs to the result the user confirms.
  if (host_ && StoreResult) ok = StoreResult(panelShown_[FxEffectsDialog::AutomaticPanel]);
  QApplication::restoreOverrideCursor();
  if (ok) done(Accepted);
}

void TPainterEffectsF::AbortBitBtnClick() { done(Rejected); }

void TPainterEffectsF::done(int result) {
  QDialog::done(result);
  endModeless();
}

void TPainterEffectsF::endModeless() {
  if (!modeless_) return;
  modeless_ = false;
  if (OnModelessRunning) OnModelessRunning(false);
}

void TPainterEffectsF::RunAutoEnhance() {
  if (LoadWorkingCopy) LoadWorkingCopy();
  if (host_) showScaled(Image1, host_->Picture());
  setAdjustBars(0, 350, 0);
  FAdjustDirty = true;
  if (host_) host_->AdjustColors(0, 350, 0);
  writePrev();
  SaveBitBtn->setEnabled(true);
}

}  // namespace kalvora
