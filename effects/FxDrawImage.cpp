#include "FxDrawImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <numbers>

#include "Bitmap24Qt.h"
#include "FxDrawTools.h"
#include "FxTables.h"
#include "PainterEffectsF.h"

namespace kalvora {

namespace {
FxEffectsDialogFactory& dialogFactory() {
  static FxEffectsDialogFactory factory;
  return factory;
}

std::unique_ptr<FxEffectsDialog> makeDialog(TFxDrawImage* host) {
  if (dialogFactory()) return dialogFactory()(host);
  // A child window of the host: it belongs to the window the host is in, so a modal window
  // showing the host does not block it.
  return std::make_unique<TPainterEffectsF>(host);
}
}  // namespace

void SetEffectsDialogFactory(FxEffectsDialogFactory factory) { dialogFactory() = std::move(factory); }

const std::array<FxEffectInfo, TFxDrawImage::EffectCount>& TFxDrawImage::EffectTable() {
  static const std::array<FxEffectInfo, EffectCount> table = {{
      {"EffectContrast", nullptr, 100, 0, 0},
      {"EffectSaturation", nullptr, 255, 0, 0},
      {"EffectLightness", nullptr, 100, 0, 0},
      {"EffectGaussianBlur", "Unschärfe Gauss ", 20, 0, 0},
      {"EffectSplitBlur", nullptr, 30, 0, 0},
      {"EffectAddColorNoise", "Rauschen in Farbe", 200, 0, 0},
      {"EffectAddMonoNoise", "Rauschen Schwarz-Weiß", 200, 0, 0},
      {"EffectNone", nullptr, 20, 0, 0},
      {"EffectSeamless", "Bewegung", 15, 3, 5},
      {"EffectMosaic", "Mosaik", 30, 2, 15},
      {"EffectTwist", "Wirbel", 50, 1, 10},
      {"EffectFishEye", "Fischauge", 100, 1, 1},
      {"EffectWave0", nullptr, 200, 1, 15},
      {"EffectWave1", nullptr, 200, 1, 15},
      {"EffectWave2", nullptr, 10, 1, 1},
      {"EffectSmoothRotate", nullptr, 360, 0, 0},
      {"EffectSplitLight", "Licht-Teilen", 10, 1, 1},
      {"EffectMarble", nullptr, 400, 1, 1},
      {"EffectMarble2", nullptr, 400, 1, 1},
      {"EffectMarble3", nullptr, 400, 1, 1},
      {"EffectMarble4", nullptr, 400, 1, 1},
      {"EffectMarble5", nullptr, 400, 1, 1},
      {"EffectMarble6", nullptr, 400, 1, 1},
      {"EffectMarble7", nullptr, 400, 1, 1},
      {"EffectMarble8", nullptr, 400, 1, 1},
      {"EffectEmboss", "Relief", 100, 0, 0},
      {"EffectFilterRed", "Rot", 255, 0, 128},
      {"EffectFilterGreen", "Grün", 255, 0, 128},
      {"EffectFilterBlue", "Blau", 255, 0, 128},
      {"EffectFilterXRed", "XRot", 255, 0, 128},
      {"EffectFilterXGreen", "XGrün", 255, 0, 128},
      {"EffectFilterXBlue", "XBlau", 255, 0, 128},
      {"EffectSqueezeHor", nullptr, 255, 0, 0},
      {"EffectSqueezeTop", nullptr, 255, 0, 0},
      {"EffectSqueezeBottom", nullptr, 255, 0, 0},
      {"EffectSqueezeDiamond", nullptr, 255, 0, 0},
      {"EffectSqueezeWaste", nullptr, 255, 0, 0},
      {"EffectSqueezeRound", nullptr, 255, 0, 0},
      {"EffectSqueezeRound2", nullptr, 255, 0, 0},
      {"EffectSplitRound", nullptr, 255, 0, 0},
      {"EffectSplitWaste", nullptr, 255, 0, 0},
      {"EffectSkew", "Schräge", 100, 0, 0},
      {"EffectPlasma", "Plasma", 100, 1, 1},
      {"EffectMandelbrot", nullptr, 100, 0, 0},
      {"EffectMandelbrot", nullptr, 100, 0, 0},
      {"EffectTriangles", nullptr, 127, 5, 19},
      {"EffectRippleTooth", nullptr, 100, 3, 3},
      {"EffectRippleTooth2", nullptr, 100, 3, 3},
      {"EffectRippleRandom", nullptr, 100, 3, 3},
      {"EffectTexturizeTile", "Kacheln geteilt", 100, 3, 3},
      {"EffectTexturizeOverlap", "Kachlen überlappend", 100, 3, 3},
      {"EffectHeightMap", nullptr, 100, 1, 1},
      {"EffectBlendClipboard", nullptr, 100, 0, 0},
      {"EffectSolarize", "Solarisieren", 255, 0, 1},
      {"EffectPosterize", "Poster-Effekt", 255, 1, 1},
  }};
  return table;
}

const std::array<const char*, 100>& TFxDrawImage::ShapeNames() {
  static const std::array<const char*, 100> names = {
      "airbrush", "arc", "bars", "bezier", "blocks", "bluebrush", "blurcurves", "blurlines", "blurovals",
      "blurpoly", "blurrects", "border", "brightnessbrush", "chord", "cloneall", "clonenottarget", "cmirror",
      "cone", "contrastbrush", "cube", "darkerbrush", "decobar", "decooval", "dropletsphere", "ellipse",
      "fisheyebrush", "fisheyefixbrush", "floodfill", "freehand", "globe", "gradientbrush", "graybrush",
      "greenbrush", "halfbluebrush", "halfgreenbrush", "halfredbrush", "hmirror", "intercolumn", "interprect",
      "intersphere", "lighterbrush", "line", "maze", "mbBottom", "mbDiamond", "mbHor", "mbHorBox", "mbHorOval",
      "mbRound", "mbRound2", "mbSplitRound", "mbSplitWaste", "mbTop", "mbVerBox", "mbVerOval", "mbWaste",
      "mirror4", "mixbrush", "multisphere", "notbluebrush", "notgreenbrush", "notredbrush", "paintpick", "paste",
      "pastecolor", "pastecolorx", "pie", "polybezier", "polygon", "polyline", "rangemove", "rangesmear",
      "rectangle", "redbrush", "rimplebrush", "risingwavesphere", "rollmixbrush", "rotatebrush", "roundrect",
      "saturationbrush", "skewrect", "sline", "smoothbrush", "snapshot", "spiral", "spiro", "star", "sym",
      "texcurves", "texlines", "texovals", "texpoly", "texrects", "transcopy", "triangle", "twistbrush",
      "vmirror", "wavesphere", "zoombrush", "zoomkeepbrush"};
  return names;
}

TFxDrawImage::TFxDrawImage(QWidget* parent, std::unique_ptr<FxEffectsDialog> dialog)
    : QWidget(parent),
      paintFX_(std::make_unique<TFxPaintFX>()),
      airBrush_(std::make_unique<TAirBrush>()),
      dialog_(dialog ? std::move(dialog) : makeDialog(this)) {
  resize(256, 256);
  for (int i = 0; i < 256; ++i)
    ramp_[std::size_t(i)] = std::uint8_t(std::nearbyint(std::sin(i / 255.0 * std::numbers::pi / 2) * 255));
  for (int d = -90; d <= 90; ++d) {
    const long double a = d * std::numbers::pi_v<long double> / 180;
    sinCos_[std::size_t(d + 90)] = {std::sin(a), std::cos(a)};
  }
  if (dialog_) dialog_->SetDrawImage(this);
  Loaded();
}

TFxDrawImage::~TFxDrawImage() {
  // The dialog goes first: nothing may call back into a host being torn down.
  if (dialog_) dialog_->SetDrawImage(nullptr);
  dialog_.reset();
}

TFxDrawTools& TFxDrawImage::DrawTools() {
  if (!drawTools_) drawTools_ = new TFxDrawTools(this);
  return *drawTools_;
}

void TFxDrawImage::Loaded() {
  QImage white(256, 256, QImage::Format_BGR888);
  white.fill(Qt::white);
  setPicture(white);
}

void TFxDrawImage::setPicture(const QImage& picture) {
  picture_ = picture;
  // AutoSize: the control takes the picture's size.
  if (!picture_.isNull()) resize(picture_.size());
  update();
}

void TFxDrawImage::CopyPictureToWork() {
  const int w = picture_.isNull() ? 0 : picture_.width();
  const int h = picture_.isNull() ? 0 : picture_.height();
  Tools.range = {0, 0, w - 1, h - 1};
  Tools.copyMode = 0xCC0020;
  WorkBitmap = FromQImage(picture_);
}

void TFxDrawImage::DoColorPicked(TColor color) {
  if (onColorPicked) onColorPicked(this, color);
}

void TFxDrawImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter p(this);
  // Stretch: the picture fills the control.
  p.drawImage(rect(), picture_);
}

// ---- Dialog ----------------------------------------------------------------------------------------

int TFxDrawImage::bar(FxEffectsDialog::Bar b) const { return dialog_ ? dialog_->barPosition(b) : 0; }

// The centre bars reach over the host: their maxima are its width and height (the picture's,
// as the host sizes itself to it), so a centre can be any point of the picture.
void TFxDrawImage::setCentreBars() {
  dialog_->setBarMaximum(FxEffectsDialog::cxbar, width());
  dialog_->setBarMaximum(FxEffectsDialog::cybar, height());
  dialog_->setBarPosition(FxEffectsDialog::cxbar, dialog_->barMaximum(FxEffectsDialog::cxbar) / 2);
  dialog_->setBarPosition(FxEffectsDialog::cybar, dialog_->barMaximum(FxEffectsDialog::cybar) / 2);
}

int TFxDrawImage::ShowEffects(bool brightnessPanel) {
  if (!dialog_) return 0;
  setCentreBars();
  dialog_->setPanelVisible(FxEffectsDialog::HelligkeitPanel, brightnessPanel);
  dialog_->setPanelVisible(FxEffectsDialog::EffectPanel, !brightnessPanel);
  dialog_->setPanelVisible(FxEffectsDialog::AutomaticPanel, false);
  return dialog_->showModal();
}

void TFxDrawImage::AutoEnhance() {
  if (!dialog_) return;
  setCentreBars();
  dialog_->setPanelVisible(FxEffectsDialog::HelligkeitPanel, false);
  dialog_->setPanelVisible(FxEffectsDialog::EffectPanel, false);
  dialog_->setPanelVisible(FxEffectsDialog::AutomaticPanel, true);
  dialog_->showModeless();
  dialog_->RunAutoEnhance();
}

void TFxDrawImage::beginEffect() { CopyPictureToWork(); }

void TFxDrawImage::showPreview() {
  if (dialog_) dialog_->showPreview(WorkBitmap);
}

void TFxDrawImage::AdjustColors(int lightness, int saturation, int contrast) {
  beginEffect();
  // One fused pass; the same bytes as Lightness, Saturation and Contrast one after the other.
  paintFX_->AdjustColors(&WorkBitmap, lightness, saturation, contrast);
  showPreview();
}

// ---- Effect operations -----------------------------------------------------------------------------

using B = FxEffectsDialog;

bool TFxDrawImage::RunEffect(int index) {
  switch (index) {
    case 0: EffectContrast(); break;
    case 1: EffectSaturation(); break;
    case 2: EffectLightness(); break;
    case 3: EffectGaussianBlur(); break;
    case 4: EffectSplitBlur(); break;
    case 5: EffectAddColorNoise(); break;
    case 6: EffectAddMonoNoise(); break;
    case 7: EffectNone(); break;
    case 8: EffectSeamless(); break;
    case 9: EffectMosaic(); break;
    case 10: EffectTwist(); break;
    case 11: EffectFishEye(); break;
    case 12: EffectWave0(); break;
    case 13: EffectWave1(); break;
    case 14: EffectWave2(); break;
    case 15: EffectSmoothRotate(); break;
    case 16: EffectSplitLight(); break;
    case 17: EffectMarble(); break;
    case 18: EffectMarble2(); break;
    case 19: EffectMarble3(); break;
    case 20: EffectMarble4(); break;
    case 21: EffectMarble5(); break;
    case 22: EffectMarble6(); break;
    case 23: EffectMarble7(); break;
    case 24: EffectMarble8(); break;
    case 25: EffectEmboss(); break;
    case 26: EffectFilterRed(); break;
    case 27: EffectFilterGreen(); break;
    case 28: EffectFilterBlue(); break;
    case 29: EffectFilterXRed(); break;
    case 30: EffectFilterXGreen(); break;
    case 31: EffectFilterXBlue(); break;
    case 32: EffectSqueezeHor(); break;
    case 33: EffectSqueezeTop(); break;
    case 34: EffectSqueezeBottom(); break;
    case 35: EffectSqueezeDiamond(); break;
    case 36: EffectSqueezeWaste(); break;
    case 37: EffectSqueezeRound(); break;
    case 38: EffectSqueezeRound2(); break;
    case 39: EffectSplitRound(); break;
    case 40: EffectSplitWaste(); break;
    case 41: EffectSkew(); break;
    case 42: EffectPlasma(); break;
    case 43: EffectMandelbrot(true); break;
    case 44: EffectMandelbrot(false); break;
    case 45: EffectTriangles(); break;
    case 46: EffectRippleTooth(); break;
    case 47: EffectRippleTooth2(); break;
    case 48: EffectRippleRandom(); break;
    case 49: EffectTexturizeTile(); break;
    case 50: EffectTexturizeOverlap(); break;
    case 51: EffectHeightMap(); break;
    case 52: EffectBlendClipboard(); break;
    case 53: EffectSolarize(); break;
    case 54: EffectPosterize(); break;
    default: return false;
  }
  return true;
}

// The common shape of most operations: copy, filter, preview.
#define FX_EFFECT(name, call) \
  void TFxDrawImage::name() {  \
    beginEffect();             \
    call;                      \
    showPreview();             \
  }

FX_EFFECT(EffectContrast, paintFX_->Contrast(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectSaturation, paintFX_->Saturation(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectLightness, paintFX_->Lightness(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectGaussianBlur, paintFX_->GaussianBlur(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectSplitBlur, paintFX_->SplitBlur(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectAddColorNoise, paintFX_->AddColorNoise(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectAddMonoNoise, paintFX_->AddMonoNoise(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectNone, paintFX_->EmptyFilter())
FX_EFFECT(EffectSeamless, paintFX_->MakeSeamless(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectMosaic, paintFX_->Mosaic(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectTwist, paintFX_->Twist(&WorkBitmap, &WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectFishEye, paintFX_->FishEye(&WorkBitmap, &WorkBitmap, float(bar(B::EBar)) / 100.0f))
FX_EFFECT(EffectWave0, paintFX_->Wave(&WorkBitmap, bar(B::EBar), 0, 0))
FX_EFFECT(EffectWave1, paintFX_->Wave(&WorkBitmap, bar(B::EBar), 1, 0))
FX_EFFECT(EffectWave2, paintFX_->Wave(&WorkBitmap, bar(B::extrabar), 2, bar(B::EBar)))
FX_EFFECT(EffectSmoothRotate,
          paintFX_->SmoothRotate(&WorkBitmap, &WorkBitmap, bar(B::cxbar), bar(B::cybar), bar(B::EBar)))
FX_EFFECT(EffectSplitLight, SplitLight(bar(B::EBar)))
FX_EFFECT(EffectMarble, paintFX_->Marble(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble2, paintFX_->Marble2(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble3, paintFX_->Marble3(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble4, paintFX_->Marble4(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble5, paintFX_->Marble5(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble6, paintFX_->Marble6(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble7, paintFX_->Marble7(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectMarble8, paintFX_->Marble8(&WorkBitmap, &WorkBitmap, bar(B::EBar), bar(B::extrabar)))
FX_EFFECT(EffectEmboss, paintFX_->Emboss(&WorkBitmap))
FX_EFFECT(EffectFilterRed, paintFX_->FilterRed(&WorkBitmap, bar(B::extrabar), bar(B::EBar)))
FX_EFFECT(EffectFilterGreen, paintFX_->FilterGreen(&WorkBitmap, bar(B::extrabar), bar(B::EBar)))
FX_EFFECT(EffectFilterBlue, paintFX_->FilterBlue(&WorkBitmap, bar(B::extrabar), bar(B::EBar)))
FX_EFFECT(EffectFilterXRed, paintFX_->FilterXRed(&WorkBitmap, bar(B::extrabar), bar(B::EBar)))
FX_EFFECT(EffectFilterXGreen, paintFX_->FilterXGreen(&WorkBitmap, bar(B::extrabar), bar(B::EBar)))
FX_EFFECT(EffectFilterXBlue, paintFX_->FilterXBlue(&WorkBitmap, bar(B::extrabar), bar(B::EBar)))
FX_EFFECT(EffectSqueezeHor, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 7, bar(B::EBar)))
FX_EFFECT(EffectSqueezeTop, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 8, bar(B::EBar)))
FX_EFFECT(EffectSqueezeBottom, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 9, bar(B::EBar)))
FX_EFFECT(EffectSqueezeDiamond, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 10, bar(B::EBar)))
FX_EFFECT(EffectSqueezeWaste, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 11, bar(B::EBar)))
FX_EFFECT(EffectSqueezeRound, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 12, bar(B::EBar)))
FX_EFFECT(EffectSqueezeRound2, paintFX_->SqueezeHor(&WorkBitmap, &WorkBitmap, 13, bar(B::EBar)))
FX_EFFECT(EffectSplitRound, paintFX_->SplitRound(&WorkBitmap, &WorkBitmap, 14, bar(B::EBar)))
FX_EFFECT(EffectSplitWaste, paintFX_->SplitRound(&WorkBitmap, &WorkBitmap, 15, bar(B::EBar)))
FX_EFFECT(EffectSkew, Skew(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectTriangles, paintFX_->Triangles(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectRippleTooth, paintFX_->RippleTooth(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectRippleTooth2, paintFX_->RippleTooth(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectRippleRandom, paintFX_->RippleRandom(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectTexturizeTile, paintFX_->TexturizeTile(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectTexturizeOverlap, paintFX_->TexturizeOverlap(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectHeightMap, paintFX_->HeightMap(&WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectSolarize, paintFX_->Solarize(&WorkBitmap, &WorkBitmap, bar(B::EBar)))
FX_EFFECT(EffectPosterize, paintFX_->Posterize(&WorkBitmap, &WorkBitmap, bar(B::EBar)))

#undef FX_EFFECT

void TFxDrawImage::EffectPlasma() {
  beginEffect();
  Bitmap24 source = WorkBitmap, map = WorkBitmap;
  const int amplitude = bar(B::EBar);
  int scale = bar(B::extrabar);
  if (scale < 10) {
    if (dialog_) dialog_->setBarPosition(B::extrabar, 10);
    scale = 10;
  }
  paintFX_->Plasma(&source, &map, scale, amplitude, &WorkBitmap);
  showPreview();
}

void TFxDrawImage::EffectMandelbrot(bool mandelbrot) {
  beginEffect();
  paintFX_->Mandelbrot(&WorkBitmap, 16, mandelbrot, 1.5, 0.75, bar(B::extrabar) * 0.009 - 1.5,
                       bar(B::EBar) * 0.028 - 2.25);
  showPreview();
}

void TFxDrawImage::EffectBlendClipboard() {
  beginEffect();
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return;
  const QImage image = clipboard->image();
  if (image.isNull()) return;
  Bitmap24 other = FromQImage(image);
  if (other.width() != WorkBitmap.width() || other.height() != WorkBitmap.height()) return;
  paintFX_->Blend(&WorkBitmap, &other, bar(B::EBar) / 100.0, &WorkBitmap);
  showPreview();
}

// ---- The host's own filters ------------------------------------------------------------------------

void TFxDrawImage::SplitLight(int amount) {
  if (WorkBitmap.isEmpty() || amount <= 0) return;
  // The ramp applied Amount times is one table; it settles after a few rounds.
  fx::ByteTable lut = fx::IdentityTable();
  for (int n = 0; n < amount; ++n) {
    bool changed = false;
    for (auto& v : lut) {
      const std::uint8_t next = ramp_[v];
      changed |= next != v;
      v = next;
    }
    if (!changed) break;
  }
  fx::ApplyTable(WorkBitmap, lut);
}

void TFxDrawImage::Skew(Bitmap24* bitmap, int amount) {
  if (!bitmap || bitmap->isEmpty()) return;
  const int w = bitmap->width(), h = bitmap->height();
  const double s = amount / 100.0;
  const double denominator = s * h + w;
  if (!(denominator > 0)) return;
  // Row by row: each row lands in a black row of its own (the last pixel on a column wins).
  std::vector<std::uint8_t> row(std::size_t(w) * 3);
  for (int y = 0; y < h; ++y) {
    const double shift = fx::RoundEven(s * y);
    std::uint8_t* line = bitmap->scanLine(y);
    std::memcpy(row.data(), line, row.size());
    std::memset(line, 0, row.size());
    for (int x = 0; x < w; ++x) {
      const double col = fx::RoundEven((shift + x) * w / denominator);
      // Columns outside the picture (column W included) are dropped.
      if (col < 0 || col >= w) continue;
      std::memcpy(line + 3 * int(col), row.data() + 3 * x, 3);
    }
  }
}

}  // namespace kalvora
