// The player's play-speed step (#SYSTEM_play_speed) sets the speed actions,
// sound fades and the frame pacing run at, through the engine's wiring.
#include <gtest/gtest.h>

#include "core/engine.h"
#include "render/compose.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "shell/engine_build.h"
#include "shell/wiring.h"

namespace {

void AssignStep(double value) {
    script::Variable* v = script::GetOrCreateExact("#SYSTEM_play_speed");
    ASSERT_NE(v, nullptr);
    script::SetNumber(v, value);
    script::ApplySystem("#SYSTEM_play_speed");
}

TEST(PlaySpeed, TheStepSetsTheSpeedOfActionsAndFades) {
    shell::EngineScope engine;
    shell::WireEngine();
    core::Current().state = core::StatePlay;
    EXPECT_DOUBLE_EQ(render::CurrentSpeed(), 1.0) << "the default step is 3";
    const struct {
        double assigned;
        double speed;
    } cases[] = {
        {1, 0.5}, {2, 0.75}, {4, 1.5}, {5, 2.0}, {6, 3.0}, {7, 4.0}, {8, 5.5}, {9, 8.0}, {10, 12.0},
        {11, 16.0}, {12, 32.0},
        {20, 32.0},  // taken as step 12
        {3, 1.0},
        {0, 1.0},    // changes nothing
        {-4, 1.0},   // changes nothing
        {6.9, 3.0},  // the whole step
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.assigned);
        AssignStep(c.assigned);
        EXPECT_DOUBLE_EQ(render::Modes().playSpeed.load(), c.speed);
        EXPECT_DOUBLE_EQ(render::CurrentSpeed(), c.speed);
    }
    // Skip mode and a system script keep their own speeds over the step's.
    AssignStep(1);
    render::SetSkipMode(true);
    EXPECT_DOUBLE_EQ(render::CurrentSpeed(), 32.0);
    render::SetSkipMode(false);
    core::Current().state = core::StateSystemScript;
    EXPECT_DOUBLE_EQ(render::CurrentSpeed(), 1.0);
    core::Current().state = core::StateNone;
}

}  // namespace
