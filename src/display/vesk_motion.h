#pragma once
// TVeskMotion: plays a track of keyed positions on one control at 60 frames a second.
#include <cstdint>
#include <memory>
#include <vector>

namespace vesk {

class TVeskControl;

// What a motion needs of a loaded motion file: one position offset per frame and the
// frame a repeating motion wraps to.
struct TMotionTrack {
    struct TOffset {
        int32_t X = 0, Y = 0;
    };
    std::vector<TOffset> Offsets;
    int32_t LoopStart = 0;
    int32_t FrameCount() const { return int32_t(Offsets.size()); }
};

class TVeskMotion {
  public:
    static constexpr double kFrameMs = 1000.0 / 60.0;

    TVeskMotion(TVeskControl& control, std::shared_ptr<const TMotionTrack> track);
    // One frame: advances the time (unless the control's animation is paused) and places
    // the control. True once, on the frame the motion ends.
    bool Advance(int32_t elapsed);
    // Moves the motion to `ms` after its start (a script setting the frame index); a motion
    // that had ended plays on from there.
    void SetPosition(double ms);
    int32_t Frame() const { return frame_; }
    bool Finished() const { return finished_; }
    double Elapsed() const { return elapsed_; }

  private:
    void Apply();

    TVeskControl& control_;
    std::shared_ptr<const TMotionTrack> track_;
    double elapsed_ = 0;
    int32_t frame_ = 0;
    int32_t startup_ = 2;
    bool finished_ = false;
    // The control's own position the offsets are added to, as last seen.
    int32_t baseX_ = 0, baseY_ = 0;
};

}  // namespace vesk
