#pragma once
// The warp dialog: deforms the editor's working copy with a round brush on a vector map and
// leaves the result in the program folder's "Temp.bmp" when closed with OK.
#include <QAction>
#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <memory>

#include "BrushAuxiliaries.h"
#include "Form.h"
#include "Image32.h"
#include "RangeBars.h"
#include "Transforms.h"
#include "VectorMaps.h"

class TMorphForm : public TForm {
  Q_OBJECT
 public:
  enum Tool { Warp = 0, Zoom = 1, Wirbel = 2, Blume = 3 };

  // Reads programFolder + "Temp.jpg"; Ready() tells whether it could.
  explicit TMorphForm(const QString& programFolder, QWidget* parent = nullptr);
  ~TMorphForm() override;

  bool Ready() const { return FSrc != nullptr; }
  QString LoadError() const { return loadError_; }

  kalvora::raster::TImgView32* DstImg = nullptr;
  QFrame* MainPanel = nullptr;
  QGroupBox* GeneralPanel = nullptr;
  QGroupBox* BrushPanel = nullptr;
  QGroupBox* ToolPanel = nullptr;
  kalvora::raster::TGaugeBar* ScaleBar = nullptr;
  kalvora::raster::TGaugeBar* FeatherBar = nullptr;
  kalvora::raster::TGaugeBar* PressureBar = nullptr;
  kalvora::raster::TGaugeBar* PinchBar = nullptr;
  kalvora::raster::TGaugeBar* SizeBar = nullptr;
  kalvora::raster::TPaintBox32* BrushMeshPreview = nullptr;
  QButtonGroup* ToolGroup = nullptr;
  QLabel* ParamLabel = nullptr;
  kalvora::raster::TGaugeBar* ParamBar = nullptr;
  QLabel* RateLabel = nullptr;
  kalvora::raster::TGaugeBar* RateBar = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QTimer* UpdateTimer = nullptr;
  // The seven kernel choices (made, but in no menu).
  QList<QAction*> KernelItems;

  // The handlers, public so that the editor's tests can drive them as the controls do.
  void UpdateTimerTimer();
  void ToolGroupClick();
  void PressureBarChange();
  void SizeBarChange();
  void RateBarChange();
  void GaugeMouseUp();
  void ScaleBarMouseUp();
  void mResetMeshClick();
  void mSupersampleNowClick();
  void Bi1Click();
  void KernelClick(int tag);
  void mkmDefaultClick(int tag);
  void m3x3Click(int tag) { FSamplingXY = tag; }
  void BitBtn1Click();

  Tool CurrentTool() const { return Tool(ToolGroup->checkedId()); }
  double GetParam() const;
  static QString ColorText(kalvora::raster::TColor32 c);
  const kalvora::raster::TBitmap32* Source() const { return FSrc.get(); }
  kalvora::raster::TRemapTransformation* Remap() const { return FRemap.get(); }
  kalvora::raster::TGenericBrush* Brush() const { return FBrush.get(); }
  kalvora::raster::TBrushLayer* BrushLayer() const { return FBrushLayer; }
  const kalvora::raster::TVectorMap& BrushMesh(int i) const { return FBrushMesh[i]; }
  kalvora::raster::TRect DirtyRect() const { return FDirtyRect; }
  static int DefaultKernelIndex;
  // True when the view's control point (x, y) lies on the shown picture (not on its margin).
  bool PointerOverPicture(int x, int y);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void hideBrushRing();
  void DstImgMouseDown(Qt::MouseButton button, int x, int y);
  void DstImgMouseMove(Qt::KeyboardModifiers shift, int x, int y);
  void DstImgMouseUp();
  void DstImgPaintStage(kalvora::raster::TBitmap32* buffer);
  void UpdateBrush();
  void GenerateMeshes();
  void DrawBrushPreview(kalvora::raster::TPaintBox32* box);
  void ApplyBrush(kalvora::raster::TPoint p);
  void renderAll();
  void growDirty(const kalvora::raster::TRect& r);
  kalvora::raster::TGaugeBar* addBar(QWidget* panel, const char* name, const QString& caption, int min, int max,
                                     int pos, QLabel** label = nullptr);

  QString folder_, loadError_;
  std::unique_ptr<kalvora::raster::TBitmap32> FSrc;
  std::unique_ptr<kalvora::raster::TRemapTransformation> FRemap;
  std::unique_ptr<kalvora::raster::TGenericBrush> FBrush;
  kalvora::raster::TVectorMap FBrushMesh[2];
  kalvora::raster::TVectorMap FScratchMap;
  int FMeshIndex = 0;
  bool FMouseDown = false;
  kalvora::raster::TPoint FLastPos;
  kalvora::raster::TFixedVector FVelocity;
  kalvora::raster::TBrushLayer* FBrushLayer = nullptr;  // owned by the view's layers
  kalvora::raster::TRect FDirtyRect;
  int FSamplingXY = 3;
  int FKernelMode = 2;
  Qt::MouseButtons buttonsHeld_;
  bool centred_ = false;
};
