#include "Layers.h"

#include <QApplication>
#include <algorithm>
#include <stdexcept>

namespace kalvora::raster {

TLayerCollection::~TLayerCollection() {
  destroying_ = true;
  updateCount_ = 1;
  while (!items_.empty()) delete items_.back();
}

void TLayerCollection::Clear() {
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  notifyList(TLayerListAction::Cleared, nullptr, -1);
  EndUpdate();
}

void TLayerCollection::Assign(const TLayerCollection& source) {
  if (&source == this) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  for (const TCustomLayer* from : source.items_) {
    TCustomLayer* layer = from->CreateLike(this);
    notifyList(TLayerListAction::Added, layer, int(items_.size()) - 1);
    layer->Assign(*from);
  }
  EndUpdate();
}

void TLayerCollection::BeginUpdate() {
  if (updateCount_ == 0 && OnChanging) OnChanging();
  ++updateCount_;
}

void TLayerCollection::EndUpdate() {
  // A programming error that must not pass silently in a release build either.
  if (updateCount_ <= 0) throw std::logic_error("Unpaired EndUpdate");
  if (--updateCount_ == 0 && OnChange) OnChange();
}

void TLayerCollection::insertItem(TCustomLayer* layer) {
  BeginUpdate();
  items_.push_back(layer);
  notifyList(TLayerListAction::Added, layer, int(items_.size()) - 1);
  EndUpdate();
}

void TLayerCollection::removeItem(TCustomLayer* layer) {
  auto it = std::find(items_.begin(), items_.end(), layer);
  if (it == items_.end()) return;
  if (mouseListener_ == layer) setListener(nullptr);
  if (destroying_) {
    items_.erase(it);
    return;
  }
  BeginUpdate();
  const int index = int(it - items_.begin());
  items_.erase(it);
  notifyList(TLayerListAction::Deleted, layer, index);
  EndUpdate();
}

void TLayerCollection::setListener(TCustomLayer* layer) {
  if (mouseListener_ != nullptr) mouseListener_->states_ = {};
  mouseListener_ = layer;
}

TCustomLayer* TLayerCollection::FindLayerAtPos(int x, int y, std::uint32_t optionsMask) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if (((*it)->options_ & optionsMask) != 0 && (*it)->HitTest(x, y)) return *it;
  return nullptr;
}

TCustomLayer* TLayerCollection::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  TCustomLayer* found = mouseListener_;
  if (mouseListener_ == nullptr) {
    found = FindLayerAtPos(x, y, LOB_MOUSE_EVENTS);
    if (found != mouseListener_ && (found == nullptr || (found->options_ & LOB_NO_CAPTURE) == 0))
      setListener(found);
  }
  TCustomLayer* target = mouseListener_ != nullptr ? mouseListener_ : found;
  if (target != nullptr) {
    if (target == mouseListener_) target->states_ |= button;
    target->MouseDown(button, shift, x, y);
  }
  return found;
}

void TLayerCollection::MouseMove(Qt::KeyboardModifiers shift, int x, int y) {
  TCustomLayer* l = mouseListener_ != nullptr ? mouseListener_ : FindLayerAtPos(x, y, LOB_MOUSE_EVENTS);
  if (l != nullptr) l->MouseMove(shift, x, y);
  else if (OnSetCursor) OnSetCursor(nullptr);
}

void TLayerCollection::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  TCustomLayer* l = mouseListener_ != nullptr ? mouseListener_ : FindLayerAtPos(x, y, LOB_MOUSE_EVENTS);
  if (l != nullptr) {
    l->states_ &= ~Qt::MouseButtons(button);
    l->MouseUp(button, shift, x, y);
  }
  if (mouseListener_ != nullptr && mouseListener_->states_ == Qt::MouseButtons()) mouseListener_ = nullptr;
}

void TLayerCollection::GetViewportScale(float& sx, float& sy) const {
  sx = sy = 1.0f;
  if (OnGetViewportScale) OnGetViewportScale(sx, sy);
}
void TLayerCollection::GetViewportShift(float& sx, float& sy) const {
  sx = sy = 0.0f;
  if (OnGetViewportShift) OnGetViewportShift(sx, sy);
}

// ---- layer ----

TCustomLayer::TCustomLayer(TLayerCollection* collection) { SetLayerCollection(collection); }

TCustomLayer::~TCustomLayer() {
  if (OnDestroy) OnDestroy(this);
  while (!notifyList_.empty()) {
    TCustomLayer* other = notifyList_.back();
    notifyList_.pop_back();
    std::erase(other->watching_, this);
    other->Notification(this);
  }
  for (TCustomLayer* other : watching_) std::erase(other->notifyList_, this);
  watching_.clear();
  if (collection_ != nullptr) collection_->removeItem(this);
}

void TCustomLayer::AddNotification(TCustomLayer* layer) {
  if (layer == nullptr || layer == this) return;
  if (std::find(notifyList_.begin(), notifyList_.end(), layer) != notifyList_.end()) return;
  notifyList_.push_back(layer);
  layer->watching_.push_back(this);
}

void TCustomLayer::RemoveNotification(TCustomLayer* layer) {
  if (layer == nullptr) return;
  std::erase(notifyList_, layer);
  std::erase(layer->watching_, this);
}

void TCustomLayer::Assign(const TCustomLayer& source) {
  if (&source == this) return;
  BeginUpdate();
  SetCursor(source.cursor_);
  OnHitTest = source.OnHitTest;
  OnMouseDown = source.OnMouseDown;
  OnMouseUp = source.OnMouseUp;
  OnMouseMove = source.OnMouseMove;
  OnPaint = source.OnPaint;
  EndUpdate();
  SetLayerOptions(source.options_);
}

void TCustomLayer::SetCursor(Qt::CursorShape v) {
  if (v == cursor_) return;
  cursor_ = v;
  if (collection_ != nullptr && collection_->mouseListener_ == this && collection_->OnSetCursor)
    collection_->OnSetCursor(this);
}

void TCustomLayer::EndUpdate() {
  if (updateCount_ <= 0) throw std::logic_error("Unpaired EndUpdate");
  --updateCount_;
}

void TCustomLayer::Changed() {
  if (updateCount_ != 0 || collection_ == nullptr || (options_ & LOB_NO_UPDATE) != 0) return;
  if ((options_ & (LOB_VISIBLE | LOB_FORCE_UPDATE)) != 0 && collection_->OnLayerUpdated)
    collection_->OnLayerUpdated(this);
  if (Visible()) collection_->doChange();
  else if ((options_ & LOB_GDI_OVERLAY) != 0 && collection_->updateCount_ == 0 && collection_->OnGDIUpdate)
    collection_->OnGDIUpdate();
}

void TCustomLayer::Changed(const TRect& rect) {
  if (updateCount_ != 0 || collection_ == nullptr || (options_ & LOB_NO_UPDATE) != 0) return;
  if ((options_ & (LOB_VISIBLE | LOB_FORCE_UPDATE)) != 0 && collection_->OnAreaUpdated)
    collection_->OnAreaUpdated(rect, AREAINFO_RECT);
  if (Visible()) collection_->doChange();
  else if ((options_ & LOB_GDI_OVERLAY) != 0 && collection_->updateCount_ == 0 && collection_->OnGDIUpdate)
    collection_->OnGDIUpdate();
}

void TCustomLayer::Changing() {
  if (updateCount_ == 0 && collection_ != nullptr && (options_ & LOB_NO_UPDATE) == 0 && Visible() &&
      collection_->updateCount_ == 0 && collection_->OnChanging)
    collection_->OnChanging();
}

bool TCustomLayer::HitTest(int x, int y) {
  bool passed = DoHitTest(x, y);
  if (OnHitTest) OnHitTest(this, x, y, passed);
  return passed;
}

void TCustomLayer::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, x, y);
}
void TCustomLayer::MouseMove(Qt::KeyboardModifiers, int x, int y) {
  if (collection_ != nullptr && collection_->OnSetCursor) collection_->OnSetCursor(this);
  if (OnMouseMove) OnMouseMove(this, x, y);
}
void TCustomLayer::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  if (collection_ != nullptr && collection_->OnSetCursor) collection_->OnSetCursor(nullptr);
  if (OnMouseUp) OnMouseUp(this, button, x, y);
}

int TCustomLayer::Index() const {
  if (collection_ == nullptr) return -1;
  const auto& v = collection_->items_;
  return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TCustomLayer::SetIndex(int value) {
  if (collection_ == nullptr) return;
  auto& v = collection_->items_;
  value = std::clamp(value, 0, int(v.size()) - 1);
  const int cur = Index();
  if (value == cur) return;
  const bool vis = Visible();
  if (vis) collection_->BeginUpdate();
  v.erase(v.begin() + cur);
  v.insert(v.begin() + value, this);
  if (vis) collection_->EndUpdate();
}

void TCustomLayer::SetLayerCollection(TLayerCollection* value) {
  if (value == collection_) return;
  if (collection_ != nullptr) collection_->removeItem(this);
  collection_ = value;
  if (collection_ != nullptr) collection_->insertItem(this);
}

void TCustomLayer::SetLayerOptions(std::uint32_t value) {
  const bool wasVisible = Visible();
  Changing();
  options_ = value;
  if (wasVisible && !Visible()) {
    // A layer being hidden reports itself once more, so the area it covered is drawn again;
    // an already hidden layer stays quiet as Changed has it.
    if (updateCount_ != 0 || collection_ == nullptr || (options_ & LOB_NO_UPDATE) != 0) return;
    if (collection_->OnLayerUpdated) collection_->OnLayerUpdated(this);
    collection_->doChange();
    return;
  }
  Changed();
}

// ---- positioned layer ----

TPositionedLayer::TPositionedLayer(TLayerCollection* collection) : TCustomLayer(collection) {
  options_ = LOB_VISIBLE | LOB_MOUSE_EVENTS;
}

TFloatRect TPositionedLayer::GetAdjustedRect(const TFloatRect& r) const {
  if (!Scaled || LayerCollection() == nullptr) return r;
  float sx, sy, tx, ty;
  LayerCollection()->GetViewportScale(sx, sy);
  LayerCollection()->GetViewportShift(tx, ty);
  return {r.Left * sx + tx, r.Top * sy + ty, r.Right * sx + tx, r.Bottom * sy + ty};
}

void TPositionedLayer::Assign(const TCustomLayer& source) {
  if (const auto* p = dynamic_cast<const TPositionedLayer*>(&source)) {
    location_ = p->location_;
    Scaled = p->Scaled;
  }
  TCustomLayer::Assign(source);
  Changed();
}

bool TPositionedLayer::DoHitTest(int x, int y) {
  const TFloatRect r = GetAdjustedRect(location_);
  return r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom;
}

}  // namespace kalvora::raster
