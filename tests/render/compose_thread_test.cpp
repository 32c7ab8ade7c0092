// The composer thread: steps objects while the display runs, stops stepping
// while it is paused, ends with the playing state, and is waitable.
#include <atomic>

#include "platform/clock.h"
#include "platform/video.h"
#include "render/compose.h"
#include "render/compose_shell.h"
#include "render/display.h"
#include "render/image.h"
#include "render/raster.h"
#include "../scene/scene_fixture.h"

namespace {

using scene_test::kKey;

std::atomic<int> g_steps{0};
int CountStep(scene::SceneObject*) {
    g_steps.fetch_add(1);
    return 1;
}

// Polls a condition with a generous bound (the composer runs on its own
// pace; nothing here guesses how long a frame takes).
template <typename Condition>
bool WaitUntil(Condition condition, int boundMs = 10000) {
    uint32_t start = platform::TimeMs();
    while (!condition()) {
        if (static_cast<int>(platform::TimeMs() - start) > boundMs) return false;
        platform::SleepMs(1);
    }
    return true;
}

class ComposerThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        core::g_engine.quit = 0;
        core::g_engine.state = core::StatePlay;
        core::g_engine.quitEvent = platform::CreateEvent(true, false);
        core::g_engine.stateChanged = platform::CreateEvent(true, false);
        ASSERT_EQ(core::InitRegistry(), 1);
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        ASSERT_TRUE(platform::Video().createWindow("test", 1024, 768));
        ASSERT_TRUE(render::ShellCreateDisplay());
        ASSERT_TRUE(render::ShellStartComposer());
        ASSERT_EQ(scene::AddTree(kKey), 1);
        g_steps = 0;
    }
    void TearDown() override {
        render::ShellStopComposer();
        render::ShellReleaseDisplay();
        core::EndAllThreads();
        core::g_engine.state = core::StateNone;
        for (platform::Event** e : {&core::g_engine.quitEvent, &core::g_engine.stateChanged}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }
    scene::SceneObject* Make(const char* path) {
        core::AcquireSceneLock();
        scene::SceneObject* o = scene::CreateObject(kKey, path);
        core::ReleaseSceneLock();
        return o;
    }
};

TEST_F(ComposerThreadTest, StepsOnlyWhileTheDisplayRuns) {
    EXPECT_TRUE(render::ComposerRunning());
    EXPECT_FALSE(platform::IsEventSet(scene::g_objects.displayRunning));  // starts paused
    core::AcquireSceneLock();
    scene::SceneObject* o = scene::CreateObject(kKey, "mover");
    o->ops.moveStep = CountStep;
    scene::SceneObject* still = scene::CreateObject(kKey, "still");
    still->noStep = 1;
    still->ops.moveStep = CountStep;
    core::ReleaseSceneLock();
    EXPECT_EQ(g_steps.load(), 0);

    render::ResumeComposer();
    ASSERT_TRUE(WaitUntil([] { return g_steps.load() >= 3; }));
    render::PauseComposer();
    EXPECT_FALSE(platform::IsEventSet(scene::g_objects.displayRunning));
}

TEST_F(ComposerThreadTest, DisusedObjectIsDeletedByTheComposer) {
    Make("keep");
    scene::SceneObject* temp = Make("temp");
    temp->disused = 1;
    render::ResumeComposer();
    ASSERT_TRUE(WaitUntil([] {
        core::AcquireSceneLock();
        bool gone = scene::FindObject(kKey, "temp") == nullptr;
        core::ReleaseSceneLock();
        return gone;
    }));
    core::AcquireSceneLock();
    EXPECT_NE(scene::FindObject(kKey, "keep"), nullptr);
    core::ReleaseSceneLock();
}

TEST_F(ComposerThreadTest, ComposedFramesReachTheScreen) {
    render::RegisterRasterizer();
    core::AcquireSceneLock();
    scene::SceneObject* o = scene::CreateObject(kKey, "plate");
    render::Image* image = render::CreateBlankImage(64, 32, 0x00C0FF, 255);
    image->owner = o;
    o->image = render::WrapImage(o, image);
    render::TransformQuad(o->image->quad, nullptr, 768, 300, 200);
    o->ops.draw = render::DrawObject;
    o->drawEnabled = 1;
    render::AddDirtyDrawable(o->image);
    core::ReleaseSceneLock();
    render::ResumeComposer();
    std::vector<uint32_t> frame(1024 * 768);
    ASSERT_TRUE(WaitUntil([&] {
        return platform::Video().lastFrame(frame.data()) && frame[210 * 1024 + 310] == 0xFF00C0FFu;
    }));
    EXPECT_EQ(frame[210 * 1024 + 299], 0xFF000000u);
}

TEST_F(ComposerThreadTest, EndsWhenThePlayingStateEndsAndWakesWaiters) {
    render::ResumeComposer();
    ASSERT_TRUE(WaitUntil([] { return render::ComposedFrames() >= 1; }));
    core::SetEngineState(core::StateLoadRequested);
    uint32_t woke = core::WaitEngineEvents(core::kWaitComposerEnd, nullptr, 10000);
    EXPECT_EQ(woke, core::kWaitComposerEnd);
}

}  // namespace
