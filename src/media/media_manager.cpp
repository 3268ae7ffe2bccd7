#include "media/media_manager.h"

#include <algorithm>

namespace vesk {

bool TDMediaItem::HeldBySwitch() {
    if (!Owner || Owner->Enabled()) return false;
    ResumeOnEnable = true;
    return true;
}

TMediaManager::~TMediaManager() {
    // Items hold pointers into their manager's back end; none may outlive it.
    items_.clear();
}

std::shared_ptr<TDMediaItem> TMediaManager::Adopt(std::shared_ptr<TDMediaItem> item) {
    item->Owner = this;
    items_.push_back(item);
    return item;
}

void TMediaManager::Release(TDMediaItem* item) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [item](const auto& p) { return p.get() == item; });
    if (it == items_.end()) return;
    Releasing(item);
    // Out of the list first, so that nothing finds it while it is being freed.
    std::shared_ptr<TDMediaItem> gone = std::move(*it);
    items_.erase(it);
    gone->Owner = nullptr;
}

void TMediaManager::Clear() {
    while (!items_.empty()) Release(items_.back().get());
}

void TMediaManager::SetEnabled(bool on) {
    if (!on) {
        Suspend();
        enabled_ = false;
        return;
    }
    enabled_ = true;
    Resume();
}

void TMediaManager::Suspend() {
    if (!enabled_ || suspended_) return;
    suspended_ = true;
    for (auto& item : items_)
        if (item->IsPlaying() && !item->IsPaused()) {
            item->Pause();
            item->ResumeOnEnable = true;
        }
}

void TMediaManager::Resume() {
    suspended_ = false;
    if (!enabled_) return;
    // Copied: playing may not change the list, but a failing item must not spoil the walk.
    auto items = items_;
    for (auto& item : items)
        if (item->ResumeOnEnable) {
            item->ResumeOnEnable = false;
            item->Play();
        }
}

}  // namespace vesk
