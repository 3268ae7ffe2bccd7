#include "display/map_regions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/error.h"
#include "base/stream.h"
#include "base/text_trim.h"

namespace vesk {

namespace {

[[noreturn]] void Bad(const std::string& why) {
    Fail("region file: " + why);
}

std::string Which(size_t index, const TMapRegion& r) {
    return "region " + std::to_string(index) + " (" + r.Name + ")";
}

// Where the edge from a to b crosses the row of pixel centres at y + 0.5, or false.
bool Crossing(const TMapRegion::TPoint& a, const TMapRegion::TPoint& b, int32_t y, double& x) {
    const double py = double(y) + 0.5;
    if ((a.Y > py) == (b.Y > py)) return false;
    x = double(a.X) + (py - a.Y) * double(int64_t(b.X) - a.X) / double(int64_t(b.Y) - a.Y);
    return true;
}

bool InEllipse(const TMapRegion& r, int32_t x, int32_t y) {
    if (x < r.Left || x > r.Right || y < r.Top || y > r.Bottom) return false;
    // Distances from the centre in half pixels, against the half axes.
    const double w = double(int64_t(r.Right) - r.Left + 1),
                 h = double(int64_t(r.Bottom) - r.Top + 1);
    const double dx = (2.0 * x - r.Left - r.Right) / w, dy = (2.0 * y - r.Top - r.Bottom) / h;
    return dx * dx + dy * dy <= 1.0;
}

void CheckCoord(int64_t v, const std::string& what) {
    if (v < -kRegionCoordLimit || v > kRegionCoordLimit)
        Bad(what + " has a coordinate beyond " + std::to_string(kRegionCoordLimit));
}

}  // namespace

bool TMapRegion::Contains(int32_t x, int32_t y) const {
    switch (Shape) {
        case RegionShape::Rect:
            return x >= Left && x <= Right && y >= Top && y <= Bottom;
        case RegionShape::Ellipse:
            return InEllipse(*this, x, y);
        case RegionShape::Polygon: {
            // Even-odd: the crossings right of the pixel centre.
            const double px = double(x) + 0.5;
            bool inside = false;
            for (size_t i = 0, j = Points.size() - 1; i < Points.size(); j = i++) {
                double cx;
                if (Crossing(Points[j], Points[i], y, cx) && cx > px) inside = !inside;
            }
            return inside;
        }
    }
    return false;
}

TRect TMapRegion::Bounds() const {
    if (Shape != RegionShape::Polygon) return {Left, Top, Right + 1, Bottom + 1};
    if (Points.empty()) return {};
    int32_t l = Points[0].X, t = Points[0].Y, r = l, b = t;
    for (const TPoint& p : Points) {
        l = std::min(l, p.X), r = std::max(r, p.X);
        t = std::min(t, p.Y), b = std::max(b, p.Y);
    }
    // Pixel centres inside lie strictly within the corners' span.
    return {l, t, r, b};
}

void TMapRegion::RowRuns(int32_t y, std::vector<std::pair<int32_t, int32_t>>& runs) const {
    runs.clear();
    const TRect b = Bounds();
    if (y < b.top || y >= b.bottom) return;
    switch (Shape) {
        case RegionShape::Rect:
            runs.emplace_back(Left, Right + 1);
            return;
        case RegionShape::Ellipse: {
            // The row's pixels inside form one run around the centre: found from the
            // half width at this row, then settled by the pixel test itself.
            const double w = double(int64_t(Right) - Left + 1);
            const double h = double(int64_t(Bottom) - Top + 1);
            const double dy = (2.0 * y - Top - Bottom) / h;
            if (dy * dy > 1.0) return;
            const double half = std::sqrt(1.0 - dy * dy) * w;
            const double mid = (double(Left) + double(Right)) / 2;
            int32_t first =
                int32_t(std::clamp(std::ceil(mid - half / 2), double(Left), double(Right)));
            int32_t last =
                int32_t(std::clamp(std::floor(mid + half / 2), double(Left), double(Right)));
            while (first > Left && InEllipse(*this, first - 1, y)) --first;
            while (first <= last && !InEllipse(*this, first, y)) ++first;
            while (last < Right && InEllipse(*this, last + 1, y)) ++last;
            while (last >= first && !InEllipse(*this, last, y)) --last;
            if (first <= last) runs.emplace_back(first, last + 1);
            return;
        }
        case RegionShape::Polygon: {
            std::vector<double> xs;
            for (size_t i = 0, j = Points.size() - 1; i < Points.size(); j = i++) {
                double cx;
                if (Crossing(Points[j], Points[i], y, cx)) xs.push_back(cx);
            }
            std::sort(xs.begin(), xs.end());
            // Pixel x is inside when its centre lies in [a, b) of a pair of crossings; the
            // same rule Contains follows.
            for (size_t k = 0; k + 1 < xs.size(); k += 2) {
                const int32_t first = int32_t(std::ceil(xs[k] - 0.5));
                const int32_t last = int32_t(std::ceil(xs[k + 1] - 0.5));
                if (first < last) runs.emplace_back(first, last);
            }
            return;
        }
    }
}

void CheckRegion(const TMapRegion& r) {
    const std::string what = "region " + r.Name;
    switch (r.Shape) {
        case RegionShape::Rect:
        case RegionShape::Ellipse:
            for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom}) CheckCoord(v, what);
            if (r.Right < r.Left || r.Bottom < r.Top)
                Bad(what + " has a negative size (" + std::to_string(r.Left) + ", " +
                    std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", " +
                    std::to_string(r.Bottom) + ")");
            return;
        case RegionShape::Polygon:
            if (r.Points.size() < 3 || r.Points.size() > size_t(kRegionMaxPoints))
                Bad(what + " has " + std::to_string(r.Points.size()) + " corners (3.." +
                    std::to_string(kRegionMaxPoints) + ")");
            for (const auto& p : r.Points) {
                CheckCoord(p.X, what);
                CheckCoord(p.Y, what);
            }
            return;
    }
    Bad(what + " has the unknown shape " + std::to_string(int(r.Shape)));
}

TMapRegions ReadRegionFile(const uint8_t* data, size_t size) {
    ViewStream s(data, size);
    StreamReader r(s);
    const int32_t count = r.I32("region count");
    if (count < 0) Bad("negative region count " + std::to_string(count));
    // Each region holds at least its name's length, the kind and four numbers.
    r.CheckCount(count, 4 + 1 + 16, "regions");
    TMapRegions out(static_cast<size_t>(count));
    for (size_t i = 0; i < out.size(); ++i) {
        TMapRegion& g = out[i];
        g.Name = r.Str("region name");
        const uint8_t kind = r.U8("region kind");
        switch (kind) {
            case uint8_t(RegionShape::Rect):
            case uint8_t(RegionShape::Ellipse):
                g.Shape = RegionShape(kind);
                g.Left = r.I32("region left");
                g.Top = r.I32("region top");
                g.Right = r.I32("region right");
                g.Bottom = r.I32("region bottom");
                break;
            case uint8_t(RegionShape::Polygon): {
                g.Shape = RegionShape::Polygon;
                const int32_t n = r.I32("polygon corner count");
                if (n < 3 || n > kRegionMaxPoints)
                    Bad(Which(i, g) + " has " + std::to_string(n) + " corners (3.." +
                        std::to_string(kRegionMaxPoints) + ")");
                r.CheckCount(n, 8, "polygon corners");
                g.Points.resize(size_t(n));
                for (auto& p : g.Points) {
                    p.X = r.I32("corner x");
                    p.Y = r.I32("corner y");
                }
                break;
            }
            default:
                Bad(Which(i, g) + " has the unknown kind " + std::to_string(kind));
        }
        CheckRegion(g);
    }
    if (s.Remaining() != 0) Bad(std::to_string(s.Remaining()) + " bytes after the last region");
    return out;
}

TMapRegions ReadRegionFile(const std::vector<uint8_t>& bytes) {
    return ReadRegionFile(bytes.data(), bytes.size());
}

std::vector<uint8_t> WriteRegionFile(const TMapRegions& regions) {
    if (regions.size() > size_t(std::numeric_limits<int32_t>::max())) Bad("too many regions");
    MemoryStream s;
    StreamWriter w(s);
    w.I32(int32_t(regions.size()));
    for (const TMapRegion& g : regions) {
        CheckRegion(g);
        w.Str(g.Name);
        w.U8(uint8_t(g.Shape));
        if (g.Shape == RegionShape::Polygon) {
            w.I32(int32_t(g.Points.size()));
            for (const auto& p : g.Points) {
                w.I32(p.X);
                w.I32(p.Y);
            }
        } else {
            for (int32_t v : {g.Left, g.Top, g.Right, g.Bottom}) w.I32(v);
        }
    }
    return std::move(s.Bytes());
}

int32_t RegionAt(const TMapRegions& regions, int32_t x, int32_t y) {
    for (size_t i = 0; i < regions.size(); ++i)
        if (regions[i].Contains(x, y)) return int32_t(i);
    return -1;
}

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

int32_t Number(std::string_view word, size_t lineNo) {
    const std::string text(word);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE ||
        v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Bad("line " + std::to_string(lineNo) + ": \"" + text + "\" is not a whole number");
    return int32_t(v);
}

}  // namespace

TMapRegions ParseRegionText(std::string_view text) {
    TMapRegions out;
    size_t pos = 0, lineNo = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        line = line.substr(0, line.find('#'));
        const auto w = Words(line);
        if (w.empty()) continue;
        const std::string at = "line " + std::to_string(lineNo) + ": ";
        if (w.size() < 2) Bad(at + "a region needs a shape and a name");
        TMapRegion g;
        g.Name = std::string(w[1]);
        if (w[0] == "rect" || w[0] == "ellipse") {
            if (w.size() != 6) Bad(at + std::string(w[0]) + " takes NAME LEFT TOP RIGHT BOTTOM");
            g.Shape = w[0] == "rect" ? RegionShape::Rect : RegionShape::Ellipse;
            g.Left = Number(w[2], lineNo);
            g.Top = Number(w[3], lineNo);
            g.Right = Number(w[4], lineNo);
            g.Bottom = Number(w[5], lineNo);
        } else if (w[0] == "polygon") {
            g.Shape = RegionShape::Polygon;
            for (size_t k = 2; k < w.size(); ++k) {
                const size_t comma = w[k].find(',');
                if (comma == std::string_view::npos)
                    Bad(at + "corner \"" + std::string(w[k]) + "\" is not X,Y");
                g.Points.push_back({Number(w[k].substr(0, comma), lineNo),
                                    Number(w[k].substr(comma + 1), lineNo)});
            }
        } else {
            Bad(at + "unknown shape \"" + std::string(w[0]) + "\" (rect, ellipse or polygon)");
        }
        CheckRegion(g);
        out.push_back(std::move(g));
    }
    return out;
}

}  // namespace vesk
