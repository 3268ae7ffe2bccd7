#include "display/quil_collection.h"

#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "gfx/pixel_kernels.h"
#include "gfx/quil_frame_list.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

namespace {

// Every frame surface has the screen's depth.
constexpr int kScreenBits = 32;

// The key colour of a decoded frame as a pixel value of a 32-bit picture.
int32_t KeyOf(const TQuilFrame& f) {
    const int32_t color = f.TransparentColor();
    if (color < 0) return -1;
    // Indexed frames already give the colour as 0x00RRGGBB.
    if (f.BitCount() <= 8) return color;
    return int32_t(DecodeToRgb(uint32_t(color), f.BitCount(), nullptr, 0) & 0xFFFFFFu);
}

// 255 everywhere, 0 where the picture holds the key colour.
std::unique_ptr<TDIBX> KeyMask(TDIBX& pic, int32_t key) {
    auto m = std::make_unique<TDIBX>(pic.Width(), pic.Height(), 8);
    m->Clear(255);
    if (key < 0) return m;
    for (int32_t y = 0; y < pic.Height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(pic.PixelAddress(0, y));
        uint8_t* mrow = m->PixelAddress(0, y);
        for (int32_t x = 0; x < pic.Width(); ++x)
            if ((row[x] & 0xFFFFFFu) == uint32_t(key)) mrow[x] = 0;
    }
    return m;
}

std::string Suffixes(TQuilOptions options) {
    return std::string(options.mask ? "?m" : "") + (options.offsets ? "?t" : "");
}

}  // namespace

TQuilCollection::TQuilCollection(TVrFileManager& files) : files_(files) {}

TQuilCollection::~TQuilCollection() = default;

std::string TQuilCollection::MakeKey(std::string_view fileName, TQuilOptions options) {
    return std::string(fileName) + Suffixes(options);
}

TQuilItem* TQuilCollection::Find(std::string_view key) const {
    for (TQuilItem* it = items_.Head(NameHash64(key)); it;
         it = THashCollection<TQuilItem>::Next(it))
        if (SameTextAscii(it->Key(), key)) return it;
    return nullptr;
}

bool TQuilCollection::IsKept(const TQuilItem* item) const {
    return std::find(kept_.begin(), kept_.end(), item) != kept_.end();
}

TQuilItem* TQuilCollection::FindOrLoad(std::string_view fileName, TQuilOptions options) {
    const std::string key = MakeKey(fileName, options);
    if (TQuilItem* found = Find(key)) return found;
    TQuilItem* item = items_.Add(std::make_unique<TQuilItem>(key, std::string(fileName), options));
    items_.Link(item, NameHash64(key));
    Load(*item);
    return item;
}

TQuilItem* TQuilCollection::Acquire(std::string_view fileName, TQuilOptions options,
                                    const void* user) {
    TQuilItem* item = FindOrLoad(fileName, options);
    std::erase(kept_, item);
    if (std::find(item->users_.begin(), item->users_.end(), user) == item->users_.end())
        item->users_.push_back(user);
    return item;
}

void TQuilCollection::Release(TQuilItem* item, const void* user) {
    if (!item) return;
    std::erase(item->users_, user);
    if (item->users_.empty() && !IsKept(item)) Free(item);
}

TQuilItem* TQuilCollection::Keep(std::string_view fileName, TQuilOptions options) {
    TQuilItem* item = FindOrLoad(fileName, options);
    if (item->users_.empty() && !IsKept(item)) kept_.push_back(item);
    return item;
}

void TQuilCollection::Purge(std::string_view fileName) {
    for (TQuilOptions o : {TQuilOptions{}, TQuilOptions{.mask = true},
                           TQuilOptions{.offsets = true}, TQuilOptions{true, true}}) {
        TQuilItem* item = Find(MakeKey(fileName, o));
        if (item && IsKept(item)) {
            std::erase(kept_, item);
            Free(item);
        }
    }
}

void TQuilCollection::PurgeKept() {
    std::vector<TQuilItem*> kept = std::move(kept_);
    kept_.clear();
    for (TQuilItem* item : kept) Free(item);
}

void TQuilCollection::Free(TQuilItem* item) {
    items_.Remove(size_t(item->Index()));
}

void TQuilCollection::Reload() {
    for (size_t i = 0; i < items_.Count(); ++i) Load(*items_.At(i));
}

void TQuilCollection::SetScreenDepthFrames(bool on) {
    if (on == screenDepthFrames_) return;
    screenDepthFrames_ = on;
    Reload();
}

void TQuilCollection::Load(TQuilItem& item) {
    item.frames_.clear();
    item.totalDelay_ = 0;
    item.failed_ = false;
    std::string problem;
    if (!files_.Exists(item.FileName())) {
        problem = "the file is missing";
    } else {
        try {
            ++decodes_;
            Decode(item, files_.LoadBytes(item.FileName()));
        } catch (const std::exception& e) {
            problem = e.what();
        }
    }
    if (problem.empty()) return;
    // What cannot be shown shows nothing: one transparent frame of colour 0 keyed by 0.
    item.frames_.clear();
    auto f = std::make_shared<TQuilItemFrame>();
    f->Picture().SetSize(8, 8, kScreenBits);
    f->SetKeyColor(0);
    if (item.Options().mask) {
        auto m = std::make_unique<TDIBX>(8, 8, 8);
        m->Clear(0);
        f->SetMask(std::move(m));
    }
    item.frames_.push_back(std::move(f));
    item.totalDelay_ = 1;
    item.failed_ = true;
    if (diagnostic_) diagnostic_(item.FileName(), problem);
}

void TQuilCollection::Decode(TQuilItem& item, const std::vector<uint8_t>& bytes) {
    TQuilFrameList list(imageCode_);
    list.memoryLimit = itemLimit_;
    // With the flag the decoder hands over frames already in the screen's depth (it then
    // prepares them, which also builds masks from key colours).
    const bool prepare = item.Options().mask || screenDepthFrames_;
    if (screenDepthFrames_) list.targetBits = kScreenBits;
    list.LoadFromBytes(bytes.data(), bytes.size(), false, false, prepare);
    if (list.Count() == 0) Fail("the file holds no frames");
    // The surfaces made here count against the same limit as the decoder's pictures.
    int64_t need = 0;
    for (size_t i = 0; i < list.Count(); ++i) {
        const TQuilFrame& f = list.FrameAt(i);
        need += int64_t(f.Width()) * f.Height() * 5;
    }
    if (need > itemLimit_) Fail("the picture is too large");

    for (size_t i = 0; i < list.Count(); ++i) {
        TQuilFrame& src = list.FrameAt(i);
        auto f = std::make_shared<TQuilItemFrame>();
        list.CopyToSurface(i, f->Picture());
        f->SetKeyColor(KeyOf(src));
        if (src.Mask()) {
            auto m = std::make_unique<TDIBX>();
            list.CopyMaskToSurface(i, *m);
            f->SetMask(std::move(m));
        } else if (item.Options().mask) {
            f->SetMask(KeyMask(f->Picture(), f->KeyColor()));
        }
        f->Delay = src.delay <= 0 ? 1 : src.delay;
        if (item.Options().offsets && !src.rects1.empty()) {
            f->OffsetX = src.rects1.front().left;
            f->OffsetY = src.rects1.front().top;
        }
        item.totalDelay_ += f->Delay;
        item.frames_.push_back(std::move(f));
    }
}

}  // namespace vesk
