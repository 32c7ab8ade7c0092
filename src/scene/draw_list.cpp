// Draw lists: drawing order, the default operation slots and the automatic
// deletion of disused objects.
#include <algorithm>
#include <vector>

#include "platform/sync.h"
#include "render/dirty_rect.h"
#include "scene/object_internal.h"
#include "scene/object_tree.h"
#include "scene/state.h"

namespace scene {

namespace {

int NoRequest(SceneObject*, ObjectQuery*) {
    return 0;
}
int NoAfterDraw(SceneObject*) {
    return 0;
}
int NoBlend(render::Drawable*, render::Layer*, void*, int) {
    return 0;
}

}  // namespace

const ObjectOps kDefaultObjectOps = {
    /*fadeStep*/ NoStep,   /*zoomStep*/ NoStep,   /*moveStep*/ NoStep,
    /*rotateStep*/ NoStep, /*shakeStep*/ NoStep,  /*transitionStep*/ NoStep,
    /*mediaStep*/ NoStep,  /*textStep*/ NoStep,   /*draw*/ NoDraw,
    /*refresh*/ NoStep,    /*request*/ NoRequest, /*afterDraw*/ NoAfterDraw,
    /*blend*/ NoBlend,     /*extraStep*/ NoStep,
};

namespace {

// Reorders the objects held by a list's nodes (the nodes stay in place).
template <typename Less>
void Reorder(World* world, Less less) {
    std::vector<SceneObject*> objects;
    for (DrawListNode* n = world->list.first; n; n = n->next) objects.push_back(n->object);
    std::stable_sort(objects.begin(), objects.end(), less);
    size_t i = 0;
    for (DrawListNode* n = world->list.first; n; n = n->next) n->object = objects[i++];
    world->list.drawStart = nullptr;
}

bool GatesOpen() {
    ObjectSystem& objects = Objects();
    return platform::IsEventSet(objects.deletionGate) && platform::IsEventSet(objects.creationGate);
}

}  // namespace

int NoStep(SceneObject*) {
    return 0;
}
int NoDraw(SceneObject*) {
    return 0;
}

const ObjectOps& DefaultOps() {
    return State().defaultOps;
}
void SetDefaultRequestHandler(RequestFn handler) {
    State().defaultOps.request = handler ? handler : NoRequest;
}
void SetDefaultBlend(BlendFn blend) {
    State().defaultOps.blend = blend ? blend : NoBlend;
}

DrawListNode* FindNode(const SceneObject* object, World** world) {
    for (World& w : Objects().worlds)
        for (DrawListNode* n = w.list.first; n; n = n->next)
            if (n->object == object) {
                if (world) *world = &w;
                return n;
            }
    return nullptr;
}

void SortDrawList(World* world) {
    if (world->list.sorted) return;
    Reorder(world, [](const SceneObject* a, const SceneObject* b) {
        if (a->priority != b->priority) return a->priority < b->priority;
        return a->creationSequence < b->creationSequence;
    });
    world->list.sorted = 1;
}

void SortByCreation(World* world) {
    Reorder(world, [](const SceneObject* a, const SceneObject* b) {
        return a->creationSequence < b->creationSequence;
    });
    world->list.sorted = 0;
}

int DeleteDisusedObjects(World* world) {
    ObjectSystem& objects = Objects();
    int deleted = 0;
    DrawListNode* n = world->list.first;
    while (n) {
        SceneObject* o = n->object;
        if (o->disused && !o->locked && !Hooks().actionRunning(o) && GatesOpen()) {
            platform::ResetEvent(objects.creationGate);
            platform::ResetEvent(objects.deletionGate);
            int done = DeleteOneObject(o->ownerKey == kFreeKey ? 0 : o->ownerKey, o);
            platform::SetEvent(objects.deletionGate);
            platform::SetEvent(objects.creationGate);
            if (done) {
                ++deleted;
                render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
                n = world->list.first;
                continue;
            }
        }
        n = n->next;
    }
    return deleted;
}

}  // namespace scene
