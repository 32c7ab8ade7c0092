// Draw lists: drawing order, the default operation slots and the automatic
// deletion of disused objects.
#include <algorithm>
#include <vector>

#include "platform/sync.h"
#include "render/dirty_rect.h"
#include "scene/object_internal.h"
#include "scene/object_tree.h"

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

ObjectOps g_defaults = {
    /*fadeStep*/ NoStep,   /*zoomStep*/ NoStep,   /*moveStep*/ NoStep,
    /*rotateStep*/ NoStep, /*shakeStep*/ NoStep,  /*transitionStep*/ NoStep,
    /*mediaStep*/ NoStep,  /*textStep*/ NoStep,   /*draw*/ NoDraw,
    /*refresh*/ NoStep,    /*request*/ NoRequest, /*afterDraw*/ NoAfterDraw,
    /*blend*/ NoBlend,     /*extraStep*/ NoStep,
};

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
    return platform::IsEventSet(g_objects.deletionGate) &&
           platform::IsEventSet(g_objects.creationGate);
}

}  // namespace

int NoStep(SceneObject*) {
    return 0;
}
int NoDraw(SceneObject*) {
    return 0;
}

const ObjectOps& DefaultOps() {
    return g_defaults;
}
void SetDefaultRequestHandler(RequestFn handler) {
    g_defaults.request = handler ? handler : NoRequest;
}
void SetDefaultBlend(BlendFn blend) {
    g_defaults.blend = blend ? blend : NoBlend;
}

DrawListNode* FindNode(const SceneObject* object, World** world) {
    for (World& w : g_objects.worlds)
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
    int deleted = 0;
    DrawListNode* n = world->list.first;
    while (n) {
        SceneObject* o = n->object;
        if (o->disused && !o->locked && !Hooks().actionRunning(o) && GatesOpen()) {
            platform::ResetEvent(g_objects.creationGate);
            platform::ResetEvent(g_objects.deletionGate);
            int done = DeleteOneObject(o->ownerKey == kFreeKey ? 0 : o->ownerKey, o);
            platform::SetEvent(g_objects.deletionGate);
            platform::SetEvent(g_objects.creationGate);
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
