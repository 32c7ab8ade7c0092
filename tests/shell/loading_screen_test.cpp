// The loading screen: overlay placement, the state it ends in, and a failed load.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/sync.h"
#include "core/engine.h"
#include "shell/loading_screen.h"
#include "core/registry.h"
#include "shell/subsystems.h"

namespace {

TEST(LoadingScreen, OverlayPlacement) {
    struct {
        int w, h;
        bool hasX, hasY;
        double x, y;
        int ex, ey;
    } cases[] = {
        {200, 100, false, false, 0, 0, 412, 334},
        {201, 101, false, false, 0, 0, 412, 334},  // integer halves
        {200, 100, true, false, 10, 0, 10, 334},
        {200, 100, true, true, -5, 7, -5, 7},
        {1024, 768, false, false, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        int x = 0, y = 0;
        shell::LoadingOverlayPosition(c.w, c.h, c.hasX ? &c.x : nullptr, c.hasY ? &c.y : nullptr, &x, &y);
        EXPECT_EQ(x, c.ex) << c.w << "x" << c.h;
        EXPECT_EQ(y, c.ey) << c.w << "x" << c.h;
    }
}

class LoadingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        core::Current().quit = 0;
        core::Current().quitEvent = platform::CreateEvent(true, false);
        core::Current().stateChanged = platform::CreateEvent(true, false);
        ASSERT_EQ(core::InitRegistry(), 1);
        savedHooks_ = shell::GetLoadingHooks();
        savedSubsystems_ = shell::GetSubsystems();
        shell::GetSubsystems().stopComposer = [] {};
        shell::GetSubsystems().startComposer = [] { return true; };
        shell::GetSubsystems().stopAllProcesses = [] {};
    }
    void TearDown() override {
        shell::GetLoadingHooks() = savedHooks_;
        shell::GetSubsystems() = savedSubsystems_;
        core::Current().quit = 0;
        core::EndAllThreads();
        platform::DestroyEvent(core::Current().quitEvent);
        platform::DestroyEvent(core::Current().stateChanged);
        core::Current().quitEvent = core::Current().stateChanged = nullptr;
    }
    shell::LoadingHooks savedHooks_;
    shell::Subsystems savedSubsystems_;
};

TEST_F(LoadingFixture, WithoutOverlayOnlyThePauseThenPlay) {
    static bool loaded = false, resumed = false;
    shell::GetLoadingHooks().loadSlot = [] { return loaded = true; };
    shell::GetLoadingHooks().resumeAfterLoad = [] { resumed = true; };
    core::Current().state = core::StateLoadRequested;
    auto start = std::chrono::steady_clock::now();
    shell::RunLoadingScreen();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(resumed);
    EXPECT_EQ(core::Current().state.load(), core::StatePlay);
    EXPECT_EQ(core::Current().previousState.load(), core::StateLoading);
    EXPECT_FALSE(core::Quitting());
    EXPECT_GE(took, std::chrono::milliseconds(295)) << "the 300 ms pause";
}

TEST_F(LoadingFixture, FailedLoadQuitsAndNeverReturnsToTheGame) {
    shell::GetLoadingHooks().loadSlot = [] { return false; };
    core::Current().state = core::StateLoadRequested;
    shell::RunLoadingScreen();  // headless: the message box prints and takes OK
    EXPECT_TRUE(core::Quitting());
    EXPECT_EQ(core::Current().state.load(), core::StateLoading);
}

}  // namespace
