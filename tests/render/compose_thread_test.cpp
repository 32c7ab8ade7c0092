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
        shell::g_engine.quit = 0;
        shell::g_engine.state = shell::StatePlay;
        shell::g_engine.quitEvent = platform::CreateEvent(true, false);
        shell::g_engine.stateChanged = platform::CreateEvent(true, false);
        ASSERT_EQ(shell::InitRegistry(), 1);
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
        shell::EndAllThreads();
        shell::g_engine.state = shell::StateNone;
        for (platform::Event** e : {&shell::g_engine.quitEvent, &shell::g_engine.stateChanged}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }
    scene::SceneObject* Make(const char* path) {
        shell::AcquireSceneLock();
        scene::SceneObject* o = scene::CreateObject(kKey, path);
        shell::ReleaseSceneLock();
        return o;
    }
};

TEST_F(ComposerThreadTest, StepsOnlyWhileTheDisplayRuns) {
    EXPECT_TRUE(render::ComposerRunning());
    EXPECT_FALSE(platform::IsEventSet(scene::g_objects.displayRunning));  // starts paused
    shell::AcquireSceneLock();
    scene::SceneObject* o = scene::CreateObject(kKey, "mover");
    o->ops.moveStep = CountStep;
    scene::SceneObject* still = scene::CreateObject(kKey, "still");
    still->noStep = 1;
    still->ops.moveStep = CountStep;
    shell::ReleaseSceneLock();
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
        shell::AcquireSceneLock();
        bool gone = scene::FindObject(kKey, "temp") == nullptr;
        shell::ReleaseSceneLock();
        return gone;
    }));
    shell::AcquireSceneLock();
    EXPECT_NE(scene::FindObject(kKey, "keep"), nullptr);
    shell::ReleaseSceneLock();
}

TEST_F(ComposerThreadTest, ComposedFramesReachTheScreen) {
    render::RegisterRasterizer();
    shell::AcquireSceneLock();
    scene::SceneObject* o = scene::CreateObject(kKey, "plate");
    render::Image* image = render::CreateBlankImage(64, 32, 0x00C0FF, 255);
    image->owner = o;
    o->image = render::WrapImage(o, image);
    render::TransformQuad(o->image->quad, nullptr, 768, 300, 200);
    o->ops.draw = render::DrawObject;
    o->drawEnabled = 1;
    render::AddDirtyDrawable(o->image);
    shell::ReleaseSceneLock();
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
    shell::SetEngineState(shell::StateLoadRequested);
    uint32_t woke = shell::WaitEngineEvents(shell::kWaitComposerEnd, nullptr, 10000);
    EXPECT_EQ(woke, shell::kWaitComposerEnd);
}

}  // namespace
