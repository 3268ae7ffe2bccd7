#pragma once
// TVeskBaseList: the display root. It owns the two screen layers, every display object,
// the event queue, the keyboard state and the focus, and runs the per-frame input, step
// and composition.
//
// A frame, in order: the window's input since the last frame (MouseMoveTo, MouseButton,
// MouseWheel, RecordKeyDown/Up); ProcessInput(elapsed); the interpreter runs; StepAll
// (elapsed); on drawn frames PaintAll, then the dirty rectangles of the front layer (and
// WholeArea) are presented from Screen(); then ClearDirty.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "display/kind_registry.h"
#include "display/screen_wipe.h"
#include "display/vesk_base.h"
#include "display/vesk_control.h"
#include "gfx/dibx.h"
#include "script/script_env.h"

namespace vesk {

class TQuilCollection;
class TVeskParser;

class TVeskBaseList final : public TVeskComponent, public IScriptDisplay {
  public:
    TVeskBaseList(int32_t screenWidth, int32_t screenHeight);
    ~TVeskBaseList() override;

    // ---- objects
    // Creates a component owned by the root; a control is placed on the front layer.
    template <class T, class... A>
    T* Create(A&&... args) {
        auto obj = std::make_unique<T>(this, std::forward<A>(args)...);
        T* raw = obj.get();
        Adopt(std::move(obj));
        return raw;
    }
    // Takes a new object into the tree; a control is placed on the front layer.
    TVeskComponent* Adopt(std::unique_ptr<TVeskComponent> obj);
    // The classes of the object kinds (filled when the engine is built).
    TKindRegistry& Kinds() { return kinds_; }
    // Makes an object of a saved kind, held by the root but not yet in the tree (null for
    // kinds nobody registered).
    TVeskComponent* CreateKind(int32_t kind);

    int32_t ObjectCount() const { return int32_t(objects_.size()); }
    TVeskComponent* ObjectAt(int32_t i) const { return objects_[size_t(i)].get(); }
    TVeskObject* ById(ObjectId id) const;
    TVeskComponent* FindComponent(const std::string& name);
    // The control a parent name means (layers by their system names, absolute).
    TVeskControl* FindControl(const std::string& name);
    TVeskBase& LayerAt(int i) { return *layers_[size_t(i & 1)]; }
    TVeskBase& FrontLayer() { return *layers_[size_t(front_)]; }
    TVeskBase& BackLayer() { return *layers_[size_t(front_ ^ 1)]; }
    int FrontIndex() const { return front_; }
    // Destroys an object and its children at once.
    void Destroy(TVeskComponent* obj);
    void ScheduleDelete(TVeskComponent* obj);
    // Frees every object and the events, makes new layers (game reset).
    void Reset();

    // ---- screen
    // The project's screen size, known once the project is read: resizes the screen and
    // both layers and marks them dirty whole. A size no surface can have raises a VeskError
    // and leaves the screen as it was.
    void SetScreenSize(int32_t width, int32_t height);
    int32_t ScreenWidth() const { return screenW_; }
    int32_t ScreenHeight() const { return screenH_; }
    TDIBX& Screen() { return screen_; }
    // The surface a layer composes into.
    TCustomDIBX& TargetOf(TVeskBase& layer);
    bool TransitionShown() const { return transition_ != nullptr; }
    // Records the front layer and starts a transition of `kind` (0: none) when the wipe
    // factory makes one; without one the layers swap at once.
    void StartTransition(int frontIndex, int32_t kind, bool start, bool restart, int32_t elapsed,
                         int32_t duration);
    void SetWipeFactory(WipeFactory f) { wipeFactory_ = std::move(f); }
    IScreenWipe* Transition() const { return transition_.get(); }
    int32_t TransitionDuration() const { return transition_ ? transition_->Duration() : 0; }
    void SetTransitionElapsed(int32_t ms) {
        if (transition_) transition_->SetElapsed(ms);
    }
    void PaintAll();
    // After presenting: forget the dirty rectangles of both layers.
    void ClearDirty();
    // Union of what PaintAll repainted last (for the presentation step).
    const TRect& WholeArea() const { return wholeArea_; }
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

    // ---- input and the frame
    // What the window reports between frames, in game-picture pixels: the position goes to
    // both layers, a press is recorded as held by both and as a click by the front layer.
    void MouseMoveTo(int32_t x, int32_t y);
    void MouseButton(bool left, bool down);
    void MouseWheel(bool down) { FrontLayer().Wheel(down); }
    void RecordKeyDown(int32_t key);
    void RecordKeyUp(int32_t key);
    // Lets go of every held key and button (the player lost the input focus).
    void ReleaseHeldInput();
    bool KeyIsDown(int32_t key) const { return key >= 0 && key < 256 && keyDown_[size_t(key)]; }
    bool KeyPressedThisFrame(int32_t key) const {
        return key >= 0 && key < 256 && keyPrev_[size_t(key)];
    }
    bool KeyRepeatedThisFrame(int32_t key) const {
        return key >= 0 && key < 256 && keyRepeat_[size_t(key)];
    }
    void SetKeyRepeat(int32_t firstDelay, int32_t interval) {
        repeatDelay_ = firstDelay;
        repeatInterval_ = interval;
    }
    // Mouse and keyboard processing of one frame, given the frame's milliseconds.
    void ProcessInput(int32_t elapsed);
    // Advances every object; destroys those that asked and those scheduled.
    void StepAll(int32_t elapsed);
    void SetFocus(TVeskControl* c);
    TVeskControl* Focused() const;
    void MarkFocusRecompute() { focusRecompute_ = true; }
    // Drops the focus without focus events and has the next frame find a new one.
    void ClearFocus() {
        focus_ = 0;
        focusRecompute_ = true;
    }
    // The controls that may take a right click (menus) register here.
    void AddRightClickHandler(TVeskControl* c) { rclick_.push_back(c->Id()); }
    // The cursor file to show, as the last ProcessInput decided ("" the arrow).
    const std::string& CursorWanted() const { return cursorWanted_; }
    void SetDefaultCursor(std::string file) { defaultCursor_ = std::move(file); }

    // Motion files (".lmt") come through this loader; without one, or when it fails
    // (returns null or raises), no motion is attached.
    using MotionLoader = std::function<std::shared_ptr<const TMotionTrack>(const std::string&)>;
    void SetMotionLoader(MotionLoader f) { motionLoader_ = std::move(f); }
    std::shared_ptr<const TMotionTrack> LoadMotion(const std::string& name);

    // Other game files objects read themselves (region files, preview menus), through the
    // game's file manager; the reader raises a VeskError when the file is missing. Without
    // one, ReadFile raises.
    using FileReader = std::function<std::vector<uint8_t>(const std::string&)>;
    void SetFileReader(FileReader f) { fileReader_ = std::move(f); }
    std::vector<uint8_t> ReadFile(const std::string& name);
    // Where a choice made on a map or a menu lands: "@SelStr" and "@SelIndex" of the
    // game's variables (nothing happens without a sink).
    using SelectionSink = std::function<void(const std::string& text, int32_t index)>;
    void SetSelectionSink(SelectionSink f) { selectionSink_ = std::move(f); }
    void SetSelection(const std::string& text, int32_t index) {
        if (selectionSink_) selectionSink_(text, index);
    }

    // The shared image cache pictures load through (owned by the engine, which keeps it
    // alive longer than the root; null: picture files load nothing).
    void SetImages(TQuilCollection* cache) { images_ = cache; }
    TQuilCollection* Images() const { return images_; }
    // Runs an expression an object keeps for itself (an animation's end-of-loop delay)
    // against the game's variables; its value, or null when it yields none or nothing runs
    // expressions.
    using Evaluator = std::function<TCustomParam*(TVeskParser&)>;
    void SetEvaluator(Evaluator f) { evaluator_ = std::move(f); }
    TCustomParam* Evaluate(TVeskParser& expr);

    // The presentation zoom in percent, and whether sound is on.
    int32_t ZoomPercent() const { return zoomPercent_; }
    void SetZoomPercent(int32_t v) { zoomPercent_ = v; }
    bool SoundOn() const { return soundOn_; }
    void SetSoundOn(bool v) { soundOn_ = v; }

    // ---- save and load
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

    // ---- IScriptDisplay
    TTimerList& Events() override { return events_; }
    ObjectId FindObject(const std::string& name) override;
    std::string ObjectName(ObjectId id) override;
    std::unique_ptr<TCustomParam> GetProp(ObjectId id, int32_t index) override;
    void SetProp(ObjectId id, int32_t index, const TCustomParam& value) override;
    void FreeAll() override { Reset(); }

    // Used by the objects.
    ObjectId NextId() { return ++lastId_; }
    void Register(TVeskObject* o) { byId_[o->Id()] = o; }
    void Unregister(TVeskObject* o) { byId_.erase(o->Id()); }
    std::string DefaultName();
    // Counts the nesting of saved child records while a tree loads.
    class LoadDepth {
      public:
        static constexpr int kMax = 200;
        explicit LoadDepth(TVeskBaseList& root);
        ~LoadDepth() { --root_.loadDepth_; }
        LoadDepth(const LoadDepth&) = delete;
        LoadDepth& operator=(const LoadDepth&) = delete;

      private:
        TVeskBaseList& root_;
    };

  private:
    void DestroyTree(TVeskComponent* obj);
    void MakeLayers();
    void ProcessKeys(int32_t elapsed);

    int32_t screenW_, screenH_;
    TDIBX screen_;
    ObjectId lastId_ = 0;
    std::unordered_map<ObjectId, TVeskObject*> byId_;
    std::array<std::unique_ptr<TVeskBase>, 2> layers_;
    int front_ = 0;
    std::unique_ptr<IScreenWipe> transition_;
    WipeFactory wipeFactory_;
    TRect wholeArea_{};
    TTimerList events_;
    std::vector<std::unique_ptr<TVeskComponent>> objects_;
    std::vector<ObjectId> deleteSchedule_;
    std::vector<ObjectId> rclick_;
    TKindRegistry kinds_;
    // Keyboard: down now, pressed since the last frame, pressed in this frame, repeat fired
    // this frame; countdowns to the next repeat.
    std::array<uint8_t, 256> keyDown_{}, keyPress_{}, keyPrev_{}, keyRepeat_{};
    std::array<int32_t, 256> keyCountdown_{};
    std::vector<int32_t> keyUps_;
    int32_t repeatDelay_ = 500, repeatInterval_ = 50;
    ObjectId focus_ = 0;
    bool focusRecompute_ = false;
    std::string cursorWanted_, defaultCursor_;
    int32_t zoomPercent_ = 100;
    int loadDepth_ = 0;
    MotionLoader motionLoader_;
    FileReader fileReader_;
    SelectionSink selectionSink_;
    TQuilCollection* images_ = nullptr;
    Evaluator evaluator_;
    bool soundOn_ = true;
};

}  // namespace vesk
