#include "text/vesk_label.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/cp932.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "text/char_code.h"
#include "text/decorate.h"
#include "text/font_pixels.h"

namespace vesk {

namespace {

// Shown sizes stay small enough for the scaling arithmetic of the draws.
constexpr int64_t kMaxExtent = (int64_t(1) << 24) - 1;

uint32_t Rgb(int32_t color) {
    const auto c = uint32_t(color);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

int32_t ClampCoord(double v) {
    return int32_t(std::clamp(v, -1e9, 1e9));
}

}  // namespace

std::vector<std::string> SplitTextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(cur));
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        // A trail byte may equal CR's or LF's value only in broken text; double-byte
        // characters are taken whole.
        const size_t len = CharLenAt(text, i);
        cur.append(text, i, len);
        i += len - 1;
    }
    if (!cur.empty()) lines.push_back(std::move(cur));
    return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
    std::string r;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) r += "\r\n";
        r += lines[i];
    }
    return r;
}

TVeskLabel::TVeskLabel(TVeskBaseList* owner, TFontPixelManager* fonts)
    : TVeskControl(owner), fonts_(fonts) {
    fontName_ = VESK_JP("ＭＳ Ｐゴシック");
    width_ = height_ = 0;
}

void TVeskLabel::SetText(const std::string& text) {
    if (text == JoinLinesCrLf(lines_)) return;
    lines_ = SplitTextLines(text);
    Render();
}

void TVeskLabel::Resize() {
    const int32_t w = int32_t(std::min<int64_t>(int64_t(naturalW_) * zoomX_ / 256, kMaxExtent));
    const int32_t h = int32_t(std::min<int64_t>(int64_t(naturalH_) * zoomY_ / 256, kMaxExtent));
    if (w != width_ || h != height_) {
        Invalidate();
        SetBounds(left_, top_, w, h);
    }
    Invalidate();
}

void TVeskLabel::Render() {
    ++renders_;
    Invalidate();
    const int32_t size = std::clamp(fontHeight_, 1, kMaxFontSize);
    const int32_t level = antialias_ ? 3 : 0;
    const uint8_t flags = fontStyle_ & (dfBold | dfItalic);
    // An empty name draws with the gothic face.
    const std::string& face = fontName_.empty() ? DefaultFaceName() : fontName_;
    const int64_t pitch = int64_t(fontHeight_) + lineSpace_;

    struct Line {
        std::vector<std::shared_ptr<const TFontPixel>> glyphs;
        int64_t width = 0;
    };
    std::vector<Line> lines;
    int64_t widest = 0;
    for (const std::string& text : lines_) {
        Line line;
        if (fonts_) {
            for (size_t pos = 0; pos < text.size(); pos += CharLenAt(text, pos)) {
                auto g = fonts_->Get(CharCodeAt(text, pos), face, size, flags, level);
                line.width += g->Advance();
                line.glyphs.push_back(std::move(g));
            }
        }
        widest = std::max(widest, line.width);
        lines.push_back(std::move(line));
    }
    naturalW_ = int32_t(std::min<int64_t>(widest, kMaxExtent));
    naturalH_ = int32_t(std::clamp<int64_t>(pitch * int64_t(lines.size()), 0, kMaxExtent));
    Resize();
    if (naturalW_ <= 0 || naturalH_ <= 0) {
        canvas_.SetSize(0, 0);
        return;
    }
    canvas_.SetSize(naturalW_, naturalH_);
    std::vector<TCharPaint> paints;
    for (size_t li = 0; li < lines.size(); ++li) {
        const Line& line = lines[li];
        int64_t x = 0;
        if (halign_ == 1) x = (naturalW_ - line.width) / 2;
        if (halign_ == 2) x = naturalW_ - line.width;
        const int64_t y = int64_t(li) * pitch;
        if (y >= naturalH_) break;
        for (const auto& g : line.glyphs) {
            TCharPaint p;
            p.Glyph = g;
            p.X = int32_t(x);
            p.Y = int32_t(y);
            p.CellWidth = g->Advance();
            p.Color = Rgb(fontColor_);
            p.Bars = fontStyle_ & (dfUnderline | dfStrikeOut);
            paints.push_back(std::move(p));
            x += g->Advance();
        }
    }
    PaintChars(canvas_, paints);
    Invalidate();
}

void TVeskLabel::PaintSelf(TCustomDIBX& s) {
    if (alpha_ < 1 || alpha_ >= 512 || canvas_.Empty()) return;
    const TRect rect = ScreenRect();
    if (rect.IsEmpty()) return;
    const bool add = alpha_ > 255;
    const int32_t a = add ? std::min(alpha_ - 256, 255) : alpha_;
    if (a == 0) return;
    TDIBX& pic = canvas_.Color();
    TDIBX& mask = canvas_.Cover();
    const TRect src = pic.BoundsRect();
    const Flip flip = FlipOf(flipH_, flipV_);
    if (angle_ != 0) {
        // Turned about the anchor point (the offset), which stays where the caption stands.
        // There is no turned additive draw: an added caption turns as a blend.
        const int32_t zx = std::max(zoomX_, 1), zy = std::max(zoomY_, 1);
        const int32_t px = flipH_ ? naturalW_ - 1 - offsetX_ : offsetX_;
        const int32_t py = flipV_ ? naturalH_ - 1 - offsetY_ : offsetY_;
        s.DrawRotateMask(ClampCoord(rect.left + double(px) * zx / 256.0),
                         ClampCoord(rect.top + double(py) * zy / 256.0), src, pic, mask, a,
                         Rotation{angle_, px, py, Zoom{zx, zy}}, flip);
        return;
    }
    if (rect.Width() == pic.Width() && rect.Height() == pic.Height()) {
        if (add)
            s.DrawMaskAdd(rect.left, rect.top, src, pic, mask, a, flip);
        else if (a == 255)
            s.DrawMask(rect.left, rect.top, src, pic, mask, flip);
        else
            s.DrawMaskAlpha(rect.left, rect.top, src, pic, mask, a, flip);
        return;
    }
    if (add)
        s.StretchDrawMaskAdd(rect, src, pic, mask, a, flip);
    else
        s.StretchDrawMask(rect, src, pic, mask, a, flip);
}

TRect TVeskLabel::PaintRect() {
    const TRect rect = ScreenRect();
    if (angle_ == 0 || canvas_.Empty()) return rect;
    // A turned caption covers the turned rectangle around its anchor; its bounding box,
    // a pixel generous.
    const double zx = std::max(zoomX_, 1) / 256.0, zy = std::max(zoomY_, 1) / 256.0;
    const double theta = double(angle_ % 256) * 2.0 * std::numbers::pi / 256.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const double ax = rect.left + offsetX_ * zx, ay = rect.top + offsetY_ * zy;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (int corner = 0; corner < 4; ++corner) {
        const double du = ((corner & 1) ? naturalW_ : 0) - offsetX_;
        const double dv = ((corner & 2) ? naturalH_ : 0) - offsetY_;
        const double X = ax + c * zx * du - s * zy * dv, Y = ay + s * zx * du + c * zy * dv;
        minX = std::min(minX, X), maxX = std::max(maxX, X);
        minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
    return {ClampCoord(std::floor(minX) - 1), ClampCoord(std::floor(minY) - 1),
            ClampCoord(std::floor(maxX) + 2), ClampCoord(std::floor(maxY) + 2)};
}

void TVeskLabel::SetSource(const std::string& name) {
    source_ = name;
    if (name.size() >= 4 && SameTextAscii(std::string_view(name).substr(name.size() - 4), ".lmt") &&
        Owner())
        if (auto track = Owner()->LoadMotion(name)) SetMotion(std::move(track));
}

int32_t TVeskLabel::GetIntProp(int32_t index) {
    switch (index) {
        case PR_FONTHEIGHT:
            return fontHeight_;
        case PR_LINESPACE:
            return lineSpace_;
        case PR_FONTSTYLE:
            return fontStyle_;
        case PR_FONTCOLOR:
            return fontColor_;
        case PR_HALIGN:
            return halign_;
        case PR_ANTIALIAS:
            return antialias_;
        case PR_ALPHA:
            return alpha_;
        case PR_ZOOMX:
            return zoomX_;
        case PR_ZOOMY:
            return zoomY_;
        case PR_ANGLE:
            return angle_;
        case PR_FLIPH:
            return flipH_;
        case PR_FLIPV:
            return flipV_;
        case PR_REPEAT:
            return repeat_;
        case PR_AUTOSCRAP:
            return autoScrap_;
        case PR_PAUSED:
            return paused_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskLabel::SetIntProp(int32_t index, int32_t value) {
    // Changes of the text's look render it again; changes of how it is shown redraw it.
    auto render = [&](auto& field, auto v) {
        if (field == v) return;
        field = v;
        Render();
    };
    auto show = [&](auto& field, auto v) {
        if (field == v) return;
        Invalidate();
        field = v;
        Invalidate();
    };
    switch (index) {
        case PR_FONTHEIGHT:
            return render(fontHeight_, value);
        case PR_LINESPACE:
            return render(lineSpace_, value);
        case PR_FONTSTYLE:
            return render(fontStyle_, uint8_t(value));
        case PR_FONTCOLOR:
            return render(fontColor_, value);
        case PR_HALIGN:
            return render(halign_, uint8_t(value));
        case PR_ANTIALIAS:
            return render(antialias_, value != 0);
        case PR_ALPHA:
            return show(alpha_, value);
        case PR_ZOOMX:
        case PR_ZOOMY: {
            int32_t& zoom = index == PR_ZOOMX ? zoomX_ : zoomY_;
            const int32_t v = std::max(value, 1);
            if (zoom == v) return;
            zoom = v;
            Resize();
            return;
        }
        case PR_ANGLE:
            return show(angle_, value);
        case PR_FLIPH:
            return show(flipH_, value != 0);
        case PR_FLIPV:
            return show(flipV_, value != 0);
        case PR_REPEAT:
            repeat_ = value != 0;
            return;
        case PR_AUTOSCRAP:
            autoScrap_ = value != 0;
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskLabel::GetStrProp(int32_t index) {
    switch (index) {
        case PR_TEXT:
            return JoinLinesCrLf(lines_);
        case PR_FONTNAME:
            return fontName_;
        case PR_SOURCE:
            return source_;
        case PR_ONPLAYEND:
            return playEndPage_;
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskLabel::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_TEXT:
            SetText(value);
            return;
        case PR_FONTNAME:
            if (value == fontName_) return;
            fontName_ = value;
            Render();
            return;
        case PR_SOURCE:
            SetSource(value);
            return;
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskLabel::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(fontName_);
    w.I32(fontHeight_);
    w.I32(lineSpace_);
    w.U8(fontStyle_);
    w.I32(alpha_);
    w.I32(fontColor_);
    w.U8(halign_);
    w.Flag(antialias_);
    w.Flag(flipH_);
    w.Flag(flipV_);
    w.I32(angle_);
    w.I32(zoomX_);
    w.Str(JoinLinesCrLf(lines_));
    w.Str(idlePage_);
    w.Str(source_);
    w.Flag(repeat_);
    w.Flag(autoScrap_);
    w.Str(playEndPage_);
    w.Flag(paused_);
    w.I32(zoomY_);
}

void TVeskLabel::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    fontName_ = r.Str("caption font name");
    fontHeight_ = r.I32("caption font height");
    lineSpace_ = r.I32("caption line space");
    fontStyle_ = r.U8("caption font style");
    alpha_ = r.I32("caption alpha");
    fontColor_ = r.I32("caption font colour");
    halign_ = r.U8("caption alignment");
    antialias_ = r.Flag("caption anti-alias");
    flipH_ = r.Flag("caption flip h");
    flipV_ = r.Flag("caption flip v");
    angle_ = r.I32("caption angle");
    zoomX_ = std::max(r.I32("caption zoom x"), 1);
    const std::string text = r.Str("caption text");
    std::string source;
    zoomY_ = zoomX_;
    if (version >= 104) {
        idlePage_ = r.Str("caption idle page");
        source = r.Str("caption source");
        repeat_ = r.Flag("caption repeat");
        autoScrap_ = r.Flag("caption auto scrap");
        playEndPage_ = r.Str("caption play-end page");
        paused_ = r.Flag("caption paused");
        zoomY_ = std::max(r.I32("caption zoom y"), 1);
    }
    // Through the setters: the text renders, the source attaches its motion.
    lines_ = SplitTextLines(text);
    Render();
    SetSource(source);
}

}  // namespace vesk
