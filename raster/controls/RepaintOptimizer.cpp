#include "RepaintOptimizer.h"

#include <QElapsedTimer>
#include <algorithm>

namespace kalvora::raster {

void MicroTileUnion(TMicroTile& dst, TMicroTile src) {
  if (dst == MICROTILE_FULL || src == MICROTILE_EMPTY) return;
  if (MicroTileRight(src) == MicroTileLeft(src) || MicroTileBottom(src) == MicroTileTop(src)) return;
  if (dst == MICROTILE_EMPTY || src == MICROTILE_FULL) {
    dst = src;
    return;
  }
  dst = MakeMicroTile(std::min(MicroTileLeft(dst), MicroTileLeft(src)), std::min(MicroTileTop(dst), MicroTileTop(src)),
                      std::max(MicroTileRight(dst), MicroTileRight(src)),
                      std::max(MicroTileBottom(dst), MicroTileBottom(src)));
}

namespace {
void markUsed(TMicroTiles& t, int c1, int r1, int c2, int r2) {
  TRect& u = t.BoundsUsedTiles;
  u.Left = std::min(u.Left, c1);
  u.Top = std::min(u.Top, r1);
  u.Right = std::max(u.Right, c2);
  u.Bottom = std::max(u.Bottom, r2);
}
}  // namespace

void MicroTilesSetSize(TMicroTiles& tiles, const TRect& dstRect) {
  tiles.BoundsRect = dstRect;
  tiles.Columns = (dstRect.Width() >> MICROTILE_SHIFT) + 1;
  tiles.Rows = (dstRect.Height() >> MICROTILE_SHIFT) + 1;
  tiles.Count = (tiles.Columns + 1) * (tiles.Rows + 1);
  tiles.Tiles.assign(std::size_t(tiles.Count), MICROTILE_EMPTY);
  MicroTilesClear(tiles);
}

void MicroTilesClear(TMicroTiles& tiles, TMicroTile value) {
  tiles.BoundsUsedTiles = {tiles.Columns, tiles.Rows, 0, 0};
  std::fill(tiles.Tiles.begin(), tiles.Tiles.end(), value);
}

void MicroTilesClearUsed(TMicroTiles& tiles, TMicroTile value) {
  const TRect u = tiles.BoundsUsedTiles;
  for (int r = u.Top; r <= u.Bottom && r < tiles.Rows + 1; ++r)
    for (int c = u.Left; c <= u.Right && c < tiles.Columns; ++c)
      tiles.Tiles[std::size_t(r * tiles.Columns + c)] = value;
  tiles.BoundsUsedTiles = {tiles.Columns, tiles.Rows, 0, 0};
}

void MicroTilesCopy(TMicroTiles& dst, const TMicroTiles& src) {
  dst = src;
}

void MicroTilesAddRect(TMicroTiles& tiles, TRect r, bool round) {
  if (tiles.Tiles.empty()) return;
  TestSwap(r.Left, r.Right);
  TestSwap(r.Top, r.Bottom);
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, tiles.Columns * MICROTILE_SIZE);
  r.Bottom = std::min(r.Bottom, tiles.Rows * MICROTILE_SIZE);
  if (r.Right < r.Left || r.Bottom < r.Top) return;
  const int c1 = r.Left >> MICROTILE_SHIFT, r1 = r.Top >> MICROTILE_SHIFT;
  // The range stays inside the allocated rows and columns.
  const int c2 = std::min(r.Right >> MICROTILE_SHIFT, tiles.Columns - 1);
  const int r2 = std::min(r.Bottom >> MICROTILE_SHIFT, tiles.Rows);
  for (int row = r1; row <= r2; ++row)
    for (int col = c1; col <= c2; ++col) {
      TMicroTile& t = tiles.Tiles[std::size_t(row * tiles.Columns + col)];
      if (round) {
        t = MICROTILE_FULL;
        continue;
      }
      const int l = col == c1 ? r.Left & 31 : 0;
      const int tp = row == r1 ? r.Top & 31 : 0;
      const int rt = col == c2 ? r.Right - col * MICROTILE_SIZE : MICROTILE_SIZE;
      const int bt = row == r2 ? r.Bottom - row * MICROTILE_SIZE : MICROTILE_SIZE;
      MicroTileUnion(t, MakeMicroTile(l, tp, std::min(rt, 32), std::min(bt, 32)));
    }
  markUsed(tiles, c1, r1, c2, r2);
}

void MicroTilesAddLine(TMicroTiles& tiles, int x1, int y1, int x2, int y2, int lineWidth, bool round) {
  const int w = lineWidth * 2;
  if (x1 == x2 || y1 == y2) {
    TRect r{x1, y1, x2, y2};
    TestSwap(r.Left, r.Right);
    TestSwap(r.Top, r.Bottom);
    InflateRect(r, w, w);
    MicroTilesAddRect(tiles, r, round);
    return;
  }
  const int dx = x2 - x1, dy = y2 - y1;
  const int major = std::max(std::abs(dx), std::abs(dy));
  const int steps = (major + 31) / 32;
  const double sx = double(dx) / major * 32, sy = double(dy) / major * 32;
  double px = x1, py = y1;
  for (int i = 0; i < steps; ++i) {
    double nx = px + sx, ny = py + sy;
    if (i == steps - 1) { nx = x2; ny = y2; }
    TRect r{int(std::lround(std::min(px, nx))), int(std::lround(std::min(py, ny))), int(std::lround(std::max(px, nx))),
            int(std::lround(std::max(py, ny)))};
    InflateRect(r, w, w);
    MicroTilesAddRect(tiles, r, round);
    px = nx;
    py = ny;
  }
}

void MicroTilesUnion(TMicroTiles& dst, const TMicroTiles& src, bool round) {
  if (src.Tiles.empty() || dst.Tiles.size() != src.Tiles.size()) return;
  const TRect u = src.BoundsUsedTiles;
  for (int r = u.Top; r <= u.Bottom; ++r)
    for (int c = u.Left; c <= u.Right; ++c) {
      const std::size_t i = std::size_t(r * src.Columns + c);
      if (i >= src.Tiles.size()) continue;
      const TMicroTile s = src.Tiles[i];
      if (round) {
        if (s != MICROTILE_EMPTY && MicroTileRight(s) != MicroTileLeft(s) && MicroTileBottom(s) != MicroTileTop(s))
          dst.Tiles[i] = MICROTILE_FULL;
      } else {
        MicroTileUnion(dst.Tiles[i], s);
      }
    }
  if (u.Left <= u.Right && u.Top <= u.Bottom) markUsed(dst, u.Left, u.Top, u.Right, u.Bottom);
}

int MicroTilesCalcRects(const TMicroTiles& tiles, std::vector<TRect>* dstRects, const TRect& clip, bool countOnly,
                        bool round) {
  const TRect u = tiles.BoundsUsedTiles;
  if (tiles.Count == 0 || u.Right < u.Left || u.Bottom < u.Top) return 0;
  std::vector<TRect> found;
  std::vector<int> above(std::size_t(tiles.Columns), -1), current(std::size_t(tiles.Columns), -1);
  auto limit = [&](TRect r) {
    r.Left = std::clamp(r.Left, clip.Left, clip.Right);
    r.Right = std::clamp(r.Right, clip.Left, clip.Right);
    r.Top = std::clamp(r.Top, clip.Top, clip.Bottom);
    r.Bottom = std::clamp(r.Bottom, clip.Top, clip.Bottom);
    return r;
  };
  for (int row = u.Top; row <= u.Bottom; ++row) {
    std::fill(current.begin(), current.end(), -1);
    int col = u.Left;
    while (col <= u.Right && col < tiles.Columns) {
      const TMicroTile t = tiles.Tiles[std::size_t(row * tiles.Columns + col)];
      if (t == MICROTILE_EMPTY) {
        ++col;
        continue;
      }
      const int start = col;
      TRect r;
      if (round) {
        r.Top = row * 32;
        r.Bottom = row * 32 + 32;
        r.Left = col * 32;
        while (col + 1 <= u.Right && col + 1 < tiles.Columns &&
               tiles.Tiles[std::size_t(row * tiles.Columns + col + 1)] != MICROTILE_EMPTY)
          ++col;
        r.Right = col * 32 + 32;
      } else {
        r.Top = row * 32 + MicroTileTop(t);
        r.Bottom = row * 32 + MicroTileBottom(t);
        r.Left = col * 32 + MicroTileLeft(t);
        TMicroTile last = t;
        while (MicroTileRight(last) == 32 && col + 1 <= u.Right && col + 1 < tiles.Columns) {
          const TMicroTile n = tiles.Tiles[std::size_t(row * tiles.Columns + col + 1)];
          if (n == MICROTILE_EMPTY || MicroTileLeft(n) != 0 || MicroTileTop(n) != MicroTileTop(t) ||
              MicroTileBottom(n) != MicroTileBottom(t))
            break;
          last = n;
          ++col;
        }
        r.Right = col * 32 + MicroTileRight(last);
      }
      r = limit(r);
      const int a = above[std::size_t(start)];
      if (a >= 0 && found[std::size_t(a)].Left == r.Left && found[std::size_t(a)].Right == r.Right &&
          found[std::size_t(a)].Bottom == r.Top) {
        found[std::size_t(a)].Bottom = r.Bottom;
        current[std::size_t(start)] = a;
      } else {
        found.push_back(r);
        current[std::size_t(start)] = int(found.size()) - 1;
      }
      ++col;
    }
    above = current;
  }
  if (!countOnly && dstRects != nullptr) dstRects->insert(dstRects->end(), found.begin(), found.end());
  return int(found.size());
}

int MicroTilesCalcRects(const TMicroTiles& tiles, std::vector<TRect>* dstRects, bool countOnly, bool round) {
  return MicroTilesCalcRects(tiles, dstRects, tiles.BoundsRect, countOnly, round);
}

// ---- optimizers ----

void TCustomRepaintOptimizer::installHandlers(TLayerCollection* l, bool all) {
  l->OnListNotify = [this](TLayerListAction a, TCustomLayer* layer, int i) { LayerCollectionNotifyHandler(a, layer, i); };
  if (all) {
    l->OnLayerUpdated = [this](TCustomLayer* layer) { LayerUpdateHandler(layer); };
    l->OnAreaUpdated = [this](const TRect& r, std::uint32_t info) { AreaUpdateHandler(r, info); };
  } else {
    l->OnLayerUpdated = nullptr;
    l->OnAreaUpdated = nullptr;
  }
}

void TCustomRepaintOptimizer::RegisterLayerCollection(TLayerCollection* layers) {
  if (std::find(layerCollections_.begin(), layerCollections_.end(), layers) != layerCollections_.end()) return;
  layerCollections_.push_back(layers);
  installHandlers(layers, enabled_);
}

void TCustomRepaintOptimizer::UnregisterLayerCollection(TLayerCollection* layers) {
  auto it = std::find(layerCollections_.begin(), layerCollections_.end(), layers);
  if (it == layerCollections_.end()) return;
  layers->OnListNotify = nullptr;
  layers->OnLayerUpdated = nullptr;
  layers->OnAreaUpdated = nullptr;
  layerCollections_.erase(it);
}

TMicroTilesRepaintOptimizer::TMicroTilesRepaintOptimizer(TBitmap32* buffer, std::vector<TRect>* invalidRects)
    : TCustomRepaintOptimizer(buffer, invalidRects) {
  auto timer = std::make_shared<QElapsedTimer>();
  timer->start();
  clock_.Microseconds = [timer] { return timer->nsecsElapsed() / 1000; };
  clock_.TickCount = [timer] { return timer->elapsed(); };
}

std::int64_t TMicroTilesRepaintOptimizer::now() const { return clock_.TickCount(); }
std::int64_t TMicroTilesRepaintOptimizer::micros() const { return clock_.Microseconds(); }

void TMicroTilesRepaintOptimizer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  for (TLayerCollection* l : layerCollections_) installHandlers(l, v);
  if (v) {
    BufferResizedHandler(buffer_->Width(), buffer_->Height());
  } else {
    tempTiles_ = {};
    invalidLayerTiles_ = {};
    forcedInvalid_ = {};
    updatesPending_ = oldTilesValid_ = workingTilesValid_ = false;
    oldTiles_.clear();
    invalidLayers_.clear();
  }
}

void TMicroTilesRepaintOptimizer::BufferResizedHandler(int newWidth, int newHeight) {
  bufferBounds_ = {0, 0, newWidth, newHeight};
  Reset();
}

void TMicroTilesRepaintOptimizer::validateWorkingTiles() {
  if (workingTilesValid_) return;
  MicroTilesSetSize(tempTiles_, bufferBounds_);
  MicroTilesSetSize(invalidLayerTiles_, bufferBounds_);
  MicroTilesSetSize(forcedInvalid_, bufferBounds_);
  workingTilesValid_ = true;
}

void TMicroTilesRepaintOptimizer::Reset() {
  workingTilesValid_ = false;
  oldTilesValid_ = false;
  validateWorkingTiles();
  rebuildOldTiles();
  MicroTilesClear(forcedInvalid_, MICROTILE_FULL);
  forcedInvalid_.BoundsUsedTiles = {0, 0, forcedInvalid_.Columns - 1, forcedInvalid_.Rows};
  updatesPending_ = true;
}

void TMicroTilesRepaintOptimizer::addArea(TMicroTiles& tiles, const TRect& area, std::uint32_t info) const {
  const bool round = level_ > 0;
  if ((info & AREAINFO_LINE_BIT) != 0 && (info & AREAINFO_RECT) == 0) {
    const int w = int(info & 0xFFFFFF);
    TRect r = area;
    InflateRect(r, w, w);
    MicroTilesAddLine(tiles, r.Left, r.Top, r.Right, r.Bottom, w, round);
  } else {
    MicroTilesAddRect(tiles, area, round);
  }
}

void TMicroTilesRepaintOptimizer::measure(TCustomLayer* layer, TMicroTiles& into) const {
  buffer_->BeginMeasuring([this, &into](TBitmap32*, const TRect& a, std::uint32_t info) { addArea(into, a, info); });
  layer->Paint(buffer_);
  buffer_->EndMeasuring();
}

void TMicroTilesRepaintOptimizer::rebuildOldTiles() const {
  if (oldTilesValid_) return;
  for (TLayerCollection* l : layerCollections_)
    for (int i = 0; i < l->Count(); ++i) {
      TCustomLayer* layer = l->Items(i);
      TMicroTiles& t = oldTiles_[layer];
      MicroTilesSetSize(t, buffer_->BoundsRect());
      if (layer->Visible()) measure(layer, t);
    }
  invalidLayers_.clear();
  oldTilesValid_ = true;
  updatesPending_ = false;
}

void TMicroTilesRepaintOptimizer::AreaUpdateHandler(const TRect& area, std::uint32_t info) {
  validateWorkingTiles();
  addArea(forcedInvalid_, area, info);
  updatesPending_ = true;
}

void TMicroTilesRepaintOptimizer::LayerUpdateHandler(TCustomLayer* layer) {
  if (!oldTilesValid_) return;
  if (std::find(invalidLayers_.begin(), invalidLayers_.end(), layer) != invalidLayers_.end()) return;
  invalidLayers_.push_back(layer);
  updatesPending_ = true;
}

void TMicroTilesRepaintOptimizer::LayerCollectionNotifyHandler(TLayerListAction action, TCustomLayer* layer, int) {
  switch (action) {
    case TLayerListAction::Added:
      MicroTilesSetSize(oldTiles_[layer], buffer_->BoundsRect());
      oldTilesValid_ = true;
      break;
    case TLayerListAction::Deleted:
      if (oldTilesValid_ && workingTilesValid_ && oldTiles_.count(layer) != 0) {
        MicroTilesUnion(invalidLayerTiles_, oldTiles_[layer]);
        updatesPending_ = true;
      }
      invalidLayers_.erase(std::remove(invalidLayers_.begin(), invalidLayers_.end(), layer), invalidLayers_.end());
      oldTiles_.erase(layer);
      break;
    case TLayerListAction::Cleared:
      if (oldTilesValid_ && workingTilesValid_) {
        for (auto& [l, t] : oldTiles_) MicroTilesUnion(invalidLayerTiles_, t);
        updatesPending_ = true;
        resetAdaptiveMode();
      }
      oldTiles_.clear();
      oldTilesValid_ = true;
      break;
  }
}

bool TMicroTilesRepaintOptimizer::UpdatesAvailable() const {
  rebuildOldTiles();
  return updatesPending_;
}

void TMicroTilesRepaintOptimizer::PerformOptimization() {
  if (updatesPending_) {
    validateWorkingTiles();
    const bool round = level_ > 0;
    for (TCustomLayer* layer : invalidLayers_) {
      MicroTilesClearUsed(tempTiles_);
      if (layer->Visible()) measure(layer, tempTiles_);
      TMicroTiles& old = oldTiles_[layer];
      if (old.Tiles.size() != tempTiles_.Tiles.size()) MicroTilesSetSize(old, buffer_->BoundsRect());
      MicroTilesUnion(invalidLayerTiles_, old, round);
      MicroTilesUnion(invalidLayerTiles_, tempTiles_, round);
      MicroTilesCopy(old, tempTiles_);
    }
    invalidLayers_.clear();
    MicroTilesCalcRects(invalidLayerTiles_, invalidRects_, false, round);
    MicroTilesCalcRects(forcedInvalid_, invalidRects_, false, round);
  }
  beginAdaption();
  MicroTilesClearUsed(invalidLayerTiles_);
  MicroTilesClearUsed(forcedInvalid_);
}

void TMicroTilesRepaintOptimizer::BeginPaintBuffer() {
  if (AdaptiveMode) startTime_ = micros();
}

void TMicroTilesRepaintOptimizer::EndPaintBuffer() {
  updatesPending_ = false;
  endAdaption();
}

void TMicroTilesRepaintOptimizer::beginAdaption() {
  if (!AdaptiveMode || (level_ != 1 && level_ != 2)) return;
  if (now() <= nextCheck_) {
    if (!adaptionFailed_ && int(invalidRects_->size()) < oldInvalidRectsCount_ - 10) {
      level_ = std::clamp(level_ - 1, 0, 2);
    } else if (level_ == 2) {
      invalidRects_->clear();
    }
  } else {
    level_ = std::clamp(level_ - 1, 0, 2);
    timedCheck_ = true;
  }
}

void TMicroTilesRepaintOptimizer::endAdaption() {
  if (!AdaptiveMode) return;
  const std::int64_t t = micros() - startTime_;
  elapsedLast_ = t;
  if (invalidRects_->empty()) {
    elapsedFull_ = t;
    return;
  }
  auto clampDelta = [](std::int64_t d) { return std::clamp<std::int64_t>(d, 1000, 5000); };
  if (t > elapsedFull_) {
    const int old = level_;
    level_ = std::min(level_ + 1, 2);
    if (level_ != old) {
      oldInvalidRectsCount_ = int(invalidRects_->size());
      if (timedCheck_) {
        timeDelta_ = clampDelta(timeDelta_ + 250);
        nextCheck_ = now() + timeDelta_;
        penaltyTime_ = t;
        timedCheck_ = false;
      }
      adaptionFailed_ = true;
    }
  } else if (t < elapsedFull_) {
    if (timedCheck_) {
      timeDelta_ = 1000;
      nextCheck_ = now() + 1000;
      timedCheck_ = false;
    } else if (timeDelta_ > 1000) {
      timeDelta_ = clampDelta(timeDelta_ - 1000);
      nextCheck_ = now() + timeDelta_;
    }
    adaptionFailed_ = false;
  } else if (timedCheck_ && t < penaltyTime_) {
    timeDelta_ = clampDelta(timeDelta_ - 250);
    nextCheck_ = now() + timeDelta_;
    timedCheck_ = false;
  }
}

void TMicroTilesRepaintOptimizer::resetAdaptiveMode() {
  timeDelta_ = 1000;
  adaptionFailed_ = false;
  level_ = 0;
}

}  // namespace kalvora::raster
