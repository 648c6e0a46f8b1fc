#include "Bitmap32.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "AtomicFile.h"
#include "Resamplers.h"
#include "Transfer.h"

namespace kalvora::raster {

namespace {
// The largest pixel block a bitmap takes: what a QImage over it can address.
constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();
}  // namespace

TBitmap32::TBitmap32() {
  // The resampler installs itself as this bitmap's resampler once built.
  new TNearestResampler(this);
}

TBitmap32::~TBitmap32() {
  BeginUpdate();
  Lock();
  DeleteCanvas();
  FreePixels();
  width_ = height_ = 0;
  resampler_.reset();
  Unlock();
}

void TBitmap32::FreePixels() {
  std::free(bits_);
  bits_ = nullptr;
}

bool TBitmap32::Empty() const { return bits_ == nullptr || TCustomMap::Empty(); }

void TBitmap32::Delete() { SetSize(0, 0); }

void TBitmap32::ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                           std::int32_t newHeight) {
  DeleteCanvas();
  FreePixels();
  width = 0;
  height = 0;
  if (newWidth >= 1 && newHeight >= 1) {
    const std::int64_t bytes = static_cast<std::int64_t>(newWidth) * newHeight * 4;
    void* block = bytes <= kMaxBytes ? std::calloc(static_cast<std::size_t>(bytes), 1) : nullptr;
    if (block == nullptr) {
      clipRect_ = TRect{};
      fixedClipRect_ = TFixedRect{};
      clipRect256_ = TRect{};
      clipping_ = false;
      HandleChanged();
      throw EBitmapException("Can't allocate the DIB handle");
    }
    bits_ = static_cast<TColor32*>(block);
  }
  width = newWidth;
  height = newHeight;
  ResetClipRect();
  HandleChanged();
}

void TBitmap32::HandleChanged() {
  if (OnHandleChanged) OnHandleChanged(this);
}

QImage& TBitmap32::Canvas() {
  if (!canvas_) {
    if (bits_ != nullptr)
      canvas_ = std::make_unique<QImage>(reinterpret_cast<uchar*>(bits_), width_, height_, width_ * 4,
                                         QImage::Format_ARGB32);
    else
      canvas_ = std::make_unique<QImage>();
  }
  return *canvas_;
}

void TBitmap32::DeleteCanvas() { canvas_.reset(); }

QImage TBitmap32::RgbView() const {
  if (bits_ == nullptr) return QImage();
  return QImage(reinterpret_cast<const uchar*>(bits_), width_, height_, width_ * 4, QImage::Format_RGB32);
}

void TBitmap32::Clear() { Clear(0xFF000000u); }

void TBitmap32::Clear(TColor32 fillColor) {
  if (Empty()) return;
  if (!measuringMode_) {
    if (clipping_)
      FillRect(clipRect_.Left, clipRect_.Top, clipRect_.Right, clipRect_.Bottom, fillColor);
    else
      for (std::int32_t y = 0; y < height_; ++y) FillLongword(ScanLine(y), width_, fillColor);
  }
  Changed();
}

void TBitmap32::ResetAlpha(std::uint8_t alphaValue) {
  if (!measuringMode_ && bits_ != nullptr) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(bits_);
    const std::int64_t n = static_cast<std::int64_t>(width_) * height_;
    for (std::int64_t i = 0; i < n; ++i) bytes[i * 4 + 3] = alphaValue;
  }
  Changed();
}

void TBitmap32::DrawTo(QPainter& painter, std::int32_t dstX, std::int32_t dstY) const {
  if (Empty()) return;
  painter.drawImage(dstX, dstY, RgbView());
}

void TBitmap32::DrawTo(TBitmap32* dst, const TRect& dstRect) {
  StretchTransfer(dst, dstRect, dst != nullptr ? dst->ClipRect() : TRect{}, this, BoundsRect(), Resampler(),
                  drawMode_, OnPixelCombine);
}

void TBitmap32::DrawTo(TBitmap32* dst, std::int32_t dstX, std::int32_t dstY) {
  DrawTo(dst, TRect{dstX, dstY, dstX + width_, dstY + height_});
}

void TBitmap32::DrawTo(TBitmap32* dst) { DrawTo(dst, 0, 0); }

void TBitmap32::Assign(const TBitmap32* source) {
  BeginUpdate();
  try {
    if (source == nullptr) {
      SetSize(0, 0);
    } else if (source != this) {
      source->CopyMapTo(this);
      source->CopyPropertiesTo(this);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  Changed();
}

void TBitmap32::Assign(const QImage& source) {
  BeginUpdate();
  try {
    const QImage img = source.format() == QImage::Format_ARGB32 ? source
                                                                : source.convertToFormat(QImage::Format_ARGB32);
    if (!source.isNull() && img.isNull()) throw EBitmapException("Can't allocate the DIB handle");
    SetSize(img.width(), img.height());
    if (!Empty()) {
      for (std::int32_t y = 0; y < height_; ++y)
        std::memcpy(ScanLine(y), img.constScanLine(y), static_cast<std::size_t>(width_) * 4);
      // A picture without alpha channel is opaque.
      if (!source.hasAlphaChannel()) ResetAlpha(255);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  Changed();
}

void TBitmap32::AssignTo(QImage& dest) const {
  if (Empty()) {
    dest = QImage();
    return;
  }
  QImage img(width_, height_, QImage::Format_ARGB32);
  if (img.isNull()) throw EBitmapException("Can't allocate the DIB handle");
  for (std::int32_t y = 0; y < height_; ++y)
    std::memcpy(img.scanLine(y), ScanLine(y), static_cast<std::size_t>(width_) * 4);
  dest = img;
}

void TBitmap32::CopyMapTo(TBitmap32* dst) const {
  dst->SetSize(width_, height_);
  if (!Empty()) MoveLongword(bits_, dst->bits_, width_ * height_);
}

void TBitmap32::CopyPropertiesTo(TBitmap32* dst) const {
  dst->SetDrawMode(drawMode_);
  dst->SetCombineMode(combineMode_);
  dst->SetWrapMode(wrapMode_);
  dst->SetMasterAlpha(masterAlpha_);
  dst->outerColor_ = outerColor_;
  if (resampler_) {
    dst->SetResamplerClassName(resampler_->ClassName());
    if (dst->resampler_) dst->resampler_->Assign(*resampler_);
  }
  dst->Font = Font;
}

void TBitmap32::LoadFromFile(const QString& fileName) {
  QImageReader reader(fileName);
  QImage img;
  if (!reader.read(&img))
    throw EBitmapException("Cannot load picture '" + fileName.toStdString() + "': " +
                           reader.errorString().toStdString());
  Assign(img);
}

QByteArray TBitmap32::BitmapFileBytes() const {
  const std::int64_t pixelBytes = static_cast<std::int64_t>(width_) * height_ * 4;
  const std::uint32_t w = Empty() ? 0 : static_cast<std::uint32_t>(width_);
  const std::uint32_t h = Empty() ? 0 : static_cast<std::uint32_t>(height_);
  const std::uint32_t dataBytes = Empty() ? 0 : static_cast<std::uint32_t>(pixelBytes);
  QByteArray out;
  out.reserve(static_cast<qsizetype>(54 + dataBytes));
  auto put16 = [&out](std::uint32_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  out.append("BM", 2);
  put32(54 + dataBytes);
  put32(0);
  put32(54);
  put32(40);
  put32(w);
  put32(h);  // bottom-up rows, as the class library's writer stores them
  put16(1);
  put16(32);
  put32(0);  // uncompressed
  put32(dataBytes);
  put32(0);
  put32(0);
  put32(0);
  put32(0);
  for (std::int32_t y = static_cast<std::int32_t>(h) - 1; y >= 0; --y)
    out.append(reinterpret_cast<const char*>(ScanLine(y)), static_cast<qsizetype>(w) * 4);
  return out;
}

void TBitmap32::SaveToFile(const QString& fileName) const {
  // Written beside and renamed over: a failure (a full disk) keeps the old file.
  const QByteArray bytes = BitmapFileBytes();
  atomicfile::File file(QFile::encodeName(fileName).toStdString());
  if (!file.Open()) throw EBitmapException("Cannot create file '" + fileName.toStdString() + "'");
  if (!file.Write(bytes.constData(), std::size_t(bytes.size())) || !file.Commit())
    throw EBitmapException("Cannot write file '" + fileName.toStdString() + "'");
}

void TBitmap32::ReadData(QIODevice& stream) {
  std::int32_t w = 0, h = 0;
  if (stream.read(reinterpret_cast<char*>(&w), 4) != 4 || stream.read(reinterpret_cast<char*>(&h), 4) != 4)
    throw EBitmapException("Stream read error");
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  const std::int64_t pixels = (w == 0 || h == 0) ? 0 : static_cast<std::int64_t>(w) * h;
  if (pixels > kMaxBytes / 4) throw EBitmapException("Stream read error");
  const std::int64_t bytes = pixels * 4;
  // a stream that cannot hold the pixels is refused before anything is allocated
  if (bytes > 0 && !stream.isSequential() && stream.bytesAvailable() < bytes) throw EBitmapException("Stream read error");
  QByteArray data;
  if (bytes > 0) {
    data = stream.read(bytes);
    if (data.size() != bytes) throw EBitmapException("Stream read error");
  }
  SetSize(w, h);
  if (bytes > 0) std::memcpy(bits_, data.constData(), static_cast<std::size_t>(bytes));
  Changed();
}

void TBitmap32::WriteData(QIODevice& stream) const {
  const std::int32_t w = width_, h = height_;
  stream.write(reinterpret_cast<const char*>(&w), 4);
  stream.write(reinterpret_cast<const char*>(&h), 4);
  if (!Empty()) stream.write(reinterpret_cast<const char*>(bits_), static_cast<qint64>(w) * h * 4);
}

void TBitmap32::SetDrawMode(TDrawMode v) {
  if (v == drawMode_) return;
  drawMode_ = v;
  Changed();
}

void TBitmap32::SetCombineMode(TCombineMode v) {
  if (v == combineMode_) return;
  combineMode_ = v;
  Changed();
}

void TBitmap32::SetWrapMode(TWrapMode v) {
  if (v == wrapMode_) return;
  wrapMode_ = v;
  Changed();
}

void TBitmap32::SetMasterAlpha(TColor32 v) {
  if (v > 255) v = 255;
  if (v == masterAlpha_) return;
  masterAlpha_ = v;
  Changed();
}

void TBitmap32::SetResampler(TCustomResampler* resampler) {
  if (resampler == nullptr || resampler == resampler_.get()) return;
  resampler_.reset(resampler);
  Changed();
}

void TBitmap32::InstallResampler(TCustomResampler* resampler) {
  if (resampler == nullptr || resampler == resampler_.get()) return;
  resampler_.reset(resampler);
}

std::string TBitmap32::ResamplerClassName() const { return resampler_ ? resampler_->ClassName() : std::string(); }

void TBitmap32::SetResamplerClassName(const std::string& name) {
  if (name.empty() || name == ResamplerClassName()) return;
  const auto* entry = ResamplerList().Find(name);
  if (entry == nullptr) return;
  entry->create(this);  // installs itself
}

void TBitmap32::SetClipRect(const TRect& value) {
  IntersectRect(clipRect_, value, BoundsRect());
  fixedClipRect_ = FixedRect(clipRect_);
  auto to256 = [](std::int32_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << 8); };
  clipRect256_ = {to256(clipRect_.Left), to256(clipRect_.Top), to256(clipRect_.Right), to256(clipRect_.Bottom)};
  clipping_ = !(clipRect_ == BoundsRect());
}

void TBitmap32::ResetClipRect() { SetClipRect(BoundsRect()); }

void TBitmap32::Changed() { Changed(BoundsRect(), AREAINFO_RECT); }

void TBitmap32::Changed(const TRect& area, std::uint32_t info) {
  if ((updateCount_ == 0 || measuringMode_) && OnAreaChanged) OnAreaChanged(this, area, info);
  if (!measuringMode_) TNotifiablePersistent::Changed();
}

void TBitmap32::BeginMeasuring(TAreaChangedEvent callback) {
  measuringMode_ = true;
  savedAreaChanged_ = OnAreaChanged;
  OnAreaChanged = std::move(callback);
}

void TBitmap32::EndMeasuring() {
  measuringMode_ = false;
  OnAreaChanged = savedAreaChanged_;
}

}  // namespace kalvora::raster
