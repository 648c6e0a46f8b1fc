#include "PainterEffectsF.h"

#include <QLabel>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "Bitmap24Qt.h"
#include "FxDrawImage.h"

namespace kalvora {

namespace {
QSlider* makeSlider(QWidget* parent, const char* name, int min, int max, int position) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(min, max);
  s->setValue(position);
  return s;
}
}  // namespace

TPainterEffectsF::TPainterEffectsF(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PainterEffectsF"));
  setWindowTitle(QStringLiteral("Effekte"));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  resize(520, 420);

  auto* layout = new QVBoxLayout(this);
  Image = new QLabel(this);
  Image->setObjectName(QStringLiteral("Image"));
  Image->setMinimumSize(200, 150);
  Image->setAlignment(Qt::AlignCenter);
  layout->addWidget(Image, 1);

  HelligkeitPanel = new QWidget(this);
  HelligkeitPanel->setObjectName(QStringLiteral("HelligkeitPanel"));
  EffectPanel = new QWidget(this);
  EffectPanel->setObjectName(QStringLiteral("EffectPanel"));
  AutomaticPanel = new QWidget(this);
  AutomaticPanel->setObjectName(QStringLiteral("AutomaticPanel"));
  AutomaticPanel->setVisible(false);
  layout->addWidget(HelligkeitPanel);
  layout->addWidget(EffectPanel);
  layout->addWidget(AutomaticPanel);

  auto* effectLayout = new QVBoxLayout(EffectPanel);
  EBar = makeSlider(EffectPanel, "EBar", 1, 16, 1);
  effectLayout->addWidget(EBar);
  extrabar = makeSlider(EffectPanel, "extrabar", 1, 300, 1);
  extrabar->setVisible(false);
  cxbar = makeSlider(EffectPanel, "cxbar", 0, 100, 0);
  cxbar->setVisible(false);
  cybar = makeSlider(EffectPanel, "cybar", 0, 100, 0);
  cybar->setVisible(false);

  for (QSlider* s : {EBar, cxbar, extrabar, cybar}) connect(s, &QSlider::valueChanged, this, [this] { EBarChange(); });
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
  Image->setPixmap(QPixmap::fromImage(preview_));
  Image->repaint();
}

void TPainterEffectsF::EListClick(int effectIndex) {
  if (effectIndex < 0 || effectIndex >= TFxDrawImage::EffectCount) return;
  SelectedEffect = effectIndex;
  const FxEffectInfo& info = TFxDrawImage::EffectTable()[std::size_t(effectIndex)];
  {
    QSignalBlocker block(EBar);
    EBar->setRange(info.barMin, info.barMax);
    EBar->setValue(info.barStart);
  }
  EBarChange();
}

void TPainterEffectsF::EBarChange() {
  if (host_ && SelectedEffect >= 0 && SelectedEffect < TFxDrawImage::EffectCount) host_->RunEffect(SelectedEffect);
}

void TPainterEffectsF::RunAutoEnhance() {
  if (LoadWorkingCopy) LoadWorkingCopy();
  if (host_) host_->AdjustColors(0, 350, 0);
}

}  // namespace kalvora
