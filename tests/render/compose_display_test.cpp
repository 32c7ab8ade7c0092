// The frame's hand-off to the video driver, mode switching, mouse scale and
// pacing tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/video.h"
#include "render/compose.h"
#include "shell/display_services.h"
#include "render/display.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/engine.h"

namespace {

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        ASSERT_TRUE(platform::Video().createWindow("test", 1024, 768));
        ASSERT_EQ(render::CreateDisplay(), 1);
    }
    void TearDown() override {
        render::ApplyDisplayMode(0, 0);
        render::SetWindowFullWriter(nullptr);
        render::ReleaseDisplay();
        render::ResetDirty();
    }
    static uint32_t Shown(int x, int y) {
        std::vector<uint32_t> frame(1024 * 768);
        EXPECT_TRUE(platform::Video().lastFrame(frame.data()));
        return frame[static_cast<size_t>(y) * 1024 + x];
    }
};

TEST_F(DisplayTest, CreatingPresentsABlackFrame) {
    EXPECT_EQ(Shown(0, 0), 0xFF000000u);
    EXPECT_EQ(Shown(1023, 767), 0xFF000000u);
    EXPECT_TRUE(render::IsEmpty(render::CurrentDirty()));
}

TEST_F(DisplayTest, OnePixelChangeCopiesOneColumnTwoRows) {
    uint32_t* frame = render::LockDisplayFrame();
    ASSERT_NE(frame, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            frame[y * 1024 + x] = 0x00102030u + static_cast<uint32_t>(y * 2 + x);
    render::UnlockDisplayFrame();
    render::AddDirtyRect(0, 0, 1, 1);
    render::MarkFrameChanged();
    ASSERT_EQ(render::PresentFrame(true), 1);
    EXPECT_EQ(Shown(0, 0), 0xFF102030u);
    EXPECT_EQ(Shown(0, 1), 0xFF102032u);
    EXPECT_EQ(Shown(1, 0), 0xFF000000u);  // outside: not copied
    EXPECT_EQ(Shown(0, 2), 0xFF000000u);
    EXPECT_TRUE(render::IsEmpty(render::CurrentDirty()));
}

TEST_F(DisplayTest, EmptyRectangleOrUnchangedFramePresentsNothing) {
    render::LockDisplayFrame()[5] = 0x00FFFFFFu;
    render::MarkFrameChanged();
    render::PresentFrame(true);  // empty rectangle
    EXPECT_EQ(Shown(5, 0), 0xFF000000u);
    render::PresentFrameRect(render::DirtyRect{0, 0, 10, 1});
    EXPECT_EQ(Shown(5, 0), 0xFFFFFFFFu);
    render::LockDisplayFrame()[6] = 0x00FFFFFFu;
    render::AddDirtyRect(0, 0, 10, 1);
    render::PresentFrame(true);  // nothing drawn since the last present
    EXPECT_EQ(Shown(6, 0), 0xFF000000u);
}

TEST_F(DisplayTest, ClearingARectangleKeepsTheRest) {
    uint32_t* frame = render::LockDisplayFrame();
    std::fill(frame, frame + 1024 * 768, 0x11111111u);
    render::ClearFrameRect(render::DirtyRect{10, 10, 20, 20});
    auto at = [&](int x, int y) { return frame[y * 1024 + x]; };
    EXPECT_EQ(at(10, 10), 0u);
    EXPECT_EQ(at(19, 20), 0u);  // the bottom row is drawn, so it is cleared
    EXPECT_EQ(at(20, 10), 0x11111111u);
    EXPECT_EQ(at(9, 10), 0x11111111u);
    EXPECT_EQ(at(10, 21), 0x11111111u);
    EXPECT_EQ(at(10, 9), 0x11111111u);
    render::ClearFrameRect(render::DirtyRect{1000, 760, 1024, 768});  // the edge clamps
    EXPECT_EQ(at(1023, 767), 0u);
}

TEST_F(DisplayTest, PresentWaitsForThePlayingStates) {
    core::Current().state = core::StateLoading;
    render::AddDirtyRect(0, 0, 4, 4);
    EXPECT_EQ(render::PresentFrame(false), 0);
    EXPECT_FALSE(render::IsEmpty(render::CurrentDirty()));
    core::Current().state = core::StatePlay;
    EXPECT_EQ(render::PresentFrame(false), 1);
    core::Current().state = core::StateNone;
}

int g_written = -1;

TEST_F(DisplayTest, WindowFullSwitchesModeAndWidening) {
    render::SetWindowFullWriter([](int value) { g_written = value; });
    render::SetDisplayScaling(3);
    ASSERT_EQ(render::SwitchWindowFull(1), 1);
    EXPECT_EQ(platform::Video().displayMode(), platform::kFullFiltered);
    EXPECT_EQ(render::CurrentWindowFull(), 1);
    EXPECT_EQ(g_written, 1);
    render::ResetDirty();
    render::AddDirtyRect(10, 10, 5, 5);  // scaled presenters need the widening
    EXPECT_EQ(render::CurrentDirty().left, 8);
    ASSERT_EQ(render::SwitchWindowFull(0), 1);
    EXPECT_EQ(platform::Video().displayMode(), platform::kWindowed);
    EXPECT_EQ(g_written, 0);
    render::ResetDirty();
    render::AddDirtyRect(10, 10, 5, 5);
    EXPECT_EQ(render::CurrentDirty().left, 10);
}

TEST_F(DisplayTest, MouseScaleAndAcceleration) {
    int32_t sx = 0, sy = 0;
    render::ClientToFrameScale(&sx, &sy);
    EXPECT_EQ(sx, 65536);  // the headless frame area is the frame itself
    EXPECT_EQ(sy, 65536);
    int fx = 0, fy = 0;
    render::ClientToFrame(300, 200, &fx, &fy);
    EXPECT_EQ(fx, 300);
    EXPECT_EQ(fy, 200);
    EXPECT_FALSE(render::EnableDirect3DHAL());
}

TEST(PacingTest, TablesAndIndex) {
    render::ResetPacing();
    EXPECT_EQ(render::FrameIndex(), 4);
    EXPECT_EQ(render::FrameIntervalMs(), 16);
    EXPECT_EQ(render::NominalFrameRate(), 60.0);
    render::SetFrameIndex(7);
    EXPECT_EQ(render::FrameIntervalMs(), 33);
    EXPECT_EQ(render::NominalFrameRate(), 30.0);
    render::SetFrameIndex(99);
    EXPECT_EQ(render::FrameIntervalMs(), 500);
    render::SetFrameIndex(-3);
    EXPECT_EQ(render::FrameIntervalMs(), 1);
    render::ResetPacing();
}

TEST_F(DisplayTest, ShellSwitchRecordsTheModeForScripts) {
    ASSERT_TRUE(shell::CreateDisplay());
    script::GetSystemValues().videoAspectFixed = 2;
    ASSERT_EQ(shell::SwitchWindowFull(1), 1);
    EXPECT_EQ(platform::Video().displayMode(), platform::kFullNearest);
    EXPECT_EQ(script::GetSystemValues().fullScreen, 1);
    script::Variable* v = script::LookupExact("#SYSTEM_window_full");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->number, 1);
    ASSERT_EQ(shell::SwitchWindowFull(0), 1);
    EXPECT_EQ(v->number, 0);
    EXPECT_EQ(script::GetSystemValues().fullScreen, 0);
    EXPECT_EQ(script::GetServices().direct3DHal(), 0);  // the headless renderer is not accelerated
    script::GetSystemValues().videoAspectFixed = 0;
    script::ResetScriptServices();
}

}  // namespace
