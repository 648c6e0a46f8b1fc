#pragma once
// Which part of a paint control's buffer must be repainted: 32 x 32 tiles each keep the
// bounding box of what was invalidated inside them (micro tiles), turned into a short list of
// rectangles. An adaptive level switches to whole tiles or full repaints when fine-grained
// repainting costs more than repainting everything.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "Bitmap32.h"
#include "Layers.h"

namespace kalvora::raster {

using TMicroTile = std::uint32_t;
constexpr TMicroTile MICROTILE_EMPTY = 0;
constexpr TMicroTile MICROTILE_FULL = 0x00002020u;
constexpr int MICROTILE_SIZE = 32;
constexpr int MICROTILE_SHIFT = 5;
constexpr std::uint32_t AREAINFO_LINE_BIT = 0x40000000u;

inline TMicroTile MakeMicroTile(int l, int t, int r, int b) {
  return TMicroTile(l) << 24 | TMicroTile(t) << 16 | TMicroTile(r) << 8 | TMicroTile(b);
}
inline int MicroTileLeft(TMicroTile m) { return int(m >> 24); }
inline int MicroTileTop(TMicroTile m) { return int((m >> 16) & 0xFF); }
inline int MicroTileRight(TMicroTile m) { return int((m >> 8) & 0xFF); }
inline int MicroTileBottom(TMicroTile m) { return int(m & 0xFF); }
void MicroTileUnion(TMicroTile& dst, TMicroTile src);

struct TMicroTiles {
  TRect BoundsRect;
  int Columns = 0, Rows = 0;
  TRect BoundsUsedTiles;
  int Count = 0;
  std::vector<TMicroTile> Tiles;
};
void MicroTilesSetSize(TMicroTiles& tiles, const TRect& dstRect);
void MicroTilesClear(TMicroTiles& tiles, TMicroTile value = MICROTILE_EMPTY);
void MicroTilesClearUsed(TMicroTiles& tiles, TMicroTile value = MICROTILE_EMPTY);
void MicroTilesCopy(TMicroTiles& dst, const TMicroTiles& src);
void MicroTilesAddRect(TMicroTiles& tiles, TRect rect, bool roundToWholeTiles = false);
void MicroTilesAddLine(TMicroTiles& tiles, int x1, int y1, int x2, int y2, int lineWidth, bool roundToWholeTiles = false);
void MicroTilesUnion(TMicroTiles& dst, const TMicroTiles& src, bool roundToWholeTiles = false);
int MicroTilesCalcRects(const TMicroTiles& tiles, std::vector<TRect>* dstRects, const TRect& clip, bool countOnly,
                        bool roundToWholeTiles = false);
int MicroTilesCalcRects(const TMicroTiles& tiles, std::vector<TRect>* dstRects, bool countOnly = false,
                        bool roundToWholeTiles = false);

class TCustomRepaintOptimizer {
 public:
  TCustomRepaintOptimizer(TBitmap32* buffer, std::vector<TRect>* invalidRects)
      : buffer_(buffer), invalidRects_(invalidRects) {}
  virtual ~TCustomRepaintOptimizer() = default;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v) { enabled_ = v; }
  virtual void RegisterLayerCollection(TLayerCollection* layers);
  virtual void UnregisterLayerCollection(TLayerCollection* layers);
  virtual void BeginPaint() {}
  virtual void EndPaint() {}
  virtual void BeginPaintBuffer() {}
  virtual void EndPaintBuffer() {}
  virtual void Reset() = 0;
  virtual bool UpdatesAvailable() const = 0;
  virtual void PerformOptimization() = 0;
  virtual void AreaUpdateHandler(const TRect& area, std::uint32_t info) = 0;
  virtual void LayerUpdateHandler(TCustomLayer* layer) = 0;
  virtual void LayerCollectionNotifyHandler(TLayerListAction action, TCustomLayer* layer, int index) = 0;
  virtual void BufferResizedHandler(int newWidth, int newHeight) = 0;

 protected:
  void installHandlers(TLayerCollection* l, bool all);
  bool enabled_ = false;
  std::vector<TLayerCollection*> layerCollections_;
  TBitmap32* buffer_;
  std::vector<TRect>* invalidRects_;
};

class TMicroTilesRepaintOptimizer : public TCustomRepaintOptimizer {
 public:
  // Microseconds and milliseconds of the clock the adaptive levels read; tests inject a fake one.
  struct Clock {
    std::function<std::int64_t()> Microseconds;
    std::function<std::int64_t()> TickCount;
  };

  TMicroTilesRepaintOptimizer(TBitmap32* buffer, std::vector<TRect>* invalidRects);
  void SetEnabled(bool v) override;
  void Reset() override;
  bool UpdatesAvailable() const override;
  void PerformOptimization() override;
  void AreaUpdateHandler(const TRect& area, std::uint32_t info) override;
  void LayerUpdateHandler(TCustomLayer* layer) override;
  void LayerCollectionNotifyHandler(TLayerListAction action, TCustomLayer* layer, int index) override;
  void BufferResizedHandler(int newWidth, int newHeight) override;
  void BeginPaintBuffer() override;
  void EndPaintBuffer() override;

  bool AdaptiveMode = true;
  int PerformanceLevel() const { return level_; }
  std::int64_t TimeDelta() const { return timeDelta_; }
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  const TMicroTiles& ForcedInvalidTiles() const { return forcedInvalid_; }

 private:
  void validateWorkingTiles();
  void rebuildOldTiles() const;
  void measure(TCustomLayer* layer, TMicroTiles& into) const;
  void addArea(TMicroTiles& tiles, const TRect& area, std::uint32_t info) const;
  void beginAdaption();
  void endAdaption();
  void resetAdaptiveMode();
  std::int64_t now() const;
  std::int64_t micros() const;

  TRect bufferBounds_;
  mutable TMicroTiles tempTiles_, invalidLayerTiles_, forcedInvalid_;
  mutable std::vector<TCustomLayer*> invalidLayers_;
  mutable std::map<TCustomLayer*, TMicroTiles> oldTiles_;
  mutable bool workingTilesValid_ = false, oldTilesValid_ = false, updatesPending_ = false;
  int level_ = 0;
  std::int64_t startTime_ = 0, elapsedLast_ = 0, elapsedFull_ = 0, penaltyTime_ = 0;
  bool adaptionFailed_ = false, timedCheck_ = false;
  std::int64_t timeDelta_ = 0, nextCheck_ = 0;
  int oldInvalidRectsCount_ = 0;
  Clock clock_;
};

}  // namespace kalvora::raster
