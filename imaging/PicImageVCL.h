#pragma once
// TPicImage: the picture component. Every window that shows, loads, processes or saves a picture
// holds one. It owns the current px bitmap (always the item of its bitmap list at the current
// index), the optional bitmap list (pages or animation frames), and reports progress and aborts
// through the px status callback.
//
// Conventions (shared by every operation):
// - An operation stores its status in LastError(); when the status is not 1 and
//   EnableMethodErrors() is on it raises EPicImageError with
//   "<Name> \nError code: <code>\n<operation>: <code text> ", otherwise it returns the status.
// - "Image not allocated" (-2), "Processing not allowed" (0) and "Animation" (-16) always raise.
// - Setters store the value, set LastError to 1 and repaint when AutoRepaint is on.
// - Abort: while an operation runs, setting EnableProgressEvent to false (from OnStatus or from
//   code run by event processing) stops it at the next status callback; the picture is restored
//   and the operation fails with -100.
// - Colours (TColor) are $00BBGGRR; $FF0000nn are system colours (clBtnFace = $FF00000F).
// - Geometry: the client area is the widget's rectangle; the frame (FrameWidth on each side) is
//   not part of the destination coordinates, Paint adds it. The scroll bars are kept as records
//   (HScrollInfo/VScrollInfo) that the window-message layer shows.
//
// Thumbnails: SetLoadSizeHint(w, h) before Load lets a JPEG decode at 1/2, 1/4 or 1/8 size as
// long as the result is at least w x h (see platform/px/PxFile.h); the hint stays until it is set
// back to (0, 0). BitmapWidth/Height then give the decoded size while the Info... fields keep the
// file's own size. Without a hint nothing changes.
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QTransform>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "PicErrCode.h"
#include "PxDraw.h"
#include "PxBitmap.h"
#include "PxFile.h"
#include "PicPlayback.h"

class QPainter;
class QTimer;
class TPicDataSource;
class TPicFieldDataLink;
class TPicPanWindow;
class TPicMagGlass;
class QScrollBar;
namespace px {
struct EffectSettings;
}

using TColor = int32_t;
constexpr TColor clBtnFace = -16777201;  // $FF00000F
constexpr TColor clNone = 0x1FFFFFFF;

enum TPaintSizeMode { smNormal = 0, smStretch = 1, smFitSides = 2, smFit = 3, smZoom = 4 };
enum TTransitionStyle { etsNone = 0, etsGradient = 1, etsPattern = 2 };
enum TPaintDither { pdOrdered = 0, pdDiffusion = 1 };
enum TBitonalScaling { btsNormal = 0, btsFavorBlack = 1, btsScaleToGray = 2 };
enum TPaletteType { ppAuto = 0, ppFixed = 1, ppAutoNetscape = 2, ppFixedNetscape = 3 };
enum TPaintScaling { psNormal = 0, psResample = 1, psBicubic = 2 };
enum TPatternStyle {
  epsSolid = 0, epsTransparent, epsHorzLine, epsVertLine, epsDownwarDiag, epsUpwardDiag, epsCross, epsDiagCross
};
enum TFrameInnerStyle { fisInset = 0, fisRaised = 1 };
enum TShapeBackgroundStyle {
  sbsTransparent = 0, sbsOpaque, sbsTranslucent, sbsTiledImage, sbsTranslucentTiledImage, sbsGradient,
  sbsTranslucentGradient
};
enum TShapeBorderStyle { sbrTransparent = 0, sbrSolid, sbrDash, sbrDot, sbrDashDot, sbrDashDotDot };
enum TShapeInnerBandStyle { sibNone = 0, sibInset, sibRaised };
enum TShapeOuterBandStyle { sobNone = 0, sobInset, sobRaised };
enum TTextAlign {
  etaLeftTop = 0, etaLeftVcenter, etaLeftBottom, etaHcenterTop, etaHcenterVcenter, etaHcenterBottom, etaRightTop,
  etaRightVcenter, etaRightBottom
};
enum TTextStyle {
  etsNormal = 0, etsInsetLight, etsInsetExtraLight, etsInsetHeavy, etsInsetExtraHeavy, etsRaisedLight,
  etsRaisedHeavy, etsDropShadow, etsBlockShadow, etsOutLineBlock, etsRaisedExtraHeavy, etsRaisedExtraLight
};
enum TPenMode { pmBlack = 0, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
  pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };
enum TPenStyle { psSolid = 0, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle { bsSolid = 0, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A published property with its stored default: getter Name(), setter SetName() that stores,
// sets LastError to 1 and repaints when AutoRepaint is on. Range checks and further effects
// belong to the settings layer.
#define PIC_PROPERTY(Type, Name, Default)         \
 public:                                          \
  Type Name() const { return Name##_; }           \
  void Set##Name(Type v) {                        \
    Name##_ = v;                                  \
    changed();                                    \
  }                                               \
                                                  \
 private:                                         \
  Type Name##_ = Default;
enum TFrameOuterStyle { fosInset = 0, fosRaised = 1 };

// Converts a class-library colour ($00BBGGRR or a system colour) to a QColor.
QColor ColorToQColor(TColor color, const QPalette* palette = nullptr);

// One scroll bar's record (what SetScrollInfo would hold on Windows).
struct TPicScrollBar {
  int min = 0;
  int max = 0;     // nMax = largest position + page - 1
  int page = 0;
  int pos = 0;
  bool visible = false;
};

class TPicImage : public QWidget {
  Q_OBJECT
 public:
  explicit TPicImage(QWidget* parent = nullptr);
  ~TPicImage() override;

  // ---- Status and errors -------------------------------------------------------------------
  int LastError() const { return lastError_; }
  QString LastErrorText() const;
  bool EnableMethodErrors() const { return enableMethodErrors_; }
  void SetEnableMethodErrors(bool on) { enableMethodErrors_ = on; }
  // Sets LastError to status; raises EPicImageError when status != 1 and method errors are on.
  int RaiseMethodError(const QString& opName, int status);
  // As RaiseMethodError, raising only when raise is also true.
  int RaiseMethodErrorIf(const QString& opName, int status, bool raise);
  // Sets LastError and raises whatever the status and EnableMethodErrors say.
  [[noreturn]] void ForceMethodError(const QString& opName, int status);
  // LastError -13 and "<Name> \n <prop>: Invalid value passed." whatever method errors say.
  [[noreturn]] void RaiseInvalidValue(const QString& propName);
  // Refusals ("Animation" -16, "Processing not allowed" 0) raise; then, unless status is 1,
  // "Image not allocated" (-2) raises when there is no picture. Returns LastError.
  int CheckAllocated(const QString& opName, int status);
  void CheckProcessingAllowed();
  // Suspend/resume bracket method errors; brackets nest (only the outermost resume restores).
  void SuspendMethodErrors();
  void ResumeMethodErrors();

  // ---- Picture state -----------------------------------------------------------------------
  bool IsAllocated() const { return allocated_; }
  bool IsBusy() const { return busy_; }
  // The current bitmap record (shares pixels with the list item). Check IsAllocated first.
  px::Bitmap& Bitmap() { return bitmap_; }
  const px::Bitmap& Bitmap() const { return bitmap_; }
  // The bitmap handle for other components; LastError 1.
  px::Bitmap* GetBitmap();
  // Hands a bitmap to the component as its current picture (a copy; with RefBitmap the record
  // itself, sharing pixels). Refused while busy.
  int SetBitmap(const px::Bitmap* bmp);
  // The bitmap list (nullptr when none) and the current index.
  px::BitmapList* BitmapList() { return list_.get(); }
  int BitmapListCount() const { return list_ ? list_->count() : 0; }
  int BitmapListIndex() const { return listIndex_; }
  // Makes item `index` of the list the current picture (ImageChanged follows).
  int SelectListItem(int index);
  bool IsAnimated() const { return animated_; }
  bool AnimationPlaying() const { return animationPlaying_; }

  int BitmapWidth() const { return bitmapWidth_; }
  int BitmapHeight() const { return bitmapHeight_; }
  int BitmapBits() const { return bitmapBits_; }
  int BitmapXResolution() const { return bitmapXRes_; }
  int BitmapYResolution() const { return bitmapYRes_; }
  int BitmapViewPerspective() const { return bitmapView_; }
  bool BitmapHasTransparency() const { return bitmapHasTransparency_; }

  // File information of the last load.
  int InfoFormat() const { return info_.format; }
  int InfoWidth() const { return info_.width; }
  int InfoHeight() const { return info_.height; }
  int InfoBits() const { return info_.bits; }
  int InfoXResolution() const { return info_.xResolution; }
  int InfoYResolution() const { return info_.yResolution; }
  QString InfoText() const { return QString::fromUtf8(info_.text.c_str()); }
  int InfoPageCount() const { return info_.pageCount; }
  int InfoCompression() const { return info_.compression; }
  const px::FileInfo& FileInfo() const { return info_; }
  QString FileName() const { return fileName_; }

  // ---- Lifecycle and processing protocol ---------------------------------------------------
  // Frees picture and list; refused while busy. Always returns 1.
  int FreeImage();
  // Status callback bracket (busy flag, global current image, px status callback).
  int BeginStatusCallback();
  void EndStatusCallback();
  // Start of a processing operation on bmp: refusal check, backup copy, status callback.
  void BeginProcessing(px::Bitmap& bmp);
  // End of every processing operation (restore on abort, store back into the list, OnChange).
  virtual void ProcessingDone(px::Bitmap& bmp);
  // Repaints at once; drops a current item that was freed behind the component.
  int RepaintImage();
  // Re-reads the bitmap facts and rectangles after the picture changed (rectangles, repaint,
  // OnChange).
  virtual void ImageChanged();
  // UpdateBitmapInfo and, with AutoSetRects, scroll to the origin and reset source rectangles.
  void BitmapGeometryChanged();
  void UpdateBitmapInfo();
  void ChangedAndReset();
  // Hooks for subclasses (do nothing here).
  virtual void DoImageReset() {}
  virtual void DoPanWinMoved() {}
  virtual void DoAfterPaint() {}
  virtual void DoRotated(double) {}
  virtual void DoFastRotated(double) {}
  virtual void DoSized(int, int, int, int) {}
  virtual void DoRepaint() {}

  // The process-wide abort flags (for tests and the processing operations).
  static bool AbortRequested();
  static bool Aborted();
  static TPicImage* CurrentImage();

  // ---- Loading -----------------------------------------------------------------------------
  // Loads a file: Bits 0 keeps the file's depth, Page goes to the load options (0 and 1 are the
  // first page), MaxPages limits pages/frames (-1 all, 0 loads nothing and returns 1).
  virtual int Load(const QString& fileName, int bits, int page, int maxPages);
  int InternalLoad(const QString& opName, const QString& fileName, int bits, int page, int maxPages);
  // Loads from the bytes of a file held in memory.
  virtual int LoadMemory(const void* data, qsizetype size, int bits, int page);
  // Incremental load: bytes come in pieces; the picture appears at StopFeedLoad.
  int StartFeedLoad(int bits, int page, int maxPages);
  int FeedLoad(const void* buffer, qsizetype size);
  int StopFeedLoad();
  bool FeedLoadOpen() const { return feed_ != nullptr; }
  // Loads a local path or file:// URL through the feed load (other URLs: -16); empty: status 0.
  QString BitmapDataPath() const { return bitmapDataPath_; }
  void SetBitmapDataPath(const QString& path);
  void SetLoadSizeHint(int width, int height) { hintWidth_ = width; hintHeight_ = height; }
  QSize LoadSizeHint() const { return QSize(hintWidth_, hintHeight_); }

  bool AutoAnimate() const { return autoAnimate_; }
  void SetAutoAnimate(bool on) { autoAnimate_ = on; lastError_ = 1; }
  int AutoAnimationLoop() const { return autoAnimationLoop_; }
  void SetAutoAnimationLoop(int v) { autoAnimationLoop_ = v; lastError_ = 1; }
  bool PaintWhileLoad() const { return paintWhileLoad_; }
  void SetPaintWhileLoad(bool on) { paintWhileLoad_ = on; lastError_ = 1; }

  // PDF and vector viewport options (checked; invalid values raise the invalid-value message).
  int PDFXResolution() const { return docOptions_.pdfXResolution; }
  void SetPDFXResolution(int v);
  int PDFYResolution() const { return docOptions_.pdfYResolution; }
  void SetPDFYResolution(int v);
  int PDFDisplayDepth() const { return docOptions_.pdfDisplayDepth; }
  void SetPDFDisplayDepth(int v);
  int PDFTextAlpha() const { return docOptions_.pdfTextAlpha; }
  void SetPDFTextAlpha(int v);
  int PDFGraphicsAlpha() const { return docOptions_.pdfGraphicsAlpha; }
  void SetPDFGraphicsAlpha(int v);
  bool PDFUseLibFonts() const { return docOptions_.pdfUseLibFonts != 0; }
  void SetPDFUseLibFonts(bool v);
  int RasterizeViewportWidth() const { return docOptions_.vectorViewportWidth; }
  void SetRasterizeViewportWidth(int v);
  int RasterizeViewportHeight() const { return docOptions_.vectorViewportHeight; }
  void SetRasterizeViewportHeight(int v);
  int RasterizeViewMode() const { return docOptions_.vectorViewMode; }
  void SetRasterizeViewMode(int v);

  // ---- Saving ------------------------------------------------------------------------------
  // Writes the picture (Format 2: the whole bitmap list as GIF). Flags: page placement 0..3
  // (-1 is 1). With EnableProgressEvent the rows go through the row callback (OnStatus per row,
  // abort possible). The file is replaced only by a complete save.
  int Save(const QString& fileName, int format, int bits, int qfactor, int flags);
  int SaveWithProgress(const QString& fileName, px::Bitmap& bmp, const px::SaveOptions& options, int qfactor,
                       int bits, int format);
  void SetSaveOptions(px::SaveOptions& options, int flags, int bits, bool forList) const;

  // ---- Geometry ----------------------------------------------------------------------------
  TPaintSizeMode PaintSizeMode() const { return paintSizeMode_; }
  void SetPaintSizeMode(TPaintSizeMode mode);
  int PaintZoomFactor();
  void SetPaintZoomFactor(int percent);
  double ScaleX() const { return scaleX_; }
  double ScaleY() const { return scaleY_; }
  bool PaintSizeUseDPI() const { return paintSizeUseDPI_; }
  void SetPaintSizeUseDPI(bool on);
  bool AutoSetRects() const { return autoSetRects_; }
  void SetAutoSetRects(bool on);
  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool on);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  bool CenterImage() const { return centerImage_; }
  void SetCenterImage(bool on);
  bool AutoRepaint() const { return autoRepaint_; }
  void SetAutoRepaint(bool on) { autoRepaint_ = on; lastError_ = 1; }
  int HScrollStep() const { return hScrollStep_; }
  void SetHScrollStep(int step);
  int VScrollStep() const { return vScrollStep_; }
  void SetVScrollStep(int step);
  int HScrollPos() const { return hScrollPos_; }
  int VScrollPos() const { return vScrollPos_; }
  int HScrollMax() const { return hScrollMax_; }
  int VScrollMax() const { return vScrollMax_; }
  int HScrollPage() const { return hScrollPage_; }
  int VScrollPage() const { return vScrollPage_; }
  const TPicScrollBar& HScrollInfo() const { return hBar_; }
  const TPicScrollBar& VScrollInfo() const { return vBar_; }

  int SrcLeft() const { return srcLeft_; }
  int SrcTop() const { return srcTop_; }
  int SrcWidth() const { return srcWidth_; }
  int SrcHeight() const { return srcHeight_; }
  void SetSrcLeft(int v);
  void SetSrcTop(int v);
  void SetSrcWidth(int v);
  void SetSrcHeight(int v);
  int SetSrcRect(int left, int top, int width, int height);
  int SrcClipLeft() const { return srcClipLeft_; }
  int SrcClipTop() const { return srcClipTop_; }
  int SrcClipWidth() const { return srcClipWidth_; }
  int SrcClipHeight() const { return srcClipHeight_; }
  int DstLeft() const { return dstLeft_; }
  int DstTop() const { return dstTop_; }
  int DstWidth() const { return dstWidth_; }
  int DstHeight() const { return dstHeight_; }
  void SetDstLeft(int v);
  void SetDstTop(int v);
  void SetDstWidth(int v);
  void SetDstHeight(int v);
  int SetDstRect(int left, int top, int width, int height);
  int DstClipLeft() const { return dstClipLeft_; }
  int DstClipTop() const { return dstClipTop_; }
  int DstClipWidth() const { return dstClipWidth_; }
  int DstClipHeight() const { return dstClipHeight_; }
  int SetDstClipRect(int left, int top, int width, int height);
  // left, top, right, bottom
  QRect DstRect() const { return QRect(QPoint(dstRect_[0], dstRect_[1]), QPoint(dstRect_[2] - 1, dstRect_[3] - 1)); }
  const int* DstRectLTRB() const { return dstRect_; }
  void ResetSourceRects();
  virtual void UpdateScrollLayout();
  void ScrollImageBy(int dx, int dy);
  void ScrollVertBy(int delta);
  void ScrollHorzBy(int delta);
  // Control point to bitmap point (stored bitmap coordinates).
  int ClientToBitmapX(int x, int y);
  int ClientToBitmapY(int x, int y);
  // The reverse: a stored bitmap point to a control point (frame included).
  QPoint BitmapToClient(int x, int y) const;

  // ---- Frame and background ----------------------------------------------------------------
  int FrameWidth() const { return int(frameThickness_ + frameInnerThickness_ + frameOuterThickness_); }
  unsigned FrameThickness() const { return frameThickness_; }
  void SetFrameThickness(unsigned v);
  unsigned FrameInnerThickness() const { return frameInnerThickness_; }
  void SetFrameInnerThickness(unsigned v);
  unsigned FrameOuterThickness() const { return frameOuterThickness_; }
  void SetFrameOuterThickness(unsigned v);
  TColor FrameColor() const { return frameColor_; }
  void SetFrameColor(TColor c) { frameColor_ = c; lastError_ = 1; repaint(); }  // at once
  TFrameInnerStyle FrameInnerStyle() const { return frameInnerStyle_; }
  void SetFrameInnerStyle(TFrameInnerStyle s) { frameInnerStyle_ = s; changed(); }
  TFrameOuterStyle FrameOuterStyle() const { return frameOuterStyle_; }
  void SetFrameOuterStyle(TFrameOuterStyle s) { frameOuterStyle_ = s; changed(); }
  TColor FrameInnerHiliteColor() const { return frameInnerHilite_; }
  void SetFrameInnerHiliteColor(TColor c) { frameInnerHilite_ = c; changed(); }
  TColor FrameInnerShadowColor() const { return frameInnerShadow_; }
  void SetFrameInnerShadowColor(TColor c) { frameInnerShadow_ = c; changed(); }
  TColor FrameOuterHiliteColor() const { return frameOuterHilite_; }
  void SetFrameOuterHiliteColor(TColor c) { frameOuterHilite_ = c; changed(); }
  TColor FrameOuterShadowColor() const { return frameOuterShadow_; }
  void SetFrameOuterShadowColor(TColor c) { frameOuterShadow_ = c; changed(); }
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor c) { backColor_ = c; changed(); }
  bool BackErase() const { return backErase_; }
  void SetBackErase(bool on) { backErase_ = on; changed(); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);  // switching on turns AutoScroll off

  // ---- Paint settings (validated by the display-settings layer) -----------------------------
  int PaintEffect() const { return paintEffect_; }
  int TransitionEffect() const { return transitionEffect_; }
  TTransitionStyle TransitionStyle() const { return transitionStyle_; }
  void SetTransitionStyle(TTransitionStyle v) { transitionStyle_ = v; changed(); }
  unsigned EffectGrain() const { return effectGrain_; }
  unsigned EffectDelay() const { return effectDelay_; }
  void SetEffectDelay(unsigned v) { effectDelay_ = v; changed(); }
  unsigned PaintMaxPasses() const { return paintMaxPasses_; }
  unsigned PaintNotificationDelay() const { return paintNotificationDelay_; }
  void SetPaintNotificationDelay(unsigned v) { paintNotificationDelay_ = v; changed(); }
  // The effect delay and the notification delay pace an effect for a person watching it. A
  // component that renders effects to be recorded (the video's transition capture) switches
  // the pacing off: every step is painted at once, the same frames without the waits.
  bool Paced() const { return paced_; }
  void SetPaced(bool on) { paced_ = on; }
  int PaintContrast() const { return paintContrast_; }
  void SetPaintContrast(int v) { paintContrast_ = v; changed(); }
  int PaintIntensity() const { return paintIntensity_; }
  void SetPaintIntensity(int v) { paintIntensity_ = v; changed(); }
  unsigned PaintGamma() const { return paintGamma_; }
  void SetPaintGamma(unsigned v) { paintGamma_ = v; changed(); }
  TPaintDither PaintDither() const { return paintDither_; }
  void SetPaintDither(TPaintDither v) { paintDither_ = v; changed(); }
  TBitonalScaling BitonalScaling() const { return bitonalScaling_; }
  void SetBitonalScaling(TBitonalScaling v) { bitonalScaling_ = v; changed(); }
  TPaletteType PaintPalette() const { return paintPalette_; }
  void SetPaintPalette(TPaletteType v) { paintPalette_ = v; changed(); }
  TPaintScaling PaintScaling() const { return paintScaling_; }
  void SetPaintScaling(TPaintScaling v) { paintScaling_ = v; changed(); }
  bool UseTransparentColor() const { return useTransparentColor_; }
  void SetUseTransparentColor(bool v) { useTransparentColor_ = v; changed(); }
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor v) { transparentColor_ = v; changed(); }
  unsigned WandSize() const { return wandSize_; }
  void SetWandSize(unsigned v) { wandSize_ = v; changed(); }
  TColor WandColor() const { return wandColor_; }
  void SetWandColor(TColor v) { wandColor_ = v; changed(); }
  bool PaintRgnOnly() const { return paintRgnOnly_; }
  void SetPaintRgnOnly(bool v) {
    paintRgnOnly_ = v;
    if (autoRepaint_) repaint();
    lastError_ = 1;
  }
  bool RefBitmap() const { return refBitmap_; }
  void SetRefBitmap(bool v) { refBitmap_ = v; lastError_ = 1; }
  // ReadOnly passes through to the data link (PicImageDB.cpp).
  bool ReadOnly() const;
  void SetReadOnly(bool v);
  // The pass being painted (1-based) while Paint runs.
  unsigned PaintPass() const { return paintPass_; }

  bool EnableProgressEvent() const { return enableProgressEvent_; }
  // True clears the abort request; false requests an abort when this component is busy.
  void SetEnableProgressEvent(bool on);

  // Version facts.
  static QString ComponentBanner() { return QStringLiteral("Picture Component 32 13"); }

  // ---- Window messages, mouse and keyboard (PicImageMouse.cpp) ------------------------------
  // Qt events arrive as the Windows messages they stand for: key presses as KeyDownMessage,
  // wheel turns as MouseWheelMessage, dropped files as DropFiles, mouse buttons as
  // MouseDown/MouseMove/MouseUp (which fire OnMouseDown/OnMouseMove/OnMouseUp).
  enum TShiftFlag { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
  using TShiftState = int;
  enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
  // A scroll-bar message. Codes: 0 line up/left, 1 line down/right, 2 page up/left, 3 page
  // down/right (line step HScrollStep/VScrollStep, page the bar's page), 4 thumb position and
  // 5 thumb track (to thumbPos), 6 top, 7 bottom. Ignored while EnableScroll is off.
  void ScrollMessage(bool vertical, int code, int thumbPos = 0);
  // The scroll bars (objectName "HScrollBar" and "VScrollBar") lie over the inner edges of the
  // control while the picture can be scrolled that way and AutoScroll and EnableScroll are on;
  // their actions arrive as ScrollMessage. SyncScrollBars shows them with the current records.
  void SyncScrollBars();
  QScrollBar* HScrollBar() const { return hScrollBar_; }
  QScrollBar* VScrollBar() const { return vScrollBar_; }
  // Virtual key codes: 33/34 page up/down, 37..40 left, up, right, down.
  void KeyDownMessage(int key, TShiftState shift);
  // keyFlags: 1 left, 2 right, 16 middle button held, 4 Shift; delta in wheel units (120 a notch).
  void MouseWheelMessage(int keyFlags, int delta);
  // Timer id 2: capture the screen around the cursor; id 100: region outline tick.
  void TimerMessage(int id);
  // The deferred image change (a host's notice that the bitmap changed behind the component).
  void DeferredImageChange();
  // The control wants the arrow keys (the dialog code) while EnableKeyboard is on.
  bool WantsArrowKeys() const { return EnableKeyboard(); }
  // Dropped files: only the first counts; it is reported to OnDropFile and, with DropAutoLoad,
  // loaded whole (Load(name, 0, 1, -1)); a file that cannot be loaded leaves LastError with the
  // load's status and raises nothing.
  void DropFiles(const QStringList& files);
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  bool RgnDrawing() const { return rgnDrawing_; }
  QPoint RgnAnchor() const { return rgnAnchor_; }
  QPoint RgnEnd() const { return rgnEnd_; }
  bool InScrollMessage() const { return inScrollMessage_; }
  bool RubberBandEnabled() const { return rubberBandEnabled_; }
  void SetRubberBandEnabled(bool on) { rubberBandEnabled_ = on; }
  // The scroll positions recorded with the last finished rubber band.
  QPoint RubberBandScrollPos() const { return rubberBandScrollPos_; }
  // The polygon being drawn with region mouse mode 4 (client coordinates).
  int MousePolygonCount() const { return polygonUsed_; }
  int MousePolygonCapacity() const { return int(polygon_.size()); }
  std::function<void(TPicImage*, TMouseButton, TShiftState, int, int)> OnMouseDown;
  std::function<void(TPicImage*, TShiftState, int, int)> OnMouseMove;
  std::function<void(TPicImage*, TMouseButton, TShiftState, int, int)> OnMouseUp;
  std::function<void(TPicImage*, int key, TShiftState)> OnKeyDown;
  std::function<void(TPicImage*, const QString&)> OnDropFile;
  std::function<void(TPicImage*)> OnRubberBand;
  std::function<void(TPicImage*)> OnMagGlassCursor;

  // ---- Pan window and magnifying glass (PicImagePan.cpp) ------------------------------------
  // The pan window is a small tool window showing the whole picture with a rectangle around the
  // part visible in the control; dragging the rectangle scrolls the control. The magnifier is a
  // lens over the control that follows the mouse.
  int ShowPanWin(bool value);
  int UpdatePanWin();
  // Notices of the pan window: code 0 created, 1 rectangle moved to rect (bitmap pixels), 2 closed.
  int PanWinCallback(QWidget* panWindow, int code, const QRect& rect);
  QWidget* PanWinHandle() const;
  bool PanWinShown() const { return panWinShown_; }
  uint32_t PanWinFlags() const { return panWinFlags_; }
  int PanWinX();
  void SetPanWinX(int v);
  int PanWinY();
  void SetPanWinY(int v);
  int PanWinWidth();
  void SetPanWinWidth(int v);
  int PanWinHeight();
  void SetPanWinHeight(int v);
  QString PanWinTitle() const { return panWinTitle_; }
  void SetPanWinTitle(const QString& v);
  TColor PanWinRectColor() const { return panWinRectColor_; }
  void SetPanWinRectColor(TColor v);
  bool PanWinSysMenu() const { return panWinSysMenu_; }
  void SetPanWinSysMenu(bool v);
  QIcon PanWinIcon() const;
  void SetPanWinIcon(const QIcon& icon);
  int PanWinPointer() const { return panWinPointer_; }
  void SetPanWinPointer(int v);
  TPaletteType PanWinPaintPalette() const { return panWinPaintPalette_; }
  void SetPanWinPaintPalette(TPaletteType v);
  TBitonalScaling PanWinBitonalScaling() const { return panWinBitonalScaling_; }
  void SetPanWinBitonalScaling(TBitonalScaling v);
  TPaintDither PanWinPaintDither() const { return panWinPaintDither_; }
  void SetPanWinPaintDither(TPaintDither v);
  TPaintScaling PanWinPaintScaling() const { return panWinPaintScaling_; }
  void SetPanWinPaintScaling(TPaintScaling v);
  // The rectangle the pan window shows around the visible part (bitmap pixels), as last given.
  QRect PanWinVisibleRect() const { return panWinVisibleRect_; }
  std::function<void(TPicImage*, QWidget*, int code)> OnPanWin;

  // StartMagGlass(width, height, zoom percent, border width, border colour, shape (0 rectangle,
  // 1 ellipse), x offset, y offset, three values kept for restarts). A second start gives -13.
  virtual int StartMagGlass(int p1, int p2, int p3, int p4, int p5, int p6, int p7, int p8, int p9, int p10,
                            int p11);
  virtual int StopMagGlass();
  void UpdateMagGlass();
  void RestartMagGlass();
  bool MagGlassRunning() const { return magGlassRunning_; }
  QWidget* MagGlassWindow() const;
  uint32_t MagGlassFlags() const { return magGlassFlags_; }
  // Bit 1: the cursor over the lens is the host's (OnMagGlassCursor).
  void SetMagGlassFlags(uint32_t v) { magGlassFlags_ = v; }
  bool MagGlassCallbackOn() const { return magGlassCallbackOn_; }
  void SetMagGlassCallbackOn(bool v) { magGlassCallbackOn_ = v; }
  uint32_t MagGlassPaintFlags() const;
  // The lens: size, zoom percent, border width, shape (0 rectangle, 1 ellipse), offset, border colour.
  void MagGlassGeometry(int& w, int& h, int& zoom, int& border, int& shape, int& ox, int& oy) const;
  TColor MagGlassBorderColor() const;
  TPaletteType MagGlassPaintPalette() const { return magGlassPaintPalette_; }
  void SetMagGlassPaintPalette(TPaletteType v);
  TBitonalScaling MagGlassBitonalScaling() const { return magGlassBitonalScaling_; }
  void SetMagGlassBitonalScaling(TBitonalScaling v);
  TPaintDither MagGlassPaintDither() const { return magGlassPaintDither_; }
  void SetMagGlassPaintDither(TPaintDither v);
  TPaintScaling MagGlassPaintScaling() const { return magGlassPaintScaling_; }
  void SetMagGlassPaintScaling(TPaintScaling v);
  int MagGlassPointer() const { return magGlassPointer_; }
  void SetMagGlassPointer(int v);
  // The lens's notice (lens x, lens y, zoom); answers 1 when MagGlassCallbackOn, else -100.
  int MagGlassCallback(int x, int y, int zoom);
  std::function<void(TPicImage*, int, int, int)> OnMagGlass;
  // Destination rectangle moved by the frame (control coordinates).
  QRect DisplayedPictureRect() const;
  // Refreshes the pan window and the magnifier after a change of the picture or the view.
  void UpdatePanAndMag();

  // ---- Bitmap lists and animation playback (PicImageAnimate.cpp) ----------------------------
  // Replaces the list with a copy of `list` (nullptr frees it and leaves no picture).
  void SetBitmapList(const px::BitmapList* list);
  int CreatePlaybackTarget();
  int LoadCurrentListItem();
  // The animation timer's handler: shows the due frames and re-arms the timer with the delay.
  void AnimationTimer();
  // Keep playing after the animation reports its end (set by loading from the file's loop).
  bool AnimationLoop() const { return animationLoop_; }
  void SetAnimationLoop(bool on) { animationLoop_ = on; }
  bool FeedLoading() const { return feedLoading_; }
  const TPicPlayback* Playback() const { return playback_.get(); }
  bool AnimationTimerActive() const;
  int AnimationTimerInterval() const;
  // The millisecond clock of the animation timer (tests put a clock of their own; nullptr
  // restores the monotonic clock).
  static void SetTickSource(int64_t (*ticks)());
  // Creates the playback over the list into a fresh target (used when playback is switched on).
  int StartPlayback();
  void StopPlayback();
  // Starts a loaded animation (AutoAnimate): playback, OnChange, OnAnimate, first frame at once.
  int StartLoadedAnimation(const QString& opName);

  // ---- Database binding (PicImageDB.cpp; TPicDataSource in PicImageDB.h) -------------------
  // The blob field: "PXOCXBND", header size (24), data size, 8 reserved bytes, then the picture
  // file; a field without the magic is a bare picture file.
  TPicFieldDataLink* DataLink() const { return dataLink_.get(); }
  QString DataField() const;
  void SetDataField(const QString& name);
  TPicDataSource* DataSource() const;
  void SetDataSource(TPicDataSource* source);
  virtual void LoadFromBlob(QObject* sender = nullptr);
  void SaveToBlob(QObject* sender = nullptr);
  void MarkBlobModified();
  bool BlobModified() const { return blobModified_; }
  // The picture from blob bytes (nullptr: a null field, which clears the picture); the status.
  int LoadBlobBytes(const QByteArray* data);
  // The picture as blob bytes with the header; the status of the memory save.
  int SaveBlobBytes(QByteArray& out);

 public:
  struct DataLinkDeleter {
    void operator()(TPicFieldDataLink* link) const;
  };

 private:
  void mouseEventShift(QMouseEvent* e, TShiftState& shift, TMouseButton& button) const;
  void UpdateRubberShape(QPoint to);
  QRect MouseLimitRect() const;
  int PanWinSetterDone(const QString& name);
  void RecomputePanWinFlags();
  bool rgnDrawing_ = false, inScrollMessage_ = false, rubberBandEnabled_ = false, mouseCaptured_ = false;
  QPoint rgnAnchor_, rgnEnd_, rubberBandScrollPos_;
  QRect limitRect_;
  int polygonUsed_ = 0;
  QWidget* rubberOverlay_ = nullptr;
  QScrollBar* hScrollBar_ = nullptr;
  QScrollBar* vScrollBar_ = nullptr;
  void ScrollBarAction(bool vertical, int action);
  TPicPanWindow* panWin_ = nullptr;
  bool panWinShown_ = false;
  uint32_t panWinFlags_ = 0x201;
  int panWinX_ = 0, panWinY_ = 0, panWinWidth_ = 150, panWinHeight_ = 150;
  QString panWinTitle_ = QStringLiteral("Pan Window");
  TColor panWinRectColor_ = 255;
  bool panWinSysMenu_ = true;
  std::unique_ptr<QIcon> panWinIcon_;
  int panWinPointer_ = 0;
  TPaletteType panWinPaintPalette_ = ppAuto;
  TBitonalScaling panWinBitonalScaling_ = btsNormal;
  TPaintDither panWinPaintDither_ = pdOrdered;
  TPaintScaling panWinPaintScaling_ = psResample;
  QRect panWinVisibleRect_;
  TPicMagGlass* magGlass_ = nullptr;
  bool magGlassRunning_ = false, magGlassCallbackOn_ = false;
  int magParams_[11] = {0};
  uint32_t magGlassFlags_ = 0;
  int magExtra_[2] = {0, 0};
  TPaletteType magGlassPaintPalette_ = ppAuto;
  TBitonalScaling magGlassBitonalScaling_ = btsNormal;
  TPaintDither magGlassPaintDither_ = pdOrdered;
  TPaintScaling magGlassPaintScaling_ = psResample;
  int magGlassPointer_ = 0;
  std::unique_ptr<TPicPlayback> playback_;
  bool animationLoop_ = false, feedLoading_ = false;
  std::unique_ptr<TPicFieldDataLink, DataLinkDeleter> dataLink_;
  bool blobModified_ = false;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;



  // ---- Further published properties (defaults of a new component) -------------------------
  PIC_PROPERTY(bool, EnableKeyboard, true)
  PIC_PROPERTY(bool, EnableScroll, true)
  PIC_PROPERTY(bool, EnableZoomInRect, true)
  PIC_PROPERTY(int, BackgroundImageLeft, 0)
  PIC_PROPERTY(int, BackgroundImageTop, 0)
  PIC_PROPERTY(int, BackgroundImageWidth, 0)
  PIC_PROPERTY(int, BackgroundImageHeight, 0)
  PIC_PROPERTY(TColor, GradientStartColor, 0xFF0000)
  PIC_PROPERTY(TColor, GradientEndColor, 0)
  PIC_PROPERTY(TPatternStyle, PatternStyle, epsSolid)
  PIC_PROPERTY(TColor, PatternForeColor, 0)
  PIC_PROPERTY(TColor, PatternBackColor, 0)
  PIC_PROPERTY(TPenMode, DrawMode, pmCopy)
  PIC_PROPERTY(TColor, DrawPenColor, 0)
  PIC_PROPERTY(TPenStyle, DrawPenStyle, psSolid)
  PIC_PROPERTY(int, DrawPenWidth, 1)
  PIC_PROPERTY(TColor, DrawFillColor, 0)
  PIC_PROPERTY(TBrushStyle, DrawFillStyle, bsClear)
  PIC_PROPERTY(bool, DrawPersistence, false)
  PIC_PROPERTY(int, ShapeLeft, 0)
  PIC_PROPERTY(int, ShapeTop, 0)
  PIC_PROPERTY(int, ShapeWidth, 0)
  PIC_PROPERTY(int, ShapeHeight, 0)
  PIC_PROPERTY(TShapeBackgroundStyle, ShapeBackgroundStyle, sbsTransparent)
  PIC_PROPERTY(TColor, ShapeBorderColor, 0)
  PIC_PROPERTY(TShapeBorderStyle, ShapeBorderStyle, sbrTransparent)
  PIC_PROPERTY(unsigned, ShapeBorderThickness, 0)
  PIC_PROPERTY(TShapeInnerBandStyle, ShapeInnerBandStyle, sibNone)
  PIC_PROPERTY(unsigned, ShapeInnerBandThickness, 0)
  PIC_PROPERTY(TColor, ShapeInnerBandHiliteColor, 0xFFFFFF)
  PIC_PROPERTY(TColor, ShapeInnerBandShadowColor, 0x808080)
  PIC_PROPERTY(TShapeOuterBandStyle, ShapeOuterBandStyle, sobNone)
  PIC_PROPERTY(unsigned, ShapeOuterBandThickness, 0)
  PIC_PROPERTY(TColor, ShapeOuterBandHiliteColor, 0xFFFFFF)
  PIC_PROPERTY(TColor, ShapeOuterBandShadowColor, 0x808080)
  PIC_PROPERTY(TColor, ShadowColor, 0)
  PIC_PROPERTY(int, ShadowXDepth, 0)
  PIC_PROPERTY(int, ShadowYDepth, 0)
  PIC_PROPERTY(int, TextLeft, 0)
  PIC_PROPERTY(int, TextTop, 0)
  PIC_PROPERTY(int, TextWidth, 0)
  PIC_PROPERTY(int, TextHeight, 0)
  PIC_PROPERTY(TTextAlign, TextAlign, etaLeftTop)
  PIC_PROPERTY(int, TextAngle, 0)
  PIC_PROPERTY(TTextStyle, TextStyle, etsNormal)
  PIC_PROPERTY(bool, TextWordWrap, false)
  PIC_PROPERTY(TColor, TextHiliteColor, 0xFFFFFF)
  PIC_PROPERTY(bool, DropAutoLoad, true)
  PIC_PROPERTY(int, DataLoadBits, 24)
  PIC_PROPERTY(int, DataSaveBits, 24)
  PIC_PROPERTY(int, DataSaveFormat, 5)
  PIC_PROPERTY(int, DataSaveQuality, -1)

 public:
  // The font for drawing text into the picture.
  QFont& TextFont() { return textFont_; }
  void SetTextFont(const QFont& f) { textFont_ = f; }

  // A painter on the bitmap's pixels (the "bitmap DC"): refused while busy; "Image not
  // allocated" without a picture. While it is open the component refuses other operations.
  // ReleaseBitmapDC ends it (what was drawn stays in the bitmap); without an open one it fails
  // with status 0.
  QPainter* GetBitmapDC();
  int ReleaseBitmapDC();
  // The library display flags for the four paint options (magnifier and pan window).
  static uint32_t DisplayFlags(TPaintDither dither, TBitonalScaling bitonal, TPaletteType palette,
                               TPaintScaling scaling);

  // ---- Paint effects, settings, hand-over, processing, regions and floater ------------------
  // (PicImagePaint.cpp, PicImageSettings.cpp, PicImageProcess.cpp, PicImageRegions.cpp)
  //
  // Painting composes the control's picture in an off-screen frame and shows it when the paint
  // ends. Paint and transition effects run there in passes (platform/px/PxEffects.h names the
  // effect families): OnStatus reports the steps (about a hundred rising percentages up to 100)
  // while EnableProgressEvent is on, and EffectFrame() holds the frame as it looks after the
  // step just reported, so a handler can grab it. Switching EnableProgressEvent off from a
  // handler ends the effect at once on the new picture; the remaining passes paint it plainly.
  // The first frame of an effect is the control's last painted frame (or its background).
  static bool IsValidEffectCode(int code);
  static bool IsValidGradientStyle(int code);
  const QImage& EffectFrame() const { return effectFrame_; }
  // Paints the current animation frame at once (the animation timer's path).
  void PaintPlaybackFrame();
  int ApplyDisplayMode();
  // The bitmap painted at (-originX, -originY) with the size paintWidth x paintHeight into a new
  // image of width x height on BackColor, with the current paint settings (null when it
  // cannot be made).
  QImage RenderToScreenBitmap(const px::Bitmap& bmp, int originX, int originY, int width, int height,
                              int paintWidth, int paintHeight);
  // Rubber band (control coordinates): started by the mouse layer, drawn by painting.
  void StartRubberBand(int x, int y);
  void MoveRubberBand(int x, int y);
  void EndRubberBand();
  bool RubberBandActive() const { return rubberBandActive_; }
  QRect RubberBandRect() const { return rubberBandRect_; }
  void DrawRubberBand();
  // The zoom-in rectangle of the screen capture (screen coordinates); drawing it again hides it.
  void DrawZoomInRect(const QRect& rect);
  QRect ZoomInRect() const { return zoomInRect_; }
  static void WaitMilliseconds(unsigned milliseconds, bool dispatch);

  // Validated settings: out-of-range values raise "<Name> \n<Property>: Invalid Property value"
  // (with a full stop for EffectGrain, GradientSteps and PaintMaxPasses) and keep the old value.
  void SetPaintEffect(int v);
  void SetTransitionEffect(int v);
  void SetEffectGrain(unsigned v);
  void SetPaintMaxPasses(unsigned v);
  unsigned GradientStyle() const { return gradientStyle_; }
  void SetGradientStyle(unsigned v);
  unsigned GradientSteps() const { return gradientSteps_; }
  void SetGradientSteps(unsigned v);
  bool DropFilesAllowed() const { return dropFilesAllowed_; }
  void SetDropFilesAllowed(bool v);
  // Code tables for the library's drawing calls.
  static int PatternStyleCode(int style);
  static int ShapeStyleCode(TShapeBackgroundStyle v);
  static int ShapeStyleCode(TShapeBorderStyle v);
  static int ShapeStyleCode(TShapeInnerBandStyle v);
  static int ShapeStyleCode(TShapeOuterBandStyle v);
  static int TextAlignFlags(TTextAlign v);
  static int TextStyleCode(TTextStyle v);
  // Polygon points of the region tool.
  void SetPolygonSize(int count);
  void SetPolygonPoint(int index, QPoint point);
  int PolygonCount() const { return int(polygon_.size()); }
  QPoint PolygonPoint(int index) const { return polygon_.at(size_t(index)); }
  // Drawing canvas: with DrawPersistence a painter on the bitmap (bitmap pixels, the control's
  // mapping applied), otherwise a painter on the control's drawing layer (control pixels,
  // clipped to the inside of the frame), which stays shown until a new picture. nullptr when
  // none can be made.
  QPainter* BeginDrawCanvas(bool forText);
  void EndDrawCanvas(QPainter* canvas);
  static int MakeBoundsRect(QRect& rect, int left, int top, int width, int height);
  // The colour of TextFont (the letters' colour).
  TColor TextFontColor() const { return textColor_; }
  void SetTextFontColor(TColor c) { textColor_ = c; lastError_ = 1; }

  // Hand-over: StoreBitmapInList puts a copy (with RefBitmap the record itself, whose caller's
  // copy is then emptied) into the current list item; nullptr or an empty bitmap removes the
  // current item. Returns the status (not raised).
  int StoreBitmapInList(px::Bitmap* bmp);
  // With RefBitmap the caller's record is emptied (only the component owns the pixels).
  int SetBitmap(px::Bitmap* bmp);
  void AnimationEnable(bool enable);
  bool AnimationOn() const { return animationOn_; }
  bool PlaybackActive() const { return playbackActive_; }
  int ReadListInfo();
  int ListInfoWidth() const { return listInfoWidth_; }
  int ListInfoHeight() const { return listInfoHeight_; }
  int ListInfoBits() const { return listInfoBits_; }
  const std::vector<uint32_t>& ListInfoPalette() const { return listInfoPalette_; }

  // Processing (platform/px/PxProcess.h defines the flags and scales). Colours are TColor.
  int Size(int width, int height, int flags);
  virtual int Rotate(int angle, int flags, TColor fillColor);
  virtual int FastRotate(int angle);
  int Flip();
  int Reverse();
  int GrayScale(int bits);
  int Sharpen(int sharpness);
  int Fill(TColor color);
  int Combine(int left, int top, int width, int height, const px::Bitmap* source, int srcLeft, int srcTop,
              int operation);
  int GaussianFilter(int radius);
  int BalanceColors(const double red[3], const double green[3], const double blue[3]);
  int RemoveRedeye(TColor newColor, int threshold, int lightness);
  // Shape codes and text flags: platform/px/PxDraw.h.
  int DrawShape(int shape, const px::Bitmap* target);
  // The style DrawShape draws with, as plain values: a worker may draw the same shape with
  // px::EfxDraw3dShape. background keeps the picture s.background points to.
  px::ShapeStyle ShapeStyleOf(const px::Bitmap* target, QImage& background);
  int DrawText(const QString& text, const px::Bitmap* target);
  int DrawFrame(const QRect& rect);
  int SaveWithLayers(const QString& fileName, int format, int saveOptions, int flags, int qfactor, int bits);
  // Point: x in the low 16 bits, y in the high 16 bits (screen coordinates).
  void CaptureScreenAround(uint32_t point, bool freeList);
  QRect CaptureRect() const { return captureRect_; }
  int CopyRectToNewBitmap(px::Bitmap& dst, const px::Bitmap& src, int& left, int& top, int& width, int& height);
  int CutOutRegion();
  int PasteCutOut();

  // Regions, in displayed bitmap pixels. A region handle is a QRegion the caller deletes with
  // DeleteRgn. Combine modes: 1 replace, 2 intersect, 3 unite, 4 exclusive or, 5 subtract.
  using HRGN = QRegion*;
  int SetRgnRect(int left, int top, int width, int height, int combineMode);
  int SetRgnHandle(HRGN rgn, int xOffset, int yOffset, int combineMode);
  HRGN GetRgnHandle();
  bool DeleteRgn(HRGN rgn);
  int FreeRgn();
  bool HasRgn();
  const QRegion& Region() const { return rgn_; }
  int UpdateRgnBounds();
  int RgnLeft() const { return rgnLeft_; }
  int RgnTop() const { return rgnTop_; }
  int RgnWidth() const { return rgnWidth_; }
  int RgnHeight() const { return rgnHeight_; }
  // 0 none, 1 outline, 2 marching outline (timer, one step a second), 3 filled with RgnColor.
  void SetRgnFrameType(int value);
  int RgnFrameType() const { return rgnFrameType_; }
  bool RgnOutlineTimerActive() const;
  int RgnFramePhase() const { return rgnFramePhase_; }
  void RgnOutlineTick();
  TColor RgnColor() const { return rgnColor_; }
  void SetRgnColor(TColor c) { rgnColor_ = c; changed(); }
  int RgnMouseMode() const { return rgnMouseMode_; }
  void SetRgnMouseMode(int mode) { rgnMouseMode_ = mode; lastError_ = 1; }
  int RgnCombineMode() const { return rgnCombineMode_; }
  void SetRgnCombineMode(int mode) { rgnCombineMode_ = mode; }

  // Floater.
  bool AutoFloater() const { return autoFloater_; }
  void SetAutoFloater(bool on);
  bool EnableFloater() const { return enableFloater_; }
  void SetEnableFloater(bool on);
  px::Bitmap* Floater();
  px::Bitmap* GetFloater() { return Floater(); }
  int SetFloater(const px::Bitmap* bmp);
  int SetFloaterDstRect(int left, int top, int width, int height);
  int SetFloaterDstClipRect(int left, int top, int width, int height);
  void SetFloaterDstLeft(int value);
  void SetFloaterDstTop(int value);
  int SetFloaterVisible(bool visible);
  bool FloaterVisible() const { return floaterVisible_; }
  QRect FloaterDstRect() const { return floaterDstRect_; }
  QRect FloaterDstClipRect() const { return floaterDstClipRect_; }
  bool FloaterHitTest(QPoint client);
  // The AutoFloater drag, driven by the mouse layer: lift at a press inside the region, move,
  // drop at the release.
  int FloaterLift(QPoint client);
  void FloaterDragTo(QPoint client);
  int FloaterDrop();
  bool FloaterDragging() const { return floaterDragging_; }
  void FreeFloaterResources();
  // The pixels under the region's bounds into BackgroundBitmap ("Error Allocating Floater
  // Bitmaps" on failure); the floater is drawn by the paint cycle, BlitFloater asks for it.
  int CopyFloaterBackground();
  int BlitFloater();
  // Qt paints true colour: there is no palette to realise (RealizeImagePalette answers False).
  bool PaletteChanged(bool foreground);
  bool RealizeImagePalette(bool background);
  const px::Bitmap& CutOutBitmap() const { return cutOut_; }
  const px::Bitmap& BackgroundBitmap() const { return background_; }
  std::function<void(TPicImage*)> OnRgnChange;

  // ---- Events ------------------------------------------------------------------------------
  std::function<void(TPicImage*)> OnChange;
  std::function<void(TPicImage*, int)> OnStatus;  // percent
  std::function<void(TPicImage*)> OnFilePage;
  std::function<void(TPicImage*)> OnLoadInfo;
  std::function<void(TPicImage*)> OnPaint;
  std::function<void(TPicImage*, unsigned pass, unsigned type)> OnPaintNotify;
  std::function<void(TPicImage*)> OnScroll;
  std::function<void(TPicImage*)> OnBeforeScroll;
  std::function<void(TPicImage*, bool)> OnAnimate;
  std::function<void(TPicImage*, bool)> OnReadyStateChanged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  // Paint helpers (the effect layer extends these).
  void EraseBackground(QPainter& p, const QRect& inner);
  void DrawFrame(QPainter& p, QRect& r);
  // Paints one picture pass with the given effect code; 1000 is the plain paint.
  virtual int PaintBitmapPass(QPainter& p, const QRect& src, const QRect& srcClip, const QRect& dst,
                              const QRect& clip, int effect, unsigned pass, unsigned maxPasses);

  void changed();  // LastError 1, repaint when AutoRepaint
  void invalidateIfAuto();
  void ComputePaintSize();
  void CenterDstRect();
  void ScrollToOrigin();
  void SetScrollBarRange(TPicScrollBar& bar, bool horizontal, int min, int max);
  void MarkFieldModified() { MarkBlobModified(); }

  // Load internals.
  int HandleBand(px::Bitmap& bmp, unsigned flags, int firstRow, int rowCount, bool feed);
  void EmptyAfterFailure();
  void KeepGlobalsFromList();

  // ---- State -------------------------------------------------------------------------------
  int lastError_ = 1;
  bool enableMethodErrors_ = true;
  bool savedMethodErrors_ = true;
  int suspendDepth_ = 0;

  px::Bitmap bitmap_;
  bool allocated_ = false;
  std::unique_ptr<px::BitmapList> list_;
  int listIndex_ = 0;
  px::Bitmap backup_;
  bool busy_ = false;
  TPicImage* prevCurrent_ = nullptr;
  px::StatusCallback prevCallback_;
  uint8_t state_ = 0;   // 1 constructing, 2 destroying, 4 loading, 8 bitmap in use
  uint8_t pending_ = 0; // 1 palette, 2 scroll layout
  bool inPaint_ = false;
  bool loadingInProgress_ = false;
  bool urlDownloadFinished_ = true;

  // Load state.
  struct LoadRecord {
    unsigned maxPages = 0xFFFFFFFFu;
    unsigned pagesDone = 0;
  } loadRecord_;
  int rowsRead_ = 0;
  px::FileInfo info_;
  QString fileName_;
  bool animated_ = false;
  bool animationPlaying_ = false;
  bool animationLoops_ = false;
  int globalWidth_ = 0, globalHeight_ = 0, globalBits_ = 0;
  uint32_t globalBackground_ = 0;
  std::vector<uint32_t> globalPalette_;
  bool hasGlobalPalette_ = false;
  int loadPasses_ = 0;
  int savePage_ = 0;
  int hintWidth_ = 0, hintHeight_ = 0;
  std::unique_ptr<px::FeedLoader> feed_;
  QString bitmapDataPath_;
  px::DocumentOptions docOptions_;
  bool autoAnimate_ = false;
  int autoAnimationLoop_ = 0;
  bool paintWhileLoad_ = false;
  bool enableProgressEvent_ = false;
  int saveRows_ = 0;

  // Cached bitmap facts.
  int bitmapWidth_ = 0, bitmapHeight_ = 0, bitmapBits_ = 0, bitmapXRes_ = 0, bitmapYRes_ = 0, bitmapView_ = 0;
  bool bitmapHasTransparency_ = false;

  // Geometry.
  int srcLeft_ = 0, srcTop_ = 0, srcWidth_ = 0, srcHeight_ = 0;
  int srcClipLeft_ = 0, srcClipTop_ = 0, srcClipWidth_ = 0, srcClipHeight_ = 0;
  int dstLeft_ = 0, dstTop_ = 0, dstWidth_ = 0, dstHeight_ = 0;
  int dstClipLeft_ = 0, dstClipTop_ = 0, dstClipWidth_ = 0, dstClipHeight_ = 0;
  int dstRect_[4] = {0, 0, 0, 0};
  double scaleX_ = 1.0, scaleY_ = 1.0;
  TPaintSizeMode paintSizeMode_ = smNormal;
  bool paintSizeUseDPI_ = false;
  bool autoSetRects_ = true, autoScroll_ = true, autoSize_ = false, centerImage_ = false, autoRepaint_ = true;
  int hScrollStep_ = 10, vScrollStep_ = 10;
  int hScrollPos_ = 0, vScrollPos_ = 0, hScrollMax_ = 0, vScrollMax_ = 0;
  int hScrollPage_ = -1, vScrollPage_ = -1;
  bool scrollInProgress_ = false;
  bool layoutRunning_ = false;
  TPicScrollBar hBar_, vBar_;

  // Frame, background, paint.
  unsigned frameThickness_ = 0, frameInnerThickness_ = 0, frameOuterThickness_ = 0;
  TColor frameColor_ = 0;
  TFrameInnerStyle frameInnerStyle_ = fisInset;
  TFrameOuterStyle frameOuterStyle_ = fosInset;
  TColor frameInnerHilite_ = 0xFFFFFF, frameInnerShadow_ = 0x808080;
  TColor frameOuterHilite_ = 0xFFFFFF, frameOuterShadow_ = 0x808080;
  TColor backColor_ = clBtnFace;
  bool backErase_ = false, transparent_ = false;
  int paintEffect_ = 1000, transitionEffect_ = 1000;
  TTransitionStyle transitionStyle_ = etsNone;
  unsigned effectGrain_ = 5, effectDelay_ = 0, paintMaxPasses_ = 1, paintNotificationDelay_ = 0;
  bool paced_ = true;
  int paintContrast_ = 0, paintIntensity_ = 0;
  unsigned paintGamma_ = 100;
  TPaintDither paintDither_ = pdOrdered;
  TBitonalScaling bitonalScaling_ = btsNormal;
  TPaletteType paintPalette_ = ppAuto;
  TPaintScaling paintScaling_ = psNormal;
  bool useTransparentColor_ = false;
  TColor transparentColor_ = 0;
  unsigned wandSize_ = 0;
  TColor wandColor_ = 0;
  bool paintRgnOnly_ = false, refBitmap_ = false, readOnly_ = false;
  unsigned paintPass_ = 0;
  static int paintNestingCount_;
  QFont textFont_;
  std::unique_ptr<QPainter> bitmapPainter_;
  QImage bitmapDCImage_;
  bool bitmapDCCopied_ = false;

  // ---- Paint layer state (paint effects, settings, processing, regions, floater) ------------
  void RegionChanged();
  QTransform BitmapToDisplay() const;
  void DrawRegionOutline(QPainter& p, const QRect& clip);
  void DrawFloaters(QPainter& p);
  // The steps of a paint (PicImagePaint.cpp).
  struct PaintCycle;
  void EndPaint(bool ownBracket);
  void FollowScrollPositions();
  void StartFrame(PaintCycle& c);
  void LayOutPaint(PaintCycle& c);
  void FillOutside(PaintCycle& c, const QRect& area);
  void EraseFrame(PaintCycle& c);
  void RunTransition(PaintCycle& c);
  void PaintPicture(PaintCycle& c);
  void RunPasses(PaintCycle& c, const int& code, const QImage& from, const QImage& to, const QRect& area,
                 const unsigned& libMax, bool plainUnseen, unsigned type);
  px::EffectSettings EffectSettingsFor(int code) const;
  void ShowStep(PaintCycle& c, const QRect& area);
  void DrawOverlays(PaintCycle& c);
  void ShowFrame(const PaintCycle& c);
  int PlainProcess(const QString& opName, const std::function<int(px::Bitmap&)>& op, bool cutOutAware);
  QImage effectFrame_, lastFrame_, windowLayer_;
  bool rubberBandActive_ = false;
  QRect rubberBandRect_, zoomInRect_, captureRect_;
  QPoint rubberBandStart_, rubberBandScroll_;
  unsigned gradientStyle_ = 1000, gradientSteps_ = 16;
  bool dropFilesAllowed_ = false, autoFloater_ = true, enableFloater_ = false;
  std::vector<QPoint> polygon_;
  std::unique_ptr<QPainter> drawCanvas_;
  bool drawCanvasOnBitmap_ = false;
  bool animationOn_ = false, playbackActive_ = false;
  QTimer* animationTimer_ = nullptr;
  int listInfoWidth_ = 0, listInfoHeight_ = 0, listInfoBits_ = 0;
  uint32_t listInfoTransparent_ = 0;
  std::vector<uint32_t> listInfoPalette_;
  px::Bitmap cutOut_, background_, floater_, floaterCopy_;
  QRect cutOutRect_;
  QRegion cutOutRgn_, floaterRgn_;
  QRegion rgn_;
  int rgnLeft_ = 0, rgnTop_ = 0, rgnWidth_ = 0, rgnHeight_ = 0;
  int rgnFrameType_ = 0, rgnFramePhase_ = 0, rgnMouseMode_ = 0, rgnCombineMode_ = 1;
  TColor rgnColor_ = 0;
  QTimer* rgnTimer_ = nullptr;
  bool floaterVisible_ = false, floaterDragging_ = false;
  QRect floaterDstRect_, floaterDstClipRect_, floaterScreenRect_;
  QPoint floaterDragOffset_, lastMousePoint_;
  QImage floaterImage_;
  TColor textColor_ = 0;
};
