// The choice hit test as a select's case sees it: hover, press, choose and
// leave, with the state groups' sounds started and stopped on the way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "create_fixture.h"
#include "scene/choice_hit.h"

namespace {

using scene_test::CreateFixture;

std::vector<std::string> g_soundCalls;

void RecordStart(scene::SceneObject* node) { g_soundCalls.push_back(std::string("start ") + node->name); }
void RecordStop(scene::SceneObject* node) { g_soundCalls.push_back(std::string("stop ") + node->name); }

class ChoiceHitTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        saved_ = scene::GetChoiceSoundHooks();
        scene::GetChoiceSoundHooks() = {RecordStart, RecordStop};
        g_soundCalls.clear();
        ASSERT_TRUE(Run(scene::CreateChoiceObject, {"c"}));
        for (const char* group : {"MouseUsual", "MouseOver", "MouseLeave", "MouseClick"}) {
            std::string name = std::string("c/") + group + "/p";
            ASSERT_TRUE(Run(scene::CreateColorObject, {name.c_str(), "5", "100", "100", "50", "20", "#FFFFFF"}));
        }
    }
    void TearDown() override {
        scene::GetChoiceSoundHooks() = saved_;
        CreateFixture::TearDown();
    }
    int Test(int x, int y, bool down, bool releaseSeen = false) {
        core::SceneLockGuard hold;
        return scene::ChoiceHit(Find("c"), x, y, down, true, releaseSeen);
    }
    scene::ChoiceSoundHooks saved_{};
};

TEST_F(ChoiceHitTest, HoverPressChooseAndLeaveWithTheirSounds) {
    scene::SceneObject* c = Find("c");
    struct Step {
        int x, y;
        bool down;
        int chosen;
        int32_t state;
        std::vector<std::string> sounds;
    };
    const Step steps[] = {
        {10, 10, false, 0, scene::kChoiceIdle, {}},                            // elsewhere
        {110, 110, false, 0, scene::kChoiceHovered, {"start MouseOver"}},      // hover
        {110, 110, true, 0, scene::kChoicePressed, {"start MouseClick"}},      // press
        {110, 110, false, 1, scene::kChoiceChosen, {}},                        // release: chosen
        // The 50-pixel plates are drawn 52 wide (blank widths round up to 4).
        {151, 119, false, 0, scene::kChoiceHovered, {"start MouseOver"}},      // last pixel
        {152, 119, false, 0, scene::kChoiceLeft, {"stop MouseOver", "start MouseLeave"}},
        {500, 500, false, 0, scene::kChoiceIdle, {}},                          // left -> idle
    };
    for (const Step& s : steps) {
        g_soundCalls.clear();
        EXPECT_EQ(Test(s.x, s.y, s.down), s.chosen) << s.x << "," << s.y;
        EXPECT_EQ(c->choiceState, s.state) << s.x << "," << s.y;
        EXPECT_EQ(g_soundCalls, s.sounds) << s.x << "," << s.y;
    }
}

}  // namespace
