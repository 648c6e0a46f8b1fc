#include "Kernels.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "Transfer.h"

namespace kalvora::raster {

namespace {

constexpr double kPi = std::numbers::pi;

double Sinc(double x) {
  if (x == 0) return 1.0;
  const double t = kPi * x;
  return std::sin(t) / t;
}

bool UsableWidth(TFloat v) { return std::isfinite(v) && v >= 0 && v <= 256; }

}  // namespace

// ---------------------------------------------------------------- base
void TCustomKernel::Assign(const TCustomKernel& source) { (void)source; }

void TCustomKernel::Changed() {
  if (Observer != nullptr) Observer->Changed();
}

void TCustomKernel::SetParameter(TFloat& field, TFloat value) {
  if (field == value) return;
  field = value;
  Changed();
}

// ---------------------------------------------------------------- the kernels
TFloat TBoxKernel::Filter(TFloat x) { return (x >= -0.5f && x <= 0.5f) ? 1.0f : 0.0f; }

TFloat TLinearKernel::Filter(TFloat x) {
  if (x >= -1.0f && x < 0.0f) return 1.0f + x;
  if (x >= 0.0f && x < 1.0f) return 1.0f - x;
  return 0.0f;
}

TFloat TCosineKernel::Filter(TFloat x) {
  if (std::fabs(x) < 1.0f) return static_cast<TFloat>((std::cos(kPi * x) + 1.0) / 2.0);
  return 0.0f;
}

TFloat TSplineKernel::Filter(TFloat value) {
  const double a = std::fabs(static_cast<double>(value));
  if (a < 1.0) return static_cast<TFloat>(0.5 * a * a * a - a * a + 2.0 / 3.0);
  if (a < 2.0) {
    const double t = 2.0 - a;
    return static_cast<TFloat>(t * t * t / 6.0);
  }
  return 0.0f;
}

TFloat TMitchellKernel::Filter(TFloat value) {
  const double a = std::fabs(static_cast<double>(value));
  const double x2 = a * a, x3 = x2 * a;
  if (a < 1.0) return static_cast<TFloat>((7.0 * x3 - 12.0 * x2 + 16.0 / 3.0) / 6.0);
  if (a < 2.0) return static_cast<TFloat>((-7.0 / 3.0 * x3 + 12.0 * x2 - 20.0 * a + 32.0 / 3.0) / 6.0);
  return 0.0f;
}

TFloat TCubicKernel::Filter(TFloat value) {
  const double a = std::fabs(static_cast<double>(value));
  const double x2 = a * a, x3 = x2 * a, c = coeff_;
  if (a < 1.0) return static_cast<TFloat>((c + 2.0) * x3 - (c + 3.0) * x2 + 1.0);
  if (a < 2.0) return static_cast<TFloat>(c * (x3 - 5.0 * x2 + 8.0 * a - 4.0));
  return 0.0f;
}

void TCubicKernel::Assign(const TCustomKernel& source) {
  if (const auto* s = dynamic_cast<const TCubicKernel*>(&source)) SetCoeff(s->coeff_);
}

TFloat THermiteKernel::Filter(TFloat value) {
  const double x = value;
  const double t = (1.0 - tension_) / 2.0;
  const double z = std::floor(x);
  const double f = x - z;
  const double f2 = f * f, f3 = f2 * f;
  const double p = -2.0 * f3 + 3.0 * f2;
  const double r = f3 - f2;
  const double q = f3 - 2.0 * f2 + f;
  const double c1 = (1.0 - bias_) * t;
  const double c2 = (1.0 + bias_) * t;
  const double d = c2 - c1;
  if (z == -2) return static_cast<TFloat>(r * c1);
  if (z == -1) return static_cast<TFloat>(q * c1 + p + d * r);
  if (z == 0) return static_cast<TFloat>(d * q + (1.0 - p) - r * c2);
  if (z == 1) return static_cast<TFloat>(-q * c2);
  return 0.0f;
}

void THermiteKernel::Assign(const TCustomKernel& source) {
  if (const auto* s = dynamic_cast<const THermiteKernel*>(&source)) {
    SetBias(s->bias_);
    SetTension(s->tension_);
  }
}

TFloat TWindowedSincKernel::Filter(TFloat value) {
  const double a = std::fabs(static_cast<double>(value));
  if (a < width_) return static_cast<TFloat>(Sinc(a) * Window(a));
  return 0.0f;
}

void TWindowedSincKernel::Assign(const TCustomKernel& source) {
  if (const auto* s = dynamic_cast<const TWindowedSincKernel*>(&source)) SetWidth(s->width_);
}

void TWindowedSincKernel::SetWidth(TFloat v) {
  if (UsableWidth(v)) SetParameter(width_, v);
}

double TLanczosKernel::Window(double x) { return Sinc(x / width_); }

double TGaussianKernel::Window(double x) { return std::pow(2.0, -x * x / sigma_); }

void TGaussianKernel::SetSigma(TFloat v) {
  if (v == 0 || !std::isfinite(v)) return;
  SetParameter(sigma_, v);
}

void TGaussianKernel::Assign(const TCustomKernel& source) {
  TWindowedSincKernel::Assign(source);
  if (const auto* s = dynamic_cast<const TGaussianKernel*>(&source)) SetSigma(s->sigma_);
}

double TBlackmanKernel::Window(double x) {
  const double t = kPi * x / width_;
  return 0.42 + 0.5 * std::cos(t) + 0.08 * std::cos(2.0 * t);
}

double THannKernel::Window(double x) { return 0.5 + 0.5 * std::cos(kPi * x / width_); }

double THammingKernel::Window(double x) { return 0.54 + 0.46 * std::cos(kPi * x / width_); }

TFloat TSinshKernel::Filter(TFloat value) {
  const double x = value;
  if (x == 0) return 1.0f;
  const double c = coeff_;
  return static_cast<TFloat>(std::sin(kPi * x) * c / std::sinh(kPi * c * x));
}

void TSinshKernel::SetWidth(TFloat v) {
  if (UsableWidth(v)) SetParameter(width_, v);
}

void TSinshKernel::SetCoeff(TFloat v) {
  if (v == 0 || !std::isfinite(v)) return;
  SetParameter(coeff_, v);
}

void TSinshKernel::Assign(const TCustomKernel& source) {
  if (const auto* s = dynamic_cast<const TSinshKernel*>(&source)) {
    SetWidth(s->width_);
    SetCoeff(s->coeff_);
  }
}

// ---------------------------------------------------------------- registries
const TClassList<TKernelFactory>& KernelList() {
  static const TClassList<TKernelFactory> list = [] {
    TClassList<TKernelFactory> l;
    l.Add("TBoxKernel", [] { return static_cast<TCustomKernel*>(new TBoxKernel); });
    l.Add("TLinearKernel", [] { return static_cast<TCustomKernel*>(new TLinearKernel); });
    l.Add("TCosineKernel", [] { return static_cast<TCustomKernel*>(new TCosineKernel); });
    l.Add("TSplineKernel", [] { return static_cast<TCustomKernel*>(new TSplineKernel); });
    l.Add("TCubicKernel", [] { return static_cast<TCustomKernel*>(new TCubicKernel); });
    l.Add("TMitchellKernel", [] { return static_cast<TCustomKernel*>(new TMitchellKernel); });
    l.Add("TLanczosKernel", [] { return static_cast<TCustomKernel*>(new TLanczosKernel); });
    l.Add("TGaussianKernel", [] { return static_cast<TCustomKernel*>(new TGaussianKernel); });
    l.Add("TBlackmanKernel", [] { return static_cast<TCustomKernel*>(new TBlackmanKernel); });
    l.Add("THannKernel", [] { return static_cast<TCustomKernel*>(new THannKernel); });
    l.Add("THammingKernel", [] { return static_cast<TCustomKernel*>(new THammingKernel); });
    l.Add("TSinshKernel", [] { return static_cast<TCustomKernel*>(new TSinshKernel); });
    l.Add("THermiteKernel", [] { return static_cast<TCustomKernel*>(new THermiteKernel); });
    return l;
  }();
  return list;
}

const TClassList<TResamplerFactory>& ResamplerList() {
  static const TClassList<TResamplerFactory> list = [] {
    TClassList<TResamplerFactory> l;
    l.Add("TNearestResampler", [](TBitmap32* b) { return static_cast<TCustomResampler*>(new TNearestResampler(b)); });
    l.Add("TLinearResampler", [](TBitmap32* b) { return static_cast<TCustomResampler*>(new TLinearResampler(b)); });
    l.Add("TDraftResampler", [](TBitmap32* b) { return static_cast<TCustomResampler*>(new TDraftResampler(b)); });
    l.Add("TKernelResampler", [](TBitmap32* b) { return static_cast<TCustomResampler*>(new TKernelResampler(b)); });
    return l;
  }();
  return list;
}

// ---------------------------------------------------------------- kernel resampler
TKernelResampler::TKernelResampler(TBitmap32* bitmap, TResamplerInstall&& install)
    : TBitmap32Resampler(bitmap, std::move(install)), kernel_(std::make_unique<TBoxKernel>()) {}

TKernelResampler::~TKernelResampler() = default;

void TKernelResampler::SetKernel(TCustomKernel* kernel) {
  if (kernel == nullptr || kernel == kernel_.get()) return;
  kernel_.reset(kernel);
  radius_ = -1;
  Changed();
}

void TKernelResampler::SetKernelClassName(const std::string& name) {
  if (name.empty() || name == KernelClassName()) return;
  const auto* entry = KernelList().Find(name);
  if (entry == nullptr) return;
  SetKernel(entry->create());
}

void TKernelResampler::SetKernelMode(TKernelMode v) {
  if (v == kernelMode_) return;
  kernelMode_ = v;
  radius_ = -1;
  Changed();
}

void TKernelResampler::SetTableSize(std::int32_t v) {
  if (v < 2) v = 2;
  if (v > 4096) v = 4096;
  if (v == tableSize_) return;
  tableSize_ = v;
  radius_ = -1;
  Changed();
}

void TKernelResampler::Assign(const TCustomResampler& source) {
  TBitmap32Resampler::Assign(source);
  const auto* s = dynamic_cast<const TKernelResampler*>(&source);
  if (s == nullptr) return;
  SetKernelClassName(s->KernelClassName());
  kernel_->Assign(*s->kernel_);
  SetKernelMode(s->kernelMode_);
  SetTableSize(s->tableSize_);
}

std::int32_t TKernelResampler::KernelRadius() {
  return static_cast<std::int32_t>(std::ceil(static_cast<double>(kernel_->GetWidth())));
}

void TKernelResampler::PrepareSampling() {
  TBitmap32Resampler::PrepareSampling();
  outerColor_ = bitmap_ != nullptr ? bitmap_->OuterColor() : 0;
  const std::int32_t w = KernelRadius();
  const std::size_t n = static_cast<std::size_t>(2 * w + 1);
  wrapX_.assign(pixelAccessMode_ == TPixelAccessMode::pamWrap ? n : 0, 0);
  wrapY_.assign(wrapX_.size(), 0);
  if (kernelMode_ != TKernelMode::kmDynamic) {
    weightTable_ = std::make_unique<TIntegerMap>();
    weightTable_->SetSize(2 * w + 1, tableSize_ + 1);
    for (std::int32_t i = 0; i <= tableSize_; ++i) {
      std::int32_t sum = 0;
      for (std::int32_t j = -w; j <= w; ++j) {
        const double x = j + static_cast<double>(i) / (tableSize_ - 1);
        const std::int32_t v = static_cast<std::int32_t>(std::lrint(kernel_->Filter(static_cast<TFloat>(x)) * 256.0));
        *weightTable_->ValPtr(j + w, i) = v;
        sum += v;
      }
      *weightTable_->ValPtr(w, i) -= sum - 256;
    }
  } else {
    weightTable_.reset();
  }
  horzWeights_.assign(n, 0);
  vertWeights_.assign(n, 0);
  radius_ = w;
}

void TKernelResampler::FinalizeSampling() {
  weightTable_.reset();
  horzWeights_.clear();
  vertWeights_.clear();
  wrapX_.clear();
  wrapY_.clear();
  radius_ = -1;
  TBitmap32Resampler::FinalizeSampling();
}

// Weights for the pixels -W .. W around Ceil(pos), offset = Ceil(pos) - pos in [0, 1).
void TKernelResampler::HorizontalWeights(double offset, std::int32_t* weights) {
  const std::int32_t w = radius_;
  switch (kernelMode_) {
    case TKernelMode::kmDynamic: {
      std::int32_t sum = 0;
      for (std::int32_t i = -w; i <= w; ++i) {
        const std::int32_t v = static_cast<std::int32_t>(std::lrint(kernel_->Filter(static_cast<TFloat>(i + offset)) * 256.0));
        weights[i + w] = v;
        sum += v;
      }
      weights[w] -= sum - 256;
      break;
    }
    case TKernelMode::kmTableNearest: {
      std::int32_t row = static_cast<std::int32_t>(std::lrint(offset * (tableSize_ - 1)));
      row = Clamp(row, 0, tableSize_);
      for (std::int32_t i = 0; i <= 2 * w; ++i) weights[i] = weightTable_->Value(i, row);
      break;
    }
    case TKernelMode::kmTableLinear: {
      std::int64_t p = std::llrint(offset * (tableSize_ - 1) * 65536.0);
      p = std::clamp<std::int64_t>(p, 0, static_cast<std::int64_t>(tableSize_ - 1) << 16);
      const std::int32_t row = static_cast<std::int32_t>(p >> 16);
      const std::int32_t f = static_cast<std::int32_t>(p & 0xFFFF);
      std::int32_t sum = 0;
      for (std::int32_t i = 0; i <= 2 * w; ++i) {
        const std::int32_t a = weightTable_->Value(i, row), b = weightTable_->Value(i, row + 1);
        const std::int32_t v = a + (((b - a) * f + 32767) >> 16);
        weights[i] = v;
        sum += v;
      }
      weights[w] -= sum - 256;
      break;
    }
  }
}

TColor32 TKernelResampler::GetSampleFloat(TFloat x, TFloat y) {
  if (bitmap_ == nullptr || bitmap_->Empty()) return outerColor_;
  if (radius_ < 0 || radius_ != KernelRadius()) PrepareSampling();
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e9f || std::fabs(y) > 1e9f) return outerColor_;
  const std::int32_t w = radius_;
  const std::int32_t cx = static_cast<std::int32_t>(std::ceil(x));
  const std::int32_t cy = static_cast<std::int32_t>(std::ceil(y));
  std::int32_t loX = -w, hiX = w, loY = -w, hiY = w;
  const TRect& clip = clipRect_;
  if (pixelAccessMode_ == TPixelAccessMode::pamSafe) {
    if (cx - w < clip.Left) {
      if (cx < clip.Left) return outerColor_;
      loX = clip.Left - cx;
    }
    if (cx + w >= clip.Right) {
      if (cx > clip.Right) return outerColor_;
      hiX = clip.Right - cx - 1;
    }
    if (cy - w < clip.Top) {
      if (cy < clip.Top) return outerColor_;
      loY = clip.Top - cy;
    }
    if (cy + w >= clip.Bottom) {
      if (cy > clip.Bottom) return outerColor_;
      hiY = clip.Bottom - cy - 1;
    }
  } else if (pixelAccessMode_ == TPixelAccessMode::pamWrap && IsRectEmpty(clip)) {
    return outerColor_;
  }
  std::int32_t* hw = horzWeights_.data();
  std::int32_t* vw = vertWeights_.data();
  HorizontalWeights(static_cast<double>(cx) - x, hw);
  HorizontalWeights(static_cast<double>(cy) - y, vw);

  std::int64_t sb = 0, sg = 0, sr = 0, sa = 0;
  const bool wrap = pixelAccessMode_ == TPixelAccessMode::pamWrap;
  if (wrap) {
    const TWrapProc wp = WrapProcs[static_cast<int>(bitmap_->WrapMode())];
    for (std::int32_t i = -w; i <= w; ++i) {
      wrapX_[static_cast<std::size_t>(i + w)] = wp(cx + i, clip.Left, clip.Right - 1);
      wrapY_[static_cast<std::size_t>(i + w)] = wp(cy + i, clip.Top, clip.Bottom - 1);
    }
  }
  for (std::int32_t j = loY; j <= hiY; ++j) {
    const std::int32_t wy = vw[j + w];
    if (wy == 0) continue;
    const std::int32_t row = wrap ? wrapY_[static_cast<std::size_t>(j + w)] : cy + j;
    const TColor32* line = bitmap_->ScanLine(row);
    std::int64_t rb = 0, rg = 0, rr = 0, ra = 0;
    for (std::int32_t i = loX; i <= hiX; ++i) {
      const TColor32 c = line[wrap ? wrapX_[static_cast<std::size_t>(i + w)] : cx + i];
      const std::int32_t wx = hw[i + w];
      rb += static_cast<std::int64_t>(c & 0xFF) * wx;
      rg += static_cast<std::int64_t>((c >> 8) & 0xFF) * wx;
      rr += static_cast<std::int64_t>((c >> 16) & 0xFF) * wx;
      ra += static_cast<std::int64_t>(c >> 24) * wx;
    }
    sb += rb * wy;
    sg += rg * wy;
    sr += rr * wy;
    sa += ra * wy;
  }
  auto channel = [this](std::int64_t s) -> TColor32 {
    if (kernel_->RangeCheck()) {
      s >>= 16;
      return static_cast<TColor32>(s < 0 ? 0 : (s > 255 ? 255 : s));
    }
    return (static_cast<TColor32>(static_cast<std::uint64_t>(s)) >> 16) & 0xFF;
  };
  return channel(sb) | channel(sg) << 8 | channel(sr) << 16 | channel(sa) << 24;
}

void TKernelResampler::Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src,
                                const TRect& srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  Resample(dst, dstRect, dstClip, src, srcRect, kernel_.get(), combineOp, callback);
}

}  // namespace kalvora::raster
