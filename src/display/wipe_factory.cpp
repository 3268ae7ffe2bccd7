#include "display/wipe_factory.h"

#include <exception>

#include "base/stream.h"
#include "display/quil_collection.h"
#include "gfx/picture_io.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

namespace {

// A transition as the display root sees it.
class TScreenWipe final : public IScreenWipe {
  public:
    explicit TScreenWipe(std::unique_ptr<TCustomWipe> wipe) : wipe_(std::move(wipe)) {}
    void SetStartFlag(bool on) override { wipe_->SetStartFlag(on); }
    void SetParam(int index, int32_t value) override { wipe_->SetParam(index, value); }
    void SetText(const std::string& text) override { wipe_->SetText(text); }
    void SetDuration(int32_t ms) override { wipe_->SetDuration(ms); }
    int32_t Duration() const override { return wipe_->Duration(); }
    void SetElapsed(int32_t ms) override { wipe_->SetElapsed(ms); }
    void Prepare() override { wipe_->Prepare(); }
    bool Step() override { return wipe_->Step(); }
    TRect Area() const override { return wipe_->Area(); }

  private:
    std::unique_ptr<TCustomWipe> wipe_;
};

}  // namespace

std::unique_ptr<TDIBX> LoadGamePicture(TVrFileManager& files, TQuilCollection& images,
                                       const std::string& name) {
    if (name.empty()) return nullptr;
    try {
        if (!files.Exists(name)) return nullptr;
        MemoryStream data;
        files.LoadFile(data, name);
        auto picture = std::make_unique<TDIBX>(1, 1, 32);
        const auto& bytes = data.Bytes();
        if (SniffPicture(bytes.data(), bytes.size()) == PictureKind::Quil) {
            // Through the cache, which knows the project's image code; the copy outlives the
            // item, which goes again with its only user.
            const int token = 0;
            TQuilItem* item = images.Acquire(name, {}, &token);
            const bool failed = item->Failed() || item->FrameCount() == 0;
            if (!failed) picture->Assign(item->FrameAt(0).Picture());
            images.Release(item, &token);
            if (failed) return nullptr;
            return picture;
        }
        if (!picture->LoadFromStream(data)) return nullptr;
        return picture;
    } catch (const std::exception&) {
        // A picture that cannot be read counts as missing.
        return nullptr;
    }
}

WipeFactory MakeWipeFactory(TWipeEnv env) {
    return [env = std::move(env)](int32_t kind, TCustomDIBX& dest, TCustomDIBX& newPicture,
                                  TCustomDIBX& oldPicture) -> std::unique_ptr<IScreenWipe> {
        std::unique_ptr<TCustomWipe> wipe = CreateWipe(kind, dest, newPicture, oldPicture, env);
        if (!wipe) return nullptr;
        return std::make_unique<TScreenWipe>(std::move(wipe));
    };
}

WipeFactory MakeWipeFactory(TVrFileManager& files, TQuilCollection& images,
                            std::optional<uint32_t> seed) {
    TWipeEnv env;
    env.seed = seed;
    env.loadPicture = [&files, &images](const std::string& name) {
        return LoadGamePicture(files, images, name);
    };
    return MakeWipeFactory(std::move(env));
}

}  // namespace vesk
