#pragma once
// The layered image format (".qil"): a file of frames (animation cells or button states),
// each frame a stack of layers with their own transparency, opacity and optional 8-bit
// mask. Reading composes each frame's layers into one picture (plus a mask) that a drawing
// surface or the image cache takes over. PNG and BMP pictures load as one-frame lists, so
// every picture source yields the same frame list.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dibx.h"
#include "gfx/rect.h"

namespace vesk {

class Stream;
class TQuilFrame;
class TQuilFrameList;

// How colour planes are stored (masks are zlib in both compressed kinds).
enum class TQuilCompression : uint8_t { Zlib = 0, None = 1, Jpeg = 2 };

class TQuilLayer {
  public:
    explicit TQuilLayer(TQuilFrame* owner);
    TQuilFrame* Owner() const { return owner_; }

    TDIBX& Picture() { return *picture_; }
    const TDIBX& Picture() const { return *picture_; }
    // Replaces the picture (a JPEG plane decodes to 24 bits whatever the frame's depth).
    void SetPicture(std::unique_ptr<TDIBX> picture) { picture_ = std::move(picture); }
    // The 8-bit mask (0 transparent, 255 opaque), or null.
    TDIBX* Mask() const { return mask_.get(); }
    // Creates an 8-bit mask of the picture's size, all opaque, unless there is one.
    TDIBX& EnsureMask();
    void SetMask(std::unique_ptr<TDIBX> mask) { mask_ = std::move(mask); }

    std::string name;
    bool visible = true;
    int32_t transparentColor = -1;  // raw pixel value of the picture; -1 none
    int32_t opacity = 255;
    bool maskEnabled = false;

  private:
    TQuilFrame* owner_;
    std::unique_ptr<TDIBX> picture_;
    std::unique_ptr<TDIBX> mask_;
};

class TQuilFrame {
  public:
    explicit TQuilFrame(TQuilFrameList* owner);
    TQuilFrameList* Owner() const { return owner_; }

    // The composed picture. Indexed depths keep the frame's palette in it.
    TDIBX& Picture() { return *picture_; }
    const TDIBX& Picture() const { return *picture_; }
    void SetPicture(std::unique_ptr<TDIBX> picture) { picture_ = std::move(picture); }
    int32_t Width() const { return picture_->Width(); }
    int32_t Height() const { return picture_->Height(); }
    int BitCount() const { return picture_->BitCount(); }
    // Resizes the composed picture (cleared; the palette of indexed depths is kept when
    // the depth does not change).
    void SetSize(int32_t width, int32_t height, int bits);

    TDIBX* Mask() const { return mask_.get(); }
    TDIBX& EnsureMask();
    void SetMask(std::unique_ptr<TDIBX> mask) { mask_ = std::move(mask); }

    size_t LayerCount() const { return layers_.size(); }
    TQuilLayer& LayerAt(size_t index) { return *layers_.at(index); }
    const TQuilLayer& LayerAt(size_t index) const { return *layers_.at(index); }
    // A new layer at the end, with a cleared picture of the frame's size and depth and the
    // frame's palette.
    TQuilLayer& AddLayer();
    void ClearLayers() { layers_.clear(); }

    // Sets the stored transparent value and derives the transparent colour from it.
    void SetTransparent(int32_t value);
    int32_t Transparent() const { return transparent_; }
    // The colour the transparent value stands for, as a pixel value of the picture
    // (0x00RRGGBB for indexed pictures); -1 none.
    int32_t TransparentColor() const { return transparentColor_; }

    // Converts the composed picture to another depth (indexed depths keep the palette);
    // the transparent value follows as the same colour.
    void ConvertTo(int bits);
    // Fills the composed picture with a colour 0x00BBGGRR (indexed pictures: the palette
    // entry nearest to it).
    void FillBackground(int32_t color);
    // Draws layer `index` over the composed picture by the rules of the format: the first
    // visible layer hands its enabled mask to the frame, masked layers after the first
    // blend through their mask, opaque layers copy, the rest blend with their opacity and
    // skip their transparent colour.
    void ComposeLayer(size_t index, bool firstVisible, bool firstLayerOpaque);

    std::string name;
    int32_t delay = 100;
    std::vector<TRect> rects1;
    std::vector<TRect> rects2;

  private:
    friend class TQuilFrameList;
    TQuilFrameList* owner_;
    std::unique_ptr<TDIBX> picture_;
    std::unique_ptr<TDIBX> mask_;
    int32_t transparent_ = -1;
    int32_t transparentColor_ = -1;
    std::vector<std::unique_ptr<TQuilLayer>> layers_;
};

class TQuilFrameList {
  public:
    // `code` is the project's image code that unscrambles protected files (0: none).
    explicit TQuilFrameList(int32_t code = 0);
    ~TQuilFrameList();
    TQuilFrameList(const TQuilFrameList&) = delete;
    TQuilFrameList& operator=(const TQuilFrameList&) = delete;

    // Reads a layered image. Malformed data raises a VeskError and leaves the list empty.
    void LoadFromStream(Stream& s, bool firstFrameOnly = false, bool retainLayers = false,
                        bool prepare = false);
    void LoadFromBytes(const uint8_t* data, size_t size, bool firstFrameOnly = false,
                       bool retainLayers = false, bool prepare = false);
    // Chooses the reader by extension: ".qil", ".png", ".bmp" or ".dib"; any other
    // extension leaves the list empty and returns false.
    bool LoadFromFile(const std::string& path, bool firstFrameOnly = false,
                      bool retainLayers = false, bool prepare = false);
    // Any picture by its leading bytes: a layered image ("Quil"), PNG or BMP; other data
    // (headerless old layered files among them) leaves the list empty and returns false.
    bool LoadFromData(const uint8_t* data, size_t size, bool firstFrameOnly = false,
                      bool retainLayers = false, bool prepare = false);
    // One-frame lists from PNG and BMP data (the picture's transparency becomes the
    // frame's mask or transparent value).
    void LoadFromPng(const uint8_t* data, size_t size, bool prepare = false);
    void LoadFromBmp(const uint8_t* data, size_t size, bool prepare = false);

    void Clear();
    size_t Count() const { return frames_.size(); }
    TQuilFrame& FrameAt(size_t index) { return *frames_.at(index); }
    const TQuilFrame& FrameAt(size_t index) const { return *frames_.at(index); }
    // Layers of all frames, counted frame after frame.
    size_t LayerCount() const;
    TQuilLayer& FrameLayerAt(size_t index);
    // A new frame at the end with a cleared picture.
    TQuilFrame& AddFrame(int32_t width, int32_t height, int bits);
    // Moves frames between lists (the tools build one list from several pictures).
    std::unique_ptr<TQuilFrame> ExtractFrame(size_t index);
    TQuilFrame& AppendFrame(std::unique_ptr<TQuilFrame> frame);

    // Sizes the surface to the frame at the surface's own depth and copies the composed
    // picture into it (indexed surfaces take the frame's palette).
    void CopyToSurface(size_t frame, TCustomDIBX& surface) const;
    // Makes the surface an 8-bit picture of the frame's mask; false (surface unchanged)
    // when the frame has no mask.
    bool CopyMaskToSurface(size_t frame, TCustomDIBX& surface) const;

    int32_t backgroundColor = 0;  // 0x00BBGGRR
    int32_t version = 0;          // from the magic; 0 for headerless files
    int32_t targetBits = 0;       // display preparation converts to this depth (<= 0: none)
    int32_t code = 0;             // scramble code
    bool firstLayerOpaque = false;
    // Upper bound of the bytes all pictures of one read may take; a file asking for more
    // is refused.
    int64_t memoryLimit = int64_t(1) << 30;

  private:
    friend class TQuilReader;
    void Prepare(bool retainLayers);

    std::vector<std::unique_ptr<TQuilFrame>> frames_;
};

}  // namespace vesk
