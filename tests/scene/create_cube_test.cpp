// Cubes: face checks of CreateCube's record and the perspective rendering
// at known angles (pixel checks on the rendered picture).
#include <gtest/gtest.h>

#include "create_fixture.h"
#include "render/image.h"
#include "render/image_load.h"
#include "scene/cube.h"
#include "scene/start_signal.h"
#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/display.h"
#include "render/raster.h"
#include "render/dirty_rect.h"
#include <vector>

namespace {

constexpr uint32_t kColours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

struct Faces {
    render::Image* faces[6] = {};
    explicit Faces(int size, int oddOne = -1, int oddSize = 0) {
        for (int i = 0; i < 6; ++i) {
            int w = i == oddOne ? oddSize : size;
            faces[i] = render::CreateBlankImage(w, size, kColours[i] & 0xFFFFFF, 255);
        }
    }
    void Drop() {
        for (render::Image*& f : faces) render::DestroyImage(&f);
    }
};

class CubeTest : public ::testing::Test {
protected:
    void SetUp() override {
        target = render::AllocImage(render::kFrameWidth, render::kFrameHeight, render::kFrameWidth);
        ASSERT_NE(target, nullptr);
    }
    void TearDown() override {
        render::DestroyImage(&target);
        scene::FreeCube(cube);
    }
    uint32_t At(int x, int y) const { return target->rows[y][x]; }
    render::Image* target = nullptr;
    scene::Cube* cube = nullptr;
};

TEST_F(CubeTest, FacesMustBeSquareAndOfOneSize) {
    Faces notSquare(64, 2, 60);
    EXPECT_EQ(scene::NewCube(nullptr, notSquare.faces), nullptr);
    notSquare.Drop();
    Faces mixed(64);
    render::DestroyImage(&mixed.faces[4]);
    mixed.faces[4] = render::CreateBlankImage(32, 32, 0, 255);
    EXPECT_EQ(scene::NewCube(nullptr, mixed.faces), nullptr);
    mixed.Drop();
}

TEST_F(CubeTest, TurnedCubeShowsTheRightFaces) {
    Faces faces(200);
    cube = scene::NewCube(nullptr, faces.faces);
    ASSERT_NE(cube, nullptr);
    struct Case {
        int32_t angles[3];
        int x, y;
        uint32_t expect;
    };
    const Case cases[] = {
        {{0, 0, 0}, 512, 384, kColours[0]},     // front face at the centre
        {{0, 0, 0}, 512 + 90, 384, kColours[0]},
        {{0, 0, 0}, 512 + 120, 384, 0},         // outside the cube: transparent
        {{0, 90, 0}, 512, 384, kColours[1]},    // a quarter turn shows the right face
        {{0, 180, 0}, 512, 384, kColours[2]},   // the back face
        {{0, 270, 0}, 512, 384, kColours[3]},   // the left face
        {{90, 0, 0}, 512, 384, kColours[4]},    // turned about x (y grows downwards): the top face
        {{-90, 0, 0}, 512, 384, kColours[5]},   // the bottom face
        {{0, 45, 0}, 512 - 60, 384, kColours[0]},  // an edge-on view: front on the left,
        {{0, 45, 0}, 512 + 60, 384, kColours[1]},  // right face on the right
        {{0, 0, 45}, 512, 384 - 120, kColours[0]},  // turned in the picture plane: a diamond
        {{0, 0, 45}, 512 - 120, 384 - 120, 0},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i) cube->angles[i] = c.angles[i];
        scene::RenderCube(cube, target);
        EXPECT_EQ(At(c.x, c.y), c.expect) << c.angles[0] << "," << c.angles[1] << "," << c.angles[2] << " at "
                                          << c.x << "," << c.y;
    }
}

TEST_F(CubeTest, PositionDepthAndPerspective) {
    Faces faces(100);
    cube = scene::NewCube(nullptr, faces.faces);
    ASSERT_NE(cube, nullptr);
    cube->position[0] = -200;
    cube->position[1] = 100;
    scene::RenderCube(cube, target);
    EXPECT_EQ(At(312, 484), kColours[0]);
    EXPECT_EQ(At(512, 384), 0u);
    // The front face lies half an edge nearer than the centre: wider than 100.
    int left = 312, right = 312;
    while (left > 0 && At(left - 1, 484) == kColours[0]) --left;
    while (right < 1023 && At(right + 1, 484) == kColours[0]) ++right;
    int width = right - left + 1;
    EXPECT_GT(width, 100);
    EXPECT_LT(width, 115);
    // Further away it shrinks.
    cube->position[2] = 2000;
    scene::RenderCube(cube, target);
    left = right = 312;
    EXPECT_EQ(At(512 + (-200 * 665 / 2665), 384 + (100 * 665 / 2665)), kColours[0]);
}

class CreateCubeTest : public scene_test::CreateFixture {};

TEST_F(CreateCubeTest, UnreadableFacesMakeNothing) {
    EXPECT_FALSE(Run(scene::CreateCubeObject, {"cube", "0", "a.png", "b.png", "c.png", "d.png", "e.png", "f.png"}));
    EXPECT_EQ(Find("cube"), nullptr);
}

}  // namespace

namespace {

// A cube object composed into the frame on the headless display.
class CubeFrameTest : public scene_test::CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        ASSERT_TRUE(platform::SelectVideoDriver(true));
        ASSERT_TRUE(platform::Video().createWindow("test", 1024, 768));
        render::RegisterRasterizer();
        ASSERT_EQ(render::CreateDisplay(), 1);
    }
    void TearDown() override {
        render::ReleaseDisplay();
        render::ResetDirty();
        CreateFixture::TearDown();
    }
    uint32_t ComposeAndRead(int x, int y) {
        {
            core::SceneLockGuard hold;
            scene::World* w = scene::CurrentWorld();
            scene::SortDrawList(w);
            scene::UpdatePhase(w);
            scene::DrawPhase(w);
        }
        std::vector<uint32_t> frame(1024 * 768);
        EXPECT_TRUE(platform::Video().lastFrame(frame.data()));
        return frame[static_cast<size_t>(y) * 1024 + x] & 0xFFFFFF;
    }
};

TEST_F(CubeFrameTest, DrawnAtItsAnglesAfterTheStartSignal) {
    Faces faces(160);
    scene::Cube* cube = scene::NewCube(nullptr, faces.faces);
    ASSERT_NE(cube, nullptr);
    scene::SceneObject* o = nullptr;
    {
        core::SceneLockGuard hold;
        o = scene::CreateObject(scene_test::kKey, "cube");
        ASSERT_EQ(scene::AttachCube(o, cube), 1);
        scene::StartActions(1);  // drawn from the start signal on
    }
    EXPECT_EQ(ComposeAndRead(512, 384), kColours[0] & 0xFFFFFF);
    EXPECT_EQ(ComposeAndRead(20, 20), 0u);
    {
        core::SceneLockGuard hold;
        o->cube->angles[1] = 90;
        scene::CubeChanged(o);
    }
    EXPECT_EQ(ComposeAndRead(512, 384), kColours[1] & 0xFFFFFF);
    {
        core::SceneLockGuard hold;
        o->cube->angles[1] = 45;
        scene::CubeChanged(o);
    }
    EXPECT_EQ(ComposeAndRead(512 - 50, 384), kColours[0] & 0xFFFFFF);
    EXPECT_EQ(ComposeAndRead(512 + 50, 384), kColours[1] & 0xFFFFFF);
}

}  // namespace
