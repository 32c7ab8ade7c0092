// Actions set up on objects and stepped frame by frame at a controlled clock:
// moves, fades, zooms, rotations and shakes, the start signal, replacement,
// skip-mode shortening, speed and the queries of the waits.
#include <gtest/gtest.h>

#include "action_fixture.h"
#include "core/registry.h"
#include "script/variables.h"

namespace scene_test {
namespace {

using scene::SceneObject;

class ActionStep : public ActionFixture {};

TEST_F(ActionStep, MoveOverOneSecondIsHalfWayAtFrameThirtyAndExactAtTheEnd) {
    SceneObject* o = Plate("bg", 100, 100);
    ASSERT_EQ(SetUpAction("bg", scene::kActionMove, 1000, {"700", "400"}), 1);
    EXPECT_EQ(o->actions[scene::kActionMove].steps, 60);
    Frames(5);  // armed, no start signal yet: nothing moves
    EXPECT_EQ(o->position[0], 100);
    EXPECT_EQ(o->image->x, 100);
    Go();
    Frames(31);  // index 30 of 60 applied
    EXPECT_EQ(o->position[0], 400);
    EXPECT_EQ(o->position[1], 250);
    EXPECT_EQ(o->image->x, 400);
    EXPECT_EQ(o->image->quad->px[0], 400);
    EXPECT_NE(o->ops.moveStep, scene::DefaultOps().moveStep);
    Frames(30);
    EXPECT_EQ(o->position[0], 700);
    EXPECT_EQ(o->position[1], 400);
    EXPECT_EQ(o->image->quad->py[0], 400);
    EXPECT_EQ(o->ops.moveStep, scene::DefaultOps().moveStep);
    EXPECT_EQ(o->actions[scene::kActionMove].path, nullptr);
}

TEST_F(ActionStep, ZeroDurationPlacesAtOnceAndRelativeTargetsAdd) {
    SceneObject* o = Plate("a", 10, 20);
    ASSERT_EQ(SetUpAction("a", scene::kActionMove, 0, {"@5", "@-20"}), 1);
    EXPECT_EQ(o->position[0], 15);
    EXPECT_EQ(o->position[1], 0);
    EXPECT_EQ(o->ops.moveStep, scene::DefaultOps().moveStep);
    script::SetNumber(script::GetOrCreateExact("#dx"), 30);
    ASSERT_EQ(SetUpAction("a", scene::kActionMove, 0, {"@#dx", "7"}), 1);
    EXPECT_EQ(o->position[0], 45);
    EXPECT_EQ(o->position[1], 7);
    // A missing variable: the set-up does nothing.
    EXPECT_EQ(SetUpAction("a", scene::kActionMove, 0, {"@#missing", "99"}), 0);
    EXPECT_EQ(o->position[1], 7);
}

TEST_F(ActionStep, SecondMoveStartsWhereTheFirstHasGot) {
    SceneObject* o = Plate("a", 0, 0);
    SetUpAction("a", scene::kActionMove, 1000, {"600", "0"});
    Go();
    Frames(11);  // index 10: x = 100
    ASSERT_EQ(o->position[0], 100);
    SetUpAction("a", scene::kActionMove, 1000, {"100", "300"});
    EXPECT_EQ(o->actions[scene::kActionMove].start[0], 100);
    EXPECT_EQ(o->actions[scene::kActionMove].go, 0);
    Go();
    Frames(61);
    EXPECT_EQ(o->position[0], 100);
    EXPECT_EQ(o->position[1], 300);
}

// A framed picture's object stands 8 pixels up and left of its picture, and
// so do its absolute move targets; relative targets and a target equal to the
// current value are taken as they are.
TEST_F(ActionStep, FramedPictureMovesItsPictureOntoTheTarget) {
    ASSERT_TRUE(Run(scene::LoadColorObject, {"pic", "20", "10", "#FF0000"}));
    ASSERT_TRUE(Run(scene::CreateFrameObject, {"f", "0", "100", "100", "#FFFFFF", "pic"}));
    SceneObject* f = Find("f");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->position[0], 92);
    ASSERT_EQ(SetUpAction("f", scene::kActionMove, 0, {"300", "200"}), 1);
    EXPECT_EQ(f->position[0], 292);
    EXPECT_EQ(f->position[1], 192);
    ASSERT_EQ(SetUpAction("f", scene::kActionMove, 0, {"@8", "192"}), 1);
    EXPECT_EQ(f->position[0], 300);
    EXPECT_EQ(f->position[1], 192);
    // A plain picture is not shifted.
    SceneObject* p = Plate("p", 0, 0);
    ASSERT_EQ(SetUpAction("p", scene::kActionMove, 0, {"300", "200"}), 1);
    EXPECT_EQ(p->position[0], 300);
}

struct FadeCase {
    int startByte;
    const char* value;
    int target;
};

class FadeValues : public ActionFixture, public ::testing::WithParamInterface<FadeCase> {};

TEST_P(FadeValues, TargetByte) {
    const FadeCase& c = GetParam();
    SceneObject* o = Plate("p", 0, 0);
    o->image->opacity = static_cast<uint8_t>(c.startByte);
    ASSERT_EQ(SetUpAction("p", scene::kActionFade, 500, {c.value}), 1);
    Go();
    Frames(40);
    EXPECT_EQ(o->image->opacity, c.target);
    EXPECT_EQ(o->targetOpacity, c.target);
}

INSTANTIATE_TEST_SUITE_P(Fade, FadeValues,
                         ::testing::Values(FadeCase{0, "1000", 255}, FadeCase{0, "500", 127},
                                           FadeCase{255, "@-200", 204}, FadeCase{0, "2000", 255},
                                           FadeCase{255, "-5", 0}, FadeCase{100, "@0", 100}));

TEST_F(ActionStep, FadeSteppedAlongTheCurveAndNotForAnObjectWithoutPicture) {
    SceneObject* o = Plate("p", 0, 0);
    o->image->opacity = 0;
    // 100 ms at 60 per second: 6 steps; t squared ("ACCEL" is t^4).
    ASSERT_EQ(SetUpAction("p", scene::kActionFade, 100, {"1000"}, "ACCEL"), 1);
    Go();
    Frames(4);  // index 3: 255 x (1/2)^4
    EXPECT_EQ(o->image->opacity, 15);
    Frames(4);
    EXPECT_EQ(o->image->opacity, 255);
    ASSERT_EQ(Run(scene::CreateNameObject, {"node"}), 1);
    EXPECT_EQ(SetUpAction("node", scene::kActionFade, 100, {"0"}), 0);
}

TEST_F(ActionStep, ZoomAndRotateReachTheirTargetsExactly) {
    SceneObject* o = Plate("p", 50, 50);
    ASSERT_EQ(SetUpAction("p", scene::kActionZoom, 300, {"2000", "@-500"}), 1);
    ASSERT_EQ(SetUpAction("p", scene::kActionRotate, 300, {"0", "0", "90"}, "\"ACCEL\""), 1);
    Go();
    Frames(10);  // index 9 of 18
    EXPECT_EQ(o->image->quad->zoom[0], 1500);
    EXPECT_EQ(o->image->quad->zoom[1], 750);
    EXPECT_EQ(o->image->quad->angles[2], 5);  // 90 x (1/2)^4 truncated
    Frames(10);
    EXPECT_EQ(o->image->quad->zoom[0], 2000);
    EXPECT_EQ(o->image->quad->zoom[1], 500);
    EXPECT_EQ(o->image->quad->angles[2], 90);
    EXPECT_EQ(o->ops.zoomStep, scene::DefaultOps().zoomStep);
    EXPECT_EQ(o->ops.rotateStep, scene::DefaultOps().rotateStep);
}

TEST_F(ActionStep, ShakeTremblesAroundThePositionAndEndsOnIt) {
    SceneObject* o = Plate("p", 200, 100);
    scene::ActionRequest r;
    r.kind = scene::kActionShake;
    r.durationMs = 200;
    const char* amps[4] = {"6", "4", "6", "4"};
    for (int i = 0; i < 4; ++i) r.values[i] = amps[i];
    r.shakeRate = 1000;  // a tick every frame (16 ms at 60 per second)
    ASSERT_EQ(scene::SetupActions(kKey, "p", r), 1);
    Go();
    int seen[2] = {0, 0};
    for (int i = 0; i < 12; ++i) {
        Frames(1);
        int dx = o->image->x - 200, dy = o->image->y - 100;
        ASSERT_TRUE((dx == 6 && dy == 4) || (dx == -6 && dy == -4)) << dx << "," << dy;
        ++seen[dx > 0];
        EXPECT_EQ(o->position[0], 200);
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    Frames(3);
    EXPECT_EQ(o->image->x, 200);
    EXPECT_EQ(o->image->y, 100);
    EXPECT_EQ(o->ops.shakeStep, scene::DefaultOps().shakeStep);
    r.shakeRate = 1001;
    EXPECT_EQ(scene::SetupActions(kKey, "p", r), 0);
}

TEST_F(ActionStep, SkipModeAppliesShortActionsAtOnceAndRunsLongerOnesAtSpeed32) {
    SceneObject* o = Plate("p", 0, 0);
    o->image->opacity = 0;
    render::SetSkipMode(true);
    ASSERT_EQ(SetUpAction("p", scene::kActionFade, 500, {"1000"}), 1);
    EXPECT_EQ(o->image->opacity, 255);
    EXPECT_EQ(o->ops.fadeStep, scene::DefaultOps().fadeStep);
    ASSERT_EQ(SetUpAction("p", scene::kActionFade, 600, {"0"}), 1);
    EXPECT_NE(o->ops.fadeStep, scene::DefaultOps().fadeStep);
    Go();
    Frames(2);
    EXPECT_NE(o->ops.fadeStep, scene::DefaultOps().fadeStep);
    Frames(1);  // indices 0, 32, 64 >= 36
    EXPECT_EQ(o->image->opacity, 0);
    EXPECT_EQ(o->ops.fadeStep, scene::DefaultOps().fadeStep);
}

TEST_F(ActionStep, ActionsStandStillOutsideThePlayStates) {
    SceneObject* o = Plate("p", 0, 0);
    SetUpAction("p", scene::kActionMove, 1000, {"600", "0"});
    Go();
    core::Current().state = core::StateLoading;
    Frames(20);
    EXPECT_EQ(o->position[0], 0);
    core::Current().state = core::StatePlay;
    render::Modes().playSpeed = 2.0;
    Frames(11);  // index 20 applied: x = 200
    EXPECT_EQ(o->position[0], 200);
}

TEST_F(ActionStep, WaitCodesAndActionTimes) {
    // Callers ask under the SceneLock.
    auto active = [](SceneObject* object, int32_t code) {
        core::SceneLockGuard hold;
        return scene::ActionActive(object, code);
    };
    SceneObject* o = Plate("p", 0, 0);
    EXPECT_EQ(active(o, scene::kWaitAny), 0);
    SetUpAction("p", scene::kActionFade, 600, {"0"});
    EXPECT_EQ(active(o, scene::kWaitFadeCode), 1);
    EXPECT_EQ(active(o, scene::kWaitMoveCode), 0);
    EXPECT_EQ(active(o, scene::kWaitAny), 1);
    EXPECT_EQ(active(o, scene::kWaitPlayCode), 1);
    Go();
    Frames(9);  // the counter stands at index 9 of 36
    EXPECT_EQ(scene::ActionTime(o, scene::kTimeDuration), 600);
    EXPECT_EQ(scene::ActionTime(o, scene::kTimePassed), 150);
    EXPECT_EQ(scene::ActionTime(o, scene::kTimeRemaining), 450);
    Frames(40);
    EXPECT_EQ(active(o, scene::kWaitAny), 0);
    EXPECT_EQ(scene::ActionTime(o, scene::kTimeRemaining), 0);
}

TEST_F(ActionStep, StartSignalShowsNewObjectsAndGroupChildrenMoveWithTheirGroup) {
    SceneObject* g = Plate("g", 100, 100);
    SceneObject* c = Plate("g/c", 0, 0);  // group child: offset by the group's position
    EXPECT_EQ(c->drawEnabled, 0);
    EXPECT_EQ(c->position[0], 100);
    Go();
    EXPECT_EQ(c->drawEnabled, 1);
    EXPECT_EQ(c->shown, 1);
    ASSERT_EQ(SetUpAction("g", scene::kActionMove, 0, {"10", "20"}), 2);
    EXPECT_EQ(g->position[0], 10);
    EXPECT_EQ(c->position[0], 110);  // 10 plus its group offset
    EXPECT_EQ(c->position[1], 120);
}

TEST_F(ActionStep, BezierMoveFollowsItsSegmentsAndRefusesBrokenLists) {
    SceneObject* o = Plate("p", 0, 0);
    scene::ActionRequest r;
    r.kind = scene::kActionMove;
    r.durationMs = 1000;
    r.points = "(0,0){0,100}{100,100}(100,0){@100,-100}{200,-100}(200,0)";
    ASSERT_EQ(scene::SetupActions(kKey, "p", r), 1);
    EXPECT_EQ(o->actions[scene::kActionMove].pathPoints, 2048);
    Go();
    Frames(16);  // index 15 of 60: a quarter of the first segment's samples
    EXPECT_GT(o->position[1], 30);
    Frames(32);  // index 47: well into the second segment, below the line
    EXPECT_GT(o->position[0], 100);
    EXPECT_LT(o->position[1], 0);
    Frames(40);
    EXPECT_EQ(o->position[0], 200);
    EXPECT_EQ(o->position[1], 0);
    for (const char* bad : {"(0,0){1,1}{2,2}(3,3", "(0,0){1,1}(3,3)", "(0,0)){1,1}{2,2}(3,3)",
                            "(0,x){1,1}{2,2}(3,3)"}) {
        r.points = bad;
        EXPECT_EQ(scene::SetupActions(kKey, "p", r), 0) << bad;
    }
    EXPECT_EQ(o->position[0], 200);
}

}  // namespace
}  // namespace scene_test
