#include "scriptc/game_builder.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "platform/posix_file_system.h"
#include "script/project_install.h"
#include "scriptc/compiler.h"
#include "scriptc/project_source.h"
#include "scriptc/sound_sources.h"
#include "vfs/archive_tools.h"

#ifdef VESK_SCRIPTC_PICTURES
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"
#include "scriptc/picture_paint.h"
#include "scriptc/video_source.h"
#endif

namespace vesk::scriptc {

namespace fs = std::filesystem;

namespace {

// Messages here carry native (UTF-8) paths.
[[noreturn]] void FailNative(const std::string& utf8) {
    Fail(Utf8ToCp932(utf8));
}

std::string ReadText(const fs::path& p) {
    std::vector<uint8_t> bytes = ReadWholeFile(p.string());
    return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    WriteFileAtomic(p.string(), bytes.data(), bytes.size());
}

// A path relative to the source folder, with '/' folders; hidden entries are left out.
bool Hidden(const fs::path& rel) {
    for (const auto& part : rel)
        if (!part.empty() && part.string()[0] == '.') return true;
    return false;
}

std::string NativePageName(const std::string& cp932) {
    std::string s = Cp932ToUtf8(cp932);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// The layered image of a PNG or BMP picture or of a painted one; false for other files.
bool ConvertPicture([[maybe_unused]] const fs::path& rel,
                    [[maybe_unused]] const std::vector<uint8_t>& bytes,
                    [[maybe_unused]] std::vector<uint8_t>& out) {
#ifdef VESK_SCRIPTC_PICTURES
    std::string ext = LowerAscii(rel.extension().string());
    if (ext == kPaintedPictureExt) {
        out = PaintedLayeredImage(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return true;
    }
    if (ext != ".png" && ext != ".bmp") return false;
    TQuilFrameList list;
    if (ext == ".png")
        list.LoadFromPng(bytes.data(), bytes.size());
    else
        list.LoadFromBmp(bytes.data(), bytes.size());
    out = TQuilWriter().Write(list);
    return true;
#else
    return false;
#endif
}

}  // namespace

bool CanConvertPictures() {
#ifdef VESK_SCRIPTC_PICTURES
    return true;
#else
    return false;
#endif
}

BuildReport BuildGame(const std::string& source, const std::string& target,
                      const BuildOptions& options) {
    fs::path src(source);
    if (!fs::is_directory(src)) FailNative("no source folder " + source);
    fs::path projectPath = src / kProjectSourceName;
    if (!fs::is_regular_file(projectPath))
        FailNative("the source folder has no project description " + projectPath.string());
    TProjectFile project = ParseProjectSource(projectPath.string(), ReadText(projectPath));

    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(src)) {
        if (!e.is_regular_file()) continue;
        fs::path rel = fs::relative(e.path(), src);
        if (!Hidden(rel) && rel != fs::path(kProjectSourceName)) files.push_back(rel);
    }
    std::sort(files.begin(), files.end());

    BuildReport report;
    TScriptCompiler compiler;
    std::vector<fs::path> assets;
    for (const fs::path& rel : files) {
        if (rel.extension() == kPageSourceExt)
            compiler.AddPage((src / rel).string(), PageNameForSource(rel.generic_string()),
                             ReadText(src / rel));
        else
            assets.push_back(rel);
    }
    std::vector<CompiledPage> pages = compiler.Finish();
    bool hasStart = std::any_of(pages.begin(), pages.end(), [&](const CompiledPage& p) {
        return SameTextAscii(p.Name, project.StartPage);
    });
    if (!hasStart)
        throw SourceError(
            projectPath.string(), {},
            "the start page '" + Cp932ToUtf8(project.StartPage) + "' is not among the pages");

    fs::path out(target);
    fs::create_directories(out);
    // With an archive, the game is put together in a folder of its own and packed from there.
    fs::path stage = options.Archive ? out / ".game-stage" : out;
    if (options.Archive) fs::remove_all(stage);
    for (const CompiledPage& p : pages) {
        WriteBytes(stage / NativePageName(p.Name), p.Bytes);
        report.Pages.push_back(Cp932ToUtf8(p.Name));
    }
    {
        MemoryStream m;
        project.Save(m);
        WriteBytes(stage / "vesk.lpb", m.Bytes());
    }
    // Output names already taken, to catch two sources writing one file (sky.png, sky.qil).
    std::set<std::string> written;
    for (const CompiledPage& p : pages) written.insert(UpperAscii(NativePageName(p.Name)));
    written.insert("VESK.LPB");
    for (const fs::path& rel : assets) {
        std::vector<uint8_t> bytes = ReadWholeFile((src / rel).string()), made;
        fs::path outRel = rel;
        bool converted = false;
        try {
            converted = options.ConvertPictures && ConvertPicture(rel, bytes, made);
        } catch (const VeskError& e) {
            FailNative((src / rel).string() + ": " + e.what());
        }
        if (converted) outRel.replace_extension(".qil");
        // Music and sound written as text become MIDI, WAV or Ogg files.
        if (!converted && ConvertSoundSource(rel, (src / rel).string(), bytes, outRel, made))
            converted = true;
#ifdef VESK_SCRIPTC_PICTURES
        // Video clips written as text are painted and encoded.
        if (!converted && ConvertVideoSource(rel, (src / rel).string(), bytes, outRel, made))
            converted = true;
#endif
        if (!written.insert(UpperAscii(outRel.generic_string())).second)
            FailNative((src / rel).string() + ": another source file already gives " +
                       outRel.generic_string());
        WriteBytes(stage / outRel, converted ? made : bytes);
        (converted && outRel.extension() == ".qil" ? report.Pictures : report.Assets)
            .push_back(outRel.generic_string());
    }
    if (options.Archive) {
        TPosixFileSystem hostFs;
        TArchiveReport r = CreateArchive(hostFs, stage.string(), (out / "game.dat").string());
        fs::remove_all(stage);
        if (r.failed)
            FailNative("game.dat: " + (r.messages.empty() ? std::string() : r.messages[0]));
    }
    if (options.Install) {
        TVeskInstallSet install;
        install.ProjectId = project.ProjectName;
        install.Installed = true;
        MemoryStream m;
        install.Save(m);
        WriteBytes(out / "install.dat", m.Bytes());
    }
    return report;
}

}  // namespace vesk::scriptc
