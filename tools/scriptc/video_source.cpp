#include "scriptc/video_source.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "media/media_writer.h"
#include "scriptc/sound_sources.h"
#include "scriptc/source_error.h"

namespace vesk::scriptc {

namespace {

constexpr int kSoundRate = 44100;

// A line's words, split at spaces, tabs and (as the painter does) commas.
std::vector<std::string> Words(const std::string& line, bool commas) {
    std::vector<std::string> out;
    std::string word;
    for (char ch : line.substr(0, line.find("//"))) {
        if (ch == ' ' || ch == '\t' || ch == '\r' || (commas && ch == ',')) {
            if (!word.empty()) out.push_back(std::move(word)), word.clear();
        } else {
            word += ch;
        }
    }
    if (!word.empty()) out.push_back(std::move(word));
    return out;
}

bool ParseInt(const std::string& s, long lo, long hi, long& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

// The text after the first `n` words of a line (the painter or the synthesiser reads it).
std::string Rest(const std::string& line, int n) {
    size_t i = 0;
    for (int k = 0; k < n; ++k) {
        i = line.find_first_not_of(" \t", i);
        i = line.find_first_of(" \t", i);
        if (i == std::string::npos) return {};
    }
    return line.substr(i);
}

// "#RRGGBB" or "#RRGGBBAA" as four channels.
bool ParseColour(const std::string& s, double (&c)[4]) {
    if (s.empty() || s[0] != '#' || (s.size() != 7 && s.size() != 9)) return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(s.c_str() + 1, &end, 16);
    if (*end) return false;
    const uint32_t rgba = s.size() == 7 ? uint32_t(v) << 8 | 0xFF : uint32_t(v);
    for (int k = 0; k < 4; ++k) c[k] = double(rgba >> (24 - 8 * k) & 255);
    return true;
}

// A painter's message "line N: what" as a located source error.
[[noreturn]] void FailPainted(const std::string& file, const VeskError& e) {
    std::string what = Cp932ToUtf8(e.what());
    int line = 0;
    if (what.rfind("line ", 0) == 0) {
        const size_t colon = what.find(": ");
        line = std::atoi(what.c_str() + 5);
        if (colon != std::string::npos) what = what.substr(colon + 2);
    }
    throw SourceError(file, {line, 1}, what);
}

}  // namespace

VideoSource::VideoSource(const std::string& file, const std::string& text) : file_(file) {
    std::istringstream in(text);
    std::string line;
    std::vector<std::pair<int, std::string>> paints;
    std::vector<std::string> tones;  // the sound lines, each at its own line number
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        tones.emplace_back();
        auto fail = [&](const std::string& why) -> void {
            throw SourceError(file, {lineNo, 1}, why);
        };
        const std::vector<std::string> w = Words(line, false);
        if (w.empty()) continue;
        const std::string& verb = w[0];
        long a = 0, b = 0;
        if (verb == "size") {
            if (w.size() != 3 || !ParseInt(w[1], 16, 1920, a) || !ParseInt(w[2], 16, 1080, b) ||
                a % 2 || b % 2)
                fail("size needs an even width 16..1920 and an even height 16..1080");
            width_ = int(a);
            height_ = int(b);
        } else if (verb == "rate") {
            if (w.size() != 2 || !ParseInt(w[1], 1, 60, a))
                fail("rate needs 1..60 frames a second");
            fps_ = int(a);
        } else if (verb == "length") {
            if (w.size() != 2 || !ParseInt(w[1], 100, 60000, a)) fail("length needs 100..60000 ms");
            lengthMs_ = int(a);
        } else if (verb == "paint") {
            paints.emplace_back(lineNo, Rest(line, 1));
        } else if (verb == "move") {
            if (w.size() < 4 || !ParseInt(w[1], 0, 60000, a) || !ParseInt(w[2], 0, 60000, b) ||
                a >= b)
                fail("move needs FROM and TO in ms (FROM before TO) and a shape");
            Motion m;
            m.line = lineNo;
            m.from = double(a);
            m.to = double(b);
            m.words = Words(Rest(line, 3), true);
            motions_.push_back(std::move(m));
        } else if (verb == "sound") {
            if (w.size() > 1 && (w[1] == "rate" || w[1] == "channels"))
                fail("the sound track is always 44100 Hz stereo");
            tones.back() = Rest(line, 1);
        } else {
            fail("unknown word '" + verb + "' (size, rate, length, paint, move, sound)");
        }
    }
    lineCount_ = lineNo;
    if (width_ == 0) throw SourceError(file, {}, "the clip has no size");
    if (lengthMs_ == 0) throw SourceError(file, {}, "the clip has no length");
    for (const Motion& m : motions_)
        if (m.to > lengthMs_) throw SourceError(file, {m.line, 1}, "the move ends after the clip");

    PaintedPicture black;
    black.Width = width_;
    black.Height = height_;
    black.Pixels.assign(size_t(width_) * size_t(height_), 0xFF000000u);
    try {
        background_ = PaintPicture(PaintText(paints), black);
        // Every moving shape is tried at both ends, so a fault shows whether or not a frame
        // falls there.
        for (const Motion& m : motions_)
            for (double t : {m.from, m.to})
                PaintPicture(PaintText({{m.line, MotionAt(m, t)}}), black);
    } catch (const SourceError&) {
        throw;
    } catch (const VeskError& e) {
        FailPainted(file, e);
    }

    std::string toneText;
    for (const std::string& t : tones) toneText += t + '\n';
    const SynthSound s = SynthesizeTones(file, toneText);
    const size_t frames = size_t(int64_t(lengthMs_) * kSoundRate / 1000);
    sound_.assign(frames * 2, 0);
    for (size_t i = 0; i < frames; ++i) {
        // Tone lists at another rate are taken sample by nearest sample.
        const size_t k = size_t(double(i) * s.rate / kSoundRate) * size_t(s.channels);
        if (k >= s.samples.size()) break;
        sound_[i * 2] = s.samples[k];
        sound_[i * 2 + 1] = s.samples[k + size_t(s.channels) - 1];
    }
}

int VideoSource::Frames() const {
    return std::max(1, int(std::lround(double(lengthMs_) * fps_ / 1000)));
}

std::string VideoSource::PaintText(const std::vector<std::pair<int, std::string>>& lines) const {
    // The description's lines keep their numbers, so the painter's faults name them.
    std::vector<std::string> out(size_t(lineCount_) + 1);
    for (const auto& [line, text] : lines) out.at(size_t(line - 1)) = text;
    std::string joined;
    for (const std::string& l : out) joined += l + '\n';
    return joined;
}

std::string VideoSource::MotionAt(const Motion& m, double ms) const {
    const double u = std::clamp((ms - m.from) / (m.to - m.from), 0.0, 1.0);
    std::string out;
    for (const std::string& word : m.words) {
        const size_t arrow = word.find('>');
        if (!out.empty()) out += ' ';
        if (arrow == std::string::npos) {
            out += word;
            continue;
        }
        const std::string p = word.substr(0, arrow), q = word.substr(arrow + 1);
        long x = 0, y = 0;
        double c[4], d[4];
        if (ParseInt(p, -100000, 100000, x) && ParseInt(q, -100000, 100000, y)) {
            out += std::to_string(std::lround(double(x) + double(y - x) * u));
        } else if (ParseColour(p, c) && ParseColour(q, d)) {
            char hex[10];
            unsigned v[4];
            for (int k = 0; k < 4; ++k) v[k] = unsigned(std::lround(c[k] + (d[k] - c[k]) * u));
            std::snprintf(hex, sizeof hex, "#%02X%02X%02X%02X", v[0], v[1], v[2], v[3]);
            out += hex;
        } else {
            throw SourceError(
                file_, {m.line, 1},
                "'" + word + "' moves neither a number nor a colour (3>40, #000000>#FFFFFF)");
        }
    }
    return out;
}

PaintedPicture VideoSource::Frame(int index) const {
    const double ms = double(index) * 1000 / fps_;
    std::vector<std::pair<int, std::string>> lines;
    for (const Motion& m : motions_)
        if (ms >= m.from && ms <= m.to) lines.emplace_back(m.line, MotionAt(m, ms));
    if (lines.empty()) return background_;
    try {
        return PaintPicture(PaintText(lines), background_);
    } catch (const VeskError& e) {
        FailPainted(file_, e);
    }
}

std::vector<uint8_t> EncodeVideoSource(const std::string& file, const std::string& text) {
    const VideoSource clip(file, text);
    TVideoPictures pictures;
    pictures.width = clip.Width();
    pictures.height = clip.Height();
    pictures.fps = clip.Fps();
    pictures.frames = clip.Frames();
    pictures.paint = [&](int index, uint32_t* px, int pitch) {
        const PaintedPicture p = clip.Frame(index);
        for (int y = 0; y < p.Height; ++y)
            for (int x = 0; x < p.Width; ++x)
                px[size_t(y) * size_t(pitch / 4) + size_t(x)] =
                    p.Pixels[size_t(y) * size_t(p.Width) + size_t(x)] & 0xFFFFFFu;
    };
    // FFmpeg's writer wants a file; a private one in the temporary folder, removed after.
    std::string path = (std::filesystem::temp_directory_path() / "vesk-clip-XXXXXX.wmv").string();
    const int fd = mkstemps(path.data(), 4);
    if (fd < 0) throw SourceError(file, {}, "cannot make a temporary file for the video");
    ::close(fd);
    struct Remove {
        std::string p;
        ~Remove() { std::remove(p.c_str()); }
    } remove{path};
    try {
        WriteWindowsMedia(path, clip.Sound(), pictures);
    } catch (const SourceError&) {
        throw;
    } catch (const VeskError& e) {
        throw SourceError(file, {}, Cp932ToUtf8(e.what()));
    }
    return ReadWholeFile(path);
}

bool ConvertVideoSource(const std::filesystem::path& rel, const std::string& file,
                        const std::vector<uint8_t>& bytes, std::filesystem::path& outRel,
                        std::vector<uint8_t>& out) {
    const std::string name = LowerAscii(rel.filename().string());
    const std::string ext = ".wmv.txt";
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    out = EncodeVideoSource(file, std::string(bytes.begin(), bytes.end()));
    outRel = std::filesystem::path(rel).replace_extension();  // "x.wmv.txt" -> "x.wmv"
    return true;
}

}  // namespace vesk::scriptc
