// Rule-image transitions on composed frames: a red plate appears stripe by
// stripe of a four-level rule picture, disappears, holds a partial state,
// shows a soft edge at the table's exact weights, and is cancelled.
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "scene/action.h"
#include "scene/properties.h"
#include "scene/transition.h"

namespace {

using scene::SceneObject;
using scene_test::kBlue;
using scene_test::kRed;

// Columns 0 .. 255, 256 .. 511, 512 .. 767 and 768 .. 1023 of the rule
// carry the green levels 0x00, 0x40, 0x80 and 0xC0.
constexpr int kStripeX[4] = {100, 356, 612, 868};

class TransitionFrames : public scene_test::FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        ASSERT_EQ(Run(scene::LoadColorObject, {"rule", "1024", "768", "#000000"}), 1);
        const char* levels[3] = {"#004000", "#008000", "#00C000"};
        for (int i = 0; i < 3; ++i) {
            std::string name = std::string("level") + std::to_string(i);
            std::string x = std::to_string(256 * (i + 1));
            ASSERT_EQ(Run(scene::LoadColorObject, {name.c_str(), "256", "768", levels[i]}), 1);
            ASSERT_EQ(Run(scene::SetCompositeOf, {"rule", x.c_str(), "0", name.c_str()}), 1);
        }
        Plate("p", 1, 0, 0, 1024, 768, "#FF0000");
    }
    int Start(int ms, int start, int end, int softness = 0, const char* rule = "rule") {
        scene::TransitionRequest r;
        r.durationMs = ms;
        r.start = start;
        r.end = end;
        r.softness = softness;
        r.rule = rule;
        return scene::StartTransitions(context, "p", r);
    }
    // Which stripes show the plate (through the table, at weight 254 at
    // most; outright once the transition is over).
    static std::vector<bool> Shown(const std::vector<uint32_t>& f) {
        std::vector<bool> out;
        for (int x : kStripeX) out.push_back(At(f, x, 300) != kBlue);
        return out;
    }
    int Running() {
        core::SceneLockGuard hold;
        return scene::ActionActive(Find("p"), scene::kWaitTransitionCode);
    }
};

TEST_F(TransitionFrames, AppearsStripeByStripeAndEndsDrawnNormally) {
    ASSERT_EQ(Start(1600, 0, 1000), 1);
    // The first step: rule level 0 passed.
    EXPECT_EQ(Shown(Show()), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(Running(), 1);
    // 96 steps over 255 levels: by step 30 the threshold has passed 64.
    for (int i = 0; i < 29; ++i) Compose();
    EXPECT_EQ(Shown(Compose()), (std::vector<bool>{true, true, false, false}));
    for (int i = 0; i < 70; ++i) Compose();
    EXPECT_EQ(Shown(Compose()), (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(Find("p")->effectParameter, nullptr);  // drawn normally again
}

TEST_F(TransitionFrames, EndStates) {
    struct Case {
        const char* label;
        int start, end;
        std::vector<bool> shown;
    };
    const Case cases[] = {
        {"disappears", 1000, 0, {false, false, false, false}},
        {"held half way", 0, 500, {true, true, false, false}},
        {"held from above", 1000, 300, {true, true, false, false}},
        {"equal ends start from 0", 700, 700, {true, true, true, false}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Start(320, c.start, c.end), 1) << c.label;
        Show();
        for (int i = 0; i < 30; ++i) Compose();
        EXPECT_EQ(Shown(Compose()), c.shown) << c.label;
        EXPECT_EQ(Running(), 0) << c.label << ": a held transition does not keep a wait";
        EXPECT_TRUE(scene::TransitionHeld(Find("p"))) << c.label;
    }
    // Cancelled: the plate is drawn normally again.
    ASSERT_EQ(Start(0, 0, 0, 0, "null"), 1);
    EXPECT_EQ(Shown(Compose()), (std::vector<bool>{true, true, true, true}));
    EXPECT_FALSE(scene::TransitionHeld(Find("p")));
}

TEST_F(TransitionFrames, SoftEdgeWeighsByTheTable) {
    // End 200: threshold 52; softness 4: 63 levels of edge. Level 64 is 12
    // past the threshold: table 255 - 13 x 255 / 64 = 204, weight
    // 255 x 204 / 256 = 203.
    ASSERT_EQ(Start(0, 0, 200, 4), 1);
    std::vector<uint32_t> f = Show();
    // Red over blue at weight w: red w x 255 >> 8 up, blue as much down.
    auto over = [](int w) {
        return 0xFF000000u | static_cast<uint32_t>(255 * w >> 8) << 16 |
               static_cast<uint32_t>(255 + (-255 * w >> 8));
    };
    const int edge = 255 * (255 - 13 * 255 / 64) / 256;
    EXPECT_EQ(At(f, kStripeX[1], 300), over(edge)) << std::hex << At(f, kStripeX[1], 300);
    EXPECT_EQ(At(f, kStripeX[0], 300), over(254));  // a full entry: 255 x 255 / 256
    EXPECT_EQ(At(f, kStripeX[2], 300), kBlue);  // 76 past: beyond the edge
}

TEST_F(TransitionFrames, RefusedAndShortened) {
    EXPECT_EQ(Start(500, 0, 1000, 0, "no-such-rule.png"), 0);
    ASSERT_EQ(Run(scene::CreateNameObject, {"group"}), 1);
    scene::TransitionRequest r;
    r.durationMs = 500;
    r.rule = "rule";
    EXPECT_EQ(scene::StartTransitions(context, "group", r), 0);  // nothing to draw
    // In skip mode a transition under 544 ms is done at once.
    render::SetSkipMode(true);
    ASSERT_EQ(Start(500, 0, 1000), 1);
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(Find("p")->effectParameter, nullptr);
    render::SetSkipMode(false);
}

}  // namespace
