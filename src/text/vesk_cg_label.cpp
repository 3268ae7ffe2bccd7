#include "text/vesk_cg_label.h"

#include <algorithm>
#include <unordered_map>

#include "base/cp932.h"
#include "base/stream.h"
#include "display/quil_collection.h"
#include "display/vesk_base_list.h"
#include "text/char_code.h"
#include "text/vesk_label.h"

namespace vesk {

namespace {

constexpr int64_t kMaxExtent = (int64_t(1) << 24) - 1;

bool EndsWith(const std::string& name, std::string_view ext) {
    return name.size() >= ext.size() &&
           SameTextAscii(std::string_view(name).substr(name.size() - ext.size()), ext);
}

}  // namespace

TVeskCGLabel::TVeskCGLabel(TVeskBaseList* owner) : TVeskControl(owner) {
    width_ = height_ = 0;
}

TVeskCGLabel::~TVeskCGLabel() = default;

void TVeskCGLabel::Relayout() {
    std::unordered_map<uint16_t, int32_t> cellOf;
    int32_t k = 0;
    for (size_t pos = 0; pos < mapText_.size(); pos += CharLenAt(mapText_, pos), ++k)
        cellOf.emplace(CharCodeAt(mapText_, pos), k);
    cells_.clear();
    size_t widest = 0;
    for (const std::string& line : lines_) {
        std::vector<int32_t> cells;
        for (size_t pos = 0; pos < line.size(); pos += CharLenAt(line, pos)) {
            auto it = cellOf.find(CharCodeAt(line, pos));
            cells.push_back(it == cellOf.end() ? -1 : it->second);
        }
        widest = std::max(widest, cells.size());
        cells_.push_back(std::move(cells));
    }
    const int64_t gw = std::max(glyphW_, 0), gh = std::max(glyphH_, 0);
    naturalW_ = int32_t(std::clamp<int64_t>(int64_t(widest) * gw, 0, kMaxExtent));
    naturalH_ =
        int32_t(std::clamp<int64_t>(int64_t(cells_.size()) * (gh + lineSpace_), 0, kMaxExtent));
    Invalidate();
    SetBounds(left_, top_, naturalW_, naturalH_);
    Invalidate();
}

void TVeskCGLabel::SetSource(const std::string& name) {
    Invalidate();
    source_ = name;
    frames_.reset();
    if (EndsWith(name, ".lmt")) {
        if (Owner())
            if (auto track = Owner()->LoadMotion(name)) SetMotion(std::move(track));
        return;
    }
    TQuilCollection* cache = Owner() ? Owner()->Images() : nullptr;
    if (!cache || name.empty()) return;
    frames_ = std::make_unique<TVeskImageList>();
    frames_->Load(*cache, name, TQuilOptions{.mask = true});
    Invalidate();
}

void TVeskCGLabel::PaintSelf(TCustomDIBX& s) {
    if (alpha_ < 1 || alpha_ >= 512 || !frames_ || frames_->Empty()) return;
    if (glyphW_ <= 0 || glyphH_ <= 0) return;
    const TRect rect = ScreenRect();
    if (rect.IsEmpty()) return;
    TVeskImageData& frame = frames_->At(0);
    TDIBX& pic = frame.Picture();
    TDIBX* mask = frame.Mask();
    const int32_t cols = pic.Width() / glyphW_;
    if (cols <= 0) return;
    const int32_t rows = pic.Height() / glyphH_;
    const bool add = alpha_ > 255;
    const int32_t a = add ? std::min(alpha_ - 256, 255) : alpha_;
    const DrawOptions keyed{.key = Key::Skip};
    for (size_t li = 0; li < cells_.size(); ++li) {
        const auto& line = cells_[li];
        const int64_t lineW = int64_t(line.size()) * glyphW_;
        int64_t x = rect.left;
        if (halign_ == 1) x += (naturalW_ - lineW) / 2;
        if (halign_ == 2) x += naturalW_ - lineW;
        const int64_t y = rect.top + int64_t(li) * (int64_t(glyphH_) + lineSpace_);
        for (int32_t cell : line) {
            if (cell >= 0 && cell / cols < rows) {
                const TRect src =
                    Bounds(cell % cols * glyphW_, cell / cols * glyphH_, glyphW_, glyphH_);
                const auto dx = int32_t(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
                const auto dy = int32_t(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX));
                if (mask) {
                    if (add)
                        s.DrawMaskAdd(dx, dy, src, pic, *mask, a);
                    else if (a == 255)
                        s.DrawMask(dx, dy, src, pic, *mask);
                    else
                        s.DrawMaskAlpha(dx, dy, src, pic, *mask, a);
                } else if (add) {
                    s.DrawAdd(dx, dy, src, pic, a);
                } else if (a == 255) {
                    s.Draw(dx, dy, src, pic, keyed);
                } else {
                    s.DrawAlpha(dx, dy, src, pic, a, keyed);
                }
            }
            x += glyphW_;
        }
    }
}

void TVeskCGLabel::ReleaseSurfaces() {
    if (frames_) frames_->DropCopies();
}

void TVeskCGLabel::RestoreSurfaces() {
    if (frames_) frames_->Refresh();
    Invalidate();
}

int32_t TVeskCGLabel::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ALPHA:
            return alpha_;
        case PR_LINESPACE:
            return lineSpace_;
        case PR_PAUSED:
            return paused_;
        case PR_HALIGN:
            return halign_;
        case PR_ORIGWIDTH:
            return naturalW_;
        case PR_ORIGHEIGHT:
            return naturalH_;
        case PR_GLYPHWIDTH:
            return glyphW_;
        case PR_GLYPHHEIGHT:
            return glyphH_;
        case PR_PLAYING:
            return IsPlaying();
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskCGLabel::SetIntProp(int32_t index, int32_t value) {
    auto relayout = [&](auto& field, auto v) {
        if (field == v) return;
        field = v;
        Relayout();
    };
    switch (index) {
        case PR_ALPHA:
            if (alpha_ == value) return;
            Invalidate();
            alpha_ = value;
            Invalidate();
            return;
        case PR_LINESPACE:
            return relayout(lineSpace_, value);
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_HALIGN:
            if (halign_ == uint8_t(value)) return;
            halign_ = uint8_t(value);
            Invalidate();
            return;
        case PR_GLYPHWIDTH:
            return relayout(glyphW_, std::max(value, 0));
        case PR_GLYPHHEIGHT:
            return relayout(glyphH_, std::max(value, 0));
        case PR_ORIGWIDTH:
        case PR_ORIGHEIGHT:
        case PR_PLAYING:
            return;  // read-only
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskCGLabel::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_TEXT:
            return JoinLinesCrLf(lines_);
        case PR_MAPTEXT:
            return mapText_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskCGLabel::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            if (value != source_) SetSource(value);
            return;
        case PR_TEXT:
            if (value == JoinLinesCrLf(lines_)) return;
            lines_ = SplitTextLines(value);
            Relayout();
            return;
        case PR_MAPTEXT:
            if (value == mapText_) return;
            mapText_ = value;
            Relayout();
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskCGLabel::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(source_);
    w.I32(alpha_);
    w.I32(lineSpace_);
    w.Flag(paused_);
    w.Str(JoinLinesCrLf(lines_));
    w.U8(halign_);
    w.Str(mapText_);
    w.I32(glyphW_);
    w.I32(glyphH_);
    w.Str(idlePage_);
}

void TVeskCGLabel::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string source = r.Str("picture caption source");
    alpha_ = r.I32("picture caption alpha");
    lineSpace_ = r.I32("picture caption line space");
    paused_ = r.Flag("picture caption paused");
    lines_ = SplitTextLines(r.Str("picture caption text"));
    halign_ = r.U8("picture caption alignment");
    mapText_ = r.Str("picture caption map text");
    glyphW_ = std::max(r.I32("picture caption glyph width"), 0);
    glyphH_ = std::max(r.I32("picture caption glyph height"), 0);
    idlePage_ = r.Str("picture caption idle page");
    SetSource(source);
    Relayout();
}

}  // namespace vesk
