#include "Containers.h"

#include <cstdio>

#include "RasterErrors.h"

namespace kalvora::raster {

// ---------------------------------------------------------------- TPointerMap
TPointerMap::~TPointerMap() { Clear(); }

PData TPointerMap::Add(void* item, void* data, bool& newItem) {
  std::int32_t b, i;
  if (Find(item, b, i)) {
    newItem = false;
    return &buckets_[b].Items[static_cast<std::size_t>(i)].Data;
  }
  TPointerBucket& bucket = buckets_[BucketOf(item)];
  const std::int32_t capacity = static_cast<std::int32_t>(bucket.Items.size());
  if (bucket.Count == capacity) {
    std::int32_t delta;
    if (capacity <= 8)
      delta = 4;
    else if (capacity <= 64)
      delta = 16;
    else
      delta = capacity / 4;
    bucket.Items.resize(static_cast<std::size_t>(capacity + delta));
  }
  TPointerBucketItem& entry = bucket.Items[static_cast<std::size_t>(bucket.Count)];
  entry.Item = item;
  entry.Data = data;
  ++bucket.Count;
  ++count_;
  newItem = true;
  return &entry.Data;
}

bool TPointerMap::Find(void* item, std::int32_t& bucketIndex, std::int32_t& itemIndex) const {
  bucketIndex = BucketOf(item);
  const TPointerBucket& bucket = buckets_[bucketIndex];
  for (std::int32_t i = 0; i < bucket.Count; ++i)
    if (bucket.Items[static_cast<std::size_t>(i)].Item == item) {
      itemIndex = i;
      return true;
    }
  itemIndex = -1;
  return false;
}

void* TPointerMap::Remove(void* item) {
  std::int32_t b, i;
  if (Find(item, b, i)) return Delete(b, i);
  return nullptr;
}

void* TPointerMap::Delete(std::int32_t bucketIndex, std::int32_t itemIndex) {
  if (bucketIndex < 0 || bucketIndex > 255) return nullptr;
  TPointerBucket& bucket = buckets_[bucketIndex];
  if (itemIndex < 0 || itemIndex >= static_cast<std::int32_t>(bucket.Items.size())) return nullptr;
  void* data = bucket.Items[static_cast<std::size_t>(itemIndex)].Data;
  if (count_ == 0 || itemIndex >= bucket.Count) return data;
  if (bucket.Count == 1) {
    bucket.Items.clear();
  } else {
    for (std::int32_t i = itemIndex; i < bucket.Count - 1; ++i)
      bucket.Items[static_cast<std::size_t>(i)] = bucket.Items[static_cast<std::size_t>(i + 1)];
  }
  --bucket.Count;
  --count_;
  return data;
}

void* TPointerMap::Data(void* item) const {
  std::int32_t b, i;
  if (!Find(item, b, i)) {
    char text[64];
    std::snprintf(text, sizeof text, "Eintrag nicht gefunden ($0%llx)",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(item)));
    throw EListError(text);
  }
  return buckets_[b].Items[static_cast<std::size_t>(i)].Data;
}

void TPointerMap::Clear() {
  count_ = 0;
  for (std::int32_t b = 0; b < 256; ++b) {
    TPointerBucket& bucket = buckets_[b];
    for (std::int32_t i = bucket.Count - 1; i >= 0; --i) Delete(b, i);
    bucket.Count = 0;
    bucket.Items.clear();
  }
}

bool TPointerMapIterator::Next() {
  if (itemIndex_ > 0) {
    --itemIndex_;
  } else {
    itemIndex_ = -1;
    while (bucketIndex_ < 255) {
      ++bucketIndex_;
      const std::int32_t n = map_->Bucket(bucketIndex_).Count;
      if (n > 0) {
        itemIndex_ = n - 1;
        break;
      }
    }
    if (itemIndex_ < 0) return false;
  }
  const auto& entry = map_->Bucket(bucketIndex_).Items[static_cast<std::size_t>(itemIndex_)];
  Item = entry.Item;
  Data = entry.Data;
  return true;
}

// ---------------------------------------------------------------- TRectList
std::int32_t TRectList::Add(const TRect& rect) {
  if (count_ == capacity_) Grow();
  list_[static_cast<std::size_t>(count_)] = rect;
  return count_++;
}

void TRectList::Delete(std::int32_t index) {
  if (index < 0 || index >= count_) return;
  --count_;
  for (std::int32_t i = index; i < count_; ++i)
    list_[static_cast<std::size_t>(i)] = list_[static_cast<std::size_t>(i + 1)];
}

TRect* TRectList::Items(std::int32_t index) {
  if (index < 0 || index >= count_) return nullptr;
  return &list_[static_cast<std::size_t>(index)];
}

const TRect* TRectList::Items(std::int32_t index) const {
  if (index < 0 || index >= count_) return nullptr;
  return &list_[static_cast<std::size_t>(index)];
}

void TRectList::SetCount(std::int32_t value) {
  if (value < 0) value = 0;
  if (value > capacity_) SetCapacity(value);
  if (value > count_) {
    for (std::int32_t i = count_; i < value; ++i) list_[static_cast<std::size_t>(i)] = TRect{};
    count_ = value;
  } else {
    while (count_ > value) Delete(count_ - 1);
  }
}

void TRectList::SetCapacity(std::int32_t value) {
  if (value < 0) value = 0;
  list_.resize(static_cast<std::size_t>(value));
  capacity_ = value;
  if (count_ > capacity_) count_ = capacity_;
}

void TRectList::Grow() {
  std::int32_t delta;
  if (capacity_ <= 8)
    delta = 8;
  else if (capacity_ <= 128)
    delta = 32;
  else
    delta = capacity_ / 4;
  SetCapacity(capacity_ + delta);
}

void TRectList::Clear() {
  SetCount(0);
  SetCapacity(10);
}

// ---------------------------------------------------------------- TIntegerMap
TIntegerMap::~TIntegerMap() { data_.clear(); }

bool TIntegerMap::Empty() const { return data_.empty() || TCustomMap::Empty(); }

void TIntegerMap::ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                             std::int32_t newHeight) {
  data_.assign(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight), 0);
  width = newWidth;
  height = newHeight;
}

// ---------------------------------------------------------------- ClipLine
namespace {

std::int32_t Outcode(std::int32_t x, std::int32_t y, std::int32_t minX, std::int32_t minY, std::int32_t maxX,
                     std::int32_t maxY) {
  std::int32_t c = 0;
  if (x < minX) c |= 1;
  if (x > maxX) c |= 2;
  if (y < minY) c |= 4;
  if (y > maxY) c |= 8;
  return c;
}

// 32-bit sums and differences wrap modulo 2^32: the clipping codes of far-off points stay
// defined instead of overflowing.
inline std::int32_t Sub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline std::int32_t Add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

bool ClipLine(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2, std::int32_t minX,
              std::int32_t minY, std::int32_t maxX, std::int32_t maxY) {
  std::int32_t c1 = Outcode(x1, y1, minX, minY, maxX, maxY);
  std::int32_t c2 = Outcode(x2, y2, minX, minY, maxX, maxY);
  if ((c1 & c2) != 0 || (c1 == 0 && c2 == 0)) return c1 == 0 && c2 == 0;
  auto horz = [&](std::int32_t x) { return (x < minX ? 1 : 0) | (x > maxX ? 2 : 0); };
  if (c1 & 12) {
    const std::int32_t e = c1 < 8 ? minY : maxY;
    x1 = Add(x1, MulDiv(Sub(e, y1), Sub(x2, x1), Sub(y2, y1)));
    y1 = e;
    c1 = horz(x1);
  }
  if (c2 & 12) {
    const std::int32_t e = c2 < 8 ? minY : maxY;
    x2 = Add(x2, MulDiv(Sub(e, y2), Sub(x2, x1), Sub(y2, y1)));
    y2 = e;
    c2 = horz(x2);
  }
  if ((c1 & c2) != 0 || (c1 == 0 && c2 == 0)) return c1 == 0 && c2 == 0;
  if (c1 != 0) {
    const std::int32_t e = c1 == 1 ? minX : maxX;
    y1 = Add(y1, MulDiv(Sub(e, x1), Sub(y2, y1), Sub(x2, x1)));
    x1 = e;
  }
  if (c2 != 0) {
    const std::int32_t e = c2 == 1 ? minX : maxX;
    y2 = Add(y2, MulDiv(Sub(e, x2), Sub(y2, y1), Sub(x2, x1)));
    x2 = e;
  }
  return true;
}

}  // namespace kalvora::raster
