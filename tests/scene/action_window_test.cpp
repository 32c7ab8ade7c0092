// Zoom, Rotate, Shake and Move of window objects, checked on composed
// frames: the window's content is shown as if the window were one picture
// (zoomed about and turned around its top-left), clipped to the window's
// shown area, and returns to exactly the plain frame when the window is
// unchanged again.
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "scene/choice_hit.h"
#include "scene/scrollbar.h"

namespace {

using scene::SceneObject;
using scene_test::kBlue;
using scene_test::kGreen;
using scene_test::kKey;
using scene_test::kRed;
using scene_test::kWhite;
using scene_test::Probe;

class WindowActions : public scene_test::FrameFixture {};

TEST_F(WindowActions, ZoomScalesTheContentAboutTheOriginAndClipsToTheScaledWindow) {
    Window("w", 100, 100, 200, 100);
    // A white base larger than the window (opaque, drawn under the others),
    // a red square inside and a green plate crossing the right edge.
    Plate("w/base", 2, 0, 0, 1024, 768, "#FFFFFF");
    Plate("w/red", 3, 110, 110, 40, 40, "#FF0000");
    Plate("w/green", 3, 250, 160, 100, 60, "#00FF00");
    std::vector<uint32_t> plain = Show();
    Check(plain, {{115, 115, kRed}, {99, 150, kBlue}, {305, 150, kBlue}, {260, 180, kGreen},
                  {290, 150, kWhite}},
          "plain");

    struct Case {
        const char* zx;
        const char* zy;
        std::vector<Probe> probes;
    } cases[] = {
        // Halved: the window shows over 100 .. 199 x 100 .. 149. The rest of
        // its rectangle lies within the opaque base's corners but is no
        // longer drawn by it: what is below must be drawn there again.
        {"500",
         "500",
         {{110, 110, kRed},
          {130, 130, kWhite},
          {190, 140, kGreen},
          {210, 140, kBlue},
          {190, 155, kBlue},
          {250, 180, kBlue}}},
        // Doubled about (100, 100): red 120 .. 199, green from (400, 220),
        // the window shown over 100 .. 499 x 100 .. 299.
        {"2000",
         "2000",
         {{125, 125, kRed},
          {195, 190, kRed},
          {115, 115, kWhite},
          {450, 250, kGreen},
          {495, 295, kGreen},
          {505, 250, kBlue},
          {450, 305, kBlue},
          {350, 150, kWhite}}},
        // Only across.
        {"2000",
         "1000",
         {{135, 115, kRed},
          {115, 115, kWhite},
          {135, 155, kWhite},
          {495, 190, kGreen},
          {150, 205, kBlue}}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetUpAction("w", scene::kActionZoom, 0, {c.zx, c.zy}), 1);
        Check(Compose(), c.probes, std::string("zoom ") + c.zx + "," + c.zy);
    }
    ASSERT_EQ(SetUpAction("w", scene::kActionZoom, 0, {"1000", "1000"}), 1);
    EXPECT_EQ(FirstDifference(Compose(), plain), -1);
}

TEST_F(WindowActions, RotationTurnsTheContentAndClipsToTheTurnedWindow) {
    Window("w", 300, 200, 100, 100);
    // Red over the upper half, green over the lower; both reach 100 pixels
    // beyond the window's right edge.
    Plate("w/top", 2, 300, 200, 200, 50, "#FF0000");
    Plate("w/bottom", 2, 300, 250, 200, 50, "#00FF00");
    std::vector<uint32_t> plain = Show();
    Check(plain, {{320, 220, kRed}, {320, 280, kGreen}, {450, 250, kBlue}}, "plain");

    struct Case {
        const char* angle;
        std::vector<Probe> probes;
    } cases[] = {
        // A diamond with its top at (300, 200). (370, 327) lies on the red
        // plate turned with the window and inside the shown area's bounding
        // box, but outside the turned window.
        {"45",
         {{317, 253, kRed},
          {282, 288, kGreen},
          {300, 210, kRed},
          {370, 327, kBlue},
          {390, 220, kBlue},
          {235, 215, kBlue}}},
        // A quarter turn clockwise: the window shows over 200 .. 299 x
        // 200 .. 299, its upper half on the right.
        {"90",
         {{280, 250, kRed},
          {220, 250, kGreen},
          {350, 250, kBlue},
          {275, 350, kBlue},
          {320, 220, kBlue}}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SetUpAction("w", scene::kActionRotate, 0, {"0", "0", c.angle}), 1);
        Check(Compose(), c.probes, std::string("angle ") + c.angle);
    }
    ASSERT_EQ(SetUpAction("w", scene::kActionRotate, 0, {"0", "0", "0"}), 1);
    EXPECT_EQ(FirstDifference(Compose(), plain), -1);
}

TEST_F(WindowActions, ShakeMovesTheContentAndPutsItBack) {
    SceneObject* w = Window("w", 100, 100, 200, 100);
    Plate("w/red", 2, 120, 120, 40, 40, "#FF0000");
    std::vector<uint32_t> plain = Show();
    scene::ActionRequest r;
    r.kind = scene::kActionShake;
    r.durationMs = 200;
    const char* amplitudes[4] = {"10", "0", "10", "0"};
    for (int i = 0; i < 4; ++i) r.values[i] = amplitudes[i];
    r.shakeRate = 1000;  // a tick every frame
    ASSERT_EQ(scene::SetupActions(kKey, "w", r), 1);
    Go();
    bool seen[2] = {false, false};
    int frames = 0;
    while (w->ops.shakeStep != scene::DefaultOps().shakeStep && frames < 100) {
        std::vector<uint32_t> f = Compose();
        ++frames;
        if (w->ops.shakeStep == scene::DefaultOps().shakeStep) break;
        // The red square (120 .. 159) is 10 pixels to one side or the other.
        int left = -1;
        for (int x = 100; x < 200 && left < 0; ++x)
            if (At(f, x, 140) == kRed) left = x;
        ASSERT_TRUE(left == 110 || left == 130) << "frame " << frames << ": " << left;
        seen[left == 130] = true;
        EXPECT_EQ(At(f, left + 39, 140), kRed);
        EXPECT_EQ(At(f, left + 40, 140), kBlue);
        EXPECT_EQ(w->position[0], 100);
        EXPECT_EQ(Find("w/red")->position[0], 120);
    }
    EXPECT_TRUE(seen[0] && seen[1]);
    EXPECT_EQ(w->ops.shakeStep, scene::DefaultOps().shakeStep);
    EXPECT_EQ(FirstDifference(Compose(), plain), -1);
}

TEST_F(WindowActions, MoveAfterZoomKeepsTheZoomOfNestedWindows) {
    Window("w", 100, 100, 300, 200);
    // An inner window at (150, 120) holding a red plate that fills it.
    Window("w/inner", 150, 120, 60, 40);
    Plate("w/inner/red", 2, 150, 120, 60, 40, "#FF0000");
    Show();
    ASSERT_EQ(SetUpAction("w/inner", scene::kActionZoom, 0, {"500", "500"}), 1);
    ASSERT_EQ(SetUpAction("w", scene::kActionZoom, 0, {"2000", "2000"}), 1);
    // Halved about (150, 120), then doubled about (100, 100): 200 .. 259 x
    // 140 .. 179.
    Check(Compose(),
          {{230, 160, kRed}, {205, 145, kRed}, {265, 160, kBlue}, {230, 185, kBlue},
           {160, 130, kBlue}},
          "zoomed");
    ASSERT_EQ(SetUpAction("w", scene::kActionMove, 0, {"200", "150"}), 1);
    Check(Compose(),
          {{330, 210, kRed}, {305, 195, kRed}, {365, 210, kBlue}, {330, 235, kBlue},
           {230, 160, kBlue}},
          "moved");
    ASSERT_EQ(SetUpAction("w", scene::kActionZoom, 0, {"1000", "1000"}), 1);
    ASSERT_EQ(SetUpAction("w/inner", scene::kActionZoom, 0, {"1000", "1000"}), 1);
    // The inner window moved along: its plate fills 250 .. 309 x 170 .. 209.
    Check(Compose(), {{255, 175, kRed}, {305, 205, kRed}, {245, 190, kBlue}, {315, 190, kBlue}},
          "unzoomed");
}

// A button inside a zoomed or turned window is hit where it shows, not where
// it was laid out: the hit test agrees with the drawn frame.
TEST_F(WindowActions, ChoiceInsideAZoomedOrTurnedWindowIsHitWhereItShows) {
    Window("w", 100, 100, 200, 100);
    ASSERT_EQ(Run(scene::CreateChoiceObject, {"w/c"}), 1);
    Plate("w/c/MouseUsual/p", 5, 110, 110, 40, 40, "#FF0000");
    struct Case {
        int kind;
        std::initializer_list<const char*> values;
        std::vector<Probe> probes;  // expected kRed: a hit, else a miss
    } cases[] = {
        {scene::kActionZoom, {"1000", "1000"}, {{115, 115, kRed}, {160, 160, kBlue}}},
        // Doubled about (100, 100): the button shows over 120 .. 199.
        {scene::kActionZoom, {"2000", "2000"}, {{125, 125, kRed}, {195, 190, kRed}, {115, 115, kBlue}}},
        // A quarter turn clockwise about (100, 100): over 50 .. 89 x 110 .. 149.
        {scene::kActionRotate, {"0", "0", "90"}, {{60, 120, kRed}, {115, 115, kBlue}}},
    };
    for (const Case& c : cases) {
        SetUpAction("w", scene::kActionZoom, 0, {"1000", "1000"});
        SetUpAction("w", scene::kActionRotate, 0, {"0", "0", "0"});
        ASSERT_EQ(SetUpAction("w", c.kind, 0, c.values), 1);
        std::vector<uint32_t> frame = Show();
        for (const Probe& p : c.probes) {
            bool shown = At(frame, p.x, p.y) == kRed;
            EXPECT_EQ(shown, p.expected == kRed) << p.x << "," << p.y;
            int hit = 0;
            {
                core::SceneLockGuard hold;
                hit = scene::ChoiceHit(Find("w/c"), p.x, p.y, false, false);
            }
            EXPECT_EQ(hit, shown ? 1 : 0) << "hit test at " << p.x << "," << p.y;
        }
    }
}

// A scrollbar inside a zoomed or turned window is taken where its thumb
// shows, and the thumb follows the mouse through the window's map.
TEST_F(WindowActions, ScrollbarInsideAZoomedOrTurnedWindowIsDraggedWhereItShows) {
    ASSERT_EQ(Run(scene::LoadColorObject, {"knob", "20", "10", "#FF0000"}), 1);
    Window("w", 100, 100, 200, 100);
    // Path x 110 .. 250 at y 150; the thumb at index 70 (x 180 .. 199).
    ASSERT_EQ(Run(scene::CreateScrollbarObject,
                  {"w/s", "5", "110", "150", "250", "150", "500", "HORIZON", "knob"}),
              1);
    ASSERT_EQ(scene::LinkScrollbars(kKey, "w/s", "w/s"), 1);
    auto mouse = [&](int x, int y, int event) {
        core::SceneLockGuard hold;
        return scene::ScrollbarMouse(Find("w/s"), x, y, event);
    };
    struct Case {
        const char* what;
        int kind;
        std::initializer_list<const char*> values;
        Probe thumb;   // where the thumb shows
        Probe laidOut;  // where it was laid out, shown as something else
        Probe drag;    // the mouse 20 layout pixels right of the thumb
    } cases[] = {
        // Doubled about (100, 100): the thumb shows over 260 .. 299 x 200 .. 219.
        {"zoom", scene::kActionZoom, {"2000", "2000"}, {265, 205, kRed}, {185, 155, kBlue},
         {305, 205, 0}},
        // A quarter turn clockwise about (100, 100): over 31 .. 50 x 180 .. 199.
        {"turn", scene::kActionRotate, {"0", "0", "90"}, {45, 185, kRed}, {185, 155, kBlue},
         {45, 205, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUpAction("w", scene::kActionZoom, 0, {"1000", "1000"});
        SetUpAction("w", scene::kActionRotate, 0, {"0", "0", "0"});
        ASSERT_EQ(SetUpAction("w", c.kind, 0, c.values), 1);
        std::vector<uint32_t> frame = Show();
        Check(frame, {c.thumb, c.laidOut}, c.what);
        EXPECT_EQ(mouse(c.laidOut.x, c.laidOut.y, scene::kScrollPress), 0);
        ASSERT_EQ(mouse(c.thumb.x, c.thumb.y, scene::kScrollPress), 1);
        EXPECT_EQ(Find("w/s")->scrollbar->index, 70);
        EXPECT_EQ(mouse(c.drag.x, c.drag.y, scene::kScrollHold), 1);
        EXPECT_EQ(Find("w/s")->scrollbar->index, 90);
        EXPECT_EQ(mouse(c.drag.x, c.drag.y, scene::kScrollRelease), 1);
        // Back to the start for the next case.
        core::SceneLockGuard hold;
        scene::MoveThumbTo(Find("w/s"), 70);
    }
}

}  // namespace
