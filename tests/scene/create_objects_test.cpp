// What each creating command makes: kinds, flags, pictures, and the cases
// that must make nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "create_fixture.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/image.h"
#include "render/surface.h"
#include "scene/cube.h"

namespace {

using scene_test::CreateFixture;
using scene_test::kKey;

class CreateObjectsTest : public CreateFixture {};

TEST_F(CreateObjectsTest, ColourPlate) {
    ASSERT_TRUE(Run(scene::CreateColorObject, {"plate", "5", "CENTER", "MIDDLE", "100", "50", "#80FF0000"}));
    scene::SceneObject* o = Find("plate");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->position[0], 462);
    EXPECT_EQ(o->position[1], 359);
    EXPECT_EQ(o->priority, 5);
    EXPECT_EQ(o->image->image->flags, render::kImgColour);
    EXPECT_EQ(o->image->image->displayWidth, 100);
    EXPECT_EQ(o->ops.request, &scene::TextureRequest);
    EXPECT_EQ(o->ops.draw, &scene::DrawObject);  // chosen by the refresh
    EXPECT_EQ(o->drawEnabled, 0);                 // drawn from the next start signal on
    // Width and height must be numeric.
    EXPECT_FALSE(Run(scene::CreateColorObject, {"bad", "0", "0", "0", "1x", "50", "#FFFFFF"}));
    EXPECT_FALSE(Run(scene::CreateColorObject, {"bad", "0", "0", "0", "100", nullptr, "#FFFFFF"}));
    EXPECT_EQ(Find("bad"), nullptr);
}

TEST_F(CreateObjectsTest, ChoiceMakesItsFourStateNodesInOrder) {
    ASSERT_TRUE(Run(scene::CreateChoiceObject, {"c"}));
    EXPECT_EQ(DrawOrder(), (std::vector<std::string>{"c", "MouseUsual", "MouseOver", "MouseLeave", "MouseClick"}));
    scene::SceneObject* c = Find("c");
    EXPECT_EQ(c->choiceFlag, 1);
    EXPECT_EQ(c->noStep, 1);
    EXPECT_EQ(c->groupFlag, 0);
    for (int32_t d : c->choiceDurations) EXPECT_EQ(d, -1);
    for (const char* s : {"c/MouseUsual", "c/MouseOver", "c/MouseLeave", "c/MouseClick"}) {
        scene::SceneObject* n = Find(s);
        ASSERT_NE(n, nullptr) << s;
        EXPECT_EQ(n->stateImage, 1);
        EXPECT_EQ(n->clickable, 1);
        EXPECT_EQ(n->groupFlag, 0);
    }
    ASSERT_TRUE(Run(scene::CreateChoiceObject, {"d", "100", "x", "300"}));
    scene::SceneObject* d = Find("d");
    EXPECT_EQ(d->choiceDurations[0], 100);
    EXPECT_EQ(d->choiceDurations[1], -1);
    EXPECT_EQ(d->choiceDurations[2], 300);
    EXPECT_EQ(d->choiceDurations[5], -1);
}

TEST_F(CreateObjectsTest, NameNodeCameraAndWindow) {
    ASSERT_TRUE(Run(scene::CreateNameObject, {"n"}));
    scene::SceneObject* n = Find("n");
    EXPECT_EQ(n->shown, 1);
    EXPECT_EQ(n->noStep, 1);
    EXPECT_EQ(n->groupFlag, 0);
    EXPECT_EQ(n->image, nullptr);

    ASSERT_TRUE(Run(scene::CreateCameraObject, {"cam", "CENTER", "MIDDLE", "800"}));
    scene::SceneObject* cam = Find("cam");
    ASSERT_NE(cam->camera, nullptr);
    EXPECT_EQ(cam->camera->owner, cam);
    EXPECT_EQ(cam->priority, -1);
    EXPECT_EQ(cam->position[2], 800);
    EXPECT_EQ(cam->camera->z, 800);
    EXPECT_FALSE(Run(scene::CreateCameraObject, {"cam2", "0", "0", "far"}));
    // A texture under the camera: depth from the priority, priority + z.
    ASSERT_TRUE(Run(scene::CreateColorObject, {"cam/p", "30", "0", "0", "10", "10", "#FFFFFF"}));
    scene::SceneObject* p = Find("cam/p");
    EXPECT_EQ(p->camera, cam->camera);
    EXPECT_EQ(p->priority, 830);
    EXPECT_EQ(p->image->quad->objectZ, 30);

    ASSERT_TRUE(Run(scene::CreateWindowObject, {"win", "2", "10", "20", "300", "200", "false"}));
    scene::SceneObject* w = Find("win");
    ASSERT_NE(w->surface, nullptr);
    EXPECT_EQ(w->surface->owner, w);
    EXPECT_EQ(w->surface->boundsLeft, 10);
    EXPECT_EQ(w->surface->boundsBottom, 220);
    EXPECT_EQ(w->groupFlag, 0);
    ASSERT_TRUE(Run(scene::CreateColorObject, {"win/p", "0", "0", "0", "10", "10", "#FFFFFF"}));
    EXPECT_EQ(Find("win/p")->surface, w->surface);
}

TEST_F(CreateObjectsTest, LoadedPicturesAndSharing) {
    ASSERT_TRUE(Run(scene::LoadColorObject, {"pic", "8", "4", "#FF00FF00"}));
    scene::SceneObject* pic = Find("pic");
    ASSERT_NE(pic->picture, nullptr);
    EXPECT_EQ(pic->picture->owner, pic);
    EXPECT_EQ(pic->shown, 1);
    EXPECT_EQ(pic->image, nullptr);
    // A texture shares the loaded picture without owning it.
    ASSERT_TRUE(Run(scene::CreateTextureObject, {"t", "0", "0", "0", "pic"}));
    scene::SceneObject* t = Find("t");
    EXPECT_EQ(t->image->image, pic->picture);
    EXPECT_EQ(t->image->ownsImage, 0);
    // Deleting the loaded picture clears the borrower's picture.
    scene::DeleteObjects(kKey, "pic");
    EXPECT_EQ(t->image->image, nullptr);
    EXPECT_EQ(t->referencesIntact, 0);
    // An unknown picture (no object, no file) makes nothing.
    EXPECT_FALSE(Run(scene::CreateTextureObject, {"u", "0", "0", "0", "nothing.png"}));
    EXPECT_EQ(Find("u"), nullptr);
}

TEST_F(CreateObjectsTest, ClipsAndDifferences) {
    ASSERT_TRUE(Run(scene::LoadColorObject, {"a", "16", "8", "#FF0000"}));
    ASSERT_TRUE(Run(scene::LoadColorObject, {"b", "16", "8", "#FF0000"}));
    ASSERT_TRUE(Run(scene::CreateClipTextureObject, {"clip", "0", "0", "0", "4", "2", "12", "6", "a"}));
    EXPECT_EQ(Find("clip")->image->image->width, 12);
    EXPECT_EQ(Find("clip")->image->image->height, 6);
    // A rectangle past the picture makes nothing.
    EXPECT_FALSE(Run(scene::CreateClipTextureObject, {"over", "0", "0", "0", "5", "2", "12", "6", "a"}));
    EXPECT_FALSE(Run(scene::CreateClipTextureObject, {"over", "0", "0", "0", "0", "3", "16", "6", "a"}));
    EXPECT_EQ(Find("over"), nullptr);
    // Equal pictures differ nowhere: fully transparent.
    ASSERT_TRUE(Run(scene::CreateDifferenceTextureObject, {"same", "0", "0", "0", "a", "b"}));
    const render::Image* same = Find("same")->image->image;
    for (int y = 0; y < same->height; ++y)
        for (int x = 0; x < same->width; ++x) ASSERT_EQ(same->rows[y][x], 0u);
    ASSERT_TRUE(Run(scene::LoadColorObject, {"c", "16", "8", "#FF0001"}));
    ASSERT_TRUE(Run(scene::CreateDifferenceTextureObject, {"diff", "0", "0", "0", "a", "c"}));
    EXPECT_EQ(Find("diff")->image->image->rows[3][3], 0xFFFF0000u);
    ASSERT_TRUE(Run(scene::LoadColorObject, {"small", "12", "8", "#FF0000"}));
    EXPECT_FALSE(Run(scene::CreateDifferenceTextureObject, {"sized", "0", "0", "0", "a", "small"}));
}

TEST_F(CreateObjectsTest, StencilModes) {
    const uint32_t alphas[4] = {0, 1, 128, 255};
    struct Case {
        int32_t mode;
        uint32_t expect[4];
    };
    const Case cases[] = {
        {255, {0, 0, 0, 0xFFFFFFFF}},
        {128, {0, 0x01010101, 0x80808080, 0xFFFFFFFF}},
        {7, {0, 0xFFFFFFFF, 0xFFFFFFFF, 0}},
        {0, {0xFFFFFFFF, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        render::Image* image = render::AllocImage(4, 1, 4);
        for (int i = 0; i < 4; ++i) image->rows[0][i] = alphas[i] << 24 | 0x123456;
        scene::StencilPixels(image, c.mode);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(image->rows[0][i], c.expect[i]) << c.mode << " " << i;
        render::DestroyImage(&image);
    }
}

TEST_F(CreateObjectsTest, MaskOwnsALayerItsChildrenDrawThrough) {
    ASSERT_TRUE(Run(scene::LoadColorObject, {"shape", "64", "64", "#FFFFFF"}));
    ASSERT_TRUE(Run(scene::CreateMaskObject, {"m", "0", "10", "10", "shape", "TRUE"}));
    scene::SceneObject* m = Find("m");
    ASSERT_NE(m->layer, nullptr);
    EXPECT_EQ(m->layer->owner, m);
    EXPECT_EQ(m->layer->mode, render::kLayerMask);
    EXPECT_NE(m->image->image, Find("shape")->picture);  // a private copy
    ASSERT_TRUE(Run(scene::CreateColorObject, {"m/child", "0", "0", "0", "8", "8", "#FFFFFF"}));
    EXPECT_EQ(Find("m/child")->layer, m->layer);
    EXPECT_EQ(Find("m/child")->position[0], 10);  // a group mask
    ASSERT_TRUE(Run(scene::CreateStencilObject, {"s", "0", "0", "0", "255", "shape", "FALSE"}));
    EXPECT_EQ(Find("s")->layer->mode, render::kLayerStencil);
    EXPECT_EQ(Find("s")->groupFlag, 0);
    EXPECT_FALSE(Run(scene::CreateMaskObject, {"none", "0", "0", "0", "missing", "TRUE"}));
}

TEST_F(CreateObjectsTest, ReplacingAndLockedPaths) {
    ASSERT_TRUE(Run(scene::CreateColorObject, {"x", "0", "0", "0", "4", "4", "#FFFFFF"}));
    int32_t first = Find("x")->creationSequence;
    ASSERT_TRUE(Run(scene::CreateColorObject, {"x", "0", "0", "0", "4", "4", "#FFFFFF"}));
    EXPECT_GT(Find("x")->creationSequence, first);
    EXPECT_EQ(scene::RequestObjects(kKey, "x", "Lock"), 1);
    EXPECT_FALSE(Run(scene::CreateColorObject, {"x", "0", "0", "0", "8", "8", "#FFFFFF"}));
    EXPECT_EQ(Find("x")->image->image->displayWidth, 4);
    // A missing parent makes nothing.
    EXPECT_FALSE(Run(scene::CreateNameObject, {"nowhere/x"}));
}

TEST_F(CreateObjectsTest, CreatorPrefixAndCommandText) {
    ASSERT_TRUE(Run(scene::CreateNameObject, {"scene1"}));
    context.prefix = "scene1";
    context.report = "CreateName(\"n\");";
    ASSERT_TRUE(Run(scene::CreateNameObject, {"n"}));
    scene::SceneObject* n = Find("scene1/n");
    ASSERT_NE(n, nullptr);
    EXPECT_STREQ(n->creatorPrefix, "scene1");
    EXPECT_STREQ(n->creatingCommand, "CreateName(\"n\");");
}

}  // namespace
