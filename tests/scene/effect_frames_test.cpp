// Picture effects on composed frames: capture filters show what lies under
// them in their colours and follow it (a frozen plain capture does not),
// and a mosaic pixelates a texture and gives the picture back.
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "scene/effects.h"
#include "scene/properties.h"
#include "scene/request.h"

namespace {

using scene::SceneObject;
using scene_test::kBlue;
using scene_test::kGreen;
using scene_test::kRed;

class EffectFrames : public scene_test::FrameFixture {
protected:
    int Effect(const char* name, const char* duration, const char* effect, const char* start,
               const char* end) {
        return Run(scene::DrawEffectOf, {name, duration, effect, start, end, nullptr});
    }
};

TEST_F(EffectFrames, CaptureFiltersShowWhatLiesUnderThem) {
    struct Case {
        const char* name;
        uint32_t overRed, overBlue;
    };
    const Case cases[] = {
        {"Plain", kRed, kBlue},
        {"NegaPosi", 0xFF00FFFFu, 0xFFFFFF00u},
        // y = T77[b0] + T151[b1] + T28[b2]: red 27, blue 76.
        {"Monochrome", 0xFF1B1B1Bu, 0xFF4C4C4Cu},
        {"Sepia", 0xFF39391Bu, 0xFF6A6A4Cu},
        {"KitanoBlue", 0xFF1B2F6Bu, 0xFF4C609Cu},
        {"Monochrome\tand more", 0xFF1B1B1Bu, 0xFF4C4C4Cu},  // a name ends at a tab
    };
    for (const Case& c : cases) {
        Plate("red", 1, 0, 0, 300, 768, "#FF0000");
        ASSERT_EQ(Run(scene::CreateEffectObject, {"e", "5", "100", "100", "400", "300", c.name}), 1)
            << c.name;
        std::vector<uint32_t> f = Show();
        Check(f, {{150, 200, c.overRed}, {450, 200, c.overBlue}, {50, 50, kRed}, {600, 600, kBlue}},
              c.name);
        scene::DeleteObjects(scene_test::kKey, "e");
        scene::DeleteObjects(scene_test::kKey, "red");
    }
}

TEST_F(EffectFrames, ALiveCaptureFollowsAndAFrozenOneKeepsItsPicture) {
    Plate("red", 1, 0, 0, 300, 768, "#FF0000");
    ASSERT_EQ(Run(scene::CreateEffectObject, {"neg", "5", "100", "100", "400", "300", "NegaPosi"}), 1);
    ASSERT_EQ(Run(scene::CreateEffectObject, {"plain", "5", "600", "100", "400", "300", "Plain"}), 1);
    Show();
    ASSERT_EQ(SetUpAction("red", scene::kActionMove, 0, {"500", "0"}), 1);
    std::vector<uint32_t> f = Compose();
    Check(f, {{150, 200, 0xFFFFFF00u}, {650, 200, kRed}}, "moved under both");
    // Frozen: the plain capture keeps what it showed when it froze.
    ASSERT_EQ(scene::RequestObjects(scene_test::kKey, "plain", "Passive"), 1);
    Compose();
    ASSERT_EQ(SetUpAction("red", scene::kActionMove, 0, {"0", "0"}), 1);
    f = Compose();
    Check(f, {{150, 200, 0xFF00FFFFu}, {650, 200, kRed}, {750, 200, kRed}, {850, 200, kBlue}}, "frozen");
}

TEST_F(EffectFrames, MosaicAveragesBlocksAndGivesThePictureBack) {
    // 100 x 100, red up to column 44, green from 45: the block 40 .. 49
    // averages 5 red and 5 green columns.
    ASSERT_EQ(Run(scene::LoadColorObject, {"pic", "100", "100", "#FF0000"}), 1);
    ASSERT_EQ(Run(scene::LoadColorObject, {"g", "55", "100", "#00FF00"}), 1);
    ASSERT_EQ(Run(scene::SetCompositeOf, {"pic", "45", "0", "g"}), 1);
    ASSERT_EQ(Run(scene::CreateTextureObject, {"t", "1", "200", "200", "pic"}), 1);
    Show();
    // Block size 100 x 0.1 x 1000 / 1000 = 10, at once.
    ASSERT_EQ(Effect("t", "0", "Mosaic", "1000", "1000"), 1);
    std::vector<uint32_t> f = Compose();
    Check(f, {{244, 250, 0xFF7F7F00u}, {246, 250, 0xFF7F7F00u}, {230, 250, kRed}, {260, 250, kGreen}},
          "pixelated");
    EXPECT_STREQ(Find("t")->effectName, "Mosaic");
    // Back to size 0 over 320 ms: the saved picture returns, the effect goes.
    ASSERT_EQ(Effect("t", "320", "Mosaic", "1000", "0"), 1);
    for (int i = 0; i < 30; ++i) Compose();
    f = Compose();
    Check(f, {{244, 250, kRed}, {246, 250, kGreen}}, "restored");
    EXPECT_STREQ(Find("t")->effectName, "");
    // The loaded picture itself was never touched.
    SceneObject* pic = Find("pic");
    EXPECT_EQ(pic->picture->rows[0][44], kRed);
}

TEST_F(EffectFrames, RefusedEffectsInstallNothing) {
    Plate("p", 1, 100, 100, 50, 50, "#FF0000");
    struct Case {
        const char* label;
        const char* effect;
        const char* start;
    };
    const Case cases[] = {
        {"start above 1000", "Mosaic", "1001"},
        {"unknown name", "Blur", "0"},
        {"a name that is only a prefix", "Mosaics", "0"},
        {"a capture filter needs a new object", "Sepia", "0"},
        {"particles need a new object", "Drop", "0"},
        {"a lens needs a new object", "Lens", "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Effect("p", "100", c.effect, c.start, "0"), 0) << c.label;
        EXPECT_STREQ(Find("p")->effectName, "") << c.label;
    }
    EXPECT_EQ(Run(scene::CreateEffectObject, {"m", "5", "0", "0", "100", "100", "Mosaic"}), 0);
    EXPECT_EQ(Run(scene::CreateEffectObject, {"m", "5", "0", "0", "x", "100", "Plain"}), 0);
    EXPECT_EQ(Find("m"), nullptr);
}

TEST_F(EffectFrames, WavesShiftRowsBySineOfTheirPhase) {
    // The phase of texture row r is trunc(r x trunc(steps x 65536 / height)
    // / 65536): just below the exact fraction, so row 25 of 100 is one phase
    // short of a quarter of the steps.
    struct Case {
        const char* name;
        int row;    // texture row
        int shift;  // trunc(sin(2 pi phase / 256) x 50) for a 100-wide picture
    };
    const Case cases[] = {
        {"LowWave", 0, 0},
        {"LowWave", 25, 17},     // phase 15
        {"SuperWave", 1, 41},    // phase 40
        {"SuperWave", 25, -1},   // phase 1023
        {"MiddleWave", 25, 1},   // phase 127
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Run(scene::CreateColorObject, {"t", "1", "200", "200", "100", "100", "#FF0000"}), 1);
        Show();
        ASSERT_EQ(Effect("t", "0", c.name, "1000", "1000"), 1) << c.name;
        std::vector<uint32_t> f = Compose();
        std::string label = std::string(c.name) + " row " + std::to_string(c.row);
        int y = 200 + c.row;
        Check(f, {{299 + c.shift, y, kRed}, {300 + c.shift, y, kBlue}, {200 + c.shift, y, kRed}}, label);
        Check(f, {{199 + c.shift, y, kBlue}}, label);
        scene::DeleteObjects(scene_test::kKey, "t");
    }
}

TEST_F(EffectFrames, AWaveEndingAtZeroLeavesThePictureAsItWas) {
    ASSERT_EQ(Run(scene::CreateColorObject, {"t", "1", "200", "200", "100", "100", "#FF0000"}), 1);
    std::vector<uint32_t> plain = Show();
    ASSERT_EQ(Effect("t", "320", "HighWave", "800", "0"), 1);
    std::vector<uint32_t> f = Compose();
    EXPECT_NE(FirstDifference(f, plain), -1) << "waving";
    for (int i = 0; i < 40; ++i) f = Compose();
    EXPECT_EQ(FirstDifference(f, plain), -1);
    EXPECT_STREQ(Find("t")->effectName, "");
    // Ending above 0 it keeps waving.
    ASSERT_EQ(Effect("t", "160", "HighWave", "0", "500"), 1);
    for (int i = 0; i < 40; ++i) f = Compose();
    EXPECT_NE(FirstDifference(f, plain), -1);
    EXPECT_STREQ(Find("t")->effectName, "HighWave");
}

TEST_F(EffectFrames, RippleOpensRingsAndGivesThePictureBack) {
    ASSERT_EQ(Run(scene::CreateColorObject, {"t", "1", "200", "200", "100", "100", "#FF0000"}), 1);
    std::vector<uint32_t> plain = Show();
    const uint16_t flags = Find("t")->image->image->flags;
    // Amplitude 1000 x 0.02 = 20 pixels: rings pull pixels from outside the
    // picture, which leaves holes the backdrop shows through.
    ASSERT_EQ(Effect("t", "0", "Ripple", "1000", "1000"), 1);
    std::vector<uint32_t> f = Compose();
    int holes = 0;
    for (int y = 200; y < 300; ++y)
        for (int x = 200; x < 300; ++x) holes += At(f, x, y) == kBlue;
    EXPECT_GT(holes, 0);
    EXPECT_EQ(At(f, 150, 150), kBlue);  // nothing drawn outside the picture
    ASSERT_EQ(Effect("t", "320", "Ripple", "1000", "0"), 1);
    for (int i = 0; i < 40; ++i) f = Compose();
    EXPECT_EQ(FirstDifference(f, plain), -1);
    EXPECT_STREQ(Find("t")->effectName, "");
    EXPECT_EQ(Find("t")->image->image->flags, flags);
}

TEST_F(EffectFrames, ALensMagnifiesTheMiddleOfWhatLiesUnderIt) {
    // A 10-pixel red stripe through the lens's centre column (512).
    Plate("stripe", 1, 507, 0, 10, 768, "#FF0000");
    ASSERT_EQ(Run(scene::CreateEffectObject, {"lens", "5", "412", "284", "200", "200", "Lens"}), 1);
    std::vector<uint32_t> f = Show();
    // Twice as large at the centre: the stripe reaches 8 pixels aside.
    EXPECT_EQ(At(f, 520, 384), kRed) << std::hex << At(f, 520, 384);
    EXPECT_EQ(At(f, 504, 384), kRed);
    // Near the rim nearly as it is; outside the circle exactly as it is.
    EXPECT_EQ(At(f, 512, 287), kRed);
    EXPECT_EQ(At(f, 530, 287), kBlue);
    EXPECT_EQ(At(f, 415, 287), kBlue);
    EXPECT_EQ(At(f, 520, 100), kBlue);  // outside the lens
    // Only a square lens is made.
    EXPECT_EQ(Run(scene::CreateEffectObject, {"wide", "5", "0", "0", "200", "100", "Lens"}), 0);
    EXPECT_EQ(Find("wide"), nullptr);
}

TEST_F(EffectFrames, RainFallsInsideItsObject) {
    for (const char* name : {"Rain", "LookupRain"}) {
        ASSERT_EQ(Run(scene::CreateEffectObject, {"r", "5", "300", "200", "300", "300", name}), 1) << name;
        std::vector<uint32_t> f = Show();
        for (int i = 0; i < 10; ++i) f = Compose();
        int wet = 0, outside = 0;
        for (int y = 0; y < 768; ++y)
            for (int x = 0; x < 1024; ++x) {
                bool inside = x >= 300 && x < 600 && y >= 200 && y < 500;
                (inside ? wet : outside) += At(f, x, y) != kBlue;
            }
        EXPECT_GT(wet, 0) << name;
        EXPECT_EQ(outside, 0) << name;
        scene::DeleteObjects(scene_test::kKey, "r");
    }
}

// A 100 x 70 picture of four colours, so that misplaced pieces show.
class PieceFrames : public EffectFrames {
protected:
    void SetUp() override {
        EffectFrames::SetUp();
        ASSERT_EQ(Run(scene::LoadColorObject, {"pic", "100", "70", "#FF0000"}), 1);
        ASSERT_EQ(Run(scene::LoadColorObject, {"a", "50", "35", "#00FF00"}), 1);
        ASSERT_EQ(Run(scene::LoadColorObject, {"b", "50", "35", "#FFFF00"}), 1);
        ASSERT_EQ(Run(scene::SetCompositeOf, {"pic", "50", "0", "a"}), 1);
        ASSERT_EQ(Run(scene::SetCompositeOf, {"pic", "0", "35", "b"}), 1);
        ASSERT_EQ(Run(scene::CreateTextureObject, {"t", "1", "200", "200", "pic"}), 1);
    }
};

TEST_F(PieceFrames, TilesInPlaceDrawThePictureExactly) {
    std::vector<uint32_t> plain = Show();
    // No active row: every tile stays where its part of the picture was.
    ASSERT_EQ(Effect("t", "1000", "TurnOver", "0", "0"), 1);
    std::vector<uint32_t> f = Compose();
    EXPECT_EQ(FirstDifference(f, plain), -1);
    // One active row (16 x 64 / 1000 = 1): the top 32 rows turn away, the
    // rest stays.
    ASSERT_EQ(Effect("t", "1000", "TurnOver", "16", "16"), 1);
    for (int i = 0; i < 10; ++i) f = Compose();
    bool topMoved = false;
    for (int y = 200; y < 232 && !topMoved; ++y)
        for (int x = 200; x < 300; ++x) topMoved |= At(f, x, y) != At(plain, x, y);
    EXPECT_TRUE(topMoved);
    for (int y = 232; y < 270; ++y)
        for (int x = 150; x < 350; ++x) ASSERT_EQ(At(f, x, y), At(plain, x, y)) << x << "," << y;
    EXPECT_STREQ(Find("t")->effectName, "TurnOver");
}

TEST_F(PieceFrames, SplitPiecesFallAwayOrStay) {
    std::vector<uint32_t> plain = Show();
    // Falling to the bottom: the pieces go with the picture.
    ASSERT_EQ(Effect("t", "320", "Split", "0", "1000"), 1);
    std::vector<uint32_t> f = Compose();
    EXPECT_NE(FirstDifference(f, plain), -1);
    for (int i = 0; i < 30; ++i) f = Compose();
    EXPECT_STREQ(Find("t")->effectName, "");
    for (int y = 0; y < 768; y += 7)
        for (int x = 0; x < 1024; x += 7) ASSERT_EQ(At(f, x, y), kBlue) << x << "," << y;
    // Falling half way: the pieces stay where they came to rest.
    ASSERT_EQ(Run(scene::CreateTextureObject, {"u", "1", "200", "200", "pic"}), 1);
    Compose();
    ASSERT_EQ(Effect("u", "160", "HardSplit", "0", "500"), 1);
    for (int i = 0; i < 20; ++i) f = Compose();
    EXPECT_STREQ(Find("u")->effectName, "HardSplit");
    EXPECT_EQ(FirstDifference(Compose(), f), -1);  // at rest
    EXPECT_NE(FirstDifference(f, plain), -1);
}

TEST_F(PieceFrames, SpiralTwistsAboutThePivotAndUntwists) {
    std::vector<uint32_t> plain = Show();
    ASSERT_EQ(Effect("t", "0", "Spiral", "250", "250"), 1);
    std::vector<uint32_t> f = Compose();
    EXPECT_NE(FirstDifference(f, plain), -1);
    // The pivot itself never moves.
    EXPECT_EQ(At(f, 250, 235), At(plain, 250, 235));
    ASSERT_EQ(Effect("t", "320", "Spiral", "250", "0"), 1);
    for (int i = 0; i < 30; ++i) f = Compose();
    EXPECT_EQ(FirstDifference(f, plain), -1);
    EXPECT_STREQ(Find("t")->effectName, "");
}

}  // namespace
