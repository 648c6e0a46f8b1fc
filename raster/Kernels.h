#pragma once
// Convolution kernels, the kernel resampler and the class registries.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Containers.h"
#include "Resamplers.h"

namespace kalvora::raster {

class TCustomKernel {
 public:
  virtual ~TCustomKernel() = default;
  virtual const char* ClassName() const = 0;
  virtual TFloat Filter(TFloat value) = 0;
  virtual TFloat GetWidth() = 0;
  virtual bool RangeCheck() const { return false; }
  // Copies the parameters of a kernel of the same class; other kernels are ignored.
  virtual void Assign(const TCustomKernel& source);
  // Told of every parameter change (may be nullptr).
  TNotifiablePersistent* Observer = nullptr;

 protected:
  void Changed();
  // Stores a parameter and reports it when it differs.
  void SetParameter(TFloat& field, TFloat value);
};

// A kernel of a fixed support radius; Checked: the filter is cut at the radius.
template <int Radius, bool Checked>
class TFixedWidthKernel : public TCustomKernel {
 public:
  TFloat GetWidth() override { return Radius; }
  bool RangeCheck() const override { return Checked; }
};

class TBoxKernel : public TFixedWidthKernel<1, false> {
 public:
  const char* ClassName() const override { return "TBoxKernel"; }
  TFloat Filter(TFloat x) override;
};

class TLinearKernel : public TFixedWidthKernel<1, false> {
 public:
  const char* ClassName() const override { return "TLinearKernel"; }
  TFloat Filter(TFloat x) override;
};

class TCosineKernel : public TFixedWidthKernel<1, false> {
 public:
  const char* ClassName() const override { return "TCosineKernel"; }
  TFloat Filter(TFloat x) override;
};

class TSplineKernel : public TFixedWidthKernel<2, true> {
 public:
  const char* ClassName() const override { return "TSplineKernel"; }
  TFloat Filter(TFloat x) override;
};

class TMitchellKernel : public TFixedWidthKernel<2, true> {
 public:
  const char* ClassName() const override { return "TMitchellKernel"; }
  TFloat Filter(TFloat x) override;
};

class TCubicKernel : public TFixedWidthKernel<2, true> {
 public:
  const char* ClassName() const override { return "TCubicKernel"; }
  TFloat Filter(TFloat x) override;
  void Assign(const TCustomKernel& source) override;
  TFloat Coeff() const { return coeff_; }
  void SetCoeff(TFloat v) { SetParameter(coeff_, v); }

 private:
  TFloat coeff_ = -0.5f;
};

class THermiteKernel : public TFixedWidthKernel<2, true> {
 public:
  const char* ClassName() const override { return "THermiteKernel"; }
  TFloat Filter(TFloat x) override;
  void Assign(const TCustomKernel& source) override;
  TFloat Bias() const { return bias_; }
  void SetBias(TFloat v) { SetParameter(bias_, v); }
  TFloat Tension() const { return tension_; }
  void SetTension(TFloat v) { SetParameter(tension_, v); }

 private:
  TFloat bias_ = 0;
  TFloat tension_ = 0;
};

// Sinc(|x|) times a window for |x| < Width. Widths that are not finite, negative or above 256
// are ignored.
class TWindowedSincKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TWindowedSincKernel"; }
  TFloat Filter(TFloat x) override;
  TFloat GetWidth() override { return width_; }
  bool RangeCheck() const override { return true; }
  void Assign(const TCustomKernel& source) override;
  TFloat Width() const { return width_; }
  void SetWidth(TFloat v);

 protected:
  virtual double Window(double x) { (void)x; return 1.0; }
  TFloat width_ = 3.0f;
};

class TLanczosKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "TLanczosKernel"; }

 protected:
  double Window(double x) override;
};

// Sigma 0 is rejected (the window would divide by it).
class TGaussianKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "TGaussianKernel"; }
  void Assign(const TCustomKernel& source) override;
  TFloat Sigma() const { return sigma_; }
  void SetSigma(TFloat v);

 protected:
  double Window(double x) override;

 private:
  TFloat sigma_ = 1.33f;
};

class TBlackmanKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "TBlackmanKernel"; }

 protected:
  double Window(double x) override;
};

class THannKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "THannKernel"; }

 protected:
  double Window(double x) override;
};

class THammingKernel : public TWindowedSincKernel {
 public:
  const char* ClassName() const override { return "THammingKernel"; }

 protected:
  double Window(double x) override;
};

// Coeff 0 is rejected (the filter would divide by it).
class TSinshKernel : public TCustomKernel {
 public:
  const char* ClassName() const override { return "TSinshKernel"; }
  TFloat Filter(TFloat x) override;
  TFloat GetWidth() override { return width_; }
  bool RangeCheck() const override { return true; }
  void Assign(const TCustomKernel& source) override;
  TFloat Width() const { return width_; }
  void SetWidth(TFloat v);
  TFloat Coeff() const { return coeff_; }
  void SetCoeff(TFloat v);

 private:
  TFloat width_ = 3.0f;
  TFloat coeff_ = 0.5f;
};

enum class TKernelMode : std::uint8_t { kmDynamic, kmTableNearest, kmTableLinear };

class TKernelResampler : public TBitmap32Resampler {
 public:
  explicit TKernelResampler(TBitmap32* bitmap, TResamplerInstall&& install = TResamplerInstall());
  ~TKernelResampler() override;
  const char* ClassName() const override { return "TKernelResampler"; }

  TCustomKernel* Kernel() const { return kernel_.get(); }
  // Takes ownership; nullptr and the current kernel are ignored.
  void SetKernel(TCustomKernel* kernel);
  std::string KernelClassName() const { return kernel_->ClassName(); }
  // An empty, current or unregistered name is ignored.
  void SetKernelClassName(const std::string& name);
  TKernelMode KernelMode() const { return kernelMode_; }
  void SetKernelMode(TKernelMode v);
  std::int32_t TableSize() const { return tableSize_; }
  void SetTableSize(std::int32_t v);  // below 2 is stored as 2; above 4096 as 4096

  TColor32 GetSampleFloat(TFloat x, TFloat y) override;
  void PrepareSampling() override;
  void FinalizeSampling() override;
  TFloat GetWidth() override { return kernel_->GetWidth(); }
  void Transfer(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, TBitmap32* src, const TRect& srcRect,
                TDrawMode combineOp, const TPixelCombineEvent& callback) override;
  void Assign(const TCustomResampler& source) override;

  // The weight table of the table modes (TableSize + 1 rows of 2W + 1 weights), for tests.
  const TIntegerMap* WeightTable() const { return weightTable_.get(); }

 private:
  std::int32_t KernelRadius();
  void HorizontalWeights(double offset, std::int32_t* weights);

  std::unique_ptr<TCustomKernel> kernel_;
  TKernelMode kernelMode_ = TKernelMode::kmDynamic;
  std::unique_ptr<TIntegerMap> weightTable_;
  std::int32_t tableSize_ = 32;
  std::int32_t radius_ = -1;  // W of the prepared state; -1 when not prepared
  std::vector<std::int32_t> wrapX_, wrapY_;
  std::vector<std::int32_t> vertWeights_, horzWeights_;
  TColor32 outerColor_ = 0;
};

using TKernelFactory = std::function<TCustomKernel*()>;
// TBoxKernel, TLinearKernel, TCosineKernel, TSplineKernel, TCubicKernel, TMitchellKernel,
// TLanczosKernel, TGaussianKernel, TBlackmanKernel, THannKernel, THammingKernel, TSinshKernel,
// THermiteKernel, in this order.
const TClassList<TKernelFactory>& KernelList();

}  // namespace kalvora::raster
