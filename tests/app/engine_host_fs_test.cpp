// The engine reaches the disk through the host file system it is given, and the names in a
// game's data reach only files inside the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "base/stream.h"
#include "script/page_builder.h"
#include "script/project_file.h"
#include "vars/param_collection.h"

namespace vesk {
namespace {

// Passes every call on to the real file system and keeps the paths it was asked about.
class TRecordingFs final : public IHostFileSystem {
  public:
    std::unique_ptr<IHostFile> Open(const std::string& path, HostOpen mode) override {
        return real_.Open(Note(path), mode);
    }
    HostMapping Map(const std::string& path) override { return real_.Map(Note(path)); }
    HostEntry Stat(const std::string& path) override { return real_.Stat(Note(path)); }
    std::vector<std::string> List(const std::string& folder) override {
        return real_.List(Note(folder));
    }
    std::optional<std::string> Canonical(const std::string& path) override {
        return real_.Canonical(Note(path));
    }
    bool Remove(const std::string& path) override { return real_.Remove(Note(path)); }
    void Rename(const std::string& from, const std::string& to) override {
        real_.Rename(Note(from), Note(to));
    }
    std::string MakeTempFolder(const std::string& prefix) override {
        return tempFolders.emplace_back(real_.MakeTempFolder(prefix));
    }
    std::string ExecutablePath() override { return real_.ExecutablePath(); }

    bool Asked(const std::string& path) const {
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }
    std::vector<std::string> paths, tempFolders;

  private:
    const std::string& Note(const std::string& path) { return paths.emplace_back(path); }
    TPosixFileSystem real_;
};

TEST(EngineHostFsTest, AStartPageOutsideTheGameIsNeverRun) {
    test::TempDir world;
    // A page beside the game folder that marks a variable when it runs.
    TPageBuilder outside;
    outside.Calc("escaped = 1");
    outside.WriteFile(world / "outside.lsb");
    TProjectFile f;
    f.ProjectName = "Walled";
    f.StartPage = "..\\outside.lsb";
    TDeclaredVar v;
    v.Name = "escaped";
    f.Vars = {v};
    MemoryStream m;
    f.Save(m);
    const std::string game = world.path() + "/game";
    WriteFileAtomic(world / "game/vesk.lpb", m.Bytes().data(), m.Bytes().size());

    TRecordingFs hostFs;
    TEngineOptions o;
    o.Args = {game};
    o.HostFs = &hostFs;
    int64_t now = 0;
    o.Now = [&now] { return now; };
    {
        TEngine e(o);
        EXPECT_EQ(&e.HostFs(), &hostFs);
        e.Start();
        for (int i = 0; i < 5 && !e.QuitFlag(); ++i) e.Tick(now += 16);
        auto* escaped = e.Store().Find("escaped");
        EXPECT_TRUE(!escaped || escaped->Param()->AsInt() == 0);
        e.Shutdown();
    }
    // The project came through the file system given, and so did the work folder.
    EXPECT_TRUE(hostFs.Asked(game + "/vesk.lpb"));
    ASSERT_EQ(hostFs.tempFolders.size(), 1u);
    EXPECT_FALSE(hostFs.tempFolders[0].empty());
    EXPECT_FALSE(hostFs.IsFolder(hostFs.tempFolders[0]));  // removed with the engine
}

}  // namespace
}  // namespace vesk
