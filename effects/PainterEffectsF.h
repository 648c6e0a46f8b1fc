#pragma once
// TPainterEffectsF: the painter-effects dialog of the effect host (caption "Effekte", stays on
// top). Three faces: brightness, contrast and colour bars; a tree of 21 pixel effects with one
// strength bar; and the automatic enhancement, which runs at once and only asks for OK. The host
// creates and owns its instance. The editor links it to its picture through the hooks below;
// without them the dialog only previews.
#include <QDialog>
#include <QImage>

#include <functional>

#include "FxEffectsDialog.h"

class QLabel;
class QPushButton;
class QSlider;
class QTreeWidget;

namespace kalvora {

class TPainterEffectsF : public QDialog, public FxEffectsDialog {
  Q_OBJECT

 public:
  explicit TPainterEffectsF(QWidget* parent = nullptr);
  ~TPainterEffectsF() override;

  // The effect indexes of the tree's 21 nodes, top to bottom.
  static constexpr int TreeCount = 21;
  static const int TreeIndexes[TreeCount];

  QWidget* HelligkeitPanel = nullptr;
  QWidget* EffectPanel = nullptr;
  QWidget* AutomaticPanel = nullptr;
  QSlider* EBar = nullptr;      // strength, 1 .. 16 as laid out
  QSlider* extrabar = nullptr;  // hidden, 1 .. 300
  QSlider* cxbar = nullptr;     // hidden, 0 .. 100 as laid out
  QSlider* cybar = nullptr;     // hidden, 0 .. 100 as laid out
  QLabel* Image = nullptr;      // preview ("Vorschau")
  QLabel* Image1 = nullptr;     // the picture before the effect ("Original")
  QTreeWidget* ETree = nullptr;
  QSlider* HelligkeitTrackBar = nullptr;  // -255 .. 255
  QSlider* KontrastTrackBar = nullptr;    // -255 .. 255
  QSlider* FarbeTrackBar = nullptr;       // 0 .. 500, 250 is no change
  QLabel *HelligkeitLabel = nullptr, *KontrastLabel = nullptr, *FarbeLabel = nullptr;
  QLabel *Label11 = nullptr, *Label16 = nullptr;
  QPushButton* ZuruecksetzenButton = nullptr;
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;

  int FBrightness = 0, FColor = 250, FContrast = 0;
  bool FAdjustDirty = false;

  // Effect index of the chosen tree node (-1: none).
  int SelectedEffect = -1;
  // A click on the tree node of an effect index: EBar gets the effect's range and start
  // position, then the bar handler runs once.
  void EListClick(int effectIndex);
  // The bar handler: runs the host's operation of the chosen effect.
  void EBarChange();
  void FormShow();
  void UpdateAdjustPreview();
  void ZuruecksetzenButtonClick();
  void SaveBitBtnClick();
  void AbortBitBtnClick();

  // ---- The editor's hooks ----
  // Loads the editor's working copy (whole) into the host.
  std::function<void()> LoadWorkingCopy;
  // Makes the host's work bitmap the editor's picture as one step; sharpen: the automatic
  // enhancement's sharpening goes into that step. False when nothing was committed.
  std::function<bool(bool sharpen)> StoreResult;
  // The automatic face runs without blocking: true when it opens, false when it closes.
  std::function<void(bool running)> OnModelessRunning;
  // The program folder (ends in "/"); "prev.jpg" is written there. Empty: not written.
  QString ProgramFolder;

  // The last picture shown in the preview.
  const QImage& PreviewPicture() const { return preview_; }
  TFxDrawImage* DrawImage() const { return host_; }
  bool ModelessRunning() const { return modeless_; }

  // FxEffectsDialog
  void SetDrawImage(TFxDrawImage* host) override { host_ = host; }
  int barPosition(Bar bar) const override;
  void setBarPosition(Bar bar, int position) override;
  int barMaximum(Bar bar) const override;
  void setBarMaximum(Bar bar, int maximum) override;
  void setPanelVisible(Panel panel, bool visible) override;
  bool panelVisible(Panel panel) const override;
  void showPreview(const Bitmap24& picture) override;
  int showModal() override;
  void showModeless() override;
  void RunAutoEnhance() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  QSlider* slider(Bar bar) const;
  QWidget* panel(Panel p) const;
  void adjustBarChange(QSlider* bar);
  void setAdjustBars(int brightness, int color, int contrast);
  void readAdjustBars();
  void writePrev();
  void endModeless();

  TFxDrawImage* host_ = nullptr;
  QImage preview_;
  // Panel visibility as set (the widgets report hidden while the dialog itself is not shown).
  bool panelShown_[3] = {true, true, false};
  bool modeless_ = false;
};

}  // namespace kalvora
