// Brings up a fresh engine (wired), its events, the registry and the object
// system for one test, with one tree whose key is kKey.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sync.h"
#include "scene/object_tree.h"
#include "core/engine.h"
#include "core/registry.h"
#include "shell/engine_build.h"

namespace scene_test {

constexpr int32_t kKey = 4711;
constexpr int32_t kOtherKey = 815;

class SceneFixture : public ::testing::Test {
protected:
    // First member: built before and destroyed after everything else.
    shell::EngineScope engine_;

    void SetUp() override {
        core::Current().quit = 0;
        core::Current().state = core::StatePlay;
        core::Current().quitEvent = platform::CreateEvent(true, false);
        core::Current().stateChanged = platform::CreateEvent(true, false);
        ASSERT_EQ(core::InitRegistry(), 1);
        ASSERT_EQ(scene::InitObjects(), 1);
        ASSERT_EQ(scene::AddTree(kKey), 1);
    }
    void TearDown() override {
        scene::ReleaseObjects();
        core::EndAllThreads();
        core::Current().state = core::StateNone;
        for (platform::Event** e : {&core::Current().quitEvent, &core::Current().stateChanged}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }

    // Creates under the SceneLock, as commands do.
    scene::SceneObject* Make(const char* path, int32_t key = kKey) {
        core::SceneLockGuard hold;
        return scene::CreateObject(key, path);
    }

    static std::vector<std::string> DrawOrder(scene::World* world = scene::CurrentWorld()) {
        std::vector<std::string> names;
        for (scene::DrawListNode* n = world->list.first; n; n = n->next)
            names.push_back(n->object->name);
        return names;
    }
};

}  // namespace scene_test
