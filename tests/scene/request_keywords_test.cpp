// Request keywords along the handler chains, Delete of locked objects and
// their parents, SetAlias, and Position.
#include <gtest/gtest.h>

#include "create_fixture.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/drawable.h"
#include "script/variables.h"

namespace {

using scene_test::CreateFixture;
using scene_test::kKey;

class RequestTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        ASSERT_TRUE(Run(scene::CreateNameObject, {"node"}));
        ASSERT_TRUE(Run(scene::CreateColorObject, {"tex", "0", "0", "0", "8", "8", "#FFFFFF"}));
    }
};

TEST_F(RequestTest, KeywordsReachTheirFlagsThroughTheChains) {
    struct Case {
        const char* path;
        const char* keyword;
        int32_t scene::SceneObject::*flag;
        int32_t expect;
    };
    const Case cases[] = {
        {"node", "Lock", &scene::SceneObject::locked, 1},
        {"node", "UnLock", &scene::SceneObject::locked, 0},
        {"tex", "Lock", &scene::SceneObject::locked, 1},  // texture -> default
        {"tex", "UnLock\t", &scene::SceneObject::locked, 0},
        {"node", "Clickable", &scene::SceneObject::clickable, 1},
        {"tex", "Clickable ", &scene::SceneObject::clickable, 1},
        {"tex", "UnClickable", &scene::SceneObject::clickable, 0},
        {"node", "Disused", &scene::SceneObject::disused, 1},
        {"tex", "Hideable", &scene::SceneObject::hideable, 1},
        // Case-sensitive, and a keyword must end the text or meet a blank.
        {"node", "lock", &scene::SceneObject::locked, 0},
        {"node", "LockX", &scene::SceneObject::locked, 0},
    };
    for (const Case& c : cases) {
        scene::RequestObjects(kKey, c.path, c.keyword);
        EXPECT_EQ(Find(c.path)->*c.flag, c.expect) << c.path << " " << c.keyword;
    }
}

TEST_F(RequestTest, TextureKeywords) {
    scene::SceneObject* t = Find("tex");
    struct Case {
        const char* keyword;
        int32_t mode;
    };
    const Case modes[] = {{"AddRender", render::kBlendAdd},         {"SubRender", render::kBlendSub},
                          {"OverlayRender", render::kBlendOverlay}, {"MulRender", render::kBlendMul},
                          {"NormalRender", render::kBlendNormal}};
    for (const Case& c : modes) {
        EXPECT_EQ(scene::RequestObjects(kKey, "tex", c.keyword), 1);
        EXPECT_EQ(t->image->blendMode & 0xFFF, c.mode & 0xFFF) << c.keyword;
    }
    scene::RequestObjects(kKey, "tex", "Erase");
    EXPECT_EQ(t->ops.draw, &scene::ErasedDraw);
    scene::RequestObjects(kKey, "tex", "Enter");
    EXPECT_EQ(t->ops.draw, &scene::DrawObject);
    // A name node knows no texture keyword.
    scene::SceneObject* n = Find("node");
    scene::DrawFn before = n->ops.draw;
    scene::RequestObjects(kKey, "node", "Erase");
    EXPECT_EQ(n->ops.draw, before);
}

TEST_F(RequestTest, RequestOnAGroupReachesOnlyTheGroup) {
    ASSERT_TRUE(Run(scene::CreateColorObject, {"tex/child", "0", "0", "0", "4", "4", "#FFFFFF"}));
    EXPECT_EQ(scene::RequestObjects(kKey, "tex", "Lock"), 1);
    EXPECT_EQ(Find("tex")->locked, 1);
    EXPECT_EQ(Find("tex/child")->locked, 0);
}

TEST_F(RequestTest, DeleteOfALockedObjectAndOfItsParent) {
    ASSERT_TRUE(Run(scene::CreateColorObject, {"tex/child", "0", "0", "0", "4", "4", "#FFFFFF"}));
    scene::RequestObjects(kKey, "tex/child", "Lock");
    scene::DeleteObjects(kKey, "tex/child");
    EXPECT_NE(Find("tex/child"), nullptr);  // refused
    scene::DeleteObjects(kKey, "tex");
    EXPECT_EQ(Find("tex"), nullptr);  // the parent takes its locked child along
    EXPECT_EQ(Find("tex/child"), nullptr);
    EXPECT_EQ(DrawOrder(), std::vector<std::string>{"node"});
}

TEST_F(RequestTest, AliasNamesOnlyTheObjectsGivenItLast) {
    EXPECT_EQ(scene::SetAliasOf(kKey, "node", "a"), 1);
    EXPECT_STREQ(Find("node")->alias, "a");
    EXPECT_EQ(scene::SetAliasOf(kKey, "tex", "a"), 1);
    EXPECT_STREQ(Find("node")->alias, "");
    EXPECT_STREQ(Find("tex")->alias, "a");
    EXPECT_EQ(scene::RequestObjects(kKey, "@a", "Lock"), 1);
    EXPECT_EQ(Find("tex")->locked, 1);
    // An alias set on a group stays with the group.
    ASSERT_TRUE(Run(scene::CreateColorObject, {"tex/child", "0", "0", "0", "4", "4", "#FFFFFF"}));
    scene::SetAliasOf(kKey, "tex", "b");
    EXPECT_STREQ(Find("tex/child")->alias, "");
}

TEST_F(RequestTest, PositionIntoVariables) {
    ASSERT_TRUE(Run(scene::CreateColorObject, {"p", "0", "INRIGHT", "12", "24", "8", "#FFFFFF"}));
    EXPECT_EQ(scene::StoreObjectPosition("p", "$px", "$py", nullptr), 1);
    script::Variable* x = script::LookupExact("$px");
    script::Variable* y = script::LookupExact("$py");
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(x->number, 1000);
    EXPECT_EQ(y->number, 12);
    // A missing object leaves both variables alone.
    EXPECT_EQ(scene::StoreObjectPosition("missing", "$px", "$py", nullptr), 0);
    EXPECT_EQ(x->number, 1000);
    script::ClearLocals();
}

}  // namespace
