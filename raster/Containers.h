#pragma once
// Small containers of the raster library: a pointer-to-pointer hash map with its iterator, a
// growable rectangle list, class registries by name, an integer map, and segment clipping.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Persistent.h"
#include "RasterMath.h"

namespace kalvora::raster {

using PData = void**;

class TPointerMap {
 public:
  struct TPointerBucketItem {
    void* Item = nullptr;
    void* Data = nullptr;
  };
  struct TPointerBucket {
    std::int32_t Count = 0;
    std::vector<TPointerBucketItem> Items;  // size() is the capacity
  };

  TPointerMap() = default;
  // Clears the map; a subclass whose Delete frees the entries' Data calls Clear in its own
  // destructor (the base destructor no longer reaches the subclass's Delete).
  virtual ~TPointerMap();
  TPointerMap(const TPointerMap&) = delete;
  TPointerMap& operator=(const TPointerMap&) = delete;

  PData Add(void* item, void* data, bool& newItem);
  PData Add(void* item, bool& newItem) { return Add(item, nullptr, newItem); }
  PData Add(void* item) {
    bool n;
    return Add(item, nullptr, n);
  }
  bool Find(void* item, std::int32_t& bucketIndex, std::int32_t& itemIndex) const;
  bool Contains(void* item) const {
    std::int32_t b, i;
    return Find(item, b, i);
  }
  void* Remove(void* item);
  virtual void* Delete(std::int32_t bucketIndex, std::int32_t itemIndex);
  // Raises EListError "Eintrag nicht gefunden ($0...)" for an absent item.
  void* Data(void* item) const;
  void Clear();
  std::int32_t Count() const { return count_; }
  const TPointerBucket& Bucket(std::int32_t index) const { return buckets_[index]; }

  static std::int32_t BucketOf(const void* item) {
    return static_cast<std::int32_t>((reinterpret_cast<std::uintptr_t>(item) >> 8) & 0xFF);
  }

 private:
  TPointerBucket buckets_[256];
  std::int32_t count_ = 0;
};

class TPointerMapIterator {
 public:
  explicit TPointerMapIterator(const TPointerMap* map) : map_(map) {}
  bool Next();
  void* Item = nullptr;
  void* Data = nullptr;

 private:
  const TPointerMap* map_;
  std::int32_t bucketIndex_ = -1;
  std::int32_t itemIndex_ = -1;
};

class TRectList {
 public:
  TRectList() = default;
  virtual ~TRectList() = default;
  std::int32_t Add(const TRect& rect);
  // An index outside 0 .. Count - 1 is ignored.
  void Delete(std::int32_t index);
  // nullptr for an index outside the list.
  TRect* Items(std::int32_t index);
  const TRect* Items(std::int32_t index) const;
  std::int32_t Count() const { return count_; }
  void SetCount(std::int32_t value);
  std::int32_t Capacity() const { return capacity_; }
  void SetCapacity(std::int32_t value);
  virtual void Grow();
  virtual void Clear();

 private:
  std::vector<TRect> list_;  // size() == capacity_
  std::int32_t count_ = 0;
  std::int32_t capacity_ = 0;
};

// A list of classes by name, each with its factory; Find compares names exactly.
template <typename Factory>
class TClassList {
 public:
  struct Entry {
    std::string name;
    Factory create;
  };
  std::int32_t Add(std::string name, Factory create) {
    entries_.push_back({std::move(name), std::move(create)});
    return static_cast<std::int32_t>(entries_.size()) - 1;
  }
  const Entry* Find(const std::string& className) const {
    for (const Entry& e : entries_)
      if (e.name == className) return &e;
    return nullptr;
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
  const Entry& operator[](std::int32_t i) const { return entries_[static_cast<std::size_t>(i)]; }
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const Entry& e : entries_) n.push_back(e.name);
    return n;
  }

 private:
  std::vector<Entry> entries_;
};

class TIntegerMap : public TCustomMap {
 public:
  ~TIntegerMap() override;
  bool Empty() const override;
  std::int32_t* ValPtr(std::int32_t x, std::int32_t y) { return data_.data() + x + static_cast<std::ptrdiff_t>(y) * width_; }
  std::int32_t Value(std::int32_t x, std::int32_t y) const { return data_[static_cast<std::size_t>(x + static_cast<std::ptrdiff_t>(y) * width_)]; }

 protected:
  void ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                  std::int32_t newHeight) override;

 private:
  std::vector<std::int32_t> data_;
};

// Clips the segment to minX..maxX, minY..maxY (bounds inclusive); false when nothing is left.
bool ClipLine(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2, std::int32_t minX,
              std::int32_t minY, std::int32_t maxX, std::int32_t maxY);

}  // namespace kalvora::raster
