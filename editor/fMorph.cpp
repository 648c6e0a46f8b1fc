#include "fMorph.h"

#include <QApplication>
#include <QBuffer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>
#include <numbers>

#include "FileOps.h"
#include "FormButtons.h"
#include "Kernels.h"
#include "MorphBrushRow.h"
#include "NestedSamplers.h"
#include "Prompter.h"
#include "Rasterizers.h"
#include "Resamplers.h"

using namespace kalvora::raster;

int TMorphForm::DefaultKernelIndex = 6;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

const char* const kKernelNames[7] = {"TBoxKernel",      "TLinearKernel",   "TSplineKernel", "TMitchellKernel",
                                     "TSinshKernel",    "TGaussianKernel", "TCubicKernel"};

TCustomKernel* newKernel(int index) {
  switch (index) {
    case 0: return new TBoxKernel;
    case 1: return new TLinearKernel;
    case 2: return new TSplineKernel;
    case 3: return new TMitchellKernel;
    case 4: return new TSinshKernel;
    case 5: return new TGaussianKernel;
    default: return new TCubicKernel;
  }
}

constexpr TRect kEmptyRect{2147483647, 2147483647, -2147483647, -2147483647};

// The mesh kernels on polar coordinates; mesh 0 is the left button, mesh 1 the right one.
void applyKernel(TMorphForm::Tool tool, int mesh, double p, double& r, double& t) {
  switch (tool) {
    case TMorphForm::Zoom:
      r = mesh == 0 ? r - (1 - (1 - r) * p) * 0.1 : r + (1 - (1 - r) * p) * 0.1;
      break;
    case TMorphForm::Wirbel:
      t = mesh == 0 ? t + p : t - p;
      break;
    case TMorphForm::Blume:
      r = mesh == 0 ? r * std::sin(t * p) : r * std::max(0.0, std::sin(t * p));
      break;
    default: break;
  }
}
}  // namespace

TGaugeBar* TMorphForm::addBar(QWidget* panel, const char* name, const QString& caption, int min, int max, int pos,
                              QLabel** label) {
  auto* l = new QLabel(caption, panel);
  l->setObjectName(QString::fromLatin1(name).replace("Bar", "Label"));
  auto* bar = new TGaugeBar(panel);
  bar->setObjectName(name);
  bar->setMinimumHeight(16);
  bar->Loading = true;
  bar->SetMin(min);
  bar->SetMax(max);
  bar->Loading = false;
  bar->SetPosition(pos);
  panel->layout()->addWidget(l);
  panel->layout()->addWidget(bar);
  if (label != nullptr) *label = l;
  return bar;
}

TMorphForm::TMorphForm(const QString& programFolder, QWidget* parent) : TForm("MorphForm", parent), folder_(programFolder) {
  setWindowTitle(u("Bild verformen"));
  setWindowFlag(Qt::Tool);
  resize(900, 620);
  auto* top = new QHBoxLayout(this);
  DstImg = new TImgView32(this);
  DstImg->setObjectName("DstImg");
  top->addWidget(DstImg, 1);

  MainPanel = new QFrame(this);
  MainPanel->setObjectName("MainPanel");
  MainPanel->setFixedWidth(210);
  auto* side = new QVBoxLayout(MainPanel);
  top->addWidget(MainPanel);
  auto group = [&](const char* name, const QString& title) {
    auto* box = new QGroupBox(title, MainPanel);
    box->setObjectName(name);
    new QVBoxLayout(box);
    side->addWidget(box);
    return box;
  };
  GeneralPanel = group("GeneralPanel", u("Generell"));
  ScaleBar = addBar(GeneralPanel, "ScaleBar", u("Effektstärke:"), -300, 300, 100);
  ScaleBar->SetLargeChange(10);
  BrushPanel = group("BrushPanel", u("Pinsel"));
  FeatherBar = addBar(BrushPanel, "FeatherBar", u("Pinselfeder:"), 0, 100, 12);
  PressureBar = addBar(BrushPanel, "PressureBar", u("Pinseldruck:"), 0, 100, 50);
  PinchBar = addBar(BrushPanel, "PinchBar", u("Pinsel-Pinch:"), -100, 100, 0);
  SizeBar = addBar(BrushPanel, "SizeBar", u("Pinselgröße:"), 5, 500, 100);
  BrushPanel->layout()->addWidget(new QLabel(u("Pinsel Maske:"), BrushPanel));
  BrushMeshPreview = new TPaintBox32(BrushPanel);
  BrushMeshPreview->setObjectName("BrushMeshPreview");
  BrushMeshPreview->setFixedSize(96, 96);
  BrushPanel->layout()->addWidget(BrushMeshPreview);
  ToolPanel = group("ToolPanel", u("Formwerkzeug"));
  auto* grid = new QGridLayout;
  static_cast<QVBoxLayout*>(ToolPanel->layout())->addLayout(grid);
  ToolGroup = new QButtonGroup(this);
  ToolGroup->setObjectName("ToolGroup");
  const char* tools[4] = {"Warp", "Zoom", "Wirbel", "Blume"};
  for (int i = 0; i < 4; ++i) {
    auto* rb = new QRadioButton(u(tools[i]), ToolPanel);
    rb->setObjectName(QString("Tool%1").arg(tools[i]));
    ToolGroup->addButton(rb, i);
    grid->addWidget(rb, i / 2, i % 2);
  }
  ToolGroup->button(0)->setChecked(true);
  ParamBar = addBar(ToolPanel, "ParamBar", u("Parameter:"), 0, 100, 20, &ParamLabel);
  RateBar = addBar(ToolPanel, "RateBar", u("Rate:"), 0, 399, 350, &RateLabel);
  for (QWidget* w : {static_cast<QWidget*>(ParamBar), static_cast<QWidget*>(RateBar), static_cast<QWidget*>(ParamLabel),
                     static_cast<QWidget*>(RateLabel)})
    w->setEnabled(false);
  side->addStretch(1);
  auto* buttons = new QVBoxLayout;
  side->addLayout(buttons);
  BitBtn1 = AddFormButton(this, buttons, "BitBtn1", u("OK"));
  BitBtn2 = AddFormButton(this, buttons, "BitBtn2", u("Abbrechen"), kalvora::mrAbort);
  BitBtn3 = AddFormButton(this, buttons, "BitBtn3", u("Zurücksetzen"));
  UpdateTimer = new QTimer(this);
  UpdateTimer->setObjectName("UpdateTimer");
  UpdateTimer->setInterval(50);

  // The controls are set up: what loading a form does for them.
  DstImg->Loaded();
  BrushMeshPreview->Loaded();

  // FormCreate
  FSrc = std::make_unique<TBitmap32>();
  try {
    FSrc->LoadFromFile(folder_ + "Temp.jpg");
  } catch (const std::exception&) {
    FSrc.reset();
  }
  if (!FSrc || FSrc->Empty()) {
    FSrc.reset();
    loadError_ = u("Das Bild konnte nicht zum Verformen geladen werden.");
  } else {
    FSrc->ResetAlpha(255);
    FSrc->SetOuterColor(0);
    FSrc->SetDrawMode(TDrawMode::dmBlend);
    FSrc->SetCombineMode(TCombineMode::cmMerge);
    DstImg->Bitmap()->Assign(FSrc.get());
    DstImg->SetOverSize(0);
    DstImg->SetScrollBarVisibility(TScrollBarVisibility::svAuto);
    DstImg->SetRepaintMode(TRepaintMode::rmOptimizer);
    DstImg->setCursor(Qt::BlankCursor);
    DstImg->PaintStages()->Items(0).Stage = PST_CUSTOM;
    FRemap = std::make_unique<TRemapTransformation>();
    FRemap->VectorMap()->SetSize(FSrc->Width(), FSrc->Height());
    FRemap->SetSrcRect(FloatRect(FSrc->BoundsRect()));
    FRemap->SetMappingRect(FloatRect(DstImg->Bitmap()->BoundsRect()));
  }
  for (int i = 0; i < 7; ++i) {
    auto* a = new QAction(QString::fromLatin1(kKernelNames[i]), this);
    a->setCheckable(true);
    a->setChecked(i == DefaultKernelIndex);
    a->setData(i);
    connect(a, &QAction::triggered, this, [this, i] { KernelClick(i); });
    KernelItems << a;
  }
  FBrush = std::make_unique<TGenericBrush>();
  FBrushLayer = DstImg->Layers()->Add<TBrushLayer>();
  FBrushLayer->SetLayerOptions(FBrushLayer->LayerOptions() & ~LOB_MOUSE_EVENTS);
  // The ring shows where the brush would work: only while the pointer is over the picture.
  FBrushLayer->SetVisible(false);
  // The view owns the layer: should it go first, the form forgets it instead of keeping a freed pointer.
  FBrushLayer->OnDestroy = [this](TCustomLayer*) { FBrushLayer = nullptr; };
  FDirtyRect = kEmptyRect;

  // Events
  DstImg->OnMouseDown = [this](TCustomImage32*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y,
                               TCustomLayer*) { DstImgMouseDown(b, x, y); };
  DstImg->OnMouseMove = [this](TCustomImage32*, Qt::KeyboardModifiers s, int x, int y, TCustomLayer*) {
    DstImgMouseMove(s, x, y);
  };
  DstImg->OnMouseUp = [this](TCustomImage32*, Qt::MouseButton b, Qt::KeyboardModifiers, int, int, TCustomLayer*) {
    buttonsHeld_ &= ~Qt::MouseButtons(b);
    DstImgMouseUp();
  };
  DstImg->OnPaintStage = [this](TCustomImage32*, TBitmap32* buffer, unsigned) { DstImgPaintStage(buffer); };
  DstImg->OnMouseLeave = [this] { hideBrushRing(); };
  // The scroll bars lie inside the view: the pointer on them has left the picture.
  for (QWidget* bar : {static_cast<QWidget*>(DstImg->HScroll()), static_cast<QWidget*>(DstImg->VScroll())})
    bar->installEventFilter(this);
  connect(UpdateTimer, &QTimer::timeout, this, [this] { UpdateTimerTimer(); });
  connect(ToolGroup, &QButtonGroup::idClicked, this, [this](int) { ToolGroupClick(); });
  for (TGaugeBar* b : {PressureBar, FeatherBar, PinchBar, ParamBar}) b->OnChange = [this](TArrowBar*) { PressureBarChange(); };
  SizeBar->OnChange = [this](TArrowBar*) { SizeBarChange(); };
  RateBar->OnChange = [this](TArrowBar*) { RateBarChange(); };
  for (TGaugeBar* b : {SizeBar, ParamBar, RateBar}) b->OnMouseUp = [this](TArrowBar*) { GaugeMouseUp(); };
  ScaleBar->OnMouseUp = [this](TArrowBar*) { ScaleBarMouseUp(); };
  BrushMeshPreview->OnResize = [this] { UpdateBrush(); };
  BrushMeshPreview->OnPaintBuffer = [this](TPaintBox32* box) { DrawBrushPreview(box); };
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { mResetMeshClick(); });

  PressureBarChange();
}

void TMorphForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  // Centred once the view has its size: before the layout it is a few pixels wide, and a
  // position taken then would open the dialog on the picture's lower right corner.
  if (!event->spontaneous() && !centred_ && Ready()) {
    centred_ = true;
    if (layout() != nullptr) layout()->activate();
    DstImg->ScrollToCenter(FSrc->Width() / 2, FSrc->Height() / 2);
  }
}

bool TMorphForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Enter) hideBrushRing();
  return TForm::eventFilter(watched, event);
}

void TMorphForm::hideBrushRing() {
  if (FBrushLayer != nullptr) FBrushLayer->SetVisible(false);
}

bool TMorphForm::PointerOverPicture(int x, int y) {
  TRect shown;
  if (!IntersectRect(shown, DstImg->GetBitmapRect(), DstImg->GetViewportRect())) return false;
  return x >= shown.Left && x < shown.Right && y >= shown.Top && y < shown.Bottom;
}

TMorphForm::~TMorphForm() {
  UpdateTimer->stop();
  // The view and its bars outlive this part of the form: nothing of them may call back into it.
  DstImg->OnMouseLeave = nullptr;
  DstImg->HScroll()->removeEventFilter(this);
  DstImg->VScroll()->removeEventFilter(this);
  // The brush layer belongs to the view's layers, which the view frees after this form's part is gone.
  if (FBrushLayer != nullptr) FBrushLayer->OnDestroy = nullptr;
  FBrushLayer = nullptr;
}

QString TMorphForm::ColorText(TColor32 c) {
  return QString("A: %1 R: %2 G: %3 B: %4").arg(c >> 24).arg((c >> 16) & 0xFF).arg((c >> 8) & 0xFF).arg(c & 0xFF);
}

double TMorphForm::GetParam() const {
  const double q = ParamBar->Position();
  switch (CurrentTool()) {
    case Zoom: return 1 - q / 100;
    case Blume: return std::nearbyint(q / 100 * 16 + 1);
    default: return q / 100;
  }
}

void TMorphForm::PressureBarChange() {
  FBrush->SetPressure(PressureBar->Position() / 100.0f);
  FBrush->SetPinch(PinchBar->Position() / 100.0f);
  FBrush->SetFeather(FeatherBar->Position() / 100.0f);
  UpdateBrush();
}

void TMorphForm::UpdateBrush() {
  const int s = SizeBar->Position();
  FBrushMesh[0].SetSize(s, s);
  FBrushMesh[1].SetSize(s, s);
  FScratchMap.SetSize(s, s);
  GenerateMeshes();
  if (FBrushLayer != nullptr) FBrushLayer->SetRadius(s / 2);
  BrushMeshPreview->Invalidate();
}

void TMorphForm::GenerateMeshes() {
  const Tool tool = CurrentTool();
  const double p = GetParam();
  for (int m = 0; m < 2; ++m) {
    if (tool == Warp && m == 1) break;  // the right button keeps what it held
    TVectorMap& mesh = FBrushMesh[m];
    const int w = mesh.Width(), h = mesh.Height();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double fx = w > 1 ? x * 2.0 / (w - 1) - 1 : 0, fy = h > 1 ? y * 2.0 / (h - 1) - 1 : 0;
        const double wt = FBrush->Weight(float(fx), float(fy));
        if (tool == Warp) {
          mesh.SetFixedVector(x, y, {Fixed(float(wt)), Fixed(float(wt))});
          continue;
        }
        double r = std::hypot(fx, fy), t = std::atan2(fy, fx);
        applyKernel(tool, m, p, r, t);
        const double nx = r * std::cos(t), ny = r * std::sin(t);
        const double vx = ((nx + 1) * (w - 1) * 0.5 - x) * wt, vy = ((ny + 1) * (h - 1) * 0.5 - y) * wt;
        mesh.SetFixedVector(x, y, {Fixed(float(vx)), Fixed(float(vy))});
      }
  }
}

void TMorphForm::DrawBrushPreview(TPaintBox32* box) {
  TBitmap32* b = box->Buffer();
  if (b->Empty()) return;
  b->Clear(0xFF000000u);
  const int pw = box->width(), ph = box->height();
  if (pw < 2 || ph < 2) return;
  const Tool tool = CurrentTool();
  const double p = GetParam();
  auto moved = [&](double x, double y, double& wOut) {
    const double fx = x * 2 / (pw - 1) - 1, fy = y * 2 / (ph - 1) - 1;
    const double w = FBrush->Weight(float(fx), float(fy));
    wOut = w;
    double r = std::hypot(fx, fy), t = std::atan2(fy, fx);
    applyKernel(tool, FMeshIndex, p, r, t);
    const double nx = (r * std::cos(t) + 1) * (pw - 1) * 0.5, ny = (r * std::sin(t) + 1) * (ph - 1) * 0.5;
    return QPointF(x + (nx - x) * w, y + (ny - y) * w);
  };
  auto grey = [](double w) {
    const int g = int(std::nearbyint((1 - (1 - w) * (1 - w)) * 240)) + 15;
    return Color32(std::uint8_t(g), std::uint8_t(g), std::uint8_t(g));
  };
  for (int pass = 0; pass < 2; ++pass)
    for (int k = 0; k <= (pass == 0 ? ph : pw); k += 8) {
      double w0 = 0;
      QPointF prev = pass == 0 ? moved(0, k, w0) : moved(k, 0, w0);
      for (int s = 2; s <= (pass == 0 ? pw : ph); s += 2) {
        double w = 0;
        const QPointF q = pass == 0 ? moved(s, k, w) : moved(k, s, w);
        b->LineAAS(Fixed(float(prev.x())), Fixed(float(prev.y())), Fixed(float(q.x())), Fixed(float(q.y())), grey(w));
        prev = q;
      }
    }
}

void TMorphForm::ToolGroupClick() {
  const Tool tool = CurrentTool();
  const bool warp = tool == Warp;
  for (QWidget* w : {static_cast<QWidget*>(ParamBar), static_cast<QWidget*>(RateBar), static_cast<QWidget*>(ParamLabel),
                     static_cast<QWidget*>(RateLabel)})
    w->setEnabled(!warp);
  if (warp) UpdateTimer->stop();
  else RateBarChange();
  ParamLabel->setText(tool == Zoom ? u("Weichheit") : tool == Wirbel ? u("Stärke") : tool == Blume ? u("Blütenzahl")
                                                                                                    : u("Parameter:"));
  UpdateBrush();
}

void TMorphForm::RateBarChange() {
  const int pos = RateBar->Position();
  if (pos == 0) {
    UpdateTimer->stop();
    return;
  }
  UpdateTimer->setInterval(400 - pos);
  if (CurrentTool() != Warp) UpdateTimer->start();
}

void TMorphForm::SizeBarChange() {
  if (FBrushLayer == nullptr) return;
  // The ring keeps its place under the pointer; while the pointer is on the bar it is hidden.
  FBrushLayer->SetRadius(SizeBar->Position() / 2);
}

void TMorphForm::GaugeMouseUp() { UpdateBrush(); }

void TMorphForm::growDirty(const TRect& r) {
  FDirtyRect.Left = std::min(FDirtyRect.Left, r.Left);
  FDirtyRect.Top = std::min(FDirtyRect.Top, r.Top);
  FDirtyRect.Right = std::max(FDirtyRect.Right, r.Right);
  FDirtyRect.Bottom = std::max(FDirtyRect.Bottom, r.Bottom);
}

void TMorphForm::renderAll() {
  if (!Ready()) return;
  Transform(DstImg->Bitmap(), FSrc.get(), FRemap.get(), DstImg->Bitmap()->BoundsRect());
  DstImg->update();
}

void TMorphForm::ScaleBarMouseUp() {
  if (!Ready()) return;
  const float s = ScaleBar->Position() / 100.0f;
  FRemap->Scale(s, s);
  FDirtyRect = FRemap->VectorMap()->BoundsRect();
  renderAll();
}

void TMorphForm::mResetMeshClick() {
  if (!Ready()) return;
  FRemap->VectorMap()->Clear();
  DstImg->Bitmap()->Assign(FSrc.get());
  ScaleBar->SetPosition(100);
  FRemap->Scale(1.0f, 1.0f);
  DstImg->Invalidate();
}

void TMorphForm::Bi1Click() { renderAll(); }

void TMorphForm::mSupersampleNowClick() {
  if (!Ready() || IsRectEmpty(FDirtyRect)) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  {
    auto* kr = new TKernelResampler(FSrc.get());  // FSrc owns it until the nearest one returns
    kr->SetKernelMode(TKernelMode(std::clamp(FKernelMode, 0, 2)));
    kr->SetTableSize(4);
    kr->SetKernel(newKernel(DefaultKernelIndex));
    TTransformer transformer(kr, FRemap.get());
    TSuperSampler super(&transformer);
    super.SetSamplingX(FSamplingXY);
    super.SetSamplingY(FSamplingXY);
    TRegularRasterizer rasterizer;
    rasterizer.SetSampler(&super);
    TRect r;
    if (IntersectRect(r, FDirtyRect, DstImg->Bitmap()->BoundsRect())) {
      try {
        rasterizer.Rasterize(DstImg->Bitmap(), r, FSrc.get());
      } catch (const std::exception&) {
        // The picture stays as the nearest-neighbour render left it.
      }
    }
    new TNearestResampler(FSrc.get());
  }
  FDirtyRect = kEmptyRect;
  QApplication::restoreOverrideCursor();
  DstImg->update();
}

void TMorphForm::KernelClick(int tag) {
  DefaultKernelIndex = std::clamp(tag, 0, 6);
  for (QAction* a : KernelItems) a->setChecked(a->data().toInt() == DefaultKernelIndex);
  if (Ready()) FDirtyRect = FRemap->VectorMap()->BoundsRect();
  mSupersampleNowClick();
}

void TMorphForm::mkmDefaultClick(int tag) {
  FKernelMode = tag;
  if (Ready()) FDirtyRect = FRemap->VectorMap()->BoundsRect();
  mSupersampleNowClick();
}

void TMorphForm::DstImgMouseDown(Qt::MouseButton button, int x, int y) {
  FMouseDown = true;
  if (button != Qt::LeftButton && button != Qt::RightButton) return;
  buttonsHeld_ |= button;
  FMeshIndex = button == Qt::LeftButton ? 0 : 1;
  if (!Ready()) return;
  const TPoint b = DstImg->ControlToBitmap({x, y});
  const int w = FBrushMesh[FMeshIndex].Width(), h = FBrushMesh[FMeshIndex].Height();
  const TPoint p{b.X - w / 2, b.Y - h / 2};
  FLastPos = p;
  FVelocity = {0, 0};
  growDirty({p.X, p.Y, p.X + w / 2, p.Y + h / 2});
}

void TMorphForm::DstImgMouseMove(Qt::KeyboardModifiers, int x, int y) {
  const TPoint b = DstImg->ControlToBitmap({x, y});
  // The clipping read: the view's margin lies outside the bitmap.
  setWindowTitle(u("Bild verformen [") + ColorText(DstImg->Bitmap()->PixelS(b.X, b.Y)) + "]");
  if (FBrushLayer != nullptr) {
    FBrushLayer->SetCenter({x, y});
    FBrushLayer->SetVisible(PointerOverPicture(x, y));
  }
  if (buttonsHeld_ != Qt::MouseButtons() && Ready()) {
    const int w = FBrushMesh[FMeshIndex].Width(), h = FBrushMesh[FMeshIndex].Height();
    ApplyBrush({b.X - w / 2, b.Y - h / 2});
  }
}

void TMorphForm::DstImgMouseUp() {
  FMouseDown = false;
}

void TMorphForm::UpdateTimerTimer() {
  if (FMouseDown && buttonsHeld_ != Qt::MouseButtons() && Ready()) ApplyBrush(FLastPos);
}

void TMorphForm::ApplyBrush(TPoint p) {
  TVectorMap* map = FRemap->VectorMap();
  const TVectorMap& mesh = FBrushMesh[FMeshIndex];
  const int w = mesh.Width(), h = mesh.Height();
  const int i0 = std::max(0, -p.X), j0 = std::max(0, -p.Y);
  const int i1 = std::min(w, map->Width() - p.X), j1 = std::min(h, map->Height() - p.Y);
  TFixedVector factor{FixedOne, FixedOne};
  if (CurrentTool() == Warp) {
    // The drag direction, smoothed over two moves.
    factor.X = TFixed(std::lround((double(Fixed(FLastPos.X - p.X)) + FVelocity.X) / 2));
    factor.Y = TFixed(std::lround((double(Fixed(FLastPos.Y - p.Y)) + FVelocity.Y) / 2));
    FVelocity = factor;
  }
  if (i0 < i1 && j0 < j1) {
    // Every new vector reads the old map, so the rows are computed into the scratch map first
    // and copied back afterwards. A zero mesh vector reads the map at a whole position, which
    // gives the old vector back unchanged, so only each row's non-zero span is touched.
    const int mw = map->Width();
    TFixedVector* dst = map->GetVectors();
    TFixedVector* scratch = FScratchMap.GetVectors();
    const TFixedVector* meshV = mesh.GetVectors();
    std::vector<std::pair<int, int>> spans(std::size_t(j1 - j0));
    for (int j = j0; j < j1; ++j) {
      const TFixedVector* mrow = meshV + std::ptrdiff_t(j) * w;
      int a = i0, b = i1;
      while (a < b && mrow[a].X == 0 && mrow[a].Y == 0) ++a;
      while (b > a && mrow[b - 1].X == 0 && mrow[b - 1].Y == 0) --b;
      spans[std::size_t(j - j0)] = {a, b};
      ApplyMorphBrushRow({mrow, scratch + std::ptrdiff_t(j) * w, map, p.X, p.Y + j, factor}, a, b);
    }
    for (int j = j0; j < j1; ++j) {
      const auto [a, b] = spans[std::size_t(j - j0)];
      if (a < b)
        std::memcpy(dst + (p.X + a) + std::ptrdiff_t(p.Y + j) * mw, scratch + a + std::ptrdiff_t(j) * w,
                    std::size_t(b - a) * sizeof(TFixedVector));
    }
    // Only pixels whose vectors changed can change: render bands of rows, each as wide as its
    // rows' spans (the corners of the brush square stay). The bitmap reports each rendered area,
    // and the view shows again only that.
    const TRect bounds = DstImg->Bitmap()->BoundsRect();
    constexpr int kBand = 32;
    for (int j = j0; j < j1; j += kBand) {
      int a = i1, b = i0;
      for (int k = j; k < std::min(j1, j + kBand); ++k) {
        const auto [sa, sb] = spans[std::size_t(k - j0)];
        if (sa < sb) {
          a = std::min(a, sa);
          b = std::max(b, sb);
        }
      }
      TRect clip;
      if (a < b && IntersectRect(clip, TRect{p.X + a, p.Y + j, p.X + b, p.Y + std::min(j1, j + kBand)}, bounds))
        Transform(DstImg->Bitmap(), FSrc.get(), FRemap.get(), clip);
    }
    growDirty({p.X, p.Y, p.X + w, p.Y + h});
  }
  FLastPos = p;
}

void TMorphForm::DstImgPaintStage(TBitmap32* buffer) {
  const TRect c = buffer->ClipRect();
  const TRect v = DstImg->GetViewportRect();
  TRect area;
  if (!IntersectRect(area, c, v)) return;
  for (int row = area.Top / 8; row * 8 < area.Bottom; ++row)
    for (int col = area.Left / 8; col * 8 < area.Right; ++col)
      buffer->FillRectS(col * 8, row * 8, col * 8 + 8, row * 8 + 8, ((col ^ row) & 1) == 0 ? 0xFFB0B0B0u : 0xFFFFFFFFu);
}

void TMorphForm::BitBtn1Click() {
  if (!Ready()) {
    SetModalResult(kalvora::mrAbort);
    return;
  }
  // The editor reads a plain 24-bit Windows bitmap; a failed write leaves no file behind.
  const QImage img = DstImg->Bitmap()->RgbView().convertToFormat(QImage::Format_RGB888);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (img.isNull() || !buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "BMP") ||
      !kalvora::WriteFileAtomic(folder_ + "Temp.bmp", bytes)) {
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Error, QString(),
                                       u("Das verformte Bild konnte nicht gespeichert werden."), kalvora::mbOk);
    return;
  }
  SetModalResult(kalvora::mrOk);
}
