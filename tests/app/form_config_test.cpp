// The configuration form over game.ini: what it reads, the enabling rule, what OK writes.
#include "app/form_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/game_ini.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

class FormConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("form_config_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "game.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
    std::string path_;
};

TEST_F(FormConfigTest, DefaultsWithoutAFile) {
    TFormConfig f(path_);
    EXPECT_TRUE(f.UseDirectSound());
    EXPECT_EQ(f.DelayPosition(), 5);
    EXPECT_EQ(f.DelayText(), "500ms");
    EXPECT_FALSE(f.DelayEnabled());
    EXPECT_FALSE(fs::exists(path_));  // reading creates nothing
}

TEST_F(FormConfigTest, DelayTimeBecomesATrackPosition) {
    struct {
        const char* value;
        int32_t position;
    } cases[] = {{"750", 5}, {"30", 1}, {"250", 2},  {"500", 5},  {"100", 1},
                 {"399", 3}, {"0", 1},  {"-300", 1}, {"lots", 5}, {"", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Write(std::string("[Sound]\r\nDelayTime=") + c.value + "\r\n");
        TFormConfig f(path_);
        EXPECT_EQ(f.DelayPosition(), c.position);
        EXPECT_EQ(f.DelayText(), std::to_string(c.position * 100) + "ms");
    }
}

TEST_F(FormConfigTest, DelayControlsOnlyWithoutDirectSound) {
    Write("[Sound]\nDirectSound=0\n");
    TFormConfig f(path_);
    EXPECT_FALSE(f.UseDirectSound());
    EXPECT_TRUE(f.DelayEnabled());
    f.SetUseDirectSound(true);
    EXPECT_FALSE(f.DelayEnabled());
    for (auto [in, out] : {std::pair{0, 1}, {3, 3}, {9, 5}, {-2, 1}}) {
        f.SetDelayPosition(in);
        EXPECT_EQ(f.DelayPosition(), out) << in;
    }
}

TEST_F(FormConfigTest, OkWritesBothKeysAndKeepsTheRest) {
    Write(
        "[Video]\r\nUseWMP=1\r\n[Sound]\r\nDirectSound=1\r\nVolume=80\r\nDelayTime=250\r\n"
        "[Disc]\r\nFolders=cd1;cd2\r\n");
    TFormConfig f(path_);
    f.SetUseDirectSound(false);
    f.SetDelayPosition(3);
    std::string error;
    ASSERT_TRUE(f.Ok(&error)) << error;
    TIniFile back(path_);
    EXPECT_FALSE(back.ReadBool("Sound", "DirectSound", true));
    EXPECT_EQ(back.ReadInteger("Sound", "DelayTime", 0), 300);
    EXPECT_EQ(back.ReadString("Sound", "Volume", ""), "80");
    EXPECT_EQ(back.ReadString("Video", "UseWMP", ""), "1");
    EXPECT_EQ(back.ReadString("Disc", "Folders", ""), "cd1;cd2");
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    // What was written reads back as the same dialog.
    TFormConfig again(path_);
    EXPECT_FALSE(again.UseDirectSound());
    EXPECT_EQ(again.DelayPosition(), 3);
}

TEST_F(FormConfigTest, OkCreatesTheFileAndKeepsKeysWrittenMeanwhile) {
    TFormConfig f(path_);
    Write("[Video]\nUseWMP=1\n");  // another program wrote while the dialog was open
    ASSERT_TRUE(f.Ok(nullptr));
    TIniFile back(path_);
    EXPECT_TRUE(back.ReadBool("Sound", "DirectSound", false));
    EXPECT_EQ(back.ReadInteger("Sound", "DelayTime", 0), 500);
    EXPECT_EQ(back.ReadString("Video", "UseWMP", ""), "1");
}

TEST_F(FormConfigTest, CancelLeavesTheFileAsItWas) {
    const std::string original = "; the user's notes\n[Sound]\nDirectSound = 1\nDelayTime=250\n";
    Write(original);
    {
        TFormConfig f(path_);
        f.SetUseDirectSound(false);
        f.SetDelayPosition(4);
    }  // closed without OK
    EXPECT_EQ(Read(), original);
}

TEST_F(FormConfigTest, AFileThatCannotBeWrittenIsReported) {
    TFormConfig f((dir_ / "missing-folder" / "game.ini").string());
    std::string error;
    EXPECT_FALSE(f.Ok(&error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vesk
