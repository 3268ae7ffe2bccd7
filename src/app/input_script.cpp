#include "app/input_script.h"

#include <fstream>
#include <sstream>
#include <string>

#include "app/int_text.h"
#include "base/cp932.h"
#include "base/error.h"

namespace vesk {

namespace {

// Picture coordinates far outside any screen are a typing error, not a position.
constexpr int64_t kMaxCoord = 1 << 20;

// Reads a double-quoted text starting at `pos` of `line`; `pos` ends past the closing quote.
// False when there is no quoted text there.
bool QuotedText(const std::string& line, size_t& pos, std::string& out) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < line.size()) {
            const char n = line[++pos];
            out += n == 'n' ? '\n' : n;
        } else {
            out += c;
        }
    }
    return false;
}

size_t Utf8CharCount(const std::string& s) {
    size_t n = 0;
    for (char c : s)
        if ((uint8_t(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

int32_t VirtualKeyByName(const std::string& name) {
    static constexpr struct {
        const char* name;
        int32_t vk;
    } kNames[] = {{"backspace", 0x08}, {"tab", 0x09},     {"enter", 0x0D}, {"return", 0x0D},
                  {"shift", 0x10},     {"control", 0x11}, {"ctrl", 0x11},  {"alt", 0x12},
                  {"escape", 0x1B},    {"esc", 0x1B},     {"space", 0x20}, {"pageup", 0x21},
                  {"pagedown", 0x22},  {"end", 0x23},     {"home", 0x24},  {"left", 0x25},
                  {"up", 0x26},        {"right", 0x27},   {"down", 0x28},  {"insert", 0x2D},
                  {"delete", 0x2E}};
    std::string n = LowerAscii(name);
    for (const auto& k : kNames)
        if (n == k.name) return k.vk;
    if (n.size() == 1 && n[0] >= 'a' && n[0] <= 'z') return 'A' + (n[0] - 'a');
    if (n.size() == 1 && n[0] >= '0' && n[0] <= '9') return n[0];
    int64_t f = 0;
    if (n.size() >= 2 && n[0] == 'f' && IntInRange(n.substr(1), 1, 12, f))
        return int32_t(0x70 + f - 1);
    int64_t code = 0;
    if (IntInRange(n, 1, 255, code)) return int32_t(code);
    return -1;
}

TInputScript TInputScript::Parse(const std::string& text) {
    TInputScript s;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string raw = line;
        if (size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string t; words >> t;) w.push_back(t);
        if (w.empty()) continue;
        auto fail = [&](const std::string& why) {
            Fail("input script line " + std::to_string(lineNo) + ": " + why);
        };
        int64_t tick = 0;
        if (!IntInRange(w[0], 1, INT64_MAX - 1, tick))
            fail("a line starts with a tick (1 or more)");
        if (w.size() < 2) fail("no action after the tick");
        std::string action = LowerAscii(w[1]);
        auto args = [&](size_t n, const char* form) {
            if (w.size() != n + 2) fail(std::string("expected: ") + form);
        };
        auto coord = [&](size_t i) {
            int64_t v = 0;
            if (!IntInRange(w[i], -kMaxCoord, kMaxCoord, v)) fail("not a position: " + w[i]);
            return int32_t(v);
        };
        auto side = [&](size_t i) {
            std::string b = LowerAscii(w[i]);
            if (b != "left" && b != "right") fail("a button is left or right, not " + w[i]);
            return b == "left";
        };
        auto key = [&](size_t i) {
            int32_t vk = VirtualKeyByName(w[i]);
            if (vk < 0) fail("unknown key " + w[i]);
            return vk;
        };
        auto& at = s.events_[tick];
        if (action == "move") {
            args(2, "TICK move X Y");
            at.push_back({TInputEvent::Move, coord(2), coord(3)});
        } else if (action == "down" || action == "up") {
            args(1, "TICK down|up left|right");
            TInputEvent e{TInputEvent::Button};
            e.left = side(2);
            e.down = action == "down";
            at.push_back(e);
        } else if (action == "click") {
            args(3, "TICK click left|right X Y");
            bool left = side(2);
            int32_t x = coord(3), y = coord(4);
            at.push_back({TInputEvent::Move, x, y});
            TInputEvent e{TInputEvent::Button};
            e.left = left;
            at.push_back(e);
            e.down = false;
            s.events_[tick + 1].push_back(e);
        } else if (action == "wheel") {
            args(1, "TICK wheel up|down");
            std::string d = LowerAscii(w[2]);
            if (d != "up" && d != "down") fail("the wheel turns up or down, not " + w[2]);
            TInputEvent e{TInputEvent::Wheel};
            e.down = d == "down";
            at.push_back(e);
        } else if (action == "key" || action == "keydown" || action == "keyup") {
            args(1, "TICK key|keydown|keyup K");
            TInputEvent e{TInputEvent::Key};
            e.vk = key(2);
            e.down = action != "keyup";
            at.push_back(e);
            if (action == "key") {
                e.down = false;
                s.events_[tick + 1].push_back(e);
            }
        } else if (action == "fastforward") {
            args(1, "TICK fastforward on|off");
            std::string d = LowerAscii(w[2]);
            if (d != "on" && d != "off") fail("fastforward is on or off, not " + w[2]);
            TInputEvent e{TInputEvent::FastForward};
            e.down = d == "on";
            at.push_back(e);
        } else if (action == "text" || action == "compose") {
            // The text is read from the line as written: it may hold '#' and spaces.
            const char* form =
                action == "text" ? "TICK text \"TEXT\"" : "TICK compose \"TEXT\" [C]";
            size_t pos = raw.find(w[1]) + w[1].size();
            TInputEvent e{action == "text" ? TInputEvent::Text : TInputEvent::Compose};
            if (!QuotedText(raw, pos, e.text)) fail(std::string("expected: ") + form);
            std::istringstream rest(raw.substr(pos));
            std::vector<std::string> more;
            for (std::string t; rest >> t && t[0] != '#';) more.push_back(t);
            e.x = int32_t(std::min<size_t>(Utf8CharCount(e.text), INT32_MAX));
            int64_t cursor = 0;
            if (e.kind == TInputEvent::Compose && more.size() == 1 &&
                IntInRange(more[0], 0, INT32_MAX, cursor))
                e.x = int32_t(cursor);
            else if (!more.empty())
                fail(std::string("expected: ") + form);
            at.push_back(e);
        } else if (action == "close") {
            args(0, "TICK close");
            at.push_back({TInputEvent::Close});
        } else {
            fail("unknown action " + w[1]);
        }
    }
    return s;
}

TInputScript TInputScript::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read the input script " + path);
    // A script is a few lines typed by hand; anything huge is the wrong file.
    constexpr size_t kMaxBytes = 16 << 20;
    std::string text;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, size_t(in.gcount()));
        if (text.size() > kMaxBytes) Fail("the input script " + path + " is larger than 16 MiB");
    }
    return Parse(text);
}

void TInputScript::Deliver(int64_t tick, IWindowInput& sink) const {
    auto it = events_.find(tick);
    if (it == events_.end()) return;
    for (const TInputEvent& e : it->second) {
        switch (e.kind) {
            case TInputEvent::Move:
                sink.MouseMoveTo(e.x, e.y);
                break;
            case TInputEvent::Button:
                sink.MouseButton(e.left, e.down);
                break;
            case TInputEvent::Wheel:
                sink.MouseWheel(e.down);
                break;
            case TInputEvent::Key:
                if (e.down)
                    sink.KeyDown(e.vk);
                else
                    sink.KeyUp(e.vk);
                break;
            case TInputEvent::Close:
                sink.CloseRequested();
                break;
            case TInputEvent::FastForward:
                sink.FastForward(HoldSource::Script, e.down);
                break;
            case TInputEvent::Text:
                sink.TextInput(e.text);
                break;
            case TInputEvent::Compose:
                sink.TextEditing(e.text, e.x);
                break;
        }
    }
}

}  // namespace vesk
