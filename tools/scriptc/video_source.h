#pragma once
// Video clips written as text: "NAME.wmv.txt" describes a short clip (its size, frame rate
// and length, a painted background, shapes that move over it and a tone list for its sound
// track) that the game builder encodes into "NAME.wmv" through FFmpeg. docs/video.md
// describes the format.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "scriptc/picture_paint.h"

namespace vesk::scriptc {

// A parsed description. Faults raise a SourceError naming `file` and the line.
class VideoSource {
  public:
    VideoSource(const std::string& file, const std::string& text);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Fps() const { return fps_; }
    int Frames() const;
    // Picture `index` (time index × 1000 / fps ms), 0xAARRGGBB.
    PaintedPicture Frame(int index) const;
    // The sound track, 16-bit stereo at 44100 Hz, exactly as long as the clip.
    const std::vector<int16_t>& Sound() const { return sound_; }

  private:
    // A painter command whose numbers and colours may move: "A>B" goes from A at `from` to
    // B at `to` ms.
    struct Motion {
        int line = 0;
        double from = 0, to = 0;
        std::vector<std::string> words;
    };
    std::string PaintText(const std::vector<std::pair<int, std::string>>& lines) const;
    std::string MotionAt(const Motion& m, double ms) const;

    std::string file_;
    int width_ = 0, height_ = 0, fps_ = 25, lengthMs_ = 0;
    int lineCount_ = 0;
    PaintedPicture background_;
    std::vector<Motion> motions_;
    std::vector<int16_t> sound_;
};

// The clip as a Windows Media file (ASF; pictures and sound in codecs FFmpeg also decodes).
std::vector<uint8_t> EncodeVideoSource(const std::string& file, const std::string& text);

// When `rel` is a video source ("NAME.wmv.txt"), its output name and bytes; false (and
// nothing changed) for other files.
bool ConvertVideoSource(const std::filesystem::path& rel, const std::string& file,
                        const std::vector<uint8_t>& bytes, std::filesystem::path& outRel,
                        std::vector<uint8_t>& out);

}  // namespace vesk::scriptc
