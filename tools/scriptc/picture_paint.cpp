#include "scriptc/picture_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "base/error.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"

namespace vesk::scriptc {

namespace {

constexpr int32_t kMaxSide = 4096;
// Shapes with curved or slanted edges are sampled 4 x 4 times per pixel.
constexpr int kSub = 4;

struct Colour {
    double r = 0, g = 0, b = 0, a = 1;  // 0..255, alpha 0..1
};

struct Canvas {
    int32_t w = 0, h = 0;
    std::vector<Colour> px;

    // Lays `c` over the pixel with `cover` (0..1) of its area.
    void Over(int32_t x, int32_t y, const Colour& c, double cover) {
        if (x < 0 || y < 0 || x >= w || y >= h || cover <= 0) return;
        Colour& d = px[size_t(y) * size_t(w) + size_t(x)];
        const double a = c.a * cover, outA = a + d.a * (1 - a);
        if (outA <= 0) return;
        auto mix = [&](double s, double dc) { return (s * a + dc * d.a * (1 - a)) / outA; };
        d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), outA};
    }
    // A shape given by an inside test, over the pixels of its bounding box.
    template <typename Inside>
    void Shape(double left, double top, double right, double bottom, const Colour& c,
               const Inside& inside) {
        const int32_t x0 = std::max(0, int32_t(std::floor(left)));
        const int32_t y0 = std::max(0, int32_t(std::floor(top)));
        const int32_t x1 = std::min(w, int32_t(std::ceil(right)));
        const int32_t y1 = std::min(h, int32_t(std::ceil(bottom)));
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) {
                int hits = 0;
                for (int j = 0; j < kSub; ++j)
                    for (int i = 0; i < kSub; ++i)
                        hits += inside(x + (i + 0.5) / kSub, y + (j + 0.5) / kSub);
                Over(x, y, c, double(hits) / (kSub * kSub));
            }
    }
};

class Painter {
  public:
    explicit Painter(std::string_view text) : text_(text) {}
    Painter(std::string_view text, const PaintedPicture& under) : text_(text) {
        canvas_.w = under.Width;
        canvas_.h = under.Height;
        canvas_.px.reserve(under.Pixels.size());
        for (uint32_t p : under.Pixels)
            canvas_.px.push_back({double(p >> 16 & 255), double(p >> 8 & 255), double(p & 255),
                                  double(p >> 24) / 255.0});
    }

    PaintedPicture Run() {
        size_t pos = 0;
        while (pos <= text_.size()) {
            size_t end = text_.find('\n', pos);
            if (end == std::string_view::npos) end = text_.size();
            ++line_;
            Line(text_.substr(pos, end - pos));
            pos = end + 1;
        }
        if (canvas_.w == 0) Fail("the picture has no size");
        PaintedPicture out;
        out.Width = canvas_.w;
        out.Height = canvas_.h;
        out.Pixels.reserve(canvas_.px.size());
        for (const Colour& c : canvas_.px) {
            auto byte = [](double v) { return uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
            const uint32_t a = byte(c.a * 255);
            out.Pixels.push_back(a == 0 ? 0
                                        : a << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b));
        }
        return out;
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const {
        vesk::Fail("line " + std::to_string(line_) + ": " + what);
    }

    void Line(std::string_view line) {
        if (size_t c = line.find("//"); c != std::string_view::npos) line = line.substr(0, c);
        words_.clear();
        next_ = 0;
        std::string word;
        for (char ch : line) {
            if (ch == ' ' || ch == '\t' || ch == ',' || ch == '\r') {
                if (!word.empty()) words_.push_back(std::move(word)), word.clear();
            } else {
                word += ch;
            }
        }
        if (!word.empty()) words_.push_back(std::move(word));
        if (words_.empty()) return;
        const std::string verb = Word();
        if (verb == "size") return Size();
        if (canvas_.w == 0) Fail("'size' must come first");
        if (verb == "fill") {
            const Colour c = ColourArg();
            End();
            for (auto& p : canvas_.px) p = {};
            Rect(0, 0, canvas_.w, canvas_.h, c);
        } else if (verb == "rect") {
            const int32_t x = Int(), y = Int(), w = Int(), h = Int();
            const Colour c = ColourArg();
            End();
            Rect(x, y, w, h, c);
        } else if (verb == "gradient") {
            const int32_t x = Int(), y = Int(), w = Int(), h = Int();
            const Colour top = ColourArg(), bottom = ColourArg();
            End();
            for (int32_t row = 0; row < h; ++row)
                Rect(x, y + row, w, 1, Mix(top, bottom, h > 1 ? double(row) / (h - 1) : 0));
        } else if (verb == "ellipse") {
            const double cx = Int(), cy = Int(), rx = Int(), ry = Int();
            const Colour c = ColourArg();
            End();
            if (rx <= 0 || ry <= 0) Fail("an ellipse needs radii above 0");
            canvas_.Shape(cx - rx, cy - ry, cx + rx, cy + ry, c, [&](double x, double y) {
                const double u = (x - cx) / rx, v = (y - cy) / ry;
                return u * u + v * v <= 1;
            });
        } else if (verb == "polygon") {
            const Colour c = ColourArg();
            std::vector<std::pair<double, double>> pts;
            while (next_ < words_.size()) {
                const double x = Int();
                pts.emplace_back(x, Int());
            }
            if (pts.size() < 3) Fail("a polygon needs three points or more");
            Polygon(pts, c);
        } else if (verb == "clear") {
            // Cuts a transparent hole, for frames that something else shows through.
            const int32_t x = Int(), y = Int(), w = Int(), h = Int();
            End();
            for (int32_t yy = std::max(y, 0); yy < std::min(y + h, canvas_.h); ++yy)
                for (int32_t xx = std::max(x, 0); xx < std::min(x + w, canvas_.w); ++xx)
                    canvas_.px[size_t(yy) * size_t(canvas_.w) + size_t(xx)] = {0, 0, 0, 0};
        } else if (verb == "hgradient") {
            const int32_t x = Int(), y = Int(), w = Int(), h = Int();
            const Colour left = ColourArg(), right = ColourArg();
            End();
            for (int32_t col = 0; col < w; ++col)
                Rect(x + col, y, 1, h, Mix(left, right, w > 1 ? double(col) / (w - 1) : 0));
        } else if (verb == "roundrect") {
            const double x = Int(), y = Int(), w = Int(), h = Int(), r = Int();
            const Colour c = ColourArg();
            End();
            if (w <= 0 || h <= 0 || r < 0) Fail("a rounded rectangle needs a size and a radius");
            const double rr = std::min({r, w / 2, h / 2});
            canvas_.Shape(x, y, x + w, y + h, c, [&](double px, double py) {
                // Distance outside the inner rectangle the corners turn about.
                const double dx = std::max({x + rr - px, px - (x + w - rr), 0.0});
                const double dy = std::max({y + rr - py, py - (y + h - rr), 0.0});
                return px >= x && px < x + w && py >= y && py < y + h &&
                       dx * dx + dy * dy <= rr * rr;
            });
        } else if (verb == "line") {
            const double x1 = Int(), y1 = Int(), x2 = Int(), y2 = Int(), width = Int();
            const Colour c = ColourArg();
            End();
            if (width <= 0) Fail("a line needs a width above 0");
            const double half = width / 2.0, dx = x2 - x1, dy = y2 - y1;
            const double len2 = dx * dx + dy * dy;
            canvas_.Shape(std::min(x1, x2) - half, std::min(y1, y2) - half, std::max(x1, x2) + half,
                          std::max(y1, y2) + half, c, [&](double px, double py) {
                              // Round ends: the distance to the nearest point of the segment.
                              double t = len2 > 0 ? ((px - x1) * dx + (py - y1) * dy) / len2 : 0;
                              t = std::clamp(t, 0.0, 1.0);
                              const double ex = px - (x1 + t * dx), ey = py - (y1 + t * dy);
                              return ex * ex + ey * ey <= half * half;
                          });
        } else if (verb == "star") {
            const double cx = Int(), cy = Int(), r = Int();
            const Colour c = ColourArg();
            End();
            if (r <= 0) Fail("a star needs a radius above 0");
            // Five points, the first straight up; the inner corners at 0.4 of the radius.
            std::vector<std::pair<double, double>> pts;
            for (int i = 0; i < 10; ++i) {
                const double a = M_PI * i / 5 - M_PI / 2, d = i % 2 ? r * 0.4 : r;
                pts.emplace_back(cx + d * std::cos(a), cy + d * std::sin(a));
            }
            Polygon(pts, c);
        } else if (verb == "glow") {
            const double cx = Int(), cy = Int(), r = Int();
            const Colour c = ColourArg();
            End();
            if (r <= 0) Fail("a glow needs a radius above 0");
            // Full strength in the middle, fading to nothing at the radius.
            for (int32_t y = std::max(0, int32_t(cy - r));
                 y < std::min(canvas_.h, int32_t(cy + r) + 1); ++y)
                for (int32_t x = std::max(0, int32_t(cx - r));
                     x < std::min(canvas_.w, int32_t(cx + r) + 1); ++x) {
                    const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / r;
                    if (d < 1) canvas_.Over(x, y, c, (1 - d) * (1 - d));
                }
        } else if (verb == "scatter") {
            const int32_t x = Int(), y = Int(), w = Int(), h = Int(), count = Int(), size = Int(),
                          seed = Int();
            const Colour c = ColourArg();
            End();
            if (w <= 0 || h <= 0 || count < 0 || count > 10000 || size < 1 || size > 64)
                Fail("scatter needs an area, a count up to 10000 and a size of 1 to 64");
            // Dots at places and sizes drawn from the seed, so a picture is the same on every
            // build; each dot is 0.5 to `size` pixels across and of varied strength.
            uint32_t state = uint32_t(seed) * 2654435761u + 1;
            auto next = [&state] {
                state = state * 1664525u + 1013904223u;
                return double(state >> 8) / double(1u << 24);
            };
            for (int32_t i = 0; i < count; ++i) {
                const double px = x + next() * w, py = y + next() * h;
                const double r = (0.5 + next() * (size - 0.5)) / 2;
                Colour dot = c;
                dot.a *= 0.4 + 0.6 * next();
                canvas_.Shape(px - r, py - r, px + r, py + r, dot, [&](double qx, double qy) {
                    return (qx - px) * (qx - px) + (qy - py) * (qy - py) <= r * r;
                });
            }
        } else {
            Fail("unknown command '" + verb + "'");
        }
    }

    static Colour Mix(const Colour& p, const Colour& q, double t) {
        auto at = [t](double a, double b) { return a + (b - a) * t; };
        return {at(p.r, q.r), at(p.g, q.g), at(p.b, q.b), at(p.a, q.a)};
    }

    void Polygon(const std::vector<std::pair<double, double>>& pts, const Colour& c) {
        double l = 1e9, t = 1e9, r = -1e9, b = -1e9;
        for (auto [x, y] : pts)
            l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
        canvas_.Shape(l, t, r, b, c, [&](double x, double y) {
            // Even-odd rule.
            bool in = false;
            for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
                const auto [xi, yi] = pts[i];
                const auto [xj, yj] = pts[j];
                if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
            }
            return in;
        });
    }

    void Size() {
        if (canvas_.w != 0) Fail("the size is given twice");
        const int32_t w = Int(), h = Int();
        End();
        if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
            Fail("a picture is 1 to " + std::to_string(kMaxSide) + " pixels a side");
        canvas_.w = w;
        canvas_.h = h;
        canvas_.px.assign(size_t(w) * size_t(h), Colour{0, 0, 0, 0});
    }

    void Rect(int32_t x, int32_t y, int32_t w, int32_t h, const Colour& c) {
        const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(x) + w, canvas_.w);
        const int64_t y1 = std::min<int64_t>(int64_t(y) + h, canvas_.h);
        for (int64_t yy = y0; yy < y1; ++yy)
            for (int64_t xx = x0; xx < x1; ++xx) canvas_.Over(int32_t(xx), int32_t(yy), c, 1);
    }

    std::string Word() {
        if (next_ >= words_.size()) Fail("a value is missing");
        return words_[next_++];
    }
    void End() {
        if (next_ < words_.size()) Fail("'" + words_[next_] + "' is more than the command takes");
    }
    int32_t Int() {
        const std::string w = Word();
        char* end = nullptr;
        const long v = std::strtol(w.c_str(), &end, 10);
        if (w.empty() || *end || v < -100000 || v > 100000) Fail("'" + w + "' is not a number");
        return int32_t(v);
    }
    // #RRGGBB or #RRGGBBAA.
    Colour ColourArg() {
        const std::string w = Word();
        char* end = nullptr;
        const unsigned long v = w.size() > 1 ? std::strtoul(w.c_str() + 1, &end, 16) : 0;
        if (w[0] != '#' || (w.size() != 7 && w.size() != 9) || !end || *end)
            Fail("'" + w + "' is not a colour #RRGGBB or #RRGGBBAA");
        const uint32_t rgba = w.size() == 7 ? uint32_t(v) << 8 | 0xFF : uint32_t(v);
        return {double(rgba >> 24 & 255), double(rgba >> 16 & 255), double(rgba >> 8 & 255),
                double(rgba & 255) / 255.0};
    }

    std::string_view text_;
    int line_ = 0;
    std::vector<std::string> words_;
    size_t next_ = 0;
    Canvas canvas_;
};

}  // namespace

PaintedPicture PaintPicture(std::string_view text) {
    return Painter(text).Run();
}

PaintedPicture PaintPicture(std::string_view text, const PaintedPicture& under) {
    if (under.Width < 1 || under.Height < 1 ||
        under.Pixels.size() != size_t(under.Width) * size_t(under.Height))
        Fail("the picture to paint over has no size");
    return Painter(text, under).Run();
}

std::vector<uint8_t> PaintedLayeredImage(std::string_view text) {
    const PaintedPicture pic = PaintPicture(text);
    TQuilFrameList list;
    TQuilFrame& f = list.AddFrame(pic.Width, pic.Height, 24);
    const bool opaque = std::all_of(pic.Pixels.begin(), pic.Pixels.end(),
                                    [](uint32_t p) { return (p >> 24) == 255; });
    for (int32_t y = 0; y < pic.Height; ++y)
        for (int32_t x = 0; x < pic.Width; ++x) {
            const uint32_t p = pic.Pixels[size_t(y) * size_t(pic.Width) + size_t(x)];
            f.Picture().SetPixel(x, y, p & 0xFFFFFFu);
            if (!opaque) f.EnsureMask().SetPixel(x, y, p >> 24);
        }
    return TQuilWriter().Write(list);
}

}  // namespace vesk::scriptc
