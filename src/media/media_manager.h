#pragma once
// A media manager: the list of the items of one playback technique, the global sound switch
// (Enabled) and suspension while the player is inactive. The list holds the only strong
// reference of each item; the objects that play them hold them weakly, so clearing a
// manager ends every item at once (before the back end that feeds them goes), and an object
// whose item has gone simply has none.
#include <memory>
#include <string>
#include <vector>

#include "media/media_item.h"

namespace vesk {

class TMediaManager {
  public:
    TMediaManager() = default;
    virtual ~TMediaManager();
    TMediaManager(const TMediaManager&) = delete;
    TMediaManager& operator=(const TMediaManager&) = delete;

    // Frees the item and removes it from the list.
    void Release(TDMediaItem* item);
    void Clear();
    size_t Count() const { return items_.size(); }
    const std::vector<std::shared_ptr<TDMediaItem>>& Items() const { return items_; }

    bool Enabled() const { return enabled_; }
    // Off: suspends, then clears Enabled. On: sets Enabled and resumes.
    void SetEnabled(bool on);
    bool Suspended() const { return suspended_; }
    // Pauses every item that plays (not paused, not ended) and marks it to resume.
    virtual void Suspend();
    // Plays the marked items again.
    virtual void Resume();

  protected:
    // Takes a new item into the list.
    std::shared_ptr<TDMediaItem> Adopt(std::shared_ptr<TDMediaItem> item);
    // Called before an item leaves the list (the MIDI manager lets go of the sequencer).
    virtual void Releasing(TDMediaItem*) {}

  private:
    std::vector<std::shared_ptr<TDMediaItem>> items_;
    bool enabled_ = true;
    bool suspended_ = false;
};

}  // namespace vesk
