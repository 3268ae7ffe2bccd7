#pragma once
// The event queue: events raised by display objects, waiting for (or running in) the
// interpreter. It belongs to the display root; the interpreter reaches it through the
// root's interface.
#include <cstdint>
#include <string>
#include <vector>

#include "base/stream.h"

namespace vesk {

// A display object as the interpreter names it: a number the display root hands out and
// never reuses, so a freed object is simply not found again. 0 is "no object".
using ObjectId = uint64_t;

class IObjectNames {
  public:
    virtual ~IObjectNames() = default;
    // The object of that name (exact comparison), or 0.
    virtual ObjectId FindObject(const std::string& name) = 0;
    // The object's name, or empty when it no longer exists.
    virtual std::string ObjectName(ObjectId id) = 0;
};

struct TTimerData {
    std::string EventPage;  // path, optionally ":" and a label
    ObjectId Sender = 0;
    uint8_t Kind = 0;
    int32_t Level = 0;  // 0 while pending, else the event level it runs at
    std::vector<std::string> Args;
};

class TTimerList {
  public:
    void Add(TTimerData e) { items_.push_back(std::move(e)); }
    size_t Count() const { return items_.size(); }
    TTimerData& At(size_t i) { return items_[i]; }
    const TTimerData& At(size_t i) const { return items_[i]; }

    // The first event with Level 0, or nullptr.
    TTimerData* FirstPending();
    void RemoveLevel(int32_t level);
    void RemoveRunning();
    void RemovePendingOf(ObjectId sender);
    TTimerData* Find(ObjectId sender, uint8_t kind);
    void Clear() { items_.clear(); }

    // Saved form: int32 count, then per event the page, the sender's name, the kind, the
    // level and the arguments. Save data older than version 114 kept the level as a flag.
    void SaveToStream(StreamWriter& w, IObjectNames& names) const;
    void LoadFromStream(StreamReader& r, int32_t saveVersion, IObjectNames& names);

  private:
    std::vector<TTimerData> items_;
};

// Argument lists (int32 count, then each string) as calls, events and frames store them.
void WriteArgs(StreamWriter& w, const std::vector<std::string>& args);
std::vector<std::string> ReadArgs(StreamReader& r);

}  // namespace vesk
