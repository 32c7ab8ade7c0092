// End to end on the headless driver: objects composed into a frame through
// the rasterizer and presented; the shown pixels are checked.
#include <vector>

#include "platform/clock.h"
#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/display.h"
#include "render/image.h"
#include "render/raster.h"
#include "scene_fixture.h"

namespace {

using scene_test::kKey;

class ComposeFrameTest : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        ASSERT_TRUE(platform::Video().createWindow("test", 1024, 768));
        render::RegisterRasterizer();
        ASSERT_EQ(render::CreateDisplay(), 1);
    }
    void TearDown() override {
        render::ReleaseDisplay();
        render::ResetDirty();
        SceneFixture::TearDown();
    }

    scene::SceneObject* Plate(const char* name, int x, int y, int w, int h, uint32_t colour,
                              uint8_t opacity = 255) {
        scene::SceneObject* o = Make(name);
        render::Image* image = render::CreateBlankImage(w, h, colour, 255);
        image->owner = o;
        o->image = render::WrapImage(o, image);
        o->image->opacity = opacity;
        render::TransformQuad(o->image->quad, nullptr, 768, x, y);
        o->ops.draw = scene::DrawObject;
        o->drawEnabled = 1;
        render::AddDirtyDrawable(o->image);
        return o;
    }

    void ComposeOnce() {
        core::SceneLockGuard hold;
        scene::World* w = scene::CurrentWorld();
        scene::SortDrawList(w);
        scene::UpdatePhase(w);
        scene::DrawPhase(w);
    }

    std::vector<uint32_t> Shown() {
        std::vector<uint32_t> frame(1024 * 768);
        EXPECT_TRUE(platform::Video().lastFrame(frame.data()));
        return frame;
    }
    static uint32_t At(const std::vector<uint32_t>& f, int x, int y) {
        return f[static_cast<size_t>(y) * 1024 + x];
    }
};

TEST_F(ComposeFrameTest, ColouredPlateAppearsWhereItIs) {
    Plate("red", 10, 20, 100, 50, 0xFF0000);
    ComposeOnce();
    std::vector<uint32_t> f = Shown();
    struct Probe {
        int x, y;
        uint32_t expected;
    } probes[] = {
        {10, 20, 0xFFFF0000u},  {109, 20, 0xFFFF0000u}, {10, 69, 0xFFFF0000u},
        {109, 69, 0xFFFF0000u}, {9, 20, 0xFF000000u},   {110, 20, 0xFF000000u},
        {10, 19, 0xFF000000u},  {10, 70, 0xFF000000u},
    };
    for (const Probe& p : probes) EXPECT_EQ(At(f, p.x, p.y), p.expected) << p.x << "," << p.y;
    EXPECT_TRUE(render::IsEmpty(render::CurrentDirty()));
}

TEST_F(ComposeFrameTest, TranslucentPlateOverAnother) {
    Plate("back", 0, 0, 1024, 768, 0x0000FF);
    Plate("glass", 100, 100, 40, 40, 0xFF0000, 128);
    ComposeOnce();
    std::vector<uint32_t> f = Shown();
    EXPECT_EQ(At(f, 50, 50), 0xFF0000FFu);
    uint32_t mixed = At(f, 120, 120);
    // Weight 255 * 128 >> 8 = 127; each byte d + ((s - d) * 127 >> 8).
    EXPECT_EQ((mixed >> 16) & 0xFF, 126u);  // red: 0 + (255 * 127 >> 8)
    EXPECT_EQ(mixed & 0xFF, 128u);          // blue: 255 + (-255 * 127 >> 8)
}

TEST_F(ComposeFrameTest, DeletingTheLastObjectClearsItsArea) {
    Plate("only", 200, 200, 16, 16, 0x00FF00);
    ComposeOnce();
    EXPECT_EQ(At(Shown(), 205, 205), 0xFF00FF00u);
    scene::DeleteObjects(kKey, "only");
    ComposeOnce();
    EXPECT_EQ(At(Shown(), 205, 205), 0xFF000000u);
}

TEST_F(ComposeFrameTest, MovedPlateLeavesNoTrace) {
    scene::SceneObject* o = Plate("box", 0, 0, 32, 32, 0xFFFFFF);
    ComposeOnce();
    {
        core::SceneLockGuard hold;
        render::AddDirtyDrawable(o->image);
        render::TransformQuad(o->image->quad, nullptr, 768, 500, 300);
        render::AddDirtyDrawable(o->image);
    }
    ComposeOnce();
    std::vector<uint32_t> f = Shown();
    EXPECT_EQ(At(f, 5, 5), 0xFF000000u);
    EXPECT_EQ(At(f, 505, 305), 0xFFFFFFFFu);
}

// Objects are drawn in their order even when the draws of plain pictures
// wait to be drawn band by band: an object whose own draw routine repaints a
// picture that a lower object shows leaves that object showing the picture
// as it was, and an object above both still covers them.
TEST_F(ComposeFrameTest, ADrawRoutineRepaintingAPictureComesAfterTheObjectsBelowIt) {
    Plate("back", 0, 0, 1024, 768, 0x000040);
    scene::SceneObject* shown = Plate("shown", 100, 100, 200, 200, 0xFF0000);
    scene::SceneObject* painter = Plate("painter", 0, 0, 4, 4, 0x000000);
    static render::Image* s_repainted;
    s_repainted = shown->image->image;
    painter->ops.draw = [](scene::SceneObject*) {
        for (int y = 0; y < s_repainted->height; ++y)
            for (int x = 0; x < s_repainted->width; ++x) s_repainted->rows[y][x] = 0xFF00FF00u;
        return 0;
    };
    Plate("top", 150, 150, 20, 20, 0xFFFFFF);
    ComposeOnce();
    std::vector<uint32_t> f = Shown();
    EXPECT_EQ(At(f, 110, 110), 0xFFFF0000u);  // drawn before the repaint
    EXPECT_EQ(At(f, 155, 155), 0xFFFFFFFFu);
    EXPECT_EQ(At(f, 50, 50), 0xFF000040u);
}

}  // namespace
