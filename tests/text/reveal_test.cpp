// The reveal step over hand-made glyphs and a hand-driven clock: pacing by
// text speed and play speed, click stops ended by an input event, automatic
// mode's wait per revealed character, skip mode, page clears and the
// WaitText answer.
#include <gtest/gtest.h>

#include "core/input.h"
#include "render/drawable.h"
#include "render/image.h"
#include "reveal_fixture.h"
#include "scene/object_tree.h"
#include "script/system_variables.h"
#include "text/reveal.h"
#include "text/text_object.h"

namespace text_test {
namespace {

using scene_test::kKey;

TEST_F(RevealTest, PaceFollowsTextSpeedAndPlaySpeed) {
    const struct {
        const char* name;
        double textSpeed;
        int playStep;
        uint32_t after;  // ms after creation
        int expected;    // characters revealed
    } cases[] = {
        {"before the first interval", 1.0, 3, 29, 0},
        {"one interval", 1.0, 3, 30, 1},
        {"three intervals in one step", 1.0, 3, 95, 3},
        {"half text speed: twice as fast", 0.5, 3, 45, 3},
        {"play speed 12: 32 times as fast", 1.0, 12, 3, 3},
        {"play speed 1: half as fast", 1.0, 1, 119, 1},
    };
    for (const auto& c : cases) {
        script::GetSystemValues().textSpeed = c.textSpeed;
        script::GetSystemValues().playSpeedStep = c.playStep;
        g_now = 1000;
        scene::SceneObject* o = Make("abcdefghij");
        EXPECT_EQ(CursorAt(o, 1000 + c.after), c.expected) << c.name;
        scene::DeleteObjects(kKey, "t");
    }
}

TEST_F(RevealTest, ClickStopWaitsForTheClickThenGoesOn) {
    scene::SceneObject* o = Make("ab<K>cd");
    text::TextPayload* t = o->text;
    EXPECT_EQ(CursorAt(o, 2000), 2) << "stops before the click stop";
    EXPECT_EQ(Step(o), -4);
    EXPECT_EQ(t->attributes[2].stopState, 2) << "waiting for the click";
    EXPECT_EQ(t->iconShown, 2) << "the line icon";
    EXPECT_EQ(text::TextRunning(o), 1) << "WaitText still waits";
    g_now = 5000;
    EXPECT_EQ(Step(o), -4) << "time alone does not end it";
    Click();
    EXPECT_EQ(Step(o), 1);
    EXPECT_EQ(t->attributes[2].stopState, 0);
    EXPECT_EQ(t->iconShown, 0);
    EXPECT_FALSE(core::IsInputRaised(core::kInputLButton)) << "the click is used up";
    EXPECT_EQ(CursorAt(o, 5100), 4);
    EXPECT_EQ(Step(o), 0) << "finished at the last laid-out slot";
    EXPECT_EQ(text::TextRunning(o), 0);
}

TEST_F(RevealTest, AutomaticModeWaitsPerRevealedCharacter) {
    script::GetSystemValues().textAuto = 1;
    scene::SceneObject* o = Make("abc<K>d");
    text::TextPayload* t = o->text;
    EXPECT_EQ(CursorAt(o, 2000), 3);
    EXPECT_EQ(Step(o), -4);
    EXPECT_EQ(t->attributes[3].stopState, 3) << "a timed wait, not a click wait";
    EXPECT_EQ(t->attributes[3].extraWait, 300) << "100 ms x 3 characters";
    EXPECT_EQ(t->iconShown, 3) << "the automatic icon";
    EXPECT_EQ(CursorAt(o, 2299), 3);
    EXPECT_EQ(CursorAt(o, 2300), 3) << "the wait ends here; the next interval starts";
    EXPECT_EQ(CursorAt(o, 2330), 4);

    // Leaving automatic mode during the wait makes it a click stop again.
    script::GetSystemValues().textAuto = 1;
    scene::DeleteObjects(kKey, "t");
    g_now = 3000;
    o = Make("ab<K>c");
    EXPECT_EQ(CursorAt(o, 3100), 2);
    Step(o);
    ASSERT_EQ(o->text->attributes[2].stopState, 3);
    script::GetSystemValues().textAuto = 0;
    EXPECT_EQ(Step(o), -4);
    EXPECT_EQ(o->text->attributes[2].stopState, 1);
    g_now = 9000;
    Step(o);
    EXPECT_EQ(o->text->attributes[2].stopState, 2) << "now waiting for a click";
}

TEST_F(RevealTest, SkipModePassesStopsAndWaits) {
    script::GetSystemValues().skip = 1;
    scene::SceneObject* o = Make("ab<K>c,d<WAIT=900>e");
    EXPECT_EQ(CursorAt(o, 1000), 3) << "through the click stop, up to the comma's wait";
    EXPECT_EQ(CursorAt(o, 1015), 3) << "500 ms at 32 times: not yet";
    EXPECT_EQ(CursorAt(o, 1016), 4);
    EXPECT_EQ(CursorAt(o, 1016 + 29), 5) << "<WAIT=900> over in 29 ms";
    EXPECT_EQ(Step(o), 0);
}

TEST_F(RevealTest, PageClearEmptiesThePictureAndKeepsTheLayout) {
    scene::SceneObject* o = Make("ab<K>cd");
    text::TextPayload* t = o->text;
    const render::Image* img = o->image->image;
    EXPECT_EQ(CursorAt(o, 2000), 2);
    const int32_t ax = t->characters[0].glyph->x, ay = t->characters[0].glyph->y;
    const int32_t cx = t->characters[2].glyph->x, cy = t->characters[2].glyph->y;
    EXPECT_NE(img->rows[ay][ax] >> 24, 0u) << "a is drawn";
    Step(o);
    t->pendingClear = 2;
    Click();
    EXPECT_EQ(Step(o), 1);
    EXPECT_EQ(img->rows[ay][ax] >> 24, 0u) << "cleared after the stop";
    EXPECT_EQ(CursorAt(o, 2100), 4);
    EXPECT_NE(img->rows[cy][cx] >> 24, 0u) << "c is drawn where it was laid out";
    EXPECT_EQ(t->revealed, 2) << "counted again from the stop";
}

}  // namespace
}  // namespace text_test
