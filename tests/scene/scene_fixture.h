// Brings up the engine events, the registry and the object system for one
// test, with one tree whose key is kKey.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sync.h"
#include "scene/object_tree.h"
#include "shell/engine.h"
#include "shell/registry.h"

namespace scene_test {

constexpr int32_t kKey = 4711;
constexpr int32_t kOtherKey = 815;

class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override {
        shell::g_engine.quit = 0;
        shell::g_engine.state = shell::StatePlay;
        shell::g_engine.quitEvent = platform::CreateEvent(true, false);
        shell::g_engine.stateChanged = platform::CreateEvent(true, false);
        ASSERT_EQ(shell::InitRegistry(), 1);
        ASSERT_EQ(scene::InitObjects(), 1);
        ASSERT_EQ(scene::AddTree(kKey), 1);
    }
    void TearDown() override {
        scene::ReleaseObjects();
        shell::EndAllThreads();
        shell::g_engine.state = shell::StateNone;
        for (platform::Event** e : {&shell::g_engine.quitEvent, &shell::g_engine.stateChanged}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }

    // Creates under the SceneLock, as commands do.
    scene::SceneObject* Make(const char* path, int32_t key = kKey) {
        shell::AcquireSceneLock();
        scene::SceneObject* o = scene::CreateObject(key, path);
        shell::ReleaseSceneLock();
        return o;
    }

    static std::vector<std::string> DrawOrder(scene::World* world = scene::CurrentWorld()) {
        std::vector<std::string> names;
        for (scene::DrawListNode* n = world->list.first; n; n = n->next)
            names.push_back(n->object->name);
        return names;
    }
};

}  // namespace scene_test
