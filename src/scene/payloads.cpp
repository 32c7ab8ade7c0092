// Payload ownership and the dropping of borrowed references.
#include "scene/payloads.h"

#include <cstring>

#include "scene/object_internal.h"
#include "scene/object_tree.h"
#include "scene/state.h"

namespace scene {

namespace {

// Release order of an object's payloads.
constexpr PayloadKind kReleaseOrder[] = {kPayloadLayer,  kPayloadScrollbar, kPayloadPicture,
                                         kPayloadImage,  kPayloadText,      kPayloadSurface,
                                         kPayloadCamera, kPayloadSound,     kPayloadProcess,
                                         kPayloadMovie,  kPayloadCube};

// Drops `o`'s references to payloads owned by `dying`. Returns the count.
int DropFrom(SceneObject* o, SceneObject* dying) {
    SceneContext& scene = State();
    int dropped = 0;
    for (int k = 0; k < kPayloadKinds; ++k) {
        PayloadKind kind = static_cast<PayloadKind>(k);
        if (kind == kPayloadImage) continue;
        void** slot = PayloadSlot(o, kind);
        if (*slot && PayloadOwner(kind, *slot) == dying) {
            void* payload = *slot;
            *slot = nullptr;
            ++dropped;
            if (kind == kPayloadSurface && scene.surfaceDropped) scene.surfaceDropped(o, payload);
        }
    }
    if (o->image && scene.imageBorrow.borrowsFrom && scene.imageBorrow.borrowsFrom(o, dying)) {
        if (scene.imageBorrow.drop) scene.imageBorrow.drop(o);
        o->ops.draw = NoDraw;
        o->ops.refresh = NoStep;
        ++dropped;
    }
    // A drawable drawing into the dying object's picture draws into the frame.
    if (o->image && scene.imageBorrow.dropTarget && scene.imageBorrow.dropTarget(o, dying))
        ++dropped;
    // Focus neighbours are plain references too: never leave one dangling.
    for (SceneObject*& f : o->focus)
        if (f == dying) f = nullptr;
    if (dropped) o->referencesIntact = 0;
    return dropped;
}

}  // namespace

void SetPayloadOps(PayloadKind kind, const PayloadOps& ops) {
    if (kind >= 0 && kind < kPayloadKinds) State().payloadOps[kind] = ops;
}
void SetImageBorrowOps(const ImageBorrowOps& ops) {
    State().imageBorrow = ops;
}
void SetFontListRelease(void (*release)(text::FontList* list)) {
    State().fontListRelease = release;
}
void SetTrailRelease(void (*release)(TrailRecord* trail)) {
    State().trailRelease = release;
}
void SetSurfaceDropped(void (*dropped)(SceneObject* object, const void* surface)) {
    State().surfaceDropped = dropped;
}

void** PayloadSlot(SceneObject* o, PayloadKind kind) {
    switch (kind) {
        case kPayloadLayer:
            return reinterpret_cast<void**>(&o->layer);
        case kPayloadScrollbar:
            return reinterpret_cast<void**>(&o->scrollbar);
        case kPayloadPicture:
            return reinterpret_cast<void**>(&o->picture);
        case kPayloadImage:
            return reinterpret_cast<void**>(&o->image);
        case kPayloadText:
            return reinterpret_cast<void**>(&o->text);
        case kPayloadSurface:
            return reinterpret_cast<void**>(&o->surface);
        case kPayloadCamera:
            return reinterpret_cast<void**>(&o->camera);
        case kPayloadSound:
            return reinterpret_cast<void**>(&o->sound);
        case kPayloadProcess:
            return reinterpret_cast<void**>(&o->process);
        case kPayloadMovie:
            return reinterpret_cast<void**>(&o->movie);
        case kPayloadCube:
            return reinterpret_cast<void**>(&o->cube);
        case kPayloadKinds:
            break;
    }
    return nullptr;
}

SceneObject* PayloadOwner(PayloadKind kind, const void* payload) {
    SceneContext& scene = State();
    if (!payload) return nullptr;
    if (scene.payloadOps[kind].owner) return scene.payloadOps[kind].owner(payload);
    // Payload records begin with their owner reference.
    SceneObject* owner = nullptr;
    std::memcpy(&owner, payload, sizeof owner);
    return owner;
}

int DropBorrowedReferences(SceneObject* dying) {
    int dropped = 0;
    for (World& w : Objects().worlds)
        for (DrawListNode* n = w.list.first; n; n = n->next)
            if (n->object != dying) dropped += DropFrom(n->object, dying);
    return dropped;
}

void ReleaseOwnedPayloads(SceneObject* o) {
    SceneContext& scene = State();
    if (o->fontList && scene.fontListRelease) scene.fontListRelease(o->fontList);
    o->fontList = nullptr;
    for (PayloadKind kind : kReleaseOrder) {
        void** slot = PayloadSlot(o, kind);
        if (!*slot) continue;
        void* payload = *slot;
        *slot = nullptr;
        if (PayloadOwner(kind, payload) == o && scene.payloadOps[kind].release)
            scene.payloadOps[kind].release(payload);
    }
    if (o->trail.copies && scene.trailRelease) scene.trailRelease(&o->trail);
    o->trail = {};
}

}  // namespace scene
