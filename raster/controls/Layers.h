#pragma once
// Layers drawn over an image control's bitmap: the collection routes mouse events to the topmost
// layer under the mouse and reports what changed so the control repaints only that.
#include <Qt>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Bitmap32.h"

namespace kalvora::raster {

constexpr std::uint32_t LOB_VISIBLE = 0x80000000u;
constexpr std::uint32_t LOB_GDI_OVERLAY = 0x40000000u;
constexpr std::uint32_t LOB_MOUSE_EVENTS = 0x20000000u;
constexpr std::uint32_t LOB_NO_UPDATE = 0x10000000u;
constexpr std::uint32_t LOB_NO_CAPTURE = 0x08000000u;
constexpr std::uint32_t LOB_INVALID = 0x04000000u;
constexpr std::uint32_t LOB_FORCE_UPDATE = 0x02000000u;

class TCustomLayer;
class TLayerCollection;

enum class TLayerListAction { Added = 0, Deleted = 2, Cleared = 3 };

class TLayerCollection {
 public:
  explicit TLayerCollection(void* owner = nullptr) : owner_(owner) {}
  ~TLayerCollection();
  TLayerCollection(const TLayerCollection&) = delete;
  TLayerCollection& operator=(const TLayerCollection&) = delete;

  // Creates a layer of class L in this collection (the collection owns it) on top.
  template <class L, class... A>
  L* Add(A&&... args) {
    auto* layer = new L(this, std::forward<A>(args)...);
    notifyList(TLayerListAction::Added, layer, int(items_.size()) - 1);
    return layer;
  }
  void Clear();
  void BeginUpdate();
  // Raises std::logic_error "Unpaired EndUpdate" without a matching BeginUpdate.
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  int Count() const { return int(items_.size()); }
  TCustomLayer* Items(int index) const { return items_.at(std::size_t(index)); }
  void* Owner() const { return owner_; }

  TCustomLayer* FindLayerAtPos(int x, int y, std::uint32_t optionsMask) const;
  TCustomLayer* MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  TCustomLayer* MouseListener() const { return mouseListener_; }
  bool MouseEvents = true;

  virtual void GetViewportScale(float& sx, float& sy) const;
  virtual void GetViewportShift(float& sx, float& sy) const;

  std::function<void()> OnChanging, OnChange, OnGDIUpdate;
  std::function<void(TLayerListAction, TCustomLayer*, int)> OnListNotify;
  std::function<void(TCustomLayer*)> OnLayerUpdated;
  std::function<void(const TRect&, std::uint32_t)> OnAreaUpdated;
  std::function<void(float&, float&)> OnGetViewportScale, OnGetViewportShift;

 private:
  friend class TCustomLayer;
  void insertItem(TCustomLayer* layer);
  void removeItem(TCustomLayer* layer);
  void notifyList(TLayerListAction a, TCustomLayer* l, int index) {
    if (OnListNotify) OnListNotify(a, l, index);
  }
  void doChange() {
    if (updateCount_ == 0 && OnChange) OnChange();
  }
  void setListener(TCustomLayer* layer);

  std::vector<TCustomLayer*> items_;
  void* owner_;
  TCustomLayer* mouseListener_ = nullptr;
  int updateCount_ = 0;
  bool destroying_ = false;
};

class TCustomLayer {
 public:
  explicit TCustomLayer(TLayerCollection* collection);
  virtual ~TCustomLayer();
  TCustomLayer(const TCustomLayer&) = delete;
  TCustomLayer& operator=(const TCustomLayer&) = delete;

  virtual void Changed();
  virtual void Changed(const TRect& rect);
  void Changing();
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  bool HitTest(int x, int y);
  virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  virtual void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
  virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  virtual void Paint(TBitmap32* buffer) { if (OnPaint) OnPaint(this, buffer); }

  int Index() const;
  void SetIndex(int value);
  TLayerCollection* LayerCollection() const { return collection_; }
  void SetLayerCollection(TLayerCollection* value);
  std::uint32_t LayerOptions() const { return options_; }
  void SetLayerOptions(std::uint32_t value);
  bool Visible() const { return (options_ & LOB_VISIBLE) != 0; }
  void SetVisible(bool v) { SetLayerOptions(v ? options_ | LOB_VISIBLE : options_ & ~LOB_VISIBLE); }
  Qt::CursorShape Cursor() const { return cursor_; }
  void SetCursor(Qt::CursorShape v) { cursor_ = v; }
  // Capture flags of the buttons held on this layer.
  Qt::MouseButtons LayerStates() const { return states_; }

  std::function<void(TCustomLayer*, int, int, bool&)> OnHitTest;
  std::function<void(TCustomLayer*, Qt::MouseButton, int, int)> OnMouseDown, OnMouseUp;
  std::function<void(TCustomLayer*, int, int)> OnMouseMove;
  std::function<void(TCustomLayer*, TBitmap32*)> OnPaint;

 protected:
  virtual bool DoHitTest(int, int) { return true; }
  std::uint32_t options_ = LOB_VISIBLE;

 private:
  friend class TLayerCollection;
  TLayerCollection* collection_ = nullptr;
  Qt::MouseButtons states_;
  Qt::CursorShape cursor_ = Qt::ArrowCursor;
  int updateCount_ = 0;
};

class TPositionedLayer : public TCustomLayer {
 public:
  explicit TPositionedLayer(TLayerCollection* collection);
  const TFloatRect& Location() const { return location_; }
  void SetLocation(const TFloatRect& v) { location_ = v; }
  bool Scaled = false;
  TFloatRect GetAdjustedRect(const TFloatRect& r) const;

 protected:
  bool DoHitTest(int x, int y) override;

 private:
  TFloatRect location_{0, 0, 64, 64};
};

}  // namespace kalvora::raster
