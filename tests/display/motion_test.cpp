// Motions: timing at 60 frames a second, play end, repeat, re-basing, auto scrap.
#include <gtest/gtest.h>

#include "display_fixture.h"

namespace vesk {
namespace {

using namespace test;

class Motion : public ::testing::Test {
  protected:
    Motion() : root(200, 200) {
        auto track = std::make_shared<TMotionTrack>();
        for (int32_t i = 0; i < 60; ++i) track->Offsets.push_back({i, 2 * i});
        track->LoopStart = 10;
        root.SetMotionLoader(
            [track](const std::string& name) -> std::shared_ptr<const TMotionTrack> {
                if (name == "broken.lmt") Fail("unreadable");
                return name == "walk.LMT" ? track : nullptr;
            });
        box = MakeBox(root, "b", 5, 7, 4, 4);
        SetStr(*box, PR_ONPLAYEND, "end");
    }
    int PlayEnds() {
        int n = 0;
        for (size_t i = 0; i < root.Events().Count(); ++i)
            n += root.Events().At(i).Kind == PR_ONPLAYEND;
        return n;
    }
    TVeskBaseList root;
    TVeskBox* box;
};

TEST_F(Motion, SixtyFramesEndAfterASecondAndReportOnce) {
    SetStr(*box, PR_SOURCE, "walk.LMT");
    ASSERT_NE(box->ActiveMotion(), nullptr);
    EXPECT_EQ(box->ScreenLeft(), 5);
    root.StepAll(16);
    root.StepAll(16);  // the two start-up frames only place the object
    EXPECT_EQ(box->ActiveMotion()->Elapsed(), 0);
    int frames = 0;
    while (PlayEnds() == 0 && frames < 200) {
        root.StepAll(16);
        ++frames;
    }
    EXPECT_EQ(frames, 62);  // 992 ms: frame 59.5 rounds to 60, the end
    EXPECT_EQ(box->ScreenLeft(), 5 + 59);
    EXPECT_EQ(box->ScreenTop(), 7 + 118);
    root.Events().Clear();
    for (int i = 0; i < 10; ++i) root.StepAll(16);
    EXPECT_EQ(PlayEnds(), 0);
}

TEST_F(Motion, RepeatingWrapsToTheLoopStart) {
    SetInt(*box, PR_REPEAT, 1);
    SetStr(*box, PR_SOURCE, "walk.LMT");
    root.StepAll(16);
    root.StepAll(16);
    for (int i = 0; i < 62; ++i) root.StepAll(16);
    EXPECT_EQ(PlayEnds(), 0);
    EXPECT_EQ(box->ActiveMotion()->Frame(), 10);  // 60 mod 60 + 10
    EXPECT_NEAR(box->ActiveMotion()->Elapsed(), 10 * 1000.0 / 60.0, 1e-9);
    // Moving the object moves the motion with it.
    SetInt(*box, PR_LEFT, 100);
    root.StepAll(16);
    EXPECT_EQ(box->ScreenLeft(), 100 + box->ActiveMotion()->Frame());
}

TEST_F(Motion, AutoScrapRemovesTheObjectAtTheEnd) {
    SetInt(*box, PR_AUTOSCRAP, 1);
    SetStr(*box, PR_SOURCE, "walk.LMT");
    for (int i = 0; i < 70; ++i) root.StepAll(16);
    EXPECT_EQ(root.FindComponent("b"), nullptr);
    EXPECT_EQ(PlayEnds(), 0);
}

TEST_F(Motion, UnreadableFilesAttachNothing) {
    for (const char* name : {"broken.lmt", "missing.lmt", "picture.png"}) {
        SetStr(*box, PR_SOURCE, name);
        EXPECT_EQ(box->ActiveMotion(), nullptr) << name;
        EXPECT_EQ(box->GetStrProp(PR_SOURCE), name);
    }
}

}  // namespace
}  // namespace vesk
