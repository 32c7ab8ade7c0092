// The composer thread: steps objects while the display runs, stops stepping
// while it is paused, ends with the playing state, and is waitable.
#include <atomic>

#include "platform/clock.h"
#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "shell/display_services.h"
#include "render/display.h"
#include "render/image.h"
#include "render/image_load.h"
#include "render/raster.h"
#include "scene_fixture.h"

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
        core::Current().quit = 0;
        core::Current().state = core::StatePlay;
        core::Current().quitEvent = platform::CreateEvent(true, false);
        core::Current().stateChanged = platform::CreateEvent(true, false);
        ASSERT_EQ(core::InitRegistry(), 1);
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        ASSERT_TRUE(platform::Video().createWindow("test", 1024, 768));
        ASSERT_TRUE(shell::CreateDisplay());
        ASSERT_TRUE(scene::StartComposer());
        ASSERT_EQ(scene::AddTree(kKey), 1);
        g_steps = 0;
    }
    void TearDown() override {
        render::SetSkipMode(false);
        scene::StopComposer();
        shell::ReleaseDisplay();
        core::EndAllThreads();
        core::Current().state = core::StateNone;
        for (platform::Event** e : {&core::Current().quitEvent, &core::Current().stateChanged}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }
    scene::SceneObject* Make(const char* path) {
        core::SceneLockGuard hold;
        return scene::CreateObject(kKey, path);
    }
    // A picture object the composer draws (caller holds the SceneLock).
    static scene::SceneObject* MakePlate(const char* path, int x, int y, uint32_t colour) {
        scene::SceneObject* o = scene::CreateObject(kKey, path);
        if (!o) return nullptr;
        render::Image* image = render::CreateBlankImage(512, 256, colour, 255);
        image->owner = o;
        o->image = render::WrapImage(o, image);
        render::TransformQuad(o->image->quad, nullptr, 768, x, y);
        o->ops.draw = scene::DrawObject;
        o->drawEnabled = 1;
        render::AddDirtyDrawable(o->image);
        return o;
    }
};

// Whether the thread that steps an object holds the SceneLock.
std::atomic<int> g_unlockedSteps{0};
int RecordLockedStep(scene::SceneObject*) {
    if (!core::LockHeldMark(core::kLockScene)) g_unlockedSteps.fetch_add(1);
    g_steps.fetch_add(1);
    return 1;
}

// Skip mode only drops pacing: the frame's walk of the tree is made under
// the SceneLock in every mode, like any other reader of the tree.
TEST_F(ComposerThreadTest, FramesHoldTheSceneLockInEveryMode) {
    {
        core::SceneLockGuard hold;
        scene::CreateObject(kKey, "mover")->ops.moveStep = RecordLockedStep;
    }
    g_unlockedSteps = 0;
    for (bool skip : {false, true}) {
        SCOPED_TRACE(skip);
        render::SetSkipMode(skip);
        scene::ResumeComposer();
        int target = g_steps.load() + 5;
        ASSERT_TRUE(WaitUntil([&] { return g_steps.load() >= target; }));
        scene::PauseComposer();
        EXPECT_EQ(g_unlockedSteps.load(), 0);
    }
    render::SetSkipMode(false);
}

// A script thread deleting and creating objects while the composer runs in
// skip mode: the composer never walks a freed object (ASan, TSan).
TEST_F(ComposerThreadTest, SkipModeFramesAndDeletionsDoNotOverlap) {
    render::RegisterRasterizer();
    render::SetSkipMode(true);
    scene::ResumeComposer();
    for (int round = 0; round < 200; ++round) {
        {
            core::SceneLockGuard hold;
            for (const char* name : {"a", "b", "c"}) {
                scene::SceneObject* o = MakePlate(name, 10 * round % 700, 100, 0x203040);
                ASSERT_NE(o, nullptr);
                o->ops.moveStep = CountStep;
            }
        }
        uint32_t frames = scene::ComposedFrames();
        ASSERT_TRUE(WaitUntil([&] { return scene::ComposedFrames() != frames; }));
        scene::DeleteObjects(kKey, "*");
    }
    scene::PauseComposer();
    render::SetSkipMode(false);
}

// Captures redraw the scene through the rasterizer: they and the composer
// (in skip mode as in play) take turns on it, and a capture reads a frame
// no one is drawing into.
TEST_F(ComposerThreadTest, CapturesAndFramesTakeTurnsOnTheRasterizer) {
    render::RegisterRasterizer();
    {
        core::SceneLockGuard hold;
        // Large enough for the draws to be shared with the raster worker.
        for (int i = 0; i < 4; ++i) {
            char name[8] = {'p', static_cast<char>('0' + i)};
            ASSERT_NE(MakePlate(name, 100 * i, 60 * i, 0x101010u * (i + 1)), nullptr);
        }
    }
    for (bool skip : {true, false}) {
        SCOPED_TRACE(skip);
        render::SetSkipMode(skip);
        scene::ResumeComposer();
        for (int i = 0; i < 20; ++i) {
            uint32_t frames = scene::ComposedFrames();
            render::Image* screen = render::CaptureFrame(render::kFrameWidth);
            ASSERT_NE(screen, nullptr);
            // The third plate lies over the second from (200, 120) on.
            EXPECT_EQ(screen->rows[130][210], 0xFF303030u);
            render::DestroyImage(&screen);
            ASSERT_EQ(render::TakeSnapshots(), 1);
            ASSERT_TRUE(WaitUntil([&] { return scene::ComposedFrames() != frames; }));
        }
        scene::PauseComposer();
    }
    render::SetSkipMode(false);
}

TEST_F(ComposerThreadTest, StepsOnlyWhileTheDisplayRuns) {
    EXPECT_TRUE(scene::ComposerRunning());
    EXPECT_FALSE(platform::IsEventSet(scene::Objects().displayRunning));  // starts paused
    {
        core::SceneLockGuard hold;
        scene::SceneObject* o = scene::CreateObject(kKey, "mover");
        o->ops.moveStep = CountStep;
        scene::SceneObject* still = scene::CreateObject(kKey, "still");
        still->noStep = 1;
        still->ops.moveStep = CountStep;
    }
    EXPECT_EQ(g_steps.load(), 0);

    scene::ResumeComposer();
    ASSERT_TRUE(WaitUntil([] { return g_steps.load() >= 3; }));
    scene::PauseComposer();
    EXPECT_FALSE(platform::IsEventSet(scene::Objects().displayRunning));
}

TEST_F(ComposerThreadTest, DisusedObjectIsDeletedByTheComposer) {
    Make("keep");
    scene::SceneObject* temp = Make("temp");
    temp->disused = 1;
    scene::ResumeComposer();
    ASSERT_TRUE(WaitUntil([] {
        core::SceneLockGuard hold;
        return scene::FindObject(kKey, "temp") == nullptr;
    }));
    core::SceneLockGuard hold;
    EXPECT_NE(scene::FindObject(kKey, "keep"), nullptr);
}

TEST_F(ComposerThreadTest, ComposedFramesReachTheScreen) {
    render::RegisterRasterizer();
    {
        core::SceneLockGuard hold;
        scene::SceneObject* o = scene::CreateObject(kKey, "plate");
        render::Image* image = render::CreateBlankImage(64, 32, 0x00C0FF, 255);
        image->owner = o;
        o->image = render::WrapImage(o, image);
        render::TransformQuad(o->image->quad, nullptr, 768, 300, 200);
        o->ops.draw = scene::DrawObject;
        o->drawEnabled = 1;
        render::AddDirtyDrawable(o->image);
    }
    scene::ResumeComposer();
    std::vector<uint32_t> frame(1024 * 768);
    ASSERT_TRUE(WaitUntil([&] {
        return platform::Video().lastFrame(frame.data()) && frame[210 * 1024 + 310] == 0xFF00C0FFu;
    }));
    EXPECT_EQ(frame[210 * 1024 + 299], 0xFF000000u);
}

// Waits of script threads rebase the step times after a state change while
// the composer may be stepping the same objects: the rebase walks the tree
// (and rebases the other payloads) under the SceneLock like the frame does.
std::atomic<int> g_unlockedRebases{0};
void RecordRebase(uint32_t, int) {
    if (!core::CallerHoldsLock(core::kLockScene)) g_unlockedRebases.fetch_add(1);
}

TEST_F(ComposerThreadTest, RebasingWhileFramesRunHoldsTheSceneLock) {
    scene::ComposerHooks& hooks = scene::ComposerHooksTable();
    void (*saved)(uint32_t, int) = hooks.rebaseOther;
    hooks.rebaseOther = RecordRebase;
    g_unlockedRebases = 0;
    {
        core::SceneLockGuard hold;
        scene::CreateObject(kKey, "mover")->ops.moveStep = CountStep;
    }
    scene::ResumeComposer();
    uint32_t target = scene::ComposedFrames() + 20;
    // This thread stands for a script thread's wait.
    bool framesRan = WaitUntil([&] {
        scene::RebaseTimes(0);
        return scene::ComposedFrames() >= target;
    });
    scene::PauseComposer();
    hooks.rebaseOther = saved;
    ASSERT_TRUE(framesRan);
    EXPECT_EQ(g_unlockedRebases.load(), 0);
}

TEST_F(ComposerThreadTest, EndsWhenThePlayingStateEndsAndWakesWaiters) {
    scene::ResumeComposer();
    ASSERT_TRUE(WaitUntil([] { return scene::ComposedFrames() >= 1; }));
    core::SetEngineState(core::StateLoadRequested);
    uint32_t woke = core::WaitEngineEvents(core::kWaitComposerEnd, nullptr, 10000);
    EXPECT_EQ(woke, core::kWaitComposerEnd);
}

}  // namespace
