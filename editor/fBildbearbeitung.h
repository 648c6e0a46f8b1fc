#pragma once
// The picture editor: a modal window editing the main window's FCurrentPicturePath through a
// working copy and numbered undo snapshots in the program folder (see EditStep.h, the step
// protocol every editing step and dialog goes through). Closing asks whether the edit replaces
// the picture's own file.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <functional>

#include "EditStep.h"
#include "Form.h"
#include "ImageButton.h"
#include "Placeholders.h"

namespace kalvora {
class TFxDrawImage;
}

class TBildbeaerbeitungForm : public TForm {
  Q_OBJECT
 public:
  explicit TBildbeaerbeitungForm(QWidget* parent = nullptr);
  ~TBildbeaerbeitungForm() override;

  // Set from the main window when the editor is shown; a caller without a main window (tests,
  // tools) sets them before showing.
  QString FPicturePath;
  QString FProgramFolder;  // ends in "/"

  // The step protocol of this showing (dialogs commit their results through it).
  editor::EditSession& Steps() { return session_; }

  // Called after every committed step with the working copy ("Temp.jpg") while editing, and with
  // the picture's own file after closing; the default asks the main window to rebuild the
  // picture's thumbnail.
  std::function<void(const QString& source)> OnThumbnailRefresh;

  // ---- Controls (objectName = field name) ----
  QWidget* Panel4 = nullptr;
  QLabel* Image1 = nullptr;
  QWidget* WorkPanel = nullptr;
  PicImageControl* BildbViewPicImage = nullptr;
  PicImageControl* PicImage1 = nullptr;  // the view, by its older name
  QStatusBar* StatusBar1 = nullptr;
  // Menu.
  QWidget* EffectsPanel = nullptr;
  QWidget* SelectVariablesPanel = nullptr;
  TImageButton *Image2 = nullptr, *Image3 = nullptr, *Image4 = nullptr, *Image5 = nullptr, *Image6 = nullptr,
               *Image7 = nullptr, *Image8 = nullptr, *Image9 = nullptr, *Image10 = nullptr, *Image11 = nullptr,
               *Image12 = nullptr, *Image13 = nullptr, *Image14 = nullptr, *Image15 = nullptr, *Image16 = nullptr,
               *Image17 = nullptr, *Image18 = nullptr, *Image19 = nullptr, *Image20 = nullptr, *Image21 = nullptr,
               *Image22 = nullptr, *UndoImage = nullptr, *RedoImage = nullptr, *CloseImage = nullptr;
  // Crop panel.
  QWidget* ZuschneidenPanel = nullptr;
  QLabel *InfoLabel = nullptr, *BeschreibungLabel = nullptr, *XLabel = nullptr;
  QGroupBox *FormatAnpassungGroupBox1 = nullptr, *FormatAnpassungGroupBox2 = nullptr;
  QRadioButton *RadioButton9_13 = nullptr, *RadioButton10_15 = nullptr, *RadioButton13_18 = nullptr,
               *RadioButton20_30 = nullptr, *RadioButton_Frei = nullptr, *RadioButtonHor = nullptr,
               *RadioButton2 = nullptr;
  QPushButton *AusfuehrenBitBtn = nullptr, *BitBtn4 = nullptr;
  // Red-eye panel.
  QWidget* RedeyePanel = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
         *RoteAugenHelpLabel = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QSlider *ThersholdTrackBar = nullptr, *LighnessTrackBar = nullptr;
  QPushButton *DoBitBtn = nullptr, *UndoBitBtn1 = nullptr, *BitBtn3 = nullptr;
  // Zoom strip.
  QWidget* ZoomPanel = nullptr;
  QLabel* ZoomLabel = nullptr;
  QSlider* ZoomTrackBar = nullptr;
  QPushButton *Button1 = nullptr, *EinpassenBitBtn = nullptr, *BitBtn1 = nullptr;
  // Hidden helpers.
  PicImageControl* ThumbPicImage = nullptr;
  PicImageControl* TempPicImage = nullptr;
  QLabel* TempImage = nullptr;
  kalvora::TFxDrawImage* Art = nullptr;

  // ---- Editor state (reset at every showing) ----
  int FRedoTop() const { return session_.RedoTop(); }
  int FUndoIndex() const { return session_.UndoIndex(); }
  int FEditMode = 0;  // 0 normal, 1 crop selection, 3 red-eye selection
  int FSavedFrameType = 0;
  bool FChanged = false;
  bool FSelecting = false, FSelValid = false;
  int FSelStartX = 0, FSelStartY = 0, FSelWidth = 0, FSelHeight = 0;  // bitmap pixels
  bool FRedeyeActive = false;
  int FEyeColor = 0, FRedeyeThreshold = 140, FRedeyeLightness = 60;
  bool FPanActive = false;
  int FPanLastX = 0, FPanLastY = 0, FPanX = 0, FPanY = 0, FPanDeltaX = 0, FPanDeltaY = 0;
  QRect FPanDstRect, FPanSrcRect;
  int FThumbnailRefreshes = 0;  // commits reported to the main window in this showing

  // ---- Operations ----
  void FormShow();
  void FitPicture();  // "Einpassen"
  void UpdateInfoLine();
  void SetEditMode();
  void ApplyRotation(const QString& operation);
  // The effect host gets "Temp.jpg" (whole) or a preview 199 pixels wide of it.
  void LoadWorkingCopyIntoArt();
  void LoadPreviewIntoArt();
  // The effect host's work bitmap becomes the picture as one step; the automatic enhancement
  // sharpens it (by `sharpen`) before the step is committed.
  bool StoreArtResult(int sharpen = 0);
  // The eye colour of ComboBox1's entry ($00BBGGRR); -1 for none.
  static int EyeColorFor(int index);
  // The format name table (the main window's).
  static QString FormatName(int format);

  // Click handlers (the menu and the panels' buttons).
  void Image9Click();
  void Image10Click();
  void Image11Click();
  void Image19Click();
  void UndoImageClick();
  void RedoImageClick();
  void stepHistory(bool (editor::EditSession::*step)());
  void AusfuehrenBitBtnClick();
  void BitBtn4Click();
  void DoBitBtnClick();
  void BitBtn3Click();
  void ZoomTrackBarChange();
  void Button1Click();
  void EinpassenBitBtnClick();
  // Puts the picture's top-left corner at (left, top) of the view, kept so that a picture larger
  // than the view never shows a gap at its edges; an axis where it fits stays centred.
  void PanPictureTo(int left, int top);
  void BitBtn1Click();
  void RoteAugenHelpLabelClick();
  // The dialog steps of the menu (colour, effects, text, frames, warp).
  void RunMenuDialog(const QString& button);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildMenu(QWidget* side);
  void buildCropPanel(QWidget* side);
  void buildRedeyePanel(QWidget* side);
  void buildZoomPanel(QWidget* work);
  void refreshButtons();
  void afterCommit(const QString& workingCopy);
  void showMenuPanel();
  // Runs fn; any exception ends in a message instead of leaving the slot.
  void guarded(const QString& what, const std::function<void()>& fn);
  bool FormClose();
  // Selection and pan (the view's mouse events).
  void ViewMouseDown(int x, int y);
  void ViewMouseMove(int x, int y);
  void ViewMouseUp(int x, int y);
  int checkedFormat() const;  // 0..3, -1 for free
  bool ApplySelectionRect();
  bool CropToSelection();
  void ViewChanged();
  void reenterMode();

  editor::EditSession session_;
  bool closing_ = false;
  bool opened_ = false;
};

extern TBildbeaerbeitungForm* BildbeaerbeitungForm;
