#pragma once
// Video items: FFmpeg decodes the pictures into a surface that the video object draws, and
// the sound track plays into the mix like any sound item. The pictures follow the game's
// frame clock, which the video manager advances every frame; in a headless run that clock
// and the audio clock are the same virtual time.
#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "gfx/dibx.h"
#include "media/media_item.h"
#include "media/stream_player.h"

namespace vesk {

class TVideoItem final : public TDMediaItem {
  public:
    // `picture` and `sound` read the same file. Raises "サウンドデータが不正です" when the
    // file has no video stream FFmpeg can decode. A sound track that cannot be decoded
    // leaves the video silent.
    TVideoItem(std::unique_ptr<Stream> picture, std::unique_ptr<Stream> sound,
               const std::string& name, MixBus& bus, TDecodeFeeder& feeder);
    ~TVideoItem() override;
    TVideoItem(const TVideoItem&) = delete;
    TVideoItem& operator=(const TVideoItem&) = delete;

    bool GetAutoRepeat() override { return repeat_; }
    void SetAutoRepeat(bool repeat) override;
    int GetRepeatPos() override { return repeatPos_; }
    void SetRepeatPos(int ms) override;
    int GetPan() override { return pan_; }
    int GetVol() override { return vol_; }
    void SetPan(int pan) override;
    void SetVol(int vol) override;
    int GetPosition() override { return int(clock_); }
    void SetPosition(int ms) override;
    int GetLength() override { return int(length_); }
    bool IsEnd() override;
    void ClearEnd() override { endTold_ = true; }
    bool IsPlaying() override { return playing_ && !paused_ && !ended_; }
    bool IsPaused() override { return paused_; }
    void Play() override;
    void Pause() override;

    int SourceWidth() const;
    int SourceHeight() const;
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    void SetRect(int32_t x, int32_t y) {
        x_ = x;
        y_ = y;
    }
    // A new picture is ready since the last call.
    bool NeedPaint();
    // The current picture (32 bits, the source's size).
    TDIBX& Frame() { return frame_; }
    bool HasSound() const { return sound_ != nullptr; }

    // Every frame: moves the picture clock on while playing and decodes up to it.
    void Update(int32_t elapsedMs);

  private:
    struct Decoder;
    void DecodeUpTo(int64_t ms);
    void SeekPicture(int64_t ms);

    std::unique_ptr<Decoder> dec_;
    std::unique_ptr<TStreamPlayer> sound_;
    TDIBX frame_;
    int64_t clock_ = 0;  // ms
    int64_t length_ = 0;
    bool repeat_ = false;
    int repeatPos_ = 0;
    int vol_ = 0, pan_ = 0;
    bool playing_ = false, paused_ = false, ended_ = false, endTold_ = false;
    bool visible_ = true;
    bool needPaint_ = false;
    int32_t x_ = 0, y_ = 0;
};

}  // namespace vesk
