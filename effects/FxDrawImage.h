#pragma once
// TFxDrawImage: the effect host. A picture control holding the picture to process (`Picture`).
// Every effect copies the picture into the 24-bit `WorkBitmap`, runs one filter on it and shows
// the result in the preview of the host's painter-effects dialog; the editor reads the finished
// picture from `WorkBitmap`.
//
// The same control carries the mouse drawing tools chosen by `Shape` and the state they use
// (tables, the second bitmap, the airbrush, the tool settings below). The tools themselves live
// in their own source files next to this one and are declared in the marked section at the end.
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "AirBrush.h"
#include "Bitmap24.h"
#include "FxEffectsDialog.h"
#include "FxPaintFX.h"

namespace kalvora {

// One entry of the effect table: what the dialog shows for an effect index and the range it
// gives its strength bar `EBar` when the entry is chosen.
struct FxEffectInfo {
  const char* operation;  // name of the host's operation, e.g. "EffectMosaic"
  const char* treeLabel;  // German label of the dialog's tree node; nullptr: no node carries it
  int barMax, barMin, barStart;
};

// Creates the painter-effects dialog of a new host. The default makes TPainterEffectsF (the
// editor links it to its picture); tests may install another. A null factory restores the default.
using FxEffectsDialogFactory = std::function<std::unique_ptr<FxEffectsDialog>(class TFxDrawImage*)>;
void SetEffectsDialogFactory(FxEffectsDialogFactory factory);

// The drawing tools' colour-picked event: (sender, colour).
using TColorPicked = std::function<void(class TFxDrawImage* sender, TColor color)>;

class TFxDrawImage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int EffectCount = 55;
  // Indexed by effect index 0 .. 54.
  static const std::array<FxEffectInfo, EffectCount>& EffectTable();

  // Uses the given dialog, or one from the dialog factory when none is given. Runs the set-up
  // of construction and of Loaded(): the host is 256 x 256 and its picture a white 256 x 256 bitmap.
  explicit TFxDrawImage(QWidget* parent = nullptr, std::unique_ptr<FxEffectsDialog> dialog = nullptr);
  ~TFxDrawImage() override;

  // The set-up after the control is in place: the picture becomes a white 256 x 256 bitmap.
  void Loaded();

  // ---- Picture and work bitmap ----------------------------------------------------------------
  // The picture to process; any QImage format (it is converted to 24 bits when copied).
  const QImage& Picture() const { return picture_; }
  QImage& Picture() { return picture_; }
  void setPicture(const QImage& picture);
  // The result of the last effect (the editor reads it after the dialog's OK).
  Bitmap24 WorkBitmap;

  // The first step of every effect: WorkBitmap := the picture, 24 bits, same size. Also sets
  // the tool range to the whole picture and the copy mode to SRCCOPY.
  void CopyPictureToWork();

  TFxPaintFX& PaintFX() { return *paintFX_; }
  FxEffectsDialog* EffectsDialog() const { return dialog_.get(); }
  TAirBrush& AirBrush() { return *airBrush_; }

  // ---- Effects --------------------------------------------------------------------------------
  // Shows the dialog modally with the brightness panel (true) or the effect panel (false) and
  // returns its modal result; the centre bars first get the host's width and height as maximum
  // and stand in the middle.
  int ShowEffects(bool brightnessPanel);
  // Shows the dialog without blocking with only its automatic panel and runs its automatic
  // enhancement.
  void AutoEnhance();
  // Copy, then Lightness, Saturation and Contrast with the three amounts, then the preview.
  // The dialog passes brightness -255..255, colour 0..500 (raw position), contrast -255..255.
  void AdjustColors(int lightness, int saturation, int contrast);

  // Runs the effect operation of an index 0 .. 54; false (and nothing done) for another index.
  bool RunEffect(int index);

  void EffectContrast();
  void EffectSaturation();
  void EffectLightness();
  void EffectGaussianBlur();
  void EffectSplitBlur();
  void EffectAddColorNoise();
  void EffectAddMonoNoise();
  void EffectNone();
  void EffectSeamless();
  void EffectMosaic();
  void EffectTwist();
  void EffectFishEye();
  void EffectWave0();
  void EffectWave1();
  void EffectWave2();
  void EffectSmoothRotate();
  void EffectSplitLight();
  void EffectMarble();
  void EffectMarble2();
  void EffectMarble3();
  void EffectMarble4();
  void EffectMarble5();
  void EffectMarble6();
  void EffectMarble7();
  void EffectMarble8();
  void EffectEmboss();
  void EffectFilterRed();
  void EffectFilterGreen();
  void EffectFilterBlue();
  void EffectFilterXRed();
  void EffectFilterXGreen();
  void EffectFilterXBlue();
  void EffectSqueezeHor();
  void EffectSqueezeTop();
  void EffectSqueezeBottom();
  void EffectSqueezeDiamond();
  void EffectSqueezeWaste();
  void EffectSqueezeRound();
  void EffectSqueezeRound2();
  void EffectSplitRound();
  void EffectSplitWaste();
  void EffectSkew();
  void EffectPlasma();
  void EffectMandelbrot(bool mandelbrot);
  void EffectTriangles();
  void EffectRippleTooth();
  void EffectRippleTooth2();
  void EffectRippleRandom();
  void EffectTexturizeTile();
  void EffectTexturizeOverlap();
  void EffectHeightMap();
  void EffectBlendClipboard();
  void EffectSolarize();
  void EffectPosterize();

  // ---- The host's own two filters (on WorkBitmap) -----------------------------------------------
  // Each byte := ramp table entry, Amount times.
  void SplitLight(int amount);
  // Shears the bitmap: row y moves right by s*y (s = Amount / 100) and is compressed to fit.
  void Skew(Bitmap24* bitmap, int amount);

  // ---- Tables computed at construction ----------------------------------------------------------
  // rampTable[i] = Round(sin(i / 255 * pi / 2) * 255).
  const std::array<std::uint8_t, 256>& RampTable() const { return ramp_; }
  // sinCos[d + 90] = {sin, cos} of d degrees, d = -90 .. 90.
  const std::array<std::array<long double, 2>, 181>& SinCosTable() const { return sinCos_; }
  // The 100 drawing-tool names, in their fixed order.
  static const std::array<const char*, 100>& ShapeNames();

  // ---- Drawing-tool state ---------------------------------------------------------------------
  // Name of the current drawing tool ("line" after construction).
  QString Shape = QStringLiteral("line");
  bool polygonchecked = false;
  TColorPicked onColorPicked;
  int blocks = 32;
  int stars = 1;
  int starpoints = 5;
  int spirals = 3;
  // Scratch bitmap of the drawing tools.
  Bitmap24 SecondBitmap;

  // Settings of the drawing tools that the constructor gives start values (one set per host;
  // the drawing tools keep the rest of their state themselves). Rectangles: left, top, right, bottom.
  struct ToolSettings {
    std::array<int, 4> range{0, 0, 256, 256};  // range rectangle: what "snapshot" marks, range tools copy
    std::array<int, 4> zoomRect{0, 0, 50, 50};  // source area of the zoom lens
    int anchorX = 0, anchorY = 0;              // last right-click point
    int spiroTurns = 40;                       // the spirograph runs this many times 36 steps
    TColor keyColor = 0xFFFFFF;                // transparent colour of "transcopy"
    double spiralShrink = 0.99;                // radius factor per "spiral" step
    int spiralStep = 1;                        // angle step of "spiral" in tens of degrees
    int slineThreshold = 5;                    // cross movement that switches the "sline" direction
    int cornerSize = 10;                       // corner ellipse of "roundrect"
    std::uint32_t copyMode = 0xCC0020;         // range copy mode: SRCCOPY or SRCINVERT ($660046)
  } Tools;

  // Calls onColorPicked, if set, with this host and the colour.
  void DoColorPicked(TColor color);

  // ---- Drawing tools --------------------------------------------------------------------------
  // The host's mouse drawing tools, made on first use (a child object, deleted with the host).
  class TFxDrawTools& DrawTools();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Steps 1 and 2 of every effect operation.
  void beginEffect();
  // Step 4: the dialog's preview receives WorkBitmap.
  void showPreview();
  int bar(FxEffectsDialog::Bar b) const;
  void setCentreBars();

  QImage picture_;
  std::unique_ptr<TFxPaintFX> paintFX_;
  std::unique_ptr<TAirBrush> airBrush_;
  std::unique_ptr<FxEffectsDialog> dialog_;
  class TFxDrawTools* drawTools_ = nullptr;
  std::array<std::uint8_t, 256> ramp_{};
  std::array<std::array<long double, 2>, 181> sinCos_{};
};

}  // namespace kalvora
