#include "app/system_funcs.h"

#include <filesystem>

#include "base/cp932.h"
#include "base/error.h"
#include "base/message_box.h"
#include "base/stream.h"
#include "gfx/picture_io.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"
#include "gfx/rect.h"
#include "vars/param.h"
#include "vars/param_system.h"
#include "vars/sys_func_table.h"
#include "vfs/vr_file.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

namespace fs = std::filesystem;

std::string NativeFolderPath(const std::string& cp932) {
    std::string utf8;
    if (!TryCp932ToUtf8(cp932, utf8)) utf8 = cp932;
    for (char& ch : utf8)
        if (ch == '\\') ch = '/';
    return utf8;
}

std::string FileNamePart(const std::string& cp932) {
    size_t start = 0;
    for (size_t i = 0; i < cp932.size();) {
        const size_t len = CharLenAt(cp932, i);
        if (len == 1 && (cp932[i] == '\\' || cp932[i] == '/')) start = i + 1;
        i += len;
    }
    return cp932.substr(start);
}

namespace {

// The variable an "out" argument stands for; the argument itself when it is a constant
// (the write then lands there and is lost).
TCustomParam& Out(TCustomParam& arg) {
    if (auto* ref = dynamic_cast<TParamVar*>(&arg))
        if (TCustomParam* t = ref->TargetParam()) return *t;
    return arg;
}

bool StartsWithNoCase(const std::string& s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameTextAscii(s.substr(0, prefix.size()), prefix);
}

// The lines as a one-dimensional string array; no lines give one empty element.
void StoreLines(TCustomParam& out, const std::vector<std::string>& lines) {
    auto list = MakeParam(PT_STR);
    list->SetDims({int32_t(std::max<size_t>(lines.size(), 1))});
    for (size_t i = 0; i < lines.size(); ++i) list->SetStrAt(int32_t(i), lines[i]);
    out.CopyFrom(*list);
}

std::vector<std::string> SplitLines(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> lines;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        size_t len = end - start;
        if (len > 0 && text[start + len - 1] == '\r') --len;
        lines.emplace_back(text.substr(start, len));
        start = end + 1;
    }
    return lines;
}

}  // namespace

bool TSystemFuncs::ExecFunc(SysFuncCall& c) {
    switch (c.index) {
        case SF_FILEEXISTS: {
            bool found = false;
            try {
                found = env_.Files && env_.Files->Exists(c.Arg(0).AsStr());
            } catch (const std::exception&) {
            }
            c.dest.SetFlag(found);
            return true;
        }
        case SF_LOADTEXTFILE:
            LoadTextFile(c);
            return true;
        case SF_COPYFILE:
            CopyFile(c);
            return true;
        case SF_EXTRACTFILE:
            ExtractFile(c);
            return true;
        case SF_GETDISPLAYMODE: {
            const auto& modes = Modes();
            const int32_t i = c.Arg(0).AsInt();
            if (i < 0 || size_t(i) >= modes.size()) {
                c.dest.SetFlag(false);
                return true;
            }
            const TDisplayModeInfo& m = modes[size_t(i)];
            Out(c.Arg(1)).SetInt(m.Width);
            Out(c.Arg(2)).SetInt(m.Height);
            Out(c.Arg(3)).SetInt(m.BitCount);
            Out(c.Arg(4)).SetInt(m.Refresh);
            c.dest.SetFlag(true);
            return true;
        }
        case SF_SELECTOPENFILE:
        case SF_SELECTSAVEFILE:
        case SF_SELECTDIRECTORY:
            SelectFile(c);
            return true;
        case SF_OPENURL:
            OpenUrl(c);
            return true;
        case SF_SETWALLPAPER:
            SetWallPaper(c);
            return true;
        case SF_SAVESCREEN:
            SaveScreen(c);
            return true;
        default:
            return false;
    }
}

void TSystemFuncs::LoadTextFile(SysFuncCall& c) {
    std::vector<uint8_t> bytes;
    try {
        if (!env_.Files || !env_.Files->Exists(c.Arg(1).AsStr())) {
            c.dest.SetFlag(false);
            return;
        }
        bytes = env_.Files->LoadBytes(c.Arg(1).AsStr());
    } catch (const std::exception&) {
        c.dest.SetFlag(false);
        return;
    }
    StoreLines(Out(c.Arg(0)), SplitLines(bytes));
    c.dest.SetFlag(true);
}

void TSystemFuncs::CopyFile(SysFuncCall& c) {
    const std::string src = c.Arg(0).AsStr();
    const std::string dst = c.Arg(1).AsStr();
    // Only what the game itself wrote may be copied: files in memory and saved files.
    if (!env_.Files || env_.Files->CollectionCount() == 0 || dst.empty() ||
        !(StartsWithNoCase(src, "mem:") || StartsWithNoCase(src, "save:"))) {
        c.dest.SetFlag(false);
        return;
    }
    std::vector<uint8_t> bytes;
    try {
        if (!env_.Files->Exists(src)) {
            c.dest.SetFlag(false);
            return;
        }
        bytes = env_.Files->LoadBytes(src);
        // A "save:" file is one of the save file's: kept only in memory it would be gone at
        // the next start, while the game believes it stored it (a thumbnail taken before a
        // save screen is copied into its slot's name this way).
        if (StartsWithNoCase(dst, "save:") &&
            !(env_.WriteSaveMember && env_.WriteSaveMember(dst, bytes))) {
            c.dest.SetFlag(false);
            return;
        }
    } catch (const std::exception&) {
        c.dest.SetFlag(false);
        return;
    }
    PutInMemory(dst, bytes);
    c.dest.SetFlag(true);
}

void TSystemFuncs::PutInMemory(const std::string& name, const std::vector<uint8_t>& bytes) {
    // The memory collection is searched first: this is what the game reads from now on.
    TVrFileCollection& memory = env_.Files->Collection(0);
    memory.RemoveEntry(name);
    TVrFile* entry = memory.AddMemoryEntry(name);
    entry->Data->Write(bytes.data(), bytes.size());
    entry->Data->Seek(0, SeekFrom::Begin);
    if (env_.DropPicture) env_.DropPicture(name);
}

void TSystemFuncs::SaveScreen(SysFuncCall& c) {
    c.dest.SetFlag(false);
    const std::string name = c.Arg(0).AsStr();
    if (name.size() < 4 || !SameTextAscii(name.substr(name.size() - 4), ".qil")) return;
    const auto [sw, sh] = env_.GameSize ? env_.GameSize() : std::pair<int32_t, int32_t>{0, 0};
    int32_t w = c.Has(1) ? c.Arg(1).AsInt() : 0;
    int32_t h = c.Has(2) ? c.Arg(2).AsInt() : 0;
    if (w == 0) w = sw;
    if (h == 0) h = sh;
    // A picture larger than any screen is a runaway size, refused before memory is taken.
    constexpr int32_t kMaxSide = 16384;
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) return;
    const std::string folder = env_.SaveFolder ? env_.SaveFolder() : std::string();
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec) || !env_.Files ||
        env_.Files->CollectionCount() == 0)
        return;
    TCustomDIBX* picture =
        env_.LayerPicture ? env_.LayerPicture(c.Has(3) && c.Arg(3).AsFlag()) : nullptr;
    if (!picture || picture->Width() < 1 || picture->Height() < 1) return;
    std::vector<uint8_t> bytes;
    try {
        TQuilFrameList list;
        TQuilFrame& frame = list.AddFrame(w, h, 24);
        frame.Picture().StretchDraw(
            TRect{0, 0, w, h}, TRect{0, 0, picture->Width(), picture->Height()}, *picture, 255);
        bytes = TQuilWriter().Write(list);
        if (StartsWithNoCase(name, "mem:")) {
            PutInMemory(name, bytes);
        } else if (StartsWithNoCase(name, "save:")) {
            if (!env_.WriteSaveMember || !env_.WriteSaveMember(name, bytes)) return;
            PutInMemory(name, bytes);
        } else {
            // Only the name part: the picture lands in the save folder, whatever the name holds.
            std::string leaf;
            if (!TryCp932ToUtf8(FileNamePart(name), leaf)) return;
            if (leaf.empty() || leaf == "." || leaf == "..") return;
            WriteFileAtomic((fs::path(folder) / leaf).string(), bytes.data(), bytes.size());
            if (env_.DropPicture) env_.DropPicture(name);
        }
    } catch (const std::exception&) {
        return;
    }
    c.dest.SetFlag(true);
}

void TSystemFuncs::ExtractFile(SysFuncCall& c) {
    // a1: one name or an array of names in the game's files; a2: the folder on disk (absent
    // or empty: the folder dialog asks); a3: TRUE to overwrite without asking.
    c.dest.SetFlag(false);
    if (!env_.Files) return;
    std::string folder;
    if (c.Has(1)) folder = NativeFolderPath(c.Arg(1).AsStr());
    if (folder.empty()) {
        if (!env_.Desktop) return;
        std::optional<std::string> chosen = env_.Desktop->SelectDirectory("");
        if (!chosen) return;
        folder = *chosen;
    }
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return;
    const bool overwrite = c.Has(2) && c.Arg(2).AsFlag();

    const TCustomParam& names = c.Arg(0);
    bool all = true;
    for (int32_t i = 0; i < names.Count(); ++i) {
        const std::string name = names.StrAt(i);
        // Only the name part is used: whatever the game's name holds ("..\", a folder, an
        // absolute path), the file lands directly in the chosen folder.
        std::string leaf;
        if (!TryCp932ToUtf8(FileNamePart(name), leaf)) leaf = FileNamePart(name);
        if (leaf.empty() || leaf == "." || leaf == ".." || leaf.find('\0') != std::string::npos) {
            all = false;
            continue;
        }
        const fs::path target = fs::path(folder) / leaf;
        const fs::file_status st = fs::symlink_status(target, ec);
        if (fs::exists(st)) {
            if (fs::is_directory(st)) {
                all = false;
                continue;
            }
            if (!overwrite) {
                std::string text =
                    VESK_JP("%s\r\n\r\n既に同名のファイルが存在します。上書きしますか？");
                std::string shown = Utf8ToCp932(target.string());
                text.replace(text.find("%s"), 2, shown);
                if (!env_.MessageBox ||
                    env_.MessageBox->Show(text, VESK_JP("確認"), MsgButtons::YesNo,
                                          MsgIcon::Question) != MsgResult::Yes) {
                    all = false;
                    continue;
                }
            }
        }
        try {
            std::vector<uint8_t> bytes = env_.Files->LoadBytes(name);
            // Written through a new file and a rename: a link in the folder is replaced, never
            // followed.
            WriteFileAtomic(target.string(), bytes.data(), bytes.size());
        } catch (const std::exception&) {
            all = false;
        }
    }
    c.dest.SetFlag(all && names.Count() > 0);
}

void TSystemFuncs::SelectFile(SysFuncCall& c) {
    c.dest.SetFlag(false);
    if (!env_.Desktop) return;
    TCustomParam& out = Out(c.Arg(0));
    const std::string start = NativeFolderPath(out.AsStr());
    std::optional<std::string> chosen;
    if (c.index == SF_SELECTDIRECTORY) {
        chosen = env_.Desktop->SelectDirectory(start);
        if (chosen && (chosen->empty() || chosen->back() != '/')) *chosen += '/';
    } else {
        std::string filterText;
        if (c.Has(1) && !TryCp932ToUtf8(c.Arg(1).AsStr(), filterText)) filterText.clear();
        const std::vector<TFileFilter> filter = ParseFileFilter(filterText);
        chosen = c.index == SF_SELECTOPENFILE ? env_.Desktop->SelectOpenFile(filter, start)
                                              : env_.Desktop->SelectSaveFile(filter, start);
    }
    if (!chosen) return;
    out.SetStr(Utf8ToCp932(*chosen));
    c.dest.SetFlag(true);
}

void TSystemFuncs::OpenUrl(SysFuncCall& c) {
    // The result stays FALSE whatever happens, as games expect.
    c.dest.SetFlag(false);
    if (!env_.Desktop) return;
    const std::string text = c.Arg(0).AsStr();
    std::string target;
    if (StartsWithNoCase(text, "http") || StartsWithNoCase(text, "ftp")) {
        if (!TryCp932ToUtf8(text, target)) return;
    } else {
        std::error_code ec;
        const std::string folder = NativeFolderPath(text);
        if (folder.empty() || !fs::is_directory(folder, ec)) return;
        // Absolute, so that the opener never takes it for an option.
        target = fs::absolute(folder, ec).string();
        if (ec) return;
    }
    env_.Desktop->Open(target);
}

void TSystemFuncs::SetWallPaper(SysFuncCall& c) {
    // The desktop's wallpaper is not ours to change: the bitmap is written where the user
    // can pick it, and the function reports that no wallpaper was set.
    c.dest.SetFlag(false);
    if (env_.WallpaperPath.empty()) return;
    const std::string name = c.Arg(0).AsStr();
    try {
        std::vector<uint8_t> bmp;
        if (name.empty()) {
            TCustomDIBX* screen = env_.Screen ? env_.Screen() : nullptr;
            if (!screen) return;
            bmp = EncodeBmp24(*screen);
        } else {
            if (!env_.Files || !env_.Files->Exists(name)) return;
            std::vector<uint8_t> bytes = env_.Files->LoadBytes(name);
            TQuilFrameList frames;
            if (!frames.LoadFromData(bytes.data(), bytes.size(), true) || frames.Count() == 0)
                return;
            bmp = EncodeBmp24(frames.FrameAt(0).Picture());
        }
        WriteFileAtomic(env_.WallpaperPath, bmp.data(), bmp.size());
    } catch (const std::exception&) {
    }
}

const std::vector<TDisplayModeInfo>& TSystemFuncs::Modes() {
    if (modes_) return *modes_;
    modes_.emplace();
    if (!env_.Desktop) return *modes_;
    const auto [w, h] = env_.GameSize ? env_.GameSize() : std::pair<int32_t, int32_t>{0, 0};
    for (const TDisplayModeInfo& m : env_.Desktop->DisplayModes())
        if (m.Width >= w && m.Height >= h && m.BitCount >= 16) modes_->push_back(m);
    // The full-screen mode: the first, replaced by a mode of exactly the preferred size when
    // the choice does not have that size, or by one of the desktop's depth (today's desktops
    // run at 32 bits) when the choice has another depth or a higher refresh rate.
    const auto [pw, ph] =
        env_.PreferredSize ? env_.PreferredSize() : std::pair<int32_t, int32_t>{0, 0};
    constexpr int32_t kDesktopDepth = 32;
    modeIndex_ = modes_->empty() ? -1 : 0;
    auto preferred = [&](const TDisplayModeInfo& m) { return m.Width == pw && m.Height == ph; };
    for (size_t i = 1; i < modes_->size(); ++i) {
        const TDisplayModeInfo& m = (*modes_)[i];
        const TDisplayModeInfo& cur = (*modes_)[size_t(modeIndex_)];
        if (!preferred(m)) continue;
        if (!preferred(cur) || (m.BitCount == kDesktopDepth &&
                                (cur.BitCount != kDesktopDepth || cur.Refresh > m.Refresh)))
            modeIndex_ = int32_t(i);
    }
    return *modes_;
}

int32_t TSystemFuncs::ModeIndex() {
    Modes();
    return modeIndex_;
}

std::unique_ptr<TCustomParam> TSystemFuncs::ReadVar(int id) {
    if (id == SV_DISPLAYMODECOUNT) return IntParam(int32_t(Modes().size()));
    if (id == SV_DISPLAYMODEINDEX) return IntParam(ModeIndex());
    return nullptr;
}

bool TSystemFuncs::WriteVar(int id, const TCustomParam& value) {
    if (id != SV_DISPLAYMODEINDEX) return false;
    const int32_t i = value.AsInt();
    // Full screen fills the desktop and scales the game; the chosen mode is what the game
    // reads back, and an index out of range changes nothing.
    if (i >= 0 && size_t(i) < Modes().size()) modeIndex_ = i;
    return true;
}

}  // namespace vesk
