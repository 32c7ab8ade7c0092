// Where drawing starts: occluders, trims, and the draw phase that follows.
#include <cstring>

#include "core/registry.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/image.h"
#include "render/surface.h"
#include "scene_fixture.h"

namespace {

using scene_test::kKey;

std::vector<std::string>* g_drawn = nullptr;
std::vector<render::DirtyRect>* g_rects = nullptr;

int RecordDraw(scene::SceneObject* o) {
    if (g_drawn) g_drawn->push_back(o->name);
    if (g_rects) g_rects->push_back(render::CurrentDirty());
    return 1;
}

class OcclusionTest : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        ASSERT_EQ(render::CreateDisplay(), 1);
        render::ResetDirty();
        g_drawn = &drawn;
        g_rects = &rects;
    }
    void TearDown() override {
        g_drawn = nullptr;
        g_rects = nullptr;
        render::Modes().hide = 0;
        render::ReleaseDisplay();
        render::ResetDirty();
        SceneFixture::TearDown();
    }

    // A picture object: colour plate of w x h at (x, y), drawn and visible.
    scene::SceneObject* Picture(const char* name, int x, int y, int w, int h,
                                uint32_t alpha = 255) {
        scene::SceneObject* o = Make(name);
        render::Image* image = render::CreateBlankImage(w, h, 0x336699, alpha);
        image->owner = o;
        o->image = render::WrapImage(o, image);
        render::TransformQuad(o->image->quad, nullptr, 768, x, y);
        o->drawEnabled = 1;
        o->ops.draw = RecordDraw;
        return o;
    }

    // Replaces the object's picture by an opaque 1100 x 1100 square centred on
    // the frame, turned by `angle` degrees: it covers the frame either way.
    static void Square(scene::SceneObject* o, int angle) {
        render::DestroyDrawable(&o->image);
        render::Image* image = render::CreateBlankImage(1100, 1100, 0x112233, 255);
        image->owner = o;
        o->image = render::WrapImage(o, image);
        o->image->quad->angles[2] = angle;
        render::TransformQuad(o->image->quad, nullptr, 768, 512 - 550, 384 - 550);
    }

    // The composer's calls, made under the SceneLock as the frame makes them.
    std::string Start() {
        core::SceneLockGuard hold;
        bool occluded = false;
        scene::World* w = scene::CurrentWorld();
        scene::SortDrawList(w);
        scene::DrawListNode* n = scene::FindDrawStart(w, true, &occluded);
        return n ? std::string(n->object->name) + (occluded ? "" : "?") : "none";
    }
    static int DrawPhase() {
        core::SceneLockGuard hold;
        return scene::DrawPhase(scene::CurrentWorld());
    }

    std::vector<std::string> drawn;
    std::vector<render::DirtyRect> rects;
};

TEST_F(OcclusionTest, OpaqueFullFramePictureHidesEverythingBelow) {
    struct Case {
        const char* what;
        void (*change)(scene::SceneObject* top);
        const char* start;  // "?" marks no occluder
    } cases[] = {
        {"opaque", [](scene::SceneObject*) {}, "top"},
        {"opacity 254", [](scene::SceneObject* o) { o->image->opacity = 254; }, "bottom"},
        {"alpha image",
         [](scene::SceneObject* o) { o->image->image->flags = render::kImgPngAlpha; }, "bottom"},
        {"never-covering image",
         [](scene::SceneObject* o) { o->image->image->flags = render::kImgNoCover; }, "bottom"},
        {"add mode", [](scene::SceneObject* o) { o->image->blendMode = render::kBlendAdd; },
         "bottom"},
        {"idle draw routine", [](scene::SceneObject* o) { o->ops.draw = scene::NoDraw; }, "bottom"},
        {"not started", [](scene::SceneObject* o) { o->drawEnabled = 0; }, "bottom"},
        {"own blend routine",
         [](scene::SceneObject* o) {
             o->ops.blend = [](render::Drawable*, render::Layer*, void*, int) { return 0; };
         },
         "bottom"},
        {"trail", [](scene::SceneObject* o) { o->trail.active = 1; }, "bottom"},
        {"hideable while hidden",
         [](scene::SceneObject* o) {
             o->hideable = 1;
             render::Modes().hide = 1;
         },
         "bottom"},
        {"hideable while shown", [](scene::SceneObject* o) { o->hideable = 1; }, "top"},
        {"large square", [](scene::SceneObject* o) { Square(o, 0); }, "top"},
        {"large square rotated a quarter turn", [](scene::SceneObject* o) { Square(o, 90); },
         "bottom"},
        {"surface without occlusion",
         [](scene::SceneObject* o) {
             o->surface = render::CreateSurface(o);
             o->surface->noOcclusion[1] = 1;
         },
         "bottom"},
        {"smaller surface",
         [](scene::SceneObject* o) {
             o->surface = render::CreateSurface(o);
             render::SetSurfaceRect(o->surface, 0, 0, 512, 768);
         },
         "bottom"},
    };
    for (const Case& c : cases) {
        scene::DeleteObjects(kKey, "*");
        render::Modes().hide = 0;
        Picture("bottom", 0, 0, 1024, 768);
        Picture("middle", 100, 100, 50, 50);
        scene::SceneObject* top = Picture("top", 0, 0, 1024, 768);
        c.change(top);
        render::AddDirtyRect(0, 0, 1024, 768);
        EXPECT_EQ(Start(), c.start) << c.what;
    }
}

TEST_F(OcclusionTest, EmptyRectangleTakesTheTopOccluderAsStart) {
    Picture("a", 0, 0, 10, 10);
    Picture("b", 500, 500, 10, 10);
    Picture("c", 0, 0, 10, 10, 128);
    render::ResetDirty();
    EXPECT_EQ(Start(), "b");
}

TEST_F(OcclusionTest, SmallRectangleIsCoveredBySmallPicture) {
    Picture("bg", 0, 0, 1024, 768);
    Picture("card", 100, 100, 200, 100);
    render::AddDirtyRect(150, 120, 50, 50);
    EXPECT_EQ(Start(), "card");
    render::ResetDirty();
    render::AddDirtyRect(50, 120, 50, 50);  // partly outside the card
    EXPECT_EQ(Start(), "bg");
}

TEST_F(OcclusionTest, FullWidthBandsTrimTheRectangle) {
    Picture("bg", 0, 0, 1024, 768, 100);   // translucent: no occluder
    Picture("band", 0, 0, 1024, 300);      // covers the upper rows
    Picture("footer", 0, 600, 1024, 168);  // covers the lower rows
    Picture("sprite", 400, 350, 10, 10, 128);
    render::AddDirtyRect(0, 0, 1024, 768);
    EXPECT_EQ(Start(), "bg?");
    render::DirtyRect r = render::CurrentDirty();
    EXPECT_EQ(r.top, 300);
    EXPECT_EQ(r.bottom, 600);
    // The draw phase gives each trim back when it reaches its object.
    render::ResetDirty();
    render::AddDirtyRect(0, 0, 1024, 768);
    ASSERT_EQ(DrawPhase(), 1);
    EXPECT_EQ(drawn, (std::vector<std::string>{"bg", "band", "footer", "sprite"}));
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[0].top, 300);
    EXPECT_EQ(rects[0].bottom, 600);
    EXPECT_EQ(rects[1].top, 0);
    EXPECT_EQ(rects[1].bottom, 600);
    EXPECT_EQ(rects[2].top, 0);
    EXPECT_EQ(rects[2].bottom, 768);
}

TEST_F(OcclusionTest, DrawPhaseSkipsObjectsBelowTheOccluder) {
    Picture("low", 0, 0, 100, 100);
    Picture("bg", 0, 0, 1024, 768);
    Picture("over", 10, 10, 100, 100, 128);
    scene::FindObject(kKey, "low")->priority = -1;
    render::AddDirtyRect(0, 0, 1024, 768);
    scene::SortDrawList(scene::CurrentWorld());
    ASSERT_EQ(DrawPhase(), 1);
    EXPECT_EQ(drawn, (std::vector<std::string>{"bg", "over"}));
    EXPECT_TRUE(render::IsEmpty(render::CurrentDirty()));  // presenting empties it
}

TEST_F(OcclusionTest, EmptyRectangleDrawsNothing) {
    Picture("bg", 0, 0, 1024, 768);
    render::ResetDirty();
    EXPECT_EQ(DrawPhase(), 0);
    EXPECT_TRUE(drawn.empty());
}

}  // namespace
