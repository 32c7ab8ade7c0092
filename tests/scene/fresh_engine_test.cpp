// Each engine has its own object system, composer record and hook tables:
// what one engine changes, a fresh engine does not see, and the first engine
// keeps it while the other is current.
#include <gtest/gtest.h>

#include "core/registry.h"
#include "scene/action.h"
#include "scene/composer.h"
#include "scene/composer_internal.h"
#include "scene/object_tree.h"
#include "scene/state.h"
#include "scene/wait.h"
#include "shell/engine_build.h"

namespace {

constexpr int32_t kKey = 4711;

void TestCursor() {}
int32_t TestDelay() {
    return 7;
}
int TestBlend(render::Drawable*, render::Layer*, void*, int) {
    return 0;
}
int32_t TestSoundTime(const scene::SceneObject*, int) {
    return 5;
}

struct StateCase {
    const char* what;
    void (*change)();
    bool (*changed)();
    void (*cleanUp)();  // may be null
};

const StateCase kCases[] = {
    {"object trees",
     [] {
         ASSERT_EQ(scene::InitObjects(), 1);
         ASSERT_EQ(scene::AddTree(kKey), 1);
     },
     [] { return scene::Objects().running != 0 && scene::FindTree(kKey) != nullptr; },
     [] { scene::ReleaseObjects(); }},
    {"composer hooks", [] { scene::ComposerHooksTable().drawCursor = TestCursor; },
     [] { return scene::ComposerHooksTable().drawCursor == TestCursor; }, nullptr},
    {"composed frames", [] { scene::CountComposedFrame(); },
     [] { return scene::ComposedFrames() != 0; }, nullptr},
    {"default blend", [] { scene::SetDefaultBlend(TestBlend); },
     [] { return scene::DefaultOps().blend == TestBlend; }, nullptr},
    {"wait hooks", [] { scene::GetWaitHooks().autoDelayMs = TestDelay; },
     [] { return scene::GetWaitHooks().autoDelayMs == TestDelay; }, nullptr},
    {"activity hooks", [] { scene::GetActivityHooks().soundTime = TestSoundTime; },
     [] { return scene::GetActivityHooks().soundTime == TestSoundTime; }, nullptr},
    {"scrollbar drags", [] { scene::State().drags = 2; },
     [] { return scene::State().drags.load() != 0; }, nullptr},
};

TEST(SceneEngineState, AFreshEngineStartsClean) {
    ASSERT_EQ(core::InitRegistry(), 1);
    for (const StateCase& c : kCases) {
        SCOPED_TRACE(c.what);
        shell::EngineScope first;
        EXPECT_FALSE(c.changed()) << "a fresh engine starts changed";
        c.change();
        ASSERT_TRUE(c.changed());
        {
            shell::EngineScope second;
            EXPECT_FALSE(c.changed()) << "seen by the next engine";
        }
        EXPECT_TRUE(c.changed()) << "lost by the first engine";
        if (c.cleanUp) c.cleanUp();
    }
    core::EndAllThreads();
}

}  // namespace
