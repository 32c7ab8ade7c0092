// The property commands on the object records: pivots set by anchors,
// filters and pastes that change only the object's own picture, pictures
// replaced and handed on, drawing targets that follow and let go of their
// pictures, a cube's field of view and the focus links.
#include <gtest/gtest.h>

#include <string>

#include "create_fixture.h"
#include "render/dirty_rect.h"
#include "render/image_decoders.h"
#include "render/surface.h"
#include "scene/cube.h"
#include "scene/properties.h"
#include "support/support.h"

namespace {

using scene::SceneObject;
using scene_test::CreateFixture;
using scene_test::kKey;

class PropertyCommands : public CreateFixture {
protected:
    // A one-colour picture file of w x h (w a multiple of 4); its full path.
    std::string PictureFile(const char* name, int w, int h, uint32_t rgb) {
        render::Image* image = render::CreateBlankImage(w, h, rgb, 255);
        std::string path = dir.path + "/" + name;
        EXPECT_EQ(render::WriteCvsi(image, path.c_str()), 1);
        render::DestroyImage(&image);
        return path;
    }
    void Plate(const char* name, int x, int y, int w, int h, const char* colour = "#FFFFFF") {
        std::string sx = std::to_string(x), sy = std::to_string(y), sw = std::to_string(w),
                    sh = std::to_string(h);
        ASSERT_TRUE(Run(scene::CreateColorObject, {name, "0", sx.c_str(), sy.c_str(), sw.c_str(), sh.c_str(), colour}))
            << name;
    }
    static render::Image* Shown(const SceneObject* o) { return o->image->image; }
    static uint32_t Pixel(const render::Image* image, int x, int y) { return image->rows[y][x]; }

    testing_support::TempDir dir;
};

// --- SetVertex ------------------------------------------------------------------

TEST_F(PropertyCommands, VertexAnchorsSetThePivotAndKeepThePicturesPlace) {
    struct Case {
        int w, h;
        const char* x;
        const char* y;
        int changed;
        double cx, cy;  // pivot afterwards
        double left, right, top, bottom;  // corners: vx[0], vx[1], vy[0], vy[2]
    };
    const Case cases[] = {
        // Plates as wide as blank pictures are (a multiple of 4 pixels).
        {12, 6, "left", "top", 1, 0, 0, 0, 12, 0, -5},
        {12, 6, "right", "bottom", 1, 12, 6, -12, 0, 6, 1},
        {12, 6, "center", "middle", 1, 6, 3, -6, 6, 3, -2},
        {8, 5, "center", "middle", 1, 4, 2, -4, 4, 2, -2},
        {12, 6, "3", "4", 1, 3, 4, -3, 9, 4, -1},
        {12, 6, "0", "6", 1, 0, 6, 0, 12, 6, 1},       // both ends of the range
        {12, 6, "000000000000004", "top", 1, 4, 0, -4, 8, 0, -5},  // 15 characters
        // Out of range, misspelt, too long or absent: that axis keeps its pivot.
        {12, 6, "13", "1", 1, 6, 1, -6, 6, 1, -4},
        {12, 6, "-1", "7", 0, 6, 3, -6, 6, 3, -2},
        {12, 6, "CENTER", "Middle", 0, 6, 3, -6, 6, 3, -2},
        {12, 6, "middle", "center", 0, 6, 3, -6, 6, 3, -2},
        {12, 6, "0000000000000004", "3x", 0, 6, 3, -6, 6, 3, -2},
        {12, 6, "right", nullptr, 1, 12, 3, -12, 0, 3, -2},
        // Read plain, quotes written around an anchor stay part of it.
        {12, 6, "\"center\"", "\"2\"", 0, 6, 3, -6, 6, 3, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " " + (c.y ? c.y : "(none)"));
        Plate("p", 100, 200, c.w, c.h);
        EXPECT_EQ(Run(scene::SetVertexOf, {"p", c.x, c.y}), c.changed);
        const render::Quad* q = Find("p")->image->quad;
        EXPECT_EQ(q->cx, c.cx);
        EXPECT_EQ(q->cy, c.cy);
        EXPECT_EQ(q->vx[0], c.left);
        EXPECT_EQ(q->vx[3], c.left);
        EXPECT_EQ(q->vx[1], c.right);
        EXPECT_EQ(q->vy[1], c.top);
        EXPECT_EQ(q->vy[0], c.top);
        EXPECT_EQ(q->vy[2], c.bottom);
        // Unturned and unzoomed, the picture stays where it was placed, at its size.
        EXPECT_EQ(q->px[0], 100);
        EXPECT_EQ(q->py[0], 200);
        EXPECT_EQ(q->px[2], 100 + c.right - c.left);
        EXPECT_EQ(q->py[2], 200 + c.h - 1);
    }
}

TEST_F(PropertyCommands, VertexOfAWindowMovesItsSurfacePivot) {
    ASSERT_TRUE(Run(scene::CreateWindowObject, {"w", "1", "40", "30", "200", "100", "FALSE"}));
    const render::SurfaceTransform& t = Find("w")->surface->transform;
    struct Case {
        const char* x;
        const char* y;
        int changed;
        int32_t px, py;
    };
    const Case cases[] = {
        {"center", "middle", 1, 100, 50},
        {"right", "7", 1, 200, 7},
        {"201", "101", 0, 200, 7},  // out of the window's size
        {"left", "bottom", 1, 0, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(scene::SetVertexOf, {"w", c.x, c.y}), c.changed) << c.x << " " << c.y;
        EXPECT_EQ(t.pivot[0], c.px) << c.x;
        EXPECT_EQ(t.pivot[1], c.py) << c.y;
    }
    // A name that matches nothing changes nothing.
    EXPECT_EQ(Run(scene::SetVertexOf, {"nothing", "left", "top"}), 0);
}

// --- SetShade, SetTone --------------------------------------------------------

class FilterCommands : public PropertyCommands {
protected:
    void SetUp() override {
        PropertyCommands::SetUp();
        ASSERT_TRUE(Run(scene::LoadColorObject, {"held", "8", "4", "#102030FF"}));
        ASSERT_TRUE(Run(scene::CreateTextureObject, {"borrow", "0", "0", "0", "held"}));
        Plate("own", 0, 0, 8, 4, "#102030");
        held = Find("held");
        borrow = Find("borrow");
        own = Find("own");
    }
    SceneObject* held = nullptr;
    SceneObject* borrow = nullptr;
    SceneObject* own = nullptr;
};

constexpr uint32_t kPlain = 0xFF102030u;
constexpr uint32_t kNegative = 0xFFEFDFCFu;

TEST_F(FilterCommands, ToneChangesOnlyTheObjectsOwnPicture) {
    render::Image* heldPicture = held->picture;
    render::Image* ownPicture = Shown(own);
    struct Case {
        const char* name;
        const char* filter;
        int changed;
        uint32_t own, borrow, held;  // pixels afterwards
    };
    const Case cases[] = {
        {"own", "NEGAPOSI", 1, kNegative, kPlain, kPlain},
        // The borrower gets a private copy; the loaded picture stays as it was.
        {"borrow", "negaposi", 1, kNegative, kNegative, kPlain},
        // A loaded-picture object is filtered in place.
        {"held", "NegaPosi", 1, kNegative, kNegative, kNegative},
        {"own", "NOSUCHTONE", 0, kNegative, kNegative, kNegative},
        {"missing", "NEGAPOSI", 0, kNegative, kNegative, kNegative},
        // Restores: each object gets its own picture back.
        {"borrow", "NULL", 1, kNegative, kPlain, kNegative},
        {"own", "NULL", 1, kPlain, kPlain, kNegative},
        {"own", "NULL", 0, kPlain, kPlain, kNegative},  // nothing saved any more
        {"held", "NULL", 1, kPlain, kPlain, kPlain},
        // Read plain: the quotes count in the name's code, which names no tone.
        {"own", "\"NegaPosi\"", 0, kPlain, kPlain, kPlain},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.filter);
        EXPECT_EQ(Run(scene::SetToneOf, {c.name, c.filter}), c.changed);
        EXPECT_EQ(Pixel(Shown(own), 1, 1), c.own);
        EXPECT_EQ(Pixel(Shown(borrow), 1, 1), c.borrow);
        EXPECT_EQ(Pixel(held->picture, 1, 1), c.held);
    }
    EXPECT_EQ(held->picture, heldPicture);
    EXPECT_EQ(Shown(own), ownPicture);
    EXPECT_NE(Shown(borrow), heldPicture);
    EXPECT_EQ(Shown(borrow)->owner, borrow);
    EXPECT_EQ(borrow->image->ownsImage, 1);
}

TEST_F(FilterCommands, RestoreOnABorrowedPictureMakesNoCopy) {
    EXPECT_EQ(Run(scene::SetShadeOf, {"borrow", "NULL"}), 0);
    EXPECT_EQ(Run(scene::SetToneOf, {"borrow", "NULL"}), 0);
    EXPECT_EQ(Shown(borrow), held->picture);
    EXPECT_EQ(borrow->image->ownsImage, 0);
}

TEST_F(FilterCommands, ShadeBlursAndRestoresAndKeepsTheToneInForce) {
    // A white dot in the middle of a black 6 x 6 picture.
    ASSERT_TRUE(Run(scene::LoadColorObject, {"dot", "8", "6", "#000000FF"}));
    render::Image* dot = Find("dot")->picture;
    dot->rows[3][3] = 0xFFFFFFFFu;
    ASSERT_EQ(Run(scene::SetShadeOf, {"dot", "LIGHT"}), 1);  // two passes
    uint32_t centre = dot->rows[3][3] & 0xFF;
    EXPECT_GT(centre, 0u);
    EXPECT_LT(centre, 0xFFu);
    EXPECT_GT(dot->rows[2][2] & 0xFF, 0u);
    ASSERT_EQ(Run(scene::SetToneOf, {"dot", "MONOCHROME"}), 1);
    ASSERT_EQ(Run(scene::SetShadeOf, {"dot", "NULL"}), 1);
    // Unblurred again and still grey-toned: white is 76 + 150 + 27 in grey.
    EXPECT_EQ(dot->rows[3][3], 0xFFFDFDFDu);
    EXPECT_EQ(dot->rows[2][2], 0xFF000000u);
    EXPECT_EQ(dot->toneCode, 759);
    EXPECT_EQ(dot->shadeCode, 0);
}

TEST_F(FilterCommands, FilteringALoadedPictureRedrawsItsBorrowers) {
    {
        core::SceneLockGuard hold;
        render::ResetDirty();
    }
    ASSERT_EQ(Run(scene::SetToneOf, {"held", "NEGAPOSI"}), 1);
    render::DirtyRect r = render::CurrentDirty();
    ASSERT_FALSE(render::IsEmpty(r));
    EXPECT_LE(r.left, 0);
    EXPECT_LE(r.top, 0);
    EXPECT_GE(r.right, 8);
    EXPECT_GE(r.bottom, 3);
    render::ResetDirty();
}

// --- SetImage -------------------------------------------------------------------

TEST_F(PropertyCommands, ImageReplacesThePictureAndKeepsThePlacement) {
    std::string file = PictureFile("p.cvf", 12, 8, 0x00FF00);
    ASSERT_TRUE(Run(scene::LoadColorObject, {"held", "4", "2", "#0000FFFF"}));
    Plate("t", 50, 60, 20, 10, "#FF0000");
    ASSERT_EQ(Run(scene::SetVertexOf, {"t", "left", "top"}), 1);
    SceneObject* t = Find("t");
    {
        core::SceneLockGuard hold;
        t->image->quad->zoom[0] = 2000;
        t->image->quad->angles[2] = 30;
        t->image->opacity = 128;
    }

    struct Case {
        const char* picture;
        int changed;
        int width;
        uint32_t pixel;
    };
    const Case cases[] = {
        {file.c_str(), 1, 12, 0xFF00FF00u},
        {"held", 1, 4, 0xFF0000FFu},  // a copy of the loaded picture
        {"missing.png", 0, 4, 0xFF0000FFu},
        {"", 0, 4, 0xFF0000FFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        EXPECT_EQ(Run(scene::SetImageOf, {"t", c.picture}), c.changed);
        const render::Drawable* d = t->image;
        ASSERT_NE(d->image, nullptr);
        EXPECT_EQ(d->image->displayWidth, c.width);
        EXPECT_EQ(Pixel(d->image, 0, 0), c.pixel);
        EXPECT_TRUE(d->image->flags & render::kImgGenerated);
        EXPECT_EQ(d->image->owner, t);
        EXPECT_EQ(d->ownsImage, 1);
        EXPECT_NE(d->image, Find("held")->picture);
        EXPECT_EQ(d->x, 50);
        EXPECT_EQ(d->y, 60);
        EXPECT_EQ(d->opacity, 128);
        EXPECT_EQ(d->quad->zoom[0], 2000);
        EXPECT_EQ(d->quad->angles[2], 30);
        EXPECT_EQ(d->quad->cx, 0);  // the pivot stays at the top-left
        EXPECT_EQ(d->quad->cy, 0);
    }
    EXPECT_EQ(Pixel(Find("held")->picture, 0, 0), 0xFF0000FFu);
}

TEST_F(PropertyCommands, ImageGivesEveryMatchItsOwnPictureAndSkipsTheRest) {
    std::string file = PictureFile("p.cvf", 8, 4, 0x00FF00);
    Plate("t1", 0, 0, 4, 4);
    Plate("t2", 10, 0, 4, 4);
    ASSERT_TRUE(Run(scene::CreateNameObject, {"tnode"}));
    ASSERT_TRUE(Run(scene::LoadColorObject, {"shape", "4", "4", "#FFFFFFFF"}));
    ASSERT_TRUE(Run(scene::CreateMaskObject, {"tmask", "0", "0", "0", "shape", "FALSE"}));
    render::Image* maskPicture = Shown(Find("tmask"));
    EXPECT_EQ(Run(scene::SetImageOf, {"t*", file.c_str()}), 2);
    render::Image* a = Shown(Find("t1"));
    render::Image* b = Shown(Find("t2"));
    EXPECT_NE(a, b);
    EXPECT_EQ(Pixel(a, 7, 3), 0xFF00FF00u);
    EXPECT_EQ(Pixel(b, 7, 3), 0xFF00FF00u);
    EXPECT_EQ(a->owner, Find("t1"));
    EXPECT_EQ(b->owner, Find("t2"));
    EXPECT_EQ(Shown(Find("tmask")), maskPicture);
    EXPECT_EQ(Find("tnode")->image, nullptr);
    EXPECT_EQ(Find("tnode")->picture, nullptr);
}

TEST_F(PropertyCommands, ReplacedLoadedPictureStaysWithItsBorrowers) {
    std::string file = PictureFile("p.cvf", 8, 4, 0x00FF00);
    ASSERT_TRUE(Run(scene::LoadColorObject, {"held", "4", "2", "#0000FFFF"}));
    ASSERT_TRUE(Run(scene::CreateTextureObject, {"b1", "0", "0", "0", "held"}));
    ASSERT_TRUE(Run(scene::CreateTextureObject, {"b2", "0", "0", "0", "held"}));
    render::Image* old = Find("held")->picture;
    ASSERT_EQ(Run(scene::SetImageOf, {"held", file.c_str()}), 1);
    SceneObject* held = Find("held");
    EXPECT_NE(held->picture, old);
    EXPECT_EQ(Pixel(held->picture, 0, 0), 0xFF00FF00u);
    EXPECT_TRUE(held->picture->flags & render::kImgGenerated);
    // The borrowers go on showing the old picture: the first now owns it.
    SceneObject* b1 = Find("b1");
    SceneObject* b2 = Find("b2");
    EXPECT_EQ(Shown(b1), old);
    EXPECT_EQ(Shown(b2), old);
    EXPECT_EQ(b1->image->ownsImage + b2->image->ownsImage, 1);
    EXPECT_EQ(Pixel(old, 0, 0), 0xFF0000FFu);
    // Whichever owns it goes: the other lets go of it.
    SceneObject* keeper = b1->image->ownsImage ? b1 : b2;
    SceneObject* other = keeper == b1 ? b2 : b1;
    scene::DeleteObjects(kKey, keeper->name);
    EXPECT_EQ(Shown(other), nullptr);
}

// --- SetSurface -------------------------------------------------------------------

TEST_F(PropertyCommands, SurfaceTargetsFollowTheNamedPicture) {
    ASSERT_TRUE(Run(scene::CreateSurfaceObject, {"sf", "5", "0", "0", "FALSE"}));
    ASSERT_TRUE(Run(scene::LoadColorObject, {"held", "8", "8", "#0000FFFF"}));
    ASSERT_TRUE(Run(scene::CreateTextureObject, {"bt", "0", "0", "0", "held"}));
    ASSERT_TRUE(Run(scene::CreateNameObject, {"n"}));
    ASSERT_EQ(scene::SetAliasOf(kKey, "sf", "canvas"), 1);
    Plate("a", 0, 0, 4, 4);
    SceneObject* a = Find("a");
    render::Image* sfPicture = Shown(Find("sf"));

    struct Case {
        const char* surface;
        int changed;
        const render::Image* target;  // afterwards; null: the frame
    };
    const Case cases[] = {
        {"sf", 1, sfPicture},
        {"n", 0, sfPicture},  // no picture: nothing changes
        {"a", 0, sfPicture},  // never into its own picture
        {"missing", 1, nullptr},
        {"@canvas", 1, sfPicture},
        {"", 1, nullptr},
        {"held", 1, Find("held")->picture},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(scene::SetSurfaceOf, {"a", c.surface}), c.changed) << c.surface;
        EXPECT_EQ(a->image->target, c.target) << c.surface;
    }
    // A borrowed picture becomes the surface object's own before anything
    // draws into it.
    EXPECT_EQ(Run(scene::SetSurfaceOf, {"a", "bt"}), 1);
    render::Image* btPicture = Shown(Find("bt"));
    EXPECT_NE(btPicture, Find("held")->picture);
    EXPECT_EQ(btPicture->owner, Find("bt"));
    EXPECT_EQ(a->image->target, btPicture);
}

TEST_F(PropertyCommands, SurfaceTargetFollowsAReplacedPictureAndLetsGoOfADeletedOne) {
    std::string file = PictureFile("p.cvf", 16, 16, 0x00FF00);
    ASSERT_TRUE(Run(scene::CreateSurfaceObject, {"sf", "5", "0", "0", "FALSE"}));
    Plate("a", 0, 0, 4, 4);
    Plate("b", 0, 0, 4, 4);
    ASSERT_EQ(Run(scene::SetSurfaceOf, {"a", "sf"}), 1);
    ASSERT_EQ(Run(scene::SetSurfaceOf, {"b", "sf"}), 1);
    ASSERT_EQ(Run(scene::SetImageOf, {"sf", file.c_str()}), 1);
    EXPECT_EQ(Find("a")->image->target, Shown(Find("sf")));
    EXPECT_EQ(Find("b")->image->target, Shown(Find("sf")));
    scene::DeleteObjects(kKey, "sf");
    EXPECT_EQ(Find("a")->image->target, nullptr);
    EXPECT_EQ(Find("b")->image->target, nullptr);
}

// --- SetComposite -----------------------------------------------------------------

TEST_F(PropertyCommands, CompositePastesIntoTheObjectsOwnPicture) {
    std::string file = PictureFile("p.cvf", 4, 1, 0x00FF00);
    Plate("d", 0, 0, 8, 8, "#000000");
    ASSERT_TRUE(Run(scene::LoadColorObject, {"src", "4", "2", "#FF0000FF"}));
    ASSERT_TRUE(Run(scene::LoadColorObject, {"held", "8", "8", "#0000FFFF"}));
    ASSERT_TRUE(Run(scene::CreateTextureObject, {"bd", "0", "0", "0", "held"}));
    struct Case {
        const char* name;
        const char* x;
        const char* y;
        const char* picture;
        int changed;
        int px, py;      // a pixel to look at in the object's picture
        uint32_t pixel;  // its value afterwards
    };
    const Case cases[] = {
        {"d", "3", "5", "src", 1, 6, 6, 0xFFFF0000u},
        {"d", "3", "5", "src", 1, 2, 5, 0xFF000000u},
        {"d", "8", "8", "src", 1, 7, 7, 0xFF000000u},  // at the edge: nothing to copy
        {"d", "9", "0", "src", 0, 0, 0, 0xFF000000u},
        {"d", "0", "9", "src", 0, 0, 0, 0xFF000000u},
        {"d", "-1", "0", "src", 0, 0, 0, 0xFF000000u},
        {"d", "x", "0", "src", 0, 0, 0, 0xFF000000u},
        {"d", "0", "0", "missing", 0, 0, 0, 0xFF000000u},
        {"d", "0", "0", file.c_str(), 1, 3, 0, 0xFF00FF00u},
        {"bd", "0", "0", "src", 1, 0, 0, 0xFFFF0000u},
        {"d", "\"0\"", "\"6\"", "src", 0, 0, 0, 0xFF00FF00u},  // quoted: not numbers
        {"d", "\"x\"", "0", "src", 0, 0, 0, 0xFF00FF00u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.x + "," + c.y + " " + c.picture);
        EXPECT_EQ(Run(scene::SetCompositeOf, {c.name, c.x, c.y, c.picture}), c.changed);
        EXPECT_EQ(Pixel(Shown(Find(c.name)), c.px, c.py), c.pixel);
    }
    EXPECT_EQ(Shown(Find("d"))->flags, render::kImgPasted);
    // The borrower pasted into a copy of its own.
    EXPECT_NE(Shown(Find("bd")), Find("held")->picture);
    EXPECT_EQ(Pixel(Find("held")->picture, 0, 0), 0xFF0000FFu);
}

TEST_F(PropertyCommands, CompositeOfAPictureIntoItselfReadsTheOriginal) {
    ASSERT_TRUE(Run(scene::LoadColorObject, {"col", "4", "3", "#000000FF"}));
    render::Image* col = Find("col")->picture;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) col->rows[y][x] = 0xFF000000u | static_cast<uint32_t>(y * 4 + x);
    ASSERT_EQ(Run(scene::SetCompositeOf, {"col", "1", "1", "col"}), 1);
    EXPECT_EQ(col->rows[1][1], 0xFF000000u);
    EXPECT_EQ(col->rows[2][1], 0xFF000004u);  // row 1 as it was, not as pasted
    EXPECT_EQ(col->rows[2][3], 0xFF000006u);
    EXPECT_EQ(col->rows[0][0], 0xFF000000u);
    EXPECT_EQ(col->rows[1][0], 0xFF000004u);
}

// --- SetFov -----------------------------------------------------------------------

TEST_F(PropertyCommands, FovOfACube) {
    render::Image* faces[6];
    for (render::Image*& f : faces) f = render::CreateBlankImage(16, 16, 0xFF0000, 255);
    scene::Cube* cube = scene::NewCube(nullptr, faces);
    ASSERT_NE(cube, nullptr);
    scene::SceneObject* o = nullptr;
    {
        core::SceneLockGuard hold;
        o = scene::CreateObject(kKey, "cube");
        ASSERT_EQ(scene::AttachCube(o, cube), 1);
    }
    Plate("plate", 0, 0, 4, 4);
    struct Case {
        const char* name;
        const char* fov;
        int changed;
        int32_t fovAfter;
    };
    const Case cases[] = {
        {"cube", "90", 1, 90}, {"cube", "0", 1, 0},    {"cube", "-1", 0, 0},
        {"cube", "wide", 0, 0}, {"cube", nullptr, 0, 0}, {"plate", "45", 0, 0},
        {"cube", "120", 1, 120}, {"cube", "\"75\"", 0, 120},  // read plain: not a number
    };
    for (const Case& c : cases) {
        o->cube->changed = 0;
        EXPECT_EQ(Run(scene::SetFovOf, {c.name, c.fov}), c.changed) << c.name << " " << (c.fov ? c.fov : "");
        EXPECT_EQ(o->cube->fov, c.fovAfter);
        EXPECT_EQ(o->cube->changed, c.changed);
    }
}

// --- SetNextFocus -----------------------------------------------------------------

TEST_F(PropertyCommands, NextFocusLinksByDirection) {
    ASSERT_TRUE(Run(scene::CreateNameObject, {"s"}));
    ASSERT_TRUE(Run(scene::CreateNameObject, {"s/a"}));
    ASSERT_TRUE(Run(scene::CreateNameObject, {"s/b"}));
    context.prefix = "s";
    SceneObject* a = Find("s/a");
    SceneObject* b = Find("s/b");
    struct Case {
        const char* from;
        const char* to;
        const char* direction;
        int changed;
        int index;  // the link set, -1 for none
    };
    const Case cases[] = {
        {"a", "b", "down", 1, 1},  {"a", "b", "UP", 1, 0},      {"a", "b", "Upward", 1, 0},
        {"a", "b", "LeFtX", 1, 2}, {"a", "b", "right", 1, 3},   {"a", "b", "u", 0, -1},
        {"a", "b", "rig", 0, -1},  {"a", "b", "", 0, -1},       {"a", "b", nullptr, 0, -1},
        {"a", "c", "down", 0, -1}, {"c", "b", "down", 0, -1},   {"b", "a", "left", 1, -1},
        {"a", "b", "\"Down\"", 0, -1},  // read plain: the quote is its first letter
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " " + c.to + " " + (c.direction ? c.direction : "(none)"));
        for (SceneObject*& f : a->focus) f = nullptr;
        EXPECT_EQ(Run(scene::SetNextFocusOf, {c.from, c.to, c.direction}), c.changed);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(a->focus[i], i == c.index ? b : nullptr) << i;
    }
    EXPECT_EQ(b->focus[2], a);
    // A neighbour that is deleted leaves no dangling link.
    ASSERT_EQ(Run(scene::SetNextFocusOf, {"a", "b", "down"}), 1);
    scene::DeleteObjects(kKey, "s/b");
    EXPECT_EQ(a->focus[1], nullptr);
}

}  // namespace
