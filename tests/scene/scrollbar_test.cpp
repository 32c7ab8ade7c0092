// Scrollbar objects: the path and the thumb at creation, the Request
// keywords with their clamping and the enabling rule, SetScrollSpeed,
// ScrollbarValue, dragging with the mouse, the case test, and the record
// going with its object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "create_fixture.h"
#include "render/drawable.h"
#include "scene/scrollbar.h"
#include "script/services.h"
#include "shell/input.h"

namespace {

using scene_test::CreateFixture;
using scene_test::kKey;

class ScrollbarTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        // A 20 x 10 thumb picture.
        ASSERT_TRUE(Run(scene::LoadColorObject, {"knob", "20", "10", "#FFFFFF"}));
    }

    // CreateScrollbar with the thumb "knob".
    int Make(const char* name, const char* x1, const char* y1, const char* x2, const char* y2,
             const char* perMille, const char* orientation) {
        return Run(scene::CreateScrollbarObject,
                   {name, "5", x1, y1, x2, y2, perMille, orientation, "knob"});
    }

    scene::Scrollbar* Bar(const char* name) {
        scene::SceneObject* o = Find(name);
        return o ? o->scrollbar : nullptr;
    }

    void Enable(const char* name) { ASSERT_EQ(scene::LinkScrollbars(kKey, name, name), 1); }

    // The mouse routine and the case test run under the SceneLock.
    int Mouse(const char* name, int x, int y, int event) {
        core::SceneLockGuard hold;
        return scene::ScrollbarMouse(Find(name), x, y, event);
    }
    int Case(const char* name, int x, int y, bool down, bool press) {
        core::SceneLockGuard hold;
        return scene::ScrollbarCaseHit(Find(name), x, y, down, press);
    }
};

TEST_F(ScrollbarTest, CreationPlacesTheThumbOnThePath) {
    struct Case {
        const char* what;
        const char* ends[4];
        const char* perMille;
        const char* orientation;
        int32_t kind, last, index, x, y;
    };
    const Case cases[] = {
        {"horizontal, half way",
         {"100", "200", "300", "200"},
         "500",
         "HORIZONTAL",
         scene::kScrollbarHorizontal,
         200,
         100,
         200,
         200},
        {"vertical, a quarter",
         {"50", "100", "50", "400"},
         "250",
         "VERTICAL",
         scene::kScrollbarVertical,
         300,
         75,
         50,
         175},
        {"ends given backwards",
         {"300", "10", "100", "10"},
         "250",
         "HORIZON",
         scene::kScrollbarHorizontal,
         200,
         50,
         250,
         10},
        // Compared as written: lower case is not horizontal.
        {"lower-case orientation",
         {"0", "0", "0", "100"},
         "1000",
         "horizon",
         scene::kScrollbarVertical,
         100,
         100,
         0,
         100},
        // Exact integers: 290 / 1000 x 100 is 29, not 28.999...
        {"no floating-point rounding",
         {"0", "0", "100", "0"},
         "290",
         "HORIZON",
         scene::kScrollbarHorizontal,
         100,
         29,
         29,
         0},
        {"floor of a fraction",
         {"0", "0", "7", "0"},
         "500",
         "HORIZON",
         scene::kScrollbarHorizontal,
         7,
         3,
         3,
         0},
        {"diagonal: Bresenham point",
         {"0", "0", "100", "50"},
         "500",
         "HORIZON",
         scene::kScrollbarHorizontal,
         100,
         50,
         50,
         25},
        // A position outside 0 ... 1000 stays on the path.
        {"below the first end",
         {"0", "0", "100", "0"},
         "-300",
         "HORIZON",
         scene::kScrollbarHorizontal,
         100,
         0,
         0,
         0},
        {"past the far end",
         {"0", "0", "100", "0"},
         "2500",
         "HORIZON",
         scene::kScrollbarHorizontal,
         100,
         100,
         100,
         0},
        {"one point",
         {"40", "60", "40", "60"},
         "700",
         "HORIZON",
         scene::kScrollbarHorizontal,
         0,
         0,
         40,
         60},
        {"negative coordinates",
         {"-50", "-20", "50", "-20"},
         "500",
         "HORIZON",
         scene::kScrollbarHorizontal,
         100,
         50,
         0,
         -20},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(
            Make("s", c.ends[0], c.ends[1], c.ends[2], c.ends[3], c.perMille, c.orientation))
            << c.what;
        scene::SceneObject* o = Find("s");
        scene::Scrollbar* s = o->scrollbar;
        ASSERT_NE(s, nullptr) << c.what;
        EXPECT_EQ(s->owner, o) << c.what;
        EXPECT_EQ(s->kind, c.kind) << c.what;
        EXPECT_EQ(s->lastIndex, c.last) << c.what;
        EXPECT_EQ(s->index, c.index) << c.what;
        EXPECT_EQ(o->position[0], c.x) << c.what;
        EXPECT_EQ(o->position[1], c.y) << c.what;
        EXPECT_EQ(o->image->x, c.x) << c.what;
        EXPECT_EQ(o->image->y, c.y) << c.what;
        // The path runs from the first end to the second and is closed by
        // the marker.
        EXPECT_EQ(s->points[0], std::stoi(c.ends[0])) << c.what;
        EXPECT_EQ(s->points[1], std::stoi(c.ends[1])) << c.what;
        EXPECT_EQ(s->points[s->lastIndex * 2], std::stoi(c.ends[2])) << c.what;
        EXPECT_EQ(s->points[s->lastIndex * 2 + 1], std::stoi(c.ends[3])) << c.what;
        EXPECT_EQ(s->points[s->lastIndex * 2 + 2], scene::kScrollbarPathEnd) << c.what;
        EXPECT_EQ(o->priority, 5);
        EXPECT_EQ(o->ops.request, &scene::ScrollbarRequest);
        EXPECT_EQ(s->enabled, 0);
    }
    // The thumb shares the loaded picture.
    EXPECT_EQ(Find("s")->image->image, Find("knob")->picture);
}

TEST_F(ScrollbarTest, PathBoxAndLongLines) {
    ASSERT_TRUE(Make("s", "300", "40", "100", "10", "0", "HORIZON"));
    const scene::Scrollbar* s = Bar("s");
    EXPECT_EQ(s->box[0], 100);
    EXPECT_EQ(s->box[1], 10);
    EXPECT_EQ(s->box[2], 300);
    EXPECT_EQ(s->box[3], 40);
    // Every step moves one pixel along the longer axis.
    for (int32_t i = 1; i <= s->lastIndex; ++i) ASSERT_EQ(s->points[i * 2], 300 - i) << i;
    // A line longer than the path can hold is cut short but still ends on
    // its far end.
    ASSERT_TRUE(Make("long", "0", "0", "40000", "0", "1000", "HORIZON"));
    s = Bar("long");
    EXPECT_EQ(s->lastIndex, scene::kMaxScrollbarPoints - 1);
    EXPECT_EQ(s->points[s->lastIndex * 2], 40000);
    EXPECT_EQ(s->points[s->lastIndex * 2 + 2], scene::kScrollbarPathEnd);
    EXPECT_EQ(Find("long")->position[0], 40000);
}

TEST_F(ScrollbarTest, EndsUnderAGroupCountFromTheParent) {
    ASSERT_TRUE(Run(scene::CreateWindowObject, {"win", "0", "10", "20", "400", "300", "TRUE"}));
    ASSERT_TRUE(Make("win/s", "0", "5", "100", "5", "500", "HORIZON"));
    const scene::Scrollbar* s = Bar("win/s");
    EXPECT_EQ(s->points[0], 10);
    EXPECT_EQ(s->points[1], 25);
    EXPECT_EQ(Find("win/s")->position[0], 60);
    EXPECT_EQ(Find("win/s")->position[1], 25);
}

TEST_F(ScrollbarTest, BadArgumentsMakeNothing) {
    struct Case {
        const char* what;
        std::vector<const char*> args;
    };
    const Case cases[] = {
        {"missing picture file", {"bad", "0", "0", "0", "100", "0", "0", "HORIZON", "missing.png"}},
        {"empty picture", {"bad", "0", "0", "0", "100", "0", "0", "HORIZON", ""}},
        {"no picture", {"bad", "0", "0", "0", "100", "0", "0", "HORIZON", nullptr}},
        {"no orientation", {"bad", "0", "0", "0", "100", "0", "0", nullptr, "knob"}},
        {"no position", {"bad", "0", "0", "0", "100", "0", nullptr, "HORIZON", "knob"}},
        {"too few arguments", {"bad", "0", "0", "0", "100"}},
        {"a keyword is no coordinate",
         {"bad", "0", "CENTER", "0", "100", "0", "0", "HORIZON", "knob"}},
        {"not a number", {"bad", "0", "0", "0", "1x", "0", "0", "HORIZON", "knob"}},
        {"not a whole per mille", {"bad", "0", "0", "0", "100", "0", "half", "HORIZON", "knob"}},
        {"no name", {"", "0", "0", "0", "100", "0", "0", "HORIZON", "knob"}},
    };
    for (const Case& c : cases) {
        scene::CreateArgs args{c.args.data(), static_cast<int>(c.args.size())};
        EXPECT_FALSE(scene::CreateScrollbarObject(context, args)) << c.what;
        EXPECT_EQ(Find("bad"), nullptr) << c.what;
    }
}

TEST_F(ScrollbarTest, KeywordsMoveAlongThePathAndClamp) {
    ASSERT_TRUE(Make("s", "100", "50", "300", "50", "500", "HORIZON"));  // 200 points on, at 100
    // Nothing moves before SetScrollbar enables it.
    for (const char* k : {"Increment", "Decrement", "Next", "Prev"}) {
        scene::RequestObjects(kKey, "s", k);
        EXPECT_EQ(Bar("s")->index, 100) << k;
    }
    // A target other than the scrollbar itself (and not a backlog) changes
    // nothing; neither does a missing one.
    EXPECT_EQ(scene::LinkScrollbars(kKey, "s", "knob"), 0);
    EXPECT_EQ(scene::LinkScrollbars(kKey, "s", "nothing"), 0);
    EXPECT_EQ(Bar("s")->enabled, 0);
    Enable("s");
    ASSERT_EQ(scene::SetScrollSpeedOf(kKey, "s", "30"), 1);
    struct Step {
        const char* keyword;
        int32_t index;
    };
    const Step steps[] = {
        {"Increment", 130}, {"Next", 140},                           // 5 % of 200
        {"Increment", 170}, {"Increment", 200}, {"Increment", 200},  // clamped at the far end
        {"Next", 200},      {"Decrement", 170}, {"Prev", 160},
        {"Decrement", 130}, {"Decrement", 100}, {"Decrement", 70},
        {"Decrement", 40},  {"Decrement", 10},  {"Decrement", 0},  // clamped at the first end
        {"Prev", 0},        {"increment", 0},                      // case-sensitive
    };
    for (const Step& s : steps) {
        scene::RequestObjects(kKey, "s", s.keyword);
        EXPECT_EQ(Bar("s")->index, s.index) << s.keyword;
        EXPECT_EQ(Find("s")->position[0], 100 + s.index) << s.keyword;
        EXPECT_EQ(Find("s")->image->x, 100 + s.index) << s.keyword;
    }
    // Other keywords go on to the texture and default handlers.
    scene::RequestObjects(kKey, "s", "Lock");
    EXPECT_EQ(Find("s")->locked, 1);
    scene::RequestObjects(kKey, "s", "AddRender");
    EXPECT_EQ(Find("s")->image->blendMode, render::kBlendAdd);
}

TEST_F(ScrollbarTest, ThumbMovesAlongItsAxisOnly) {
    // Diagonal paths: a horizontal scrollbar keeps its thumb's y, a vertical
    // one its x.
    ASSERT_TRUE(Make("h", "0", "0", "200", "100", "0", "HORIZON"));
    ASSERT_TRUE(Make("v", "0", "0", "100", "200", "0", "VERTICAL"));
    Enable("h");
    Enable("v");
    scene::SetScrollSpeedOf(kKey, "h", "50");
    scene::SetScrollSpeedOf(kKey, "v", "50");
    scene::RequestObjects(kKey, "h", "Increment");
    scene::RequestObjects(kKey, "v", "Increment");
    EXPECT_EQ(Find("h")->position[0], 50);
    EXPECT_EQ(Find("h")->position[1], 0);
    EXPECT_EQ(Find("v")->position[0], 0);
    EXPECT_EQ(Find("v")->position[1], 50);
}

TEST_F(ScrollbarTest, NextMovesAShortScrollbar) {
    ASSERT_TRUE(Make("s", "0", "0", "10", "0", "0", "HORIZON"));
    Enable("s");
    scene::RequestObjects(kKey, "s", "Next");
    EXPECT_EQ(Bar("s")->index, 1);
}

TEST_F(ScrollbarTest, ScrollSpeedTakesWholeNonNegativeNumbers) {
    ASSERT_TRUE(Make("s", "0", "0", "100", "0", "0", "HORIZON"));
    Enable("s");
    struct Case {
        const char* step;
        int changed;
        int32_t expect;
    };
    const Case cases[] = {
        {"7", 1, 7},     {"-1", 0, 7},  {"abc", 0, 7}, {"", 0, 7},
        {nullptr, 0, 7}, {"3.5", 0, 7}, {"0", 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scene::SetScrollSpeedOf(kKey, "s", c.step), c.changed)
            << (c.step ? c.step : "null");
        EXPECT_EQ(Bar("s")->step, c.expect) << (c.step ? c.step : "null");
    }
    // A step of 0 leaves the thumb where it is.
    scene::RequestObjects(kKey, "s", "Increment");
    EXPECT_EQ(Bar("s")->index, 0);
    // Objects that are not scrollbars are not counted.
    EXPECT_EQ(scene::SetScrollSpeedOf(kKey, "knob", "4"), 0);
}

TEST_F(ScrollbarTest, ValueIsPerMilleOfThePath) {
    ASSERT_EQ(script::GetServices().scrollbarValue, &scene::ScrollbarValueNamed);
    struct Case {
        const char* perMille;
        const char* last;
        int value;
    };
    const Case cases[] = {
        {"0", "100", 0},   {"1000", "100", 1000}, {"290", "100", 290},
        {"500", "7", 428}, {"999", "7", 857},     {"500", "0", 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Make("s", "0", "0", c.last, "0", c.perMille, "HORIZON"));
        EXPECT_EQ(scene::ScrollbarValueNamed("s"), c.value) << c.perMille << " of " << c.last;
    }
    EXPECT_EQ(scene::ScrollbarValueNamed("knob"), 0);
    EXPECT_EQ(scene::ScrollbarValueNamed("nothing"), 0);
}

TEST_F(ScrollbarTest, DraggingTheThumbFollowsTheMouseAlongThePath) {
    // Path x 100 ... 300 at y 50, thumb 20 x 10 at index 100 (x 200).
    ASSERT_TRUE(Make("s", "100", "50", "300", "50", "500", "HORIZON"));
    // Not enabled: the press is not the scrollbar's.
    EXPECT_EQ(Mouse("s", 205, 55, scene::kScrollPress), 0);
    Enable("s");
    // Off the track and the thumb.
    EXPECT_EQ(Mouse("s", 205, 70, scene::kScrollPress), 0);
    EXPECT_EQ(Mouse("s", 99, 55, scene::kScrollPress), 0);
    EXPECT_EQ(Bar("s")->dragging, 0);
    // Taken 5 pixels into the thumb: it keeps that grip.
    EXPECT_EQ(Mouse("s", 205, 55, scene::kScrollPress), 1);
    EXPECT_EQ(Bar("s")->index, 100);
    EXPECT_EQ(Bar("s")->dragOrigin[0], 205);
    struct Move {
        int x, y;
        int32_t index;
    };
    // The y of the mouse does not matter during a drag; past an end the
    // thumb stops there.
    const Move moves[] = {
        {235, 55, 130}, {236, 300, 131}, {500, 55, 200}, {0, 0, 0}, {150, 55, 45}};
    for (const Move& m : moves) {
        EXPECT_EQ(Mouse("s", m.x, m.y, scene::kScrollHold), 1);
        EXPECT_EQ(Bar("s")->index, m.index) << m.x;
        EXPECT_EQ(Find("s")->position[0], 100 + m.index) << m.x;
        EXPECT_EQ(Find("s")->position[1], 50) << m.x;
    }
    EXPECT_EQ(Mouse("s", 160, 55, scene::kScrollRelease), 1);
    EXPECT_EQ(Bar("s")->index, 55);
    EXPECT_EQ(Bar("s")->dragging, 0);
    EXPECT_EQ(Bar("s")->dragOrigin[0], scene::kNoDrag);
    // After the release moves do nothing.
    EXPECT_EQ(Mouse("s", 250, 55, scene::kScrollHold), 0);
    EXPECT_EQ(Bar("s")->index, 55);
    // A press on the track away from the thumb brings the thumb's middle
    // under the mouse (x 270 - 10).
    EXPECT_EQ(Mouse("s", 270, 52, scene::kScrollPress), 1);
    EXPECT_EQ(Bar("s")->index, 160);
    EXPECT_EQ(Mouse("s", 270, 52, scene::kScrollRelease), 1);
}

TEST_F(ScrollbarTest, VerticalDragFollowsTheMouseY) {
    ASSERT_TRUE(Make("v", "40", "100", "40", "300", "0", "VERTICAL"));
    Enable("v");
    EXPECT_EQ(Mouse("v", 45, 102, scene::kScrollPress), 1);  // 2 pixels into the thumb
    EXPECT_EQ(Mouse("v", 500, 152, scene::kScrollHold), 1);
    EXPECT_EQ(Bar("v")->index, 50);
    EXPECT_EQ(Find("v")->position[0], 40);
    EXPECT_EQ(Find("v")->position[1], 150);
    EXPECT_EQ(Mouse("v", 500, 152, scene::kScrollRelease), 1);
}

TEST_F(ScrollbarTest, CaseTestReportsThePlayersMoves) {
    ASSERT_TRUE(Make("s", "100", "50", "300", "50", "0", "HORIZON"));
    Enable("s");
    scene::RequestObjects(kKey, "s", "Clickable");
    core::SetCursorShape(core::kCursorIdArrow);
    // Hovering the track: the hand, nothing moved.
    EXPECT_EQ(Case("s", 150, 55, false, false), 0);
    EXPECT_EQ(core::CursorShape(), core::kCursorIdHand);
    // A press on the track moves the thumb: the case is hit once.
    EXPECT_EQ(Case("s", 150, 55, true, true), 1);
    EXPECT_EQ(Bar("s")->index, 40);
    EXPECT_EQ(Case("s", 150, 55, true, false), 0);
    // Held and moved: hit again; released where it is: not.
    EXPECT_EQ(Case("s", 170, 80, true, false), 1);
    EXPECT_EQ(Bar("s")->index, 60);
    EXPECT_EQ(core::CursorShape(), core::kCursorIdHand);  // still dragging
    EXPECT_EQ(Case("s", 170, 80, false, false), 0);
    EXPECT_EQ(Bar("s")->dragging, 0);
    // Released off the scrollbar: the arrow is back.
    EXPECT_EQ(core::CursorShape(), core::kCursorIdArrow);
    // Request moves are the script's own: not reported.
    scene::RequestObjects(kKey, "s", "Increment");
    EXPECT_EQ(Case("s", 500, 500, false, false), 0);
}

TEST_F(ScrollbarTest, ClickTestTakesPressesOnEnabledClickableScrollbars) {
    ASSERT_TRUE(Make("s", "100", "50", "300", "50", "0", "HORIZON"));
    auto Take = [&](int x, int y, bool take) {
        core::SceneLockGuard hold;
        return scene::ScrollbarTakesClick(Find("s"), x, y, take);
    };
    EXPECT_EQ(Take(150, 55, false), 0);  // neither enabled nor clickable
    Enable("s");
    EXPECT_EQ(Take(150, 55, false), 0);  // not clickable
    scene::RequestObjects(kKey, "s", "Clickable");
    EXPECT_EQ(Take(150, 55, false), 1);
    EXPECT_EQ(Bar("s")->dragging, 0);  // only asked
    EXPECT_EQ(Take(150, 55, true), 1);
    EXPECT_EQ(Bar("s")->dragging, 1);
    EXPECT_EQ(Bar("s")->index, 40);
    // The input layer's moves carry the drag on, the release ends it.
    scene::ScrollbarsFollowMouse(200, 10, 1);
    EXPECT_EQ(Bar("s")->index, 90);
    scene::ScrollbarsFollowMouse(210, 10, 0);
    EXPECT_EQ(Bar("s")->index, 100);
    EXPECT_EQ(Bar("s")->dragging, 0);
    scene::ScrollbarsFollowMouse(250, 10, 1);
    EXPECT_EQ(Bar("s")->index, 100);
    // An erased scrollbar is not under the mouse.
    scene::RequestObjects(kKey, "s", "Erase");
    EXPECT_EQ(Take(150, 55, false), 0);
}

TEST_F(ScrollbarTest, TheRecordGoesWithItsObject) {
    // Deleted, replaced and deleted mid-drag: the sanitizer run proves the
    // records and paths are freed, and a move after the deletion touches
    // nothing.
    ASSERT_TRUE(Make("s", "0", "0", "100", "0", "0", "HORIZON"));
    scene::DeleteObjects(kKey, "s");
    EXPECT_EQ(Find("s"), nullptr);
    ASSERT_TRUE(Make("s", "0", "0", "100", "0", "0", "HORIZON"));
    ASSERT_TRUE(Make("s", "0", "0", "50", "0", "0", "HORIZON"));
    EXPECT_EQ(Bar("s")->lastIndex, 50);
    Enable("s");
    ASSERT_EQ(Mouse("s", 5, 5, scene::kScrollPress), 1);
    scene::DeleteObjects(kKey, "s");
    scene::ScrollbarsFollowMouse(40, 5, 1);
    // A scrollbar under a deleted parent goes with it.
    ASSERT_TRUE(Run(scene::CreateNameObject, {"n"}));
    ASSERT_TRUE(Make("n/s", "0", "0", "100", "0", "0", "HORIZON"));
    scene::DeleteObjects(kKey, "n");
    EXPECT_EQ(Find("n/s"), nullptr);
}

}  // namespace
