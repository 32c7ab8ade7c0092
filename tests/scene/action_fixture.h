// Scene fixture for the action tests: the scene commands and the action
// system installed, an engine clock the test advances, and frames stepped
// through the composer's update phase at that clock.
#pragma once
#include <atomic>
#include <string>

#include "create_fixture.h"
#include "core/clock.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "scene/action.h"
#include "scene/commands_motion.h"
#include "scene/start_signal.h"

namespace scene_test {

// Atomic: the engine clock is read by every engine thread (sound fades, the
// headless audio device), not only by the test's own steps.
inline std::atomic<uint32_t> g_fakeNow{100000};
inline uint32_t FakeNow() {
    return g_fakeNow;
}

class ActionFixture : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        core::SetClock(FakeNow);
        render::ResetPacing();  // 16 ms frames, nominal rate 60
        render::Modes().playSpeed = 1.0;
        render::SetSkipMode(false);
    }
    void TearDown() override {
        core::SetClock(nullptr);
        render::Modes().playSpeed = 1.0;
        render::SetSkipMode(false);
        CreateFixture::TearDown();
    }

    // A 10 x 10 white plate at (x, y).
    scene::SceneObject* Plate(const char* name, int x, int y) {
        std::string sx = std::to_string(x), sy = std::to_string(y);
        EXPECT_EQ(Run(scene::CreateColorObject,
                      {name, "0", sx.c_str(), sy.c_str(), "10", "10", "#FFFFFF"}),
                  1);
        return Find(name);
    }

    // One composer frame `ms` after the last: every object's last step time
    // is the previous frame's, as the composer thread leaves it.
    void Frames(int count, uint32_t ms = 16) {
        for (int i = 0; i < count; ++i) {
            core::SceneLockGuard hold;
            scene::World* world = scene::CurrentWorld();
            for (scene::DrawListNode* n = world->list.first; n; n = n->next)
                n->object->lastStepTime = g_fakeNow;
            g_fakeNow += ms;
            scene::UpdatePhase(world);
        }
    }

    void Go() {
        core::SceneLockGuard hold;
        scene::StartActions(1);
    }

    int SetUpAction(const char* path, int kind, int32_t ms, std::initializer_list<const char*> values,
              const char* curve = nullptr) {
        scene::ActionRequest r;
        r.kind = kind;
        r.durationMs = ms;
        int i = 0;
        for (const char* v : values) r.values[i++] = v;
        r.depth = kind == scene::kActionMove && values.size() == 3;
        r.curve = curve;
        return scene::SetupActions(kKey, path, r);
    }
};

}  // namespace scene_test
