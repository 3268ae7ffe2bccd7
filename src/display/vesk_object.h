#pragma once
// TVeskObject, the root of every display object (name, tag, priority, the property
// interface), and TVeskComponent, an object held in the display root's object list.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ext80.h"
#include "display/prop_table.h"
#include "gfx/rect.h"
#include "script/timer_list.h"

namespace vesk {

class StreamReader;
class StreamWriter;
class TCallMan;
class TComComponent;
class TCustomParam;
class TCustomDIBX;
class TVeskBase;
class TVeskBaseList;
class TVeskControl;

// The name of layer 0, layer 1, the back-layer alias and the always-topmost child.
std::string SystemName(const char* rest);
inline bool IsSystemName(const std::string& name) {
    return !name.empty() && name[0] == '\x01';
}

class TVeskObject {
  public:
    explicit TVeskObject(TVeskBaseList* owner);
    virtual ~TVeskObject();
    TVeskObject(const TVeskObject&) = delete;
    TVeskObject& operator=(const TVeskObject&) = delete;

    // The number the root hands out for this object; never reused.
    ObjectId Id() const { return id_; }
    TVeskBaseList* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Renames; another object already holding the name is scrapped first.
    virtual void SetName(const std::string& name);
    const std::string& Tag() const { return tag_; }
    int32_t Priority() const { return priority_; }
    int32_t PriorityOffset() const { return priorityOffset_; }
    void SetPriorityOffset(int32_t v) { priorityOffset_ = v; }

    virtual int32_t Kind() const { return LT_NONE; }
    virtual bool IsVisible() const { return false; }
    virtual void SetVisible(bool) {}
    virtual TVeskControl* Parent() const { return nullptr; }
    virtual void SetParent(TVeskControl*) {}
    virtual int32_t ChildCount() const { return 0; }
    virtual TVeskControl* ChildAt(int32_t) const { return nullptr; }
    virtual TVeskBase* Layer() { return nullptr; }
    virtual bool IsLayer() const { return false; }
    virtual bool IsControl() const { return false; }
    virtual bool IsPlaying() { return false; }
    // True while the object is being closed or otherwise does not answer input.
    virtual bool IsDisabled() const { return false; }
    virtual bool IsInCabinet() const { return false; }
    virtual bool IsScrapped() const { return false; }
    virtual int32_t ScreenLeft() { return 0; }
    virtual int32_t ScreenTop() { return 0; }
    // The object's own picture, when it has one.
    virtual TCustomDIBX* Picture() { return nullptr; }
    virtual void Invalidate() {}

    // The property getter and setter pairs, one per way a value travels. The base getters
    // answer the table's defaults, the base setters ignore the value.
    virtual int32_t GetIntProp(int32_t index);
    virtual void SetIntProp(int32_t index, int32_t value);
    virtual Real GetFloatProp(int32_t index);
    virtual void SetFloatProp(int32_t index, Real value);
    virtual std::string GetStrProp(int32_t index);
    virtual void SetStrProp(int32_t index, const std::string& value);

    // Script access: a value of the property's type; raises "GetPropエラー" /
    // "SetPropエラー" for indexes outside the table and for the read-only appear point.
    std::unique_ptr<TCustomParam> GetProp(int32_t index);
    void SetProp(int32_t index, const TCustomParam& value);

    bool IsPaused() { return GetIntProp(PR_PAUSED) != 0; }
    // Queues the page named by event property `kind` when the rules allow it (a page is
    // named, not paused, not a layer, not disabled, no such event already queued).
    bool QueueEvent(int32_t kind, std::vector<std::string> args = {});

    // Per-frame advance with the frame's milliseconds; true asks for removal.
    virtual bool Step(int32_t /*elapsed*/) { return false; }
    virtual void SaveState(StreamWriter& w);
    virtual void LoadState(StreamReader& r, int32_t version);
    virtual bool WantsDefaultName() const { return false; }
    virtual void ReleaseSurfaces() {}
    virtual void RestoreSurfaces() {}

  protected:
    // Sets the name without the scrapping rule (loading, system names).
    void SetNameRaw(std::string name) { name_ = std::move(name); }
    virtual void PriorityChanged() {}

  private:
    TVeskBaseList* owner_;
    ObjectId id_;
    std::string name_;
    std::string tag_;
    int32_t priority_ = 0;
    int32_t priorityOffset_ = 0;

    friend class TVeskBaseList;
};

class TVeskComponent : public TVeskObject {
  public:
    using TVeskObject::TVeskObject;
    bool IsScrapped() const override { return scrapped_; }
    // Schedules the object for deletion at the end of the current step and clears its
    // name so lookups no longer find it.
    void Scrap();
    // A component command (ImgNew, Menu, Sound, …) made this object: called before the
    // command's properties are applied (to take expressions the object evaluates itself)
    // and after them (to open or start playing).
    virtual void BeforeCommandProps(TComComponent&, TCallMan&) {}
    virtual void AfterCommandProps(TCallMan&) {}
    // Called for every object once a whole saved game is back (script pages, variables and
    // all objects), for what an object can only rebuild then (a message window's text).
    virtual void RestoreAfterLoad() {}

  private:
    bool scrapped_ = false;
};

}  // namespace vesk
