// The demo game (demo/) played as a reader plays it: from the title through the story to an
// ending and back to the title, headless, with scripted clicks. Checked: the variables the
// story keeps, screenshots at fixed ticks against the expected pictures in
// tests/e2e/data/demo (VESK_UPDATE_EXPECTED=1 writes them anew), the sound at the moments
// that should be quiet or loud, and a game saved from the system bar half-way through that
// a second run loads and reads to the same ending.
//
// Headless runs are exact: the clock is virtual, the game's randomness has a fixed seed, so a
// click at a given tick always lands on the same moment of the story. When the story's
// timing changes, the ticks below move with it (run with the screenshots written anew and
// look at them).
#include <cmath>
#include <map>
#include <optional>
#include <sstream>

#include "expected_picture.h"
#include "media/wav_file.h"
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// Places the reader clicks (demo/sys/title.vss, demo/sys/bar.vss, demo/sys/slots.vss,
// demo/story/*.vss).
struct Point {
    int x, y;
};
constexpr Point kTitleStart{320, 260};     // はじめる
constexpr Point kTitleContinue{320, 310};  // つづきから
constexpr Point kTitleQuit{320, 410};      // 終了
constexpr Point kBarSave{468, 315};        // セーブ on the system bar
constexpr Point kSlot1{170, 120};          // the first save slot, on the save and load screens
constexpr Point kNameEdit{300, 204};       // the reader's name, asked as the story starts
constexpr Point kNameOk{468, 245};         // its OK
constexpr Point kBelowText{300, 445};      // the message window, under its text
constexpr Point kLink{385, 352};           // the message window, where the park's link stands
constexpr Point kChoice[] = {{330, 208}, {330, 242}};  // 雪を見に行く, 家に帰る

enum class Route { Snow = 0, Home = 1 };

// The reader's scripted input: events by tick.
class Reader {
  public:
    Reader& Click(int64_t tick, Point p) {
        events_.emplace(tick, "click left " + std::to_string(p.x) + " " + std::to_string(p.y));
        return *this;
    }
    // Text typed (ASCII here; the input script takes UTF-8 in quotes).
    Reader& Type(int64_t tick, const std::string& text) {
        events_.emplace(tick, "text \"" + text + "\"");
        return *this;
    }
    Reader& Key(int64_t tick, const std::string& name) {
        events_.emplace(tick, "key " + name);
        return *this;
    }
    // Reads on from `from` up to `to`: every 8 ticks a click under the text, one on the
    // choice menu's item for `route` (nothing takes it until the menu is open) and one on the
    // place of the park's link (an ordinary click on the window where there is no link). Two
    // clicks turn a page: the first shows it whole, the second turns it.
    Reader& ReadOn(int64_t from, int64_t to, Route route) {
        for (int64_t t = from; t < to; t += 8) {
            Click(t, kBelowText);
            Click(t + 2, kChoice[int(route)]);
            Click(t + 4, kLink);
        }
        return *this;
    }
    std::string Text() const {
        std::string s;
        for (const auto& [tick, event] : events_) s += std::to_string(tick) + " " + event + "\n";
        return s;
    }

  private:
    std::multimap<int64_t, std::string> events_;
};

struct Shot {
    int64_t tick;
    std::string name;  // the expected picture: tests/e2e/data/demo/NAME.png
};

// The mixed sound of a run: 16-bit stereo at 44100 Hz, a tick being 16 ms.
class Sound {
  public:
    explicit Sound(const fs::path& wav) {
        TWavStream s(std::make_unique<MemoryStream>(ReadWholeFile(wav.string())));
        samples_.resize(size_t(s.GetSize() / 2));
        s.Read(samples_.data(), samples_.size() * 2);
    }
    // The root mean square of the samples from tick `from` to tick `to`.
    double Level(int64_t from, int64_t to) const {
        const size_t first = std::min(samples_.size(), size_t(from) * 16 * 441 / 10 * 2);
        const size_t last = std::min(samples_.size(), size_t(to) * 16 * 441 / 10 * 2);
        double sum = 0;
        for (size_t i = first; i < last; ++i) sum += double(samples_[i]) * samples_[i];
        return last > first ? std::sqrt(sum / double(last - first)) : 0.0;
    }
    size_t Ticks() const { return samples_.size() / 2 / 441 * 10 / 16; }

  private:
    std::vector<int16_t> samples_;
};

class DemoPlaythrough : public ::testing::Test {
  protected:
    // The demo is built once for all the tests; each test plays a copy of its own, so that
    // the status save starts empty.
    static void SetUpTestSuite() {
        built_ = new Workspace;
        const std::string cmd = Quote(VESKTOOL_PATH) + " build " + Quote(VESK_DEMO_SOURCE) + " " +
                                built_->Game("demo") + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    static void TearDownTestSuite() {
        delete built_;
        built_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(fs::exists(built_->Path("demo/vesk.lpb")));
        fs::copy(built_->Path("demo"), w.Path("demo"), fs::copy_options::recursive);
    }

    // One run of the game: at most `frames` ticks of `reader`'s input, with screenshots and
    // the sound written into the workspace.
    RunResult Play(const Reader& reader, int64_t frames, const std::vector<Shot>& shots = {}) {
        ++run_;
        const std::string tag = std::to_string(run_);
        std::string args = w.Game("demo") + " --frames " + std::to_string(frames) +
                           " --dump-vars --input " +
                           InputFile(w, reader.Text(), "input" + tag + ".txt") + " --audio-out " +
                           Quote(Audio().string());
        for (const Shot& s : shots)
            args += " --screenshot " + std::to_string(s.tick) + ":" + Quote(ShotPath(s).string());
        RunResult r = w.Play(args);
        EXPECT_EQ(r.status, 0) << r.err;
        // Every picture, sound and page the story names is there.
        EXPECT_EQ(r.err, "");
        return r;
    }
    fs::path ShotPath(const Shot& s) const {
        return w.Path("run" + std::to_string(run_) + "_" + s.name + ".png");
    }
    fs::path Audio() const { return w.Path("run" + std::to_string(run_) + ".wav"); }
    void ExpectShots(const std::vector<Shot>& shots) const {
        for (const Shot& s : shots) ExpectLooksLike(ShotPath(s), "demo/" + s.name + ".png");
    }

    Workspace w;

  private:
    static inline Workspace* built_ = nullptr;
    int run_ = 0;
};

std::string Text(const RunResult& r, const char* name) {
    const nlohmann::json v = r.Var(name);
    return v.is_object() ? v.value("text", "") : "";
}

TEST_F(DemoPlaythrough, BothRoutesFromTheTitleToTheirEndingsAndBackInOneSitting) {
    // The title, はじめる, the reader's name typed and OK, the park, the street, "go see the
    // snow", the hill, the ending; back on the title, はじめる again, the name as it was
    // (Enter), "go home", the room, the second ending; 終了. The reader stops clicking before
    // the choice menu of the first story to let it open whole, and before each ending gives
    // way to the title (the title's buttons stand where the clicks go).
    Reader reader;
    reader.Click(80, kTitleStart)
        .Click(150, kNameEdit)
        .Type(152, "Aoi")
        .Click(160, kNameOk)
        .ReadOn(164, 924, Route::Snow)
        .ReadOn(964, 1584, Route::Snow)
        .Click(1684, kTitleStart)
        .Key(1764, "enter")
        .ReadOn(1768, 3120, Route::Home)
        .Click(3220, kTitleQuit);
    const std::vector<Shot> shots = {
        {60, "title"},          // the title screen
        {156, "name"},          // the reader's name typed, over the park
        {234, "park_name"},     // the name in Yuki's first words
        {258, "park_ruby"},     // Yuki, her name's ruby, the message window and the bar
        {275, "park_note"},     // the note of the link (初雪) opened by a click on it
        {664, "street_clip"},   // the clip in its frame, Yuki stepped aside
        {958, "choice"},        // the choice menu open over the street
        {1222, "hill"},         // snow falling, the pond's wave, Yuki slid in, a face
        {1464, "ending_snow"},  // the first ending's card with its counts
        {1644, "title_again"},  // the title again, counting the ending seen
        {2776, "room"},         // the room, snow past the window, Yuki on the phone
        {3040, "ending_home"},  // the second ending's card
    };
    const RunResult r = Play(reader, 3600, shots);
    // 終了 ended the game well before the last tick.
    EXPECT_GT(r.Frames(), 3220);
    EXPECT_LT(r.Frames(), 3600);
    EXPECT_EQ(r.Var("runs"), 2);
    EXPECT_EQ(r.Var("endings"), 2);
    EXPECT_EQ(r.Var("seenSnow"), 1);
    EXPECT_EQ(r.Var("seenHome"), 1);
    EXPECT_EQ(Text(r, "route"), "home");
    EXPECT_EQ(Text(r, "player"), "Aoi");  // kept from run to run
    ExpectShots(shots);

    // What is heard: the title's music until はじめる, then nothing while the park fades in,
    // then the day's music; the night's music on the hill; at each ending the music fades
    // out, and the bell rings alone over the card.
    const Sound sound(Audio());
    EXPECT_GT(sound.Ticks(), 3220u);
    EXPECT_GT(sound.Level(30, 80), 150.0);
    EXPECT_LT(sound.Level(100, 140), 20.0);
    EXPECT_GT(sound.Level(170, 300), 300.0);
    EXPECT_GT(sound.Level(1130, 1330), 1000.0);
    EXPECT_LT(sound.Level(1360, 1425), 20.0);
    EXPECT_GT(sound.Level(1432, 1452), 1500.0);
    EXPECT_LT(sound.Level(2890, 2965), 20.0);
    EXPECT_GT(sound.Level(2975, 2995), 1500.0);
}

TEST_F(DemoPlaythrough, SavedInTheRoomAndLoadedFromTheTitleToTheSameEnding) {
    // The first run leaves the name as it is, goes home and, on the room's first page, saves
    // into the first slot from the system bar, then stops there.
    Reader first;
    first.Click(80, kTitleStart)
        .Click(160, kNameOk)
        .ReadOn(164, 924, Route::Home)
        .ReadOn(964, 1100, Route::Home)
        .Click(1214, kBarSave)
        .Click(1254, kSlot1);
    const Shot beforeSave{1209, "saved_scene"};
    RunResult r = Play(first, 1344, {beforeSave});
    EXPECT_EQ(r.Frames(), 1344);
    EXPECT_EQ(Text(r, "player"), "名無し");
    EXPECT_EQ(Text(r, "route"), "home");
    EXPECT_EQ(r.Var("endings"), 0);

    // The second run: つづきから, the first slot; the room and its page are back as they
    // were. Enter turns the page as a click does, and the story reads on to the home ending
    // and back to the title.
    Reader second;
    second.Click(80, kTitleContinue)
        .Click(130, kSlot1)
        .Key(190, "enter")
        .ReadOn(210, 690, Route::Home)
        .Click(790, kTitleQuit);
    const Shot afterLoad{170, "loaded_scene"}, afterEnter{200, "next_page"};
    const fs::path saved = ShotPath(beforeSave);
    r = Play(second, 1000, {afterLoad, afterEnter});
    EXPECT_LT(r.Frames(), 1000);
    EXPECT_EQ(Text(r, "route"), "home");
    EXPECT_EQ(r.Var("endings"), 1);
    EXPECT_EQ(r.Var("seenHome"), 1);
    EXPECT_EQ(r.Var("seenSnow"), 0);
    EXPECT_EQ(r.Var("runs"), 1);  // a loaded story is no new run
    const Picture before = HalfSize(ReadPng(saved)), after = HalfSize(ReadPng(ShotPath(afterLoad)));
    ASSERT_TRUE(before.Ok() && after.Ok());
    EXPECT_EQ(Compare(after, before, PictureTolerance{}.channel).differing, 0);
    const Picture next = HalfSize(ReadPng(ShotPath(afterEnter)));
    ASSERT_TRUE(next.Ok());
    EXPECT_GT(Compare(next, after, PictureTolerance{}.channel).differing, 100);
    // The music of the room comes back with the load; later it fades out for the ending's
    // bell.
    const Sound sound(Audio());
    EXPECT_GT(sound.Level(150, 300), 300.0);
    EXPECT_LT(sound.Level(410, 490), 20.0);
    EXPECT_GT(sound.Level(505, 525), 1500.0);
}

TEST(ExpectedPictureTest, HalvesAndCountsThePixelsBeyondTheTolerance) {
    Picture p;
    p.width = 4;
    p.height = 2;
    p.rgb = {0,  0,  0,  10, 10, 10, 200, 0, 0, 200, 0, 0,  // top row
             20, 20, 20, 30, 30, 30, 200, 0, 0, 201, 0, 0};
    const Picture h = HalfSize(p);
    ASSERT_EQ(h.width, 2);
    ASSERT_EQ(h.height, 1);
    EXPECT_EQ(h.At(0, 0), 0x0F0F0Fu);  // (0 + 10 + 20 + 30 + 2) / 4
    EXPECT_EQ(h.At(1, 0), 0xC80000u);  // 200.25 rounds down
    Picture other = h;
    other.rgb[0] += 24;  // within a tolerance of 24
    EXPECT_EQ(Compare(other, h, 24).differing, 0);
    other.rgb[4] += 25;  // green of the second pixel: beyond it
    const PictureDifference d = Compare(other, h, 24);
    EXPECT_EQ(d.differing, 1);
    EXPECT_EQ(d.worst, 25);
    EXPECT_EQ(d.mask.At(1, 0), 0xFFFFFFu);
}

}  // namespace
}  // namespace vesk::e2e
