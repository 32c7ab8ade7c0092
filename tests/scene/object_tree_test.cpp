// Object trees: path matching, find, creation, deletion with locks, drawing
// order, borrowed payloads and automatic deletion.
#include <cstring>

#include "render/drawable.h"
#include "render/image.h"
#include "render/surface.h"
#include "scene/payloads.h"
#include "scene_fixture.h"

namespace {

using scene_test::kKey;
using scene_test::kOtherKey;
using scene_test::SceneFixture;

int Collect(scene::SceneObject* o, scene::ObjectQuery* q) {
    static_cast<std::vector<std::string>*>(q->context)->push_back(o->name);
    return 1;
}

std::vector<std::string> Visit(const char* path, int32_t key = kKey, bool descend = false) {
    std::vector<std::string> names;
    scene::ObjectQuery q{};
    q.ownerKey = key;
    std::strncpy(q.path, path, sizeof q.path - 1);
    q.visitor = Collect;
    q.context = &names;
    q.descend = descend ? 1 : 0;
    {
        core::SceneLockGuard hold;
        scene::VisitObjects(&q);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class PathTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        for (const char* p : {"a", "ab", "abc", "ba", "p", "p/x", "p/y", "q", "q/z"})
            ASSERT_NE(Make(p), nullptr);
        scene::FindObject(kKey, "q")->groupFlag = 0;
        std::strcpy(scene::FindObject(kKey, "ab")->alias, "al");
        std::strcpy(scene::FindObject(kKey, "abc")->alias, "alpha");
        std::strcpy(scene::FindObject(kKey, "p")->alias, "pal");
    }
};

TEST_F(PathTest, VisitMatchesPatterns) {
    using V = std::vector<std::string>;
    struct Case {
        const char* path;
        bool descend;
        V expected;
    } cases[] = {
        {"a", false, {"a"}},
        {"a*", false, {"a", "ab", "abc"}},
        {"ab*", false, {"ab", "abc"}},
        {"b*", false, {"ba"}},
        {"a*zzz", false, {"a", "ab", "abc"}},  // bytes after '*' are ignored
        {"*", false, {"a", "ab", "abc", "ba", "p", "q", "x", "y"}},
        {"p", false, {"p", "x", "y"}},  // a group reaches its descendants
        {"q", false, {"q"}},            // a non-group only itself
        {"q", true, {"q", "z"}},        // unless the query descends
        {"p/x", false, {"x"}},
        {"p/*", false, {"x", "y"}},
        {"*/x", false, {"x"}},
        {"q/z", false, {"z"}},
        {"a/x", false, {}},
        {"p/none", false, {}},
        {"none", false, {}},
        {"@al", false, {"ab"}},
        {"@al*", false, {"ab", "abc"}},
        {"@alpha", false, {"abc"}},
        {"<@al", false, {"ab"}},
        {"@pal", false, {"p", "x", "y"}},
        {"@pal/y", false, {"y"}},
        {"@nobody", false, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Visit(c.path, kKey, c.descend), c.expected) << c.path;
}

TEST_F(PathTest, FindResolvesOneObject) {
    struct Case {
        const char* path;
        const char* expected;  // null: none
    } cases[] = {
        {"p/y", "y"},    {"a*", "a"},      {"ab*", "ab"},   {"@alpha", "abc"},
        {"@al*", "ab"},  {"@pal/x", "x"},  {"<@al", "ab"},  {"", nullptr},
        {"zz", nullptr}, {"a/x", nullptr}, {"p/", nullptr}, {"@none", nullptr},
    };
    for (const Case& c : cases) {
        scene::SceneObject* o = scene::FindObject(kKey, c.path);
        if (!c.expected) {
            EXPECT_EQ(o, nullptr) << c.path;
            continue;
        }
        ASSERT_NE(o, nullptr) << c.path;
        EXPECT_STREQ(o->name, c.expected) << c.path;
    }
    EXPECT_EQ(scene::FindObject(scene::kFreeKey, "a"), nullptr);
    EXPECT_EQ(scene::FindObject(12345, "a"), nullptr);
}

TEST_F(PathTest, NameSumIsComparedBeforeBytes) {
    // Same bytes but a stale sum: exact matching relies on the stored sum.
    scene::SceneObject* ba = scene::FindObject(kKey, "ba");
    ba->nameSum += 1;
    EXPECT_EQ(Visit("ba"), std::vector<std::string>{});
    EXPECT_EQ(Visit("b*"), std::vector<std::string>{"ba"});  // patterns compare bytes only
}

TEST_F(SceneFixture, EachTreeSeesOnlyItsOwnObjects) {
    ASSERT_EQ(scene::AddTree(kOtherKey), 1);
    scene::SceneObject* mine = Make("bg");
    scene::SceneObject* theirs = Make("bg", kOtherKey);
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(scene::FindObject(kKey, "bg"), mine);
    EXPECT_EQ(scene::FindObject(kOtherKey, "bg"), theirs);
    EXPECT_EQ(theirs->ownerKey, kOtherKey);
    // An alias reaches across trees.
    std::strcpy(theirs->alias, "shared");
    EXPECT_EQ(scene::FindObject(kKey, "@shared"), theirs);
    scene::DeleteObjects(kKey, "bg");
    EXPECT_EQ(scene::FindObject(kKey, "bg"), nullptr);
    EXPECT_EQ(scene::FindObject(kOtherKey, "bg"), theirs);
}

TEST_F(SceneFixture, CreateNeedsAnExistingParent) {
    EXPECT_EQ(Make("a/b"), nullptr);
    scene::SceneObject* a = Make("a");
    ASSERT_NE(a, nullptr);
    a->position[0] = 30;
    a->position[1] = 40;
    scene::SceneObject* first = Make("a/first");
    scene::SceneObject* b = Make("a/b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->firstChild, first);
    EXPECT_EQ(first->nextSibling, b);
    EXPECT_EQ(b->previousSibling, first);
    EXPECT_EQ(b->parent, a);
    EXPECT_EQ(b->position[0], 30);  // a group parent passes its position on
    EXPECT_EQ(b->ownerKey, kKey);
    EXPECT_EQ(b->surface, a->surface);
    EXPECT_EQ(b->choiceDurations[5], -1);
    EXPECT_EQ(b->nameSum, scene::NameSum("b"));
    for (const char* bad : {"", "a/", "/a", "<"}) EXPECT_EQ(Make(bad), nullptr) << bad;
    EXPECT_EQ(scene::CreateObject(scene::kFreeKey, "x"), nullptr);
}

TEST_F(SceneFixture, RootHoldsTheScreenSurface) {
    scene::ObjectRoot* slot = scene::FindTree(kKey);
    ASSERT_NE(slot, nullptr);
    EXPECT_STREQ(slot->root.name, "ROOT");
    EXPECT_EQ(slot->root.surface, render::ScreenSurface());
    scene::SceneObject* top = Make("top");
    EXPECT_EQ(top->surface, render::ScreenSurface());
    EXPECT_EQ(top->position[0], 0);  // ROOT is not a group
}

TEST_F(SceneFixture, AliasVariableNamesTheParent) {
    scene::SceneObject* box = Make("box");
    std::strcpy(box->alias, "menu");
    scene::Hooks().variableText = [](const char* name, char* out, int size) {
        if (std::strcmp(name, "$target") != 0) return 0;
        std::snprintf(out, static_cast<size_t>(size), "menu");
        return 1;
    };
    scene::SceneObject* item = Make("@$target/item");
    scene::Hooks().variableText = nullptr;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->parent, box);
    EXPECT_EQ(Make("@$missing/item"), nullptr);
}

TEST_F(SceneFixture, CreatingTwiceReplacesAndDrawsOnTop) {
    scene::SceneObject* x1 = Make("x");
    Make("y");
    scene::SceneObject* x2 = Make("x");
    ASSERT_NE(x2, nullptr);
    EXPECT_GT(x2->creationSequence, 2);
    EXPECT_EQ(scene::FindObject(kKey, "x"), x2);
    (void)x1;  // freed
    scene::World* w = scene::CurrentWorld();
    scene::SortDrawList(w);
    EXPECT_EQ(DrawOrder(), (std::vector<std::string>{"y", "x"}));
    EXPECT_EQ(scene::FindTree(kKey)->objectCount, 3);  // never decremented
}

TEST_F(SceneFixture, LockedObjectRefusesReplacementAndDeletion) {
    scene::SceneObject* x = Make("x");
    x->locked = 1;
    EXPECT_EQ(Make("x"), nullptr);
    scene::DeleteObjects(kKey, "x");
    EXPECT_EQ(scene::FindObject(kKey, "x"), x);
    scene::DeleteObjects(kKey, "*");
    EXPECT_EQ(scene::FindObject(kKey, "x"), x);
}

TEST_F(SceneFixture, DeletingParentDeletesLockedChildren) {
    Make("p");
    scene::SceneObject* c = Make("p/c");
    Make("p/c/d")->locked = 1;
    c->locked = 1;
    Make("other");
    scene::DeleteObjects(kKey, "p");
    EXPECT_EQ(scene::FindObject(kKey, "p"), nullptr);
    EXPECT_EQ(DrawOrder(), std::vector<std::string>{"other"});
}

TEST_F(SceneFixture, RootSurvivesDeletingEverything) {
    for (const char* p : {"a", "a/b", "c", "d"}) Make(p);
    std::strcpy(scene::FindObject(kKey, "d")->alias, "dd");
    scene::DeleteObjects(kKey, "*");
    scene::ObjectRoot* slot = scene::FindTree(kKey);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->root.firstChild, nullptr);
    EXPECT_TRUE(DrawOrder().empty());
    EXPECT_NE(Make("again"), nullptr);
}

TEST_F(SceneFixture, AliasDeletionSurvivesUnlinking) {
    // Deleting by alias frees descendants that the scan would visit next.
    for (const char* p : {"g", "g/h", "g/h/i", "k"}) Make(p);
    for (const char* p : {"g", "g/h/i", "k"})
        std::strcpy(scene::FindObject(kKey, p)->alias, "doomed");
    Make("keep");
    scene::DeleteObjects(kKey, "@doomed");
    EXPECT_EQ(DrawOrder(), std::vector<std::string>{"keep"});
}

TEST_F(SceneFixture, RemoveTreeEmptiesLockedTreeAndFreesSlot) {
    ASSERT_EQ(scene::AddTree(kOtherKey), 1);
    Make("mine");
    Make("a", kOtherKey)->locked = 1;
    Make("a/b", kOtherKey)->locked = 1;
    scene::RemoveTree(kOtherKey);
    EXPECT_EQ(scene::FindTree(kOtherKey), nullptr);
    EXPECT_EQ(DrawOrder(), std::vector<std::string>{"mine"});
    EXPECT_EQ(scene::AddTree(kOtherKey), 1);
    EXPECT_EQ(scene::AddTree(kOtherKey), 0);  // taken
    EXPECT_EQ(scene::AddTree(scene::kFreeKey), 0);
}

TEST_F(SceneFixture, NewOwnerKeysAreFreshAndNeverFree) {
    for (int i = 0; i < 50; ++i) {
        int32_t key = scene::NewOwnerKey(this);
        EXPECT_NE(key, scene::kFreeKey);
        ASSERT_EQ(scene::AddTree(key), 1);
    }
}

TEST_F(SceneFixture, DrawingOrderIsPriorityThenCreation) {
    struct Item {
        const char* name;
        int priority;
    } items[] = {{"hi", 5}, {"lo1", 0}, {"mid", 3}, {"lo2", 0}, {"hi2", 5}, {"neg", -1}};
    for (const Item& i : items) Make(i.name)->priority = i.priority;
    scene::World* w = scene::CurrentWorld();
    EXPECT_EQ(w->list.sorted, 0);
    scene::SortDrawList(w);
    EXPECT_EQ(w->list.sorted, 1);
    std::vector<std::string> expected = {"neg", "lo1", "lo2", "mid", "hi", "hi2"};
    EXPECT_EQ(DrawOrder(), expected);
    scene::SortDrawList(w);  // nothing changed: nothing moves
    EXPECT_EQ(DrawOrder(), expected);
    // Save order: creation alone; the next sort restores drawing order.
    scene::SortByCreation(w);
    EXPECT_EQ(DrawOrder(), (std::vector<std::string>{"hi", "lo1", "mid", "lo2", "hi2", "neg"}));
    scene::SortDrawList(w);
    EXPECT_EQ(DrawOrder(), expected);
    Make("new");
    EXPECT_EQ(w->list.sorted, 0);
}

TEST_F(SceneFixture, SystemWorldKeepsItsOwnList) {
    Make("game");
    core::Current().state = core::StateSystemScript;
    ASSERT_EQ(scene::AddTree(kOtherKey), 1);
    scene::SceneObject* menu = Make("menu", kOtherKey);
    std::strcpy(menu->alias, "m");
    scene::SceneObject* game = scene::FindObject(kKey, "game");
    std::strcpy(game->alias, "g");
    EXPECT_EQ(DrawOrder(), std::vector<std::string>{"menu"});
    EXPECT_EQ(DrawOrder(scene::MainWorld()), std::vector<std::string>{"game"});
    EXPECT_EQ(menu->creationSequence, 1);                    // the system world counts on its own
    EXPECT_EQ(scene::FindObject(kOtherKey, "@g"), nullptr);  // aliases of the current world
    EXPECT_EQ(scene::FindObject(kOtherKey, "<@g"), game);    // '<': the main world
    EXPECT_EQ(Visit("<@g", kOtherKey), std::vector<std::string>{"game"});
}

TEST_F(SceneFixture, FreeingOwnerDropsBorrowedReferences) {
    scene::SceneObject* owner = Make("owner");
    scene::SceneObject* borrower = Make("borrower");
    scene::SceneObject* sharer = Make("sharer");
    owner->surface = render::CreateSurface(owner);
    owner->layer = render::CreateLayer(owner, render::kLayerMask);
    owner->picture = render::CreateBlankImage(8, 8, 0x123456, 255);
    owner->picture->owner = owner;
    borrower->surface = owner->surface;
    borrower->layer = owner->layer;
    borrower->focus[1] = owner;
    // The borrower shows the owner's picture without owning it.
    borrower->image = render::WrapImage(borrower, owner->picture);
    borrower->image->ownsImage = 0;
    borrower->ops.draw = [](scene::SceneObject*) { return 7; };
    // A shared (preloaded) picture is never dropped.
    render::Image* shared = render::CreateBlankImage(4, 4, 0, 255);
    shared->owner = owner;
    shared->flags |= render::kImgShared;
    sharer->image = render::WrapImage(sharer, shared);
    sharer->image->ownsImage = 0;

    scene::DeleteObjects(kKey, "owner");
    EXPECT_EQ(borrower->surface, nullptr);
    EXPECT_EQ(borrower->image->clip,
              &render::ScreenSurface()->clip);  // no pointer into the freed surface
    EXPECT_EQ(borrower->layer, nullptr);
    EXPECT_EQ(borrower->focus[1], nullptr);
    ASSERT_NE(borrower->image, nullptr);
    EXPECT_EQ(borrower->image->image, nullptr);
    EXPECT_EQ(borrower->ops.draw, &scene::NoDraw);
    EXPECT_EQ(borrower->referencesIntact, 0);
    EXPECT_EQ(sharer->image->image, shared);
    EXPECT_EQ(sharer->referencesIntact, 1);
    shared->flags &= static_cast<uint16_t>(~render::kImgShared);
    render::DestroyImage(&shared);
    sharer->image->image = nullptr;
}

TEST_F(SceneFixture, ChildrenInheritButDoNotOwn) {
    scene::SceneObject* window = Make("win");
    window->surface = render::CreateSurface(window);
    scene::SceneObject* child = Make("win/text");
    EXPECT_EQ(child->surface, window->surface);
    scene::DeleteObjects(kKey, "win/text");  // must not free the parent's surface
    EXPECT_NE(window->surface, nullptr);
    EXPECT_EQ(window->surface->owner, window);
}

int Busy(scene::SceneObject*) {
    return 1;
}

// Offers disused objects to deletion under the SceneLock, as the frame does.
int DisusedGo(scene::World* w) {
    core::SceneLockGuard hold;
    return scene::DeleteDisusedObjects(w);
}

TEST_F(SceneFixture, DisusedObjectsGoWhenIdle) {
    scene::World* w = scene::CurrentWorld();
    scene::SceneObject* idle = Make("idle");
    scene::SceneObject* moving = Make("moving");
    scene::SceneObject* locked = Make("locked");
    Make("kept");
    for (scene::SceneObject* o : {idle, moving, locked}) o->disused = 1;
    moving->ops.moveStep = Busy;
    locked->locked = 1;

    // A deletion or creation in progress (its gate closed) holds it back.
    for (platform::Event* gate : {scene::Objects().deletionGate, scene::Objects().creationGate}) {
        platform::ResetEvent(gate);
        EXPECT_EQ(DisusedGo(w), 0);
        platform::SetEvent(gate);
    }

    EXPECT_EQ(DisusedGo(w), 1);
    EXPECT_EQ(DrawOrder(), (std::vector<std::string>{"moving", "locked", "kept"}));
    moving->ops.moveStep = scene::NoStep;
    EXPECT_EQ(DisusedGo(w), 1);
    EXPECT_EQ(DrawOrder(), (std::vector<std::string>{"locked", "kept"}));
    EXPECT_TRUE(platform::IsEventSet(scene::Objects().creationGate));
    EXPECT_TRUE(platform::IsEventSet(scene::Objects().deletionGate));
}

}  // namespace
