// The pending redraw rectangle: union, widening, clamping, skip mode and the
// drawable's clipped bounding box.
#include <gtest/gtest.h>

#include <vector>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/surface.h"
#include "shell/engine_build.h"

namespace render {
bool operator==(const DirtyRect& a, const DirtyRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::ostream& operator<<(std::ostream& out, const DirtyRect& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
}  // namespace render

namespace {

struct Add {
    int left, top, width, height;
};

struct Case {
    const char* what;
    bool oneToOne;
    bool skip;
    std::vector<Add> adds;
    render::DirtyRect expected;
};

class DirtyRectTest : public ::testing::Test {
protected:
    shell::EngineScope engine_;  // a fresh redraw rectangle and modes per test
};

TEST_F(DirtyRectTest, AdditionsUniteAndWiden) {
    const Case cases[] = {
        {"one add widens by 2", false, false, {{10, 10, 5, 5}}, {8, 8, 17, 17}},
        {"each add widens again", false, false, {{10, 10, 5, 5}, {10, 10, 5, 5}}, {6, 6, 19, 19}},
        {"whole frame stays whole",
         false,
         false,
         {{10, 10, 5, 5}, {0, 0, 1024, 768}},
         {0, 0, 1024, 768}},
        {"edges clamp", false, false, {{0, 0, 1, 1}, {1023, 767, 1, 1}}, {0, 0, 1024, 768}},
        {"left 1 clamps to 0", false, false, {{3, 3, 1, 1}}, {1, 1, 6, 6}},
        {"union of two", false, false, {{100, 50, 10, 10}, {300, 400, 20, 5}}, {96, 46, 322, 407}},
        {"one-to-one: exact union", true, false, {{10, 10, 5, 5}, {0, 0, 1, 1}}, {0, 0, 15, 15}},
        {"skip: whole frame", false, true, {{10, 10, 5, 5}}, {0, 0, 1024, 768}},
        {"skip one-to-one", true, true, {{500, 500, 1, 1}}, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases) {
        render::ResetDirty();
        render::SetDirtyOneToOne(c.oneToOne);
        render::SetDirtySkipMode(c.skip);
        int bottom = 0;
        for (const Add& a : c.adds) bottom = render::AddDirtyRect(a.left, a.top, a.width, a.height);
        EXPECT_EQ(render::CurrentDirty(), c.expected) << c.what;
        EXPECT_EQ(bottom, c.expected.bottom) << c.what;
    }
}

TEST_F(DirtyRectTest, EmptyIsAllMinusOne) {
    render::ResetDirty();
    EXPECT_TRUE(render::IsEmpty(render::CurrentDirty()));
    render::AddDirtyRect(0, 0, 0, 0);
    EXPECT_FALSE(render::IsEmpty(render::CurrentDirty()));
}

TEST_F(DirtyRectTest, DrawableAddsItsClippedBox) {
    render::Surface* surface = render::CreateSurface(nullptr);
    render::SetSurfaceRect(surface, 100, 100, 50, 50);
    render::Drawable* d = render::CreateDrawable(nullptr);
    d->clip = &surface->clip;
    render::InitQuad(d->quad, 100, 40);
    render::TransformQuad(d->quad, nullptr, 768, 80, 120);  // columns 80..179, rows 120..159
    render::ResetDirty();
    render::AddDirtyDrawable(d);
    EXPECT_EQ(render::CurrentDirty(), (render::DirtyRect{100, 120, 150, 150}));

    // Entirely outside its clip: nothing to redraw.
    render::TransformQuad(d->quad, nullptr, 768, 600, 600);
    render::ResetDirty();
    render::AddDirtyDrawable(d);
    EXPECT_TRUE(render::IsEmpty(render::CurrentDirty()));

    d->clip = &render::ScreenSurface()->clip;
    render::ResetScreenSurface();
    render::SetDirtySkipMode(true);
    render::AddDirtyDrawable(d);
    EXPECT_EQ(render::CurrentDirty(), (render::DirtyRect{0, 0, 1024, 768}));
    render::DestroyDrawable(&d);
    EXPECT_EQ(d, nullptr);
    render::DestroySurface(surface);
}

}  // namespace
