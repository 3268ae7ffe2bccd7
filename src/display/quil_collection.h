#pragma once
// The shared image cache: every picture file a display object shows is decoded once into
// a TQuilItem of 32-bit frames and shared by all objects that show it. Items are keyed by
// the file name plus the options "?m" (a mask for every frame) and "?t" (each frame keeps
// its own offset); the same file with other options is another item.
//
// An item lives while it has users; one loaded ahead of use (Keep) waits in the keep list
// until somebody acquires it or it is purged. The collection must outlive every user.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/hash_collection.h"
#include "gfx/dibx.h"

namespace vesk {

class TVrFileManager;

struct TQuilOptions {
    // Every frame gets a mask surface (built from its key colour when it has no alpha).
    bool mask = false;
    // Each frame keeps its own offset (else 0, 0).
    bool offsets = false;
};

// One decoded frame: a 32-bit picture whose transparent colour is the frame's key colour.
class TQuilItemFrame {
  public:
    TQuilItemFrame() : picture_(0, 0, 32) {}
    TDIBX& Picture() { return picture_; }
    // The 8-bit mask, or null.
    TDIBX* Mask() const { return mask_.get(); }
    void SetMask(std::unique_ptr<TDIBX> mask) { mask_ = std::move(mask); }
    // Raw pixel value of the picture drawn as transparent; -1 none.
    int32_t KeyColor() const { return picture_.TransparentColor(); }
    void SetKeyColor(int32_t key) { picture_.SetTransparentColor(key); }

    // Milliseconds the frame stays; at least 1.
    int32_t Delay = 1;
    int32_t OffsetX = 0, OffsetY = 0;

  private:
    TDIBX picture_;
    std::unique_ptr<TDIBX> mask_;
};

class TQuilItem final : public THashItem {
  public:
    TQuilItem(std::string key, std::string fileName, TQuilOptions options)
        : key_(std::move(key)), fileName_(std::move(fileName)), options_(options) {}

    const std::string& Key() const { return key_; }
    const std::string& FileName() const { return fileName_; }
    const TQuilOptions& Options() const { return options_; }
    size_t FrameCount() const { return frames_.size(); }
    TQuilItemFrame& FrameAt(size_t i) { return *frames_.at(i); }
    // A frame stays alive while anybody holds it, also across a reload of the item.
    std::shared_ptr<TQuilItemFrame> SharedFrame(size_t i) const { return frames_.at(i); }
    // The sum of all frame delays.
    int64_t TotalDelay() const { return totalDelay_; }
    // True when the file was missing or could not be read: the item holds the one
    // transparent 8 x 8 stand-in frame.
    bool Failed() const { return failed_; }
    const std::vector<const void*>& Users() const { return users_; }

  private:
    friend class TQuilCollection;
    std::string key_;
    std::string fileName_;
    TQuilOptions options_;
    std::vector<std::shared_ptr<TQuilItemFrame>> frames_;
    int64_t totalDelay_ = 0;
    bool failed_ = false;
    std::vector<const void*> users_;
};

class TQuilCollection {
  public:
    // Told once per load that fails: the file name (CP932) and what was wrong (UTF-8).
    using Diagnostic = std::function<void(const std::string& file, const std::string& reason)>;
    // The decoded frames of one item may take at most this many bytes.
    static constexpr int64_t kDefaultItemLimit = int64_t(256) << 20;

    explicit TQuilCollection(TVrFileManager& files);
    ~TQuilCollection();
    TQuilCollection(const TQuilCollection&) = delete;
    TQuilCollection& operator=(const TQuilCollection&) = delete;

    // The project's image code, which unscrambles protected files.
    void SetImageCode(int32_t code) { imageCode_ = code; }
    void SetDiagnostic(Diagnostic d) { diagnostic_ = std::move(d); }
    void SetItemLimit(int64_t bytes) { itemLimit_ = bytes; }

    // The key of a file with options: name, then "?m", then "?t".
    static std::string MakeKey(std::string_view fileName, TQuilOptions options);

    // The item of the file and options, loaded when new; `user` is added to its users and
    // the item leaves the keep list.
    TQuilItem* Acquire(std::string_view fileName, TQuilOptions options, const void* user);
    // Removes a user; the item is freed with its last user.
    void Release(TQuilItem* item, const void* user);
    // Loads the item ahead of use: without users it waits in the keep list.
    TQuilItem* Keep(std::string_view fileName, TQuilOptions options = {});
    // Frees the items of the file (with any options) that wait in the keep list.
    void Purge(std::string_view fileName);
    // Frees every item of the keep list (the display surfaces are going away).
    void PurgeKept();
    // Every item decodes its frames anew (after lost surfaces). Objects keep the frames they
    // hold until they attach the new ones.
    void Reload();

    // Frames come out of the decoder in the screen's colour depth. Changing it reloads
    // every item. The status record keeps it.
    bool ScreenDepthFrames() const { return screenDepthFrames_; }
    void SetScreenDepthFrames(bool on);

    size_t Count() const { return items_.Count(); }
    TQuilItem* At(size_t i) const { return items_.At(i); }
    // The item of a key (file name and suffixes, compared without regard to ASCII case).
    TQuilItem* Find(std::string_view key) const;
    bool IsKept(const TQuilItem* item) const;
    // How many files were decoded so far (each load or reload of an item counts).
    int64_t DecodeCount() const { return decodes_; }

  private:
    TQuilItem* FindOrLoad(std::string_view fileName, TQuilOptions options);
    void Load(TQuilItem& item);
    void Decode(TQuilItem& item, const std::vector<uint8_t>& bytes);
    void Free(TQuilItem* item);

    TVrFileManager& files_;
    THashCollection<TQuilItem> items_;
    std::vector<TQuilItem*> kept_;
    Diagnostic diagnostic_;
    int32_t imageCode_ = 0;
    int64_t itemLimit_ = kDefaultItemLimit;
    bool screenDepthFrames_ = false;
    int64_t decodes_ = 0;
};

}  // namespace vesk
