// Object system record, tree slots, creation and deletion.
#include "scene/object_tree.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "core/clock.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/surface.h"
#include "scene/object_internal.h"
#include "scene/payloads.h"
#include "scene/render_payloads.h"
#include "scene/state.h"
#include "core/engine.h"
#include "core/registry.h"
#include "platform/text_copy.h"

namespace scene {

namespace {
int NoActionKnown(SceneObject* object);
}  // namespace

const ObjectHooks kDefaultObjectHooks = {
    /*actionRunning*/ NoActionKnown,
    /*addDirty*/ nullptr,
    /*objectArea*/ nullptr,
    /*unlockTree*/ nullptr,
    /*releaseBacklog*/ nullptr,
    /*variableText*/ nullptr,
};

ObjectSystem& Objects() {
    return State().objects;
}

namespace {

// The code-0 action test as far as the object record tells it: any step slot
// installed. The waits subsystem installs the full test (sounds, processes,
// movies, text progress).
int NoActionKnown(SceneObject* o) {
    const ObjectOps& d = DefaultOps();
    const ObjectOps& s = o->ops;
    return s.fadeStep != d.fadeStep || s.moveStep != d.moveStep || s.zoomStep != d.zoomStep ||
           s.rotateStep != d.rotateStep || s.shakeStep != d.shakeStep ||
           s.extraStep != d.extraStep || s.transitionStep != d.transitionStep ||
           s.textStep != d.textStep;
}

void AddDirty(int left, int top, int width, int height) {
    ObjectHooks& hooks = State().objectHooks;
    if (hooks.addDirty)
        hooks.addDirty(left, top, width, height);
    else
        render::AddDirtyRect(left, top, width, height);
}

void InitRoot(ObjectRoot* slot, int32_t key) {
    std::memset(&slot->root, 0, sizeof slot->root);
    std::strcpy(slot->root.name, "ROOT");
    slot->root.nameSum = NameSum("ROOT");
    slot->root.self = &slot->root;
    slot->root.ownerKey = key;
    render::Surface* screen = render::ScreenSurface();
    screen->owner = &slot->root;
    slot->root.surface = screen;
    slot->objectCount = 0;
    slot->ownerKey = key;
}

// Deletes every child of a root regardless of locks.
void ForceEmpty(ObjectRoot* slot) {
    while (SceneObject* child = slot->root.firstChild) {
        child->locked = 0;
        DeleteOneObject(slot->ownerKey == kFreeKey ? 0 : slot->ownerKey, child);
    }
}

void DefaultUnlockTree(int32_t key) {
    ObjectRoot* slot = FindTree(key);
    if (!slot) return;
    // Depth-first over the whole tree.
    SceneObject* o = slot->root.firstChild;
    while (o) {
        o->locked = 0;
        if (o->firstChild) {
            o = o->firstChild;
            continue;
        }
        while (o && !o->nextSibling) {
            o = o->parent;
            if (o == &slot->root) o = nullptr;
        }
        if (o) o = o->nextSibling;
    }
}

void FreeObject(SceneObject* o) {
    ObjectHooks& hooks = State().objectHooks;
    DropBorrowedReferences(o);
    int left = 0, top = 0, width = 0, height = 0;
    if (o->image) {
        render::AddDirtyDrawable(o->image);
    } else if (hooks.objectArea && hooks.objectArea(o, &left, &top, &width, &height)) {
        AddDirty(left, top, width, height);
    }
    if (hooks.releaseBacklog) hooks.releaseBacklog(o);
    if (o->effect.release) o->effect.release(o, 1);
    o->effect = {};
    ReleaseOwnedPayloads(o);
    for (ActionRecord& a : o->actions) ClearAction(&a);
    World* world = nullptr;
    if (DrawListNode* node = FindNode(o, &world)) {
        if (node->previous)
            node->previous->next = node->next;
        else
            world->list.first = node->next;
        if (node->next) node->next->previous = node->previous;
        world->list.drawStart = nullptr;
        std::free(node);
    }
    std::memset(o, 0, sizeof *o);
    std::free(o);
}

void DeleteDescendants(SceneObject* o) {
    SceneObject* child = o->firstChild;
    while (child) {
        SceneObject* next = child->nextSibling;
        DeleteDescendants(child);
        FreeObject(child);
        child = next;
    }
    o->firstChild = nullptr;
}

}  // namespace

ObjectHooks& Hooks() {
    return State().objectHooks;
}

bool WaitGate(platform::Event* gate) {
    if (!gate) return true;
    if (platform::WaitEvent(gate, 1500)) return true;
    return platform::WaitEvent(gate, 1500);
}

void ClearAction(ActionRecord* action) {
    for (double*& curve : action->curves) std::free(curve);
    std::free(action->path);
    std::memset(action, 0, sizeof *action);
}

World* MainWorld() {
    return &State().objects.worlds[kMainWorld];
}
World* CurrentWorld() {
    ObjectSystem& objects = State().objects;
    return core::Current().state.load(std::memory_order_relaxed) == core::StateSystemScript
               ? &objects.worlds[kSystemWorld]
               : &objects.worlds[kMainWorld];
}

int InitObjects() {
    ObjectSystem& objects = State().objects;
    ObjectHooks& hooks = State().objectHooks;
    if (objects.running) ReleaseObjects();
    for (World& w : objects.worlds) w = World{};
    objects.firstSlot = ObjectRoot{};
    objects.firstSlot.ownerKey = kFreeKey;
    render::ResetScreenSurface();
    RegisterRenderPayloads();
    objects.displayRunning = platform::CreateEvent(true, false);
    objects.deletionGate = platform::CreateEvent(true, true);
    objects.creationGate = platform::CreateEvent(true, true);
    if (!hooks.unlockTree) hooks.unlockTree = DefaultUnlockTree;
    objects.running = 1;
    return 1;
}

void ReleaseObjects() {
    ObjectSystem& objects = State().objects;
    if (!objects.running) return;
    // Deleting objects is done under the SceneLock, also at the end.
    core::SceneLockGuard hold;
    ObjectRoot* slot = &objects.firstSlot;
    while (slot) {
        ObjectRoot* next = slot->next;
        ForceEmpty(slot);
        if (slot != &objects.firstSlot) std::free(slot);
        slot = next;
    }
    objects.firstSlot = ObjectRoot{};
    objects.firstSlot.ownerKey = kFreeKey;
    for (World& w : objects.worlds) {
        // Nodes of objects outside any tree cannot exist; free leftovers anyway.
        DrawListNode* n = w.list.first;
        while (n) {
            DrawListNode* next = n->next;
            std::free(n);
            n = next;
        }
        w = World{};
    }
    for (platform::Event** e :
         {&objects.displayRunning, &objects.deletionGate, &objects.creationGate}) {
        platform::DestroyEvent(*e);
        *e = nullptr;
    }
    objects.running = 0;
}

ObjectRoot* FindTree(int32_t key) {
    if (key == kFreeKey) return nullptr;
    for (ObjectRoot* s = &State().objects.firstSlot; s; s = s->next)
        if (s->ownerKey == key) return s;
    return nullptr;
}

int32_t NewOwnerKey(const void* seed) {
    std::mt19937 random(static_cast<uint32_t>(std::time(nullptr)) +
                        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(seed)));
    for (;;) {
        int32_t key = static_cast<int32_t>(random());
        if (key != kFreeKey && !FindTree(key)) return key;
    }
}

int AddTree(int32_t key) {
    ObjectSystem& objects = State().objects;
    if (key == kFreeKey || FindTree(key)) return 0;
    ObjectRoot* slot = nullptr;
    if (objects.firstSlot.ownerKey == kFreeKey) {
        slot = &objects.firstSlot;
    } else {
        slot = static_cast<ObjectRoot*>(std::calloc(1, sizeof(ObjectRoot)));
        if (!slot) return 0;
        ObjectRoot* last = &objects.firstSlot;
        while (last->next) last = last->next;
        last->next = slot;
        slot->previous = last;
    }
    InitRoot(slot, key);
    return 1;
}

void RemoveTree(int32_t key) {
    ObjectHooks& hooks = State().objectHooks;
    if (!FindTree(key)) return;
    {
        core::SceneLockGuard hold;
        if (hooks.unlockTree) hooks.unlockTree(key);
    }
    DeleteObjects(key, "*");
    core::SceneLockGuard hold;
    ObjectRoot* slot = FindTree(key);
    if (slot) {
        // A lock set again meanwhile must not leave objects behind a freed slot.
        ForceEmpty(slot);
        if (slot == &State().objects.firstSlot) {
            slot->ownerKey = kFreeKey;
        } else {
            if (slot->previous) slot->previous->next = slot->next;
            if (slot->next) slot->next->previous = slot->previous;
            std::free(slot);
        }
    }
}

SceneObject* CreateObject(int32_t key, const char* path) {
    ObjectSystem& objects = State().objects;
    if (key == kFreeKey || !path || !*path) return nullptr;
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    ObjectRoot* slot = FindTree(key);
    if (!slot) return nullptr;

    if (FindObject(key, path)) {
        // Replace: wait until no frame or other creation is changing the tree.
        {
            core::LockGivenBack away(core::kLockScene);
            WaitGate(objects.creationGate);
            if (objects.creationGate) platform::ResetEvent(objects.creationGate);
        }
        // The tree may have changed while the lock was free: look again.
        SceneObject* old = FindObject(key, path);
        int deleted = old ? DeleteOneObject(key, old) : 1;
        if (objects.creationGate) platform::SetEvent(objects.creationGate);
        if (!deleted) return nullptr;
        slot = FindTree(key);
        if (!slot) return nullptr;
    }

    const char* p = path[0] == '<' ? path + 1 : path;
    const char* lastSlash = std::strrchr(p, '/');
    SceneObject* parent = &slot->root;
    const char* name = p;
    if (lastSlash) {
        if (lastSlash == p || lastSlash[1] == 0) return nullptr;
        size_t parentLength = static_cast<size_t>(lastSlash - path);
        if (parentLength >= kNameSize) return nullptr;
        char parentPath[kNameSize] = {};
        std::memcpy(parentPath, path, parentLength);
        parent = FindParentForCreation(key, parentPath);
        if (!parent) return nullptr;
        name = lastSlash + 1;
    }
    if (!*name) return nullptr;

    SceneObject* o = static_cast<SceneObject*>(std::calloc(1, sizeof(SceneObject)));
    if (!o) return nullptr;
    DrawListNode* node = static_cast<DrawListNode*>(std::calloc(1, sizeof(DrawListNode)));
    if (!node) {
        std::free(o);
        return nullptr;
    }

    // Last child of the parent.
    o->parent = parent;
    if (SceneObject* last = parent->firstChild) {
        while (last->nextSibling) last = last->nextSibling;
        last->nextSibling = o;
        o->previousSibling = last;
    } else {
        parent->firstChild = o;
    }

    World* world = CurrentWorld();
    o->creationSequence = ++world->list.creationCounter;
    o->lastStepTime = core::NowMs();
    o->groupFlag = 1;
    o->referencesIntact = 1;
    o->self = o;
    o->ops = DefaultOps();
    for (int32_t& d : o->choiceDurations) d = -1;
    if (parent->groupFlag) std::memcpy(o->position, parent->position, sizeof o->position);
    o->surface = parent->surface;
    o->layer = parent->layer;
    o->camera = parent->camera;
    ++slot->objectCount;

    node->object = o;
    if (DrawListNode* tail = world->list.first) {
        while (tail->next) tail = tail->next;
        tail->next = node;
        node->previous = tail;
    } else {
        world->list.first = node;
    }
    world->list.sorted = 0;
    world->list.drawStart = nullptr;

    platform::CopyText(o->name, kNameSize, name);
    o->ownerKey = parent->ownerKey;
    o->nameSum = NameSum(o->name);
    return o;
}

int DeleteOneObject(int32_t key, SceneObject* o) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    if (key == kFreeKey || !o || o->locked) return 0;
    if (!o->parent) return 0;  // a ROOT object is never deleted
    DeleteDescendants(o);
    if (o->previousSibling)
        o->previousSibling->nextSibling = o->nextSibling;
    else
        o->parent->firstChild = o->nextSibling;
    if (o->nextSibling) o->nextSibling->previousSibling = o->previousSibling;
    FreeObject(o);
    return 1;
}

int DeletionVisitor(SceneObject* object, ObjectQuery* query) {
    int done = DeleteOneObject(query->ownerKey, object);
    query->deleted += done;
    return done;
}

void DeleteObjects(int32_t key, const char* path) {
    ObjectSystem& objects = State().objects;
    if (key == kFreeKey || !path || !*path) return;
    WaitGate(objects.deletionGate);
    WaitGate(objects.creationGate);
    if (objects.deletionGate) platform::ResetEvent(objects.deletionGate);
    if (objects.creationGate) platform::ResetEvent(objects.creationGate);
    core::SceneLockGuard hold;
    ObjectQuery query{};
    query.ownerKey = key;
    platform::CopyText(query.path, kNameSize, path);
    query.visitor = DeletionVisitor;
    VisitObjects(&query);
    if (objects.deletionGate) platform::SetEvent(objects.deletionGate);
    if (objects.creationGate) platform::SetEvent(objects.creationGate);
}

}  // namespace scene
