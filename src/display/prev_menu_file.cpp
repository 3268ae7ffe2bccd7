#include "display/prev_menu_file.h"

#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"

namespace vesk {

namespace {

constexpr char kMagic[] = "VeskPrevMenu";
constexpr size_t kMagicSize = 12;

[[noreturn]] void WrongFormat() {
    Fail(VESK_JP("VeskPreviewMenu:このファイル形式には対応していません"));
}

[[noreturn]] void WrongVersion() {
    Fail(VESK_JP("VeskPreviewMenu:このバージョンのファイル形式には対応していません"));
}

// The smallest item of the first version: two numbers, eleven empty strings, the flag and
// two numbers.
constexpr int64_t kMinItemSize = 8 + 11 * 4 + 1 + 8;

void CheckVersion(int32_t v) {
    if (v < kPrevMenuFirstVersion || v > kPrevMenuVersion) WrongVersion();
}

}  // namespace

std::vector<const std::string*> TPrevMenuItem::FileNames() const {
    std::vector<const std::string*> out = {&Picture, &HoverPicture, &PressedPicture,
                                           &DisabledPicture, &SelectedPicture};
    for (const auto& f : Files103) out.push_back(&f);
    for (const auto& f : Files) out.push_back(&f);
    for (const auto& f : Files102) out.push_back(&f);
    out.push_back(&File);
    for (const auto& f : Files104) out.push_back(&f);
    out.push_back(&File105);
    out.push_back(&File106);
    return out;
}

TPrevMenuFile ReadPrevMenuFile(const uint8_t* data, size_t size) {
    if (size < kMagicSize || std::memcmp(data, kMagic, kMagicSize) != 0) WrongFormat();
    ViewStream s(data, size);
    StreamReader r(s);
    r.Skip(kMagicSize, "menu signature");
    char digits[3];
    if (s.Remaining() < 3) WrongVersion();
    r.Raw(digits, 3, "menu version");
    int32_t version = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') WrongVersion();
        version = version * 10 + (c - '0');
    }
    CheckVersion(version);
    TPrevMenuFile menu;
    menu.Version = version;
    menu.Width = r.I32("menu width");
    menu.Height = r.I32("menu height");
    if (menu.Width < 0 || menu.Height < 0)
        Fail("preview menu: negative size " + std::to_string(menu.Width) + " x " +
             std::to_string(menu.Height));
    const int32_t count = r.I32("menu item count");
    if (count < 0) Fail("preview menu: negative item count " + std::to_string(count));
    r.CheckCount(count, kMinItemSize, "menu items");
    menu.Items.resize(size_t(count));
    for (TPrevMenuItem& it : menu.Items) {
        it.X = r.I32("item x");
        it.Y = r.I32("item y");
        it.Picture = r.Str("item picture");
        it.Enabled = r.U8("item flag");
        it.Label = r.Str("item label");
        it.HoverPicture = r.Str("item file");
        it.PressedPicture = r.Str("item file");
        it.DisabledPicture = r.Str("item file");
        if (version >= 101) it.SelectedPicture = r.Str("item file");
        if (version >= 103)
            for (auto& f : it.Files103) f = r.Str("item file");
        for (auto& f : it.Files) f = r.Str("item file");
        if (version >= 102)
            for (auto& f : it.Files102) f = r.Str("item file");
        it.GroupIndex = r.I32("item number");
        it.Selected = r.I32("item number");
        it.File = r.Str("item file");
        if (version >= 104) {
            for (auto& f : it.Files104) f = r.Str("item file");
            it.Hidden = r.I32("item number");
        }
        if (version >= 105) it.File105 = r.Str("item file");
        if (version >= 106) it.File106 = r.Str("item file");
    }
    return menu;
}

TPrevMenuFile ReadPrevMenuFile(const std::vector<uint8_t>& bytes) {
    return ReadPrevMenuFile(bytes.data(), bytes.size());
}

std::vector<uint8_t> WritePrevMenuFile(const TPrevMenuFile& menu) {
    CheckVersion(menu.Version);
    if (menu.Width < 0 || menu.Height < 0) Fail("preview menu: negative size");
    MemoryStream s;
    StreamWriter w(s);
    w.Raw(kMagic, kMagicSize);
    const std::string version = std::to_string(menu.Version);
    w.Raw(version.data(), 3);
    w.I32(menu.Width);
    w.I32(menu.Height);
    w.I32(int32_t(menu.Items.size()));
    const int32_t v = menu.Version;
    for (const TPrevMenuItem& it : menu.Items) {
        w.I32(it.X);
        w.I32(it.Y);
        w.Str(it.Picture);
        w.U8(it.Enabled);
        w.Str(it.Label);
        w.Str(it.HoverPicture);
        w.Str(it.PressedPicture);
        w.Str(it.DisabledPicture);
        if (v >= 101) w.Str(it.SelectedPicture);
        if (v >= 103)
            for (const auto& f : it.Files103) w.Str(f);
        for (const auto& f : it.Files) w.Str(f);
        if (v >= 102)
            for (const auto& f : it.Files102) w.Str(f);
        w.I32(it.GroupIndex);
        w.I32(it.Selected);
        w.Str(it.File);
        if (v >= 104) {
            for (const auto& f : it.Files104) w.Str(f);
            w.I32(it.Hidden);
        }
        if (v >= 105) w.Str(it.File105);
        if (v >= 106) w.Str(it.File106);
    }
    return std::move(s.Bytes());
}

}  // namespace vesk
