// Fixture for tests that check composed frames: the action fixture with the
// headless display and rasterizer, a blue full-frame backdrop, coloured
// plates and windows made by their commands, and frames composed one at a
// time (16 ms apart) and read back from the presenter.
#pragma once
#include <string>
#include <vector>

#include "action_fixture.h"
#include "platform/video.h"
#include "render/display.h"
#include "render/raster.h"

namespace scene_test {

constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

// A pixel expected at (x, y).
struct Probe {
    int x, y;
    uint32_t expected;
};

class FrameFixture : public ActionFixture {
protected:
    void SetUp() override {
        ActionFixture::SetUp();
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        ASSERT_TRUE(platform::Video().createWindow("test", 1024, 768));
        render::RegisterRasterizer();
        ASSERT_EQ(render::CreateDisplay(), 1);
        Plate("bg", 0, 0, 0, 1024, 768, "#0000FF");
    }
    void TearDown() override {
        render::ReleaseDisplay();
        render::ResetDirty();
        ActionFixture::TearDown();
    }

    using ActionFixture::Plate;
    void Plate(const char* name, int priority, int x, int y, int w, int h, const char* colour) {
        std::string p = std::to_string(priority), sx = std::to_string(x), sy = std::to_string(y),
                    sw = std::to_string(w), sh = std::to_string(h);
        ASSERT_EQ(Run(scene::CreateColorObject,
                      {name, p.c_str(), sx.c_str(), sy.c_str(), sw.c_str(), sh.c_str(), colour}),
                  1)
            << name;
    }
    // A window that is not a group: children are placed in frame
    // coordinates, and actions on the window leave them to the window.
    scene::SceneObject* Window(const char* name, int x, int y, int w, int h) {
        std::string sx = std::to_string(x), sy = std::to_string(y), sw = std::to_string(w),
                    sh = std::to_string(h);
        EXPECT_EQ(Run(scene::CreateWindowObject,
                      {name, "1", sx.c_str(), sy.c_str(), sw.c_str(), sh.c_str(), "FALSE"}),
                  1);
        return Find(name);
    }

    // One composer frame 16 ms after the last: steps, then draws what changed.
    std::vector<uint32_t> Compose() {
        {
            core::SceneLockGuard hold;
            scene::World* world = scene::CurrentWorld();
            scene::SortDrawList(world);
            for (scene::DrawListNode* n = world->list.first; n; n = n->next)
                n->object->lastStepTime = g_fakeNow;
            g_fakeNow += 16;
            scene::UpdatePhase(world);
            scene::DrawPhase(world);
        }
        std::vector<uint32_t> frame(1024 * 768);
        EXPECT_TRUE(platform::Video().lastFrame(frame.data()));
        return frame;
    }
    // The scene as first shown (every object started).
    std::vector<uint32_t> Show() {
        Go();
        return Compose();
    }

    static uint32_t At(const std::vector<uint32_t>& f, int x, int y) {
        return f[static_cast<size_t>(y) * 1024 + x];
    }
    static void Check(const std::vector<uint32_t>& f, const std::vector<Probe>& probes,
                      const std::string& label) {
        for (const Probe& p : probes)
            EXPECT_EQ(At(f, p.x, p.y), p.expected)
                << label << " at " << p.x << "," << p.y << std::hex << " got " << At(f, p.x, p.y);
    }
    // Index of the first differing pixel, or -1.
    static long FirstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return static_cast<long>(i);
        return -1;
    }
};

}  // namespace scene_test
