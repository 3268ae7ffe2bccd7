#pragma once
// Pictures for the image tests: layered images made by the project's writer, served from
// an in-memory file collection, and a display root that shows them through a cache.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "display/display_commands.h"
#include "display/quil_collection.h"
#include "display/vesk_images.h"
#include "display_fixture.h"
#include "gfx/quil_writer.h"
#include "platform/posix_file_system.h"
#include "vfs/vr_file_manager.h"

namespace vesk::test {

// One frame of a test picture: 32-bit pixels 0x00RRGGBB from `pixel`, an optional mask
// from `mask`, a transparent value, a delay and the first rectangle of list 1.
struct FrameSpec {
    int32_t w = 4, h = 4;
    std::function<uint32_t(int32_t x, int32_t y)> pixel = [](int32_t, int32_t) {
        return 0x808080u;
    };
    std::function<uint8_t(int32_t x, int32_t y)> mask;
    int32_t transparent = -1;
    int32_t delay = 100;
    std::vector<TRect> rects;
};

inline std::vector<uint8_t> TextBytes(std::string_view s) {
    return {s.begin(), s.end()};
}

inline std::vector<uint8_t> QilBytes(const std::vector<FrameSpec>& frames) {
    TQuilFrameList list;
    for (const FrameSpec& s : frames) {
        TQuilFrame& f = list.AddFrame(s.w, s.h, 32);
        for (int32_t y = 0; y < s.h; ++y)
            for (int32_t x = 0; x < s.w; ++x) f.Picture().SetPixel(x, y, s.pixel(x, y));
        if (s.mask) {
            TDIBX& m = f.EnsureMask();
            for (int32_t y = 0; y < s.h; ++y)
                for (int32_t x = 0; x < s.w; ++x) m.SetPixel(x, y, s.mask(x, y));
        }
        f.SetTransparent(s.transparent);
        f.delay = s.delay;
        f.rects1 = s.rects;
    }
    return TQuilWriter().Write(list);
}

inline FrameSpec Solid(int32_t w, int32_t h, uint32_t rgb, int32_t delay = 100) {
    FrameSpec s;
    s.w = w;
    s.h = h;
    s.pixel = [rgb](int32_t, int32_t) { return rgb; };
    s.delay = delay;
    return s;
}

// Files in memory, a cache over them and a root that shows pictures through it.
struct PictureWorld {
    PictureWorld() : files(hostFs, ""), cache(files), root(64, 48) {
        files.AddArchive("");
        RegisterDisplayKinds(root.Kinds());
        root.SetImages(&cache);
        cache.SetDiagnostic([this](const std::string& file, const std::string& reason) {
            failures.push_back(file + ": " + reason);
        });
    }
    void Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        files.Collection(0).RemoveEntry(name);
        TVrFile* f = files.Collection(0).AddMemoryEntry(name);
        f->Data->Write(bytes.data(), bytes.size());
    }
    void Put(const std::string& name, const std::vector<FrameSpec>& frames) {
        Put(name, QilBytes(frames));
    }
    TVeskImages* Image(const std::string& name, const std::string& source) {
        auto* img = root.Create<TVeskImages>();
        SetStr(*img, PR_NAME, name);
        SetStr(*img, PR_SOURCE, source);
        return img;
    }
    void Frame(int32_t ms = 16) {
        root.StepAll(ms);
        root.PaintAll();
        root.ClearDirty();
    }
    uint32_t Px(int32_t x, int32_t y) { return root.Screen().GetPixel(x, y) & 0xFFFFFFu; }

    TPosixFileSystem hostFs;
    TVrFileManager files;
    TQuilCollection cache;
    TVeskBaseList root;
    std::vector<std::string> failures;
};

}  // namespace vesk::test
