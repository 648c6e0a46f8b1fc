#pragma once
// TPainterEffectsF: the painter-effects dialog as far as the effect host needs it (caption
// "Effekte", stays on top). It holds the three panels, the four bars and the preview picture
// under their design names, chooses an effect by index as a click on the effect tree does, and
// runs the automatic enhancement. The editor extends it with its tree, track bars and buttons.
#include <QDialog>
#include <QImage>

#include <functional>

#include "FxEffectsDialog.h"

class QLabel;
class QSlider;

namespace kalvora {

class TPainterEffectsF : public QDialog, public FxEffectsDialog {
  Q_OBJECT

 public:
  explicit TPainterEffectsF(QWidget* parent = nullptr);
  ~TPainterEffectsF() override;

  QWidget* HelligkeitPanel = nullptr;
  QWidget* EffectPanel = nullptr;
  QWidget* AutomaticPanel = nullptr;
  QSlider* EBar = nullptr;      // strength, 1 .. 16 as laid out
  QSlider* extrabar = nullptr;  // hidden, 1 .. 300
  QSlider* cxbar = nullptr;     // hidden, 0 .. 100 as laid out
  QSlider* cybar = nullptr;     // hidden, 0 .. 100 as laid out
  QLabel* Image = nullptr;      // preview

  // Effect index of the chosen tree node (-1: none).
  int SelectedEffect = -1;
  // A click on the tree node of an effect index: EBar gets the effect's range and start
  // position, then the bar handler runs once.
  void EListClick(int effectIndex);
  // The bar handler: runs the host's operation of the chosen effect.
  void EBarChange();

  // Loads the editor's working copy into the host before the automatic enhancement.
  std::function<void()> LoadWorkingCopy;

  // The last picture shown in the preview.
  const QImage& PreviewPicture() const { return preview_; }
  TFxDrawImage* DrawImage() const { return host_; }

  // FxEffectsDialog
  void SetDrawImage(TFxDrawImage* host) override { host_ = host; }
  int barPosition(Bar bar) const override;
  void setBarPosition(Bar bar, int position) override;
  int barMaximum(Bar bar) const override;
  void setBarMaximum(Bar bar, int maximum) override;
  void setPanelVisible(Panel panel, bool visible) override;
  bool panelVisible(Panel panel) const override;
  void showPreview(const Bitmap24& picture) override;
  int showModal() override { return exec(); }
  void showModeless() override { show(); }
  void RunAutoEnhance() override;

 private:
  QSlider* slider(Bar bar) const;
  QWidget* panel(Panel p) const;

  TFxDrawImage* host_ = nullptr;
  QImage preview_;
  // Panel visibility as set (the widgets report hidden while the dialog itself is not shown).
  bool panelShown_[3] = {true, true, false};
};

}  // namespace kalvora
