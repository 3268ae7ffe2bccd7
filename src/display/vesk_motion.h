#pragma once
// TVeskMotion: plays a track of keyed positions on one control at 60 frames a second.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

class TVeskControl;

// What a motion needs of a loaded motion file: one position offset per frame and the
// frame a repeating motion wraps to. A film adds pictures: the frames of one layered image,
// one (or none) per frame, the rate cinema objects play it at, its area, and where particle
// emitters that show it let particles appear.
struct TMotionTrack {
    struct TOffset {
        int32_t X = 0, Y = 0;
    };
    // Where an emitter's particles appear (its own coordinates), how long it waits between
    // births (Base plus a random part below Spread, milliseconds) and how much time it
    // runs through at once when it starts.
    struct TEmitter {
        int32_t X = 0, Y = 0, Width = 0, Height = 0;
        int32_t Base = 100, Spread = 0;
        int32_t PreRoll = 0;
        bool operator==(const TEmitter&) const = default;
    };
    static constexpr int32_t kNoPicture = -1;

    std::vector<TOffset> Offsets;
    int32_t LoopStart = 0;
    // Film fields (stored from version 2 of the file; a plain motion keeps the defaults).
    bool Film = false;
    std::string PictureFile;        // the layered image the pictures come from; "" none
    std::vector<int32_t> Pictures;  // per frame a frame of PictureFile, or kNoPicture
    int32_t FrameRate = 60;         // frames a second, for cinema objects
    int32_t Width = 0, Height = 0;  // the film's area; 0: the first picture's size
    bool HasEmitter = false;
    TEmitter Emitter;

    int32_t FrameCount() const { return int32_t(Offsets.size()); }
    // The picture of a frame (kNoPicture outside the frames or without pictures).
    int32_t PictureAt(int32_t frame) const {
        return frame >= 0 && size_t(frame) < Pictures.size() ? Pictures[size_t(frame)] : kNoPicture;
    }
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
    const TMotionTrack& Track() const { return *track_; }
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
