// Payload ownership: which object owns a payload, how it is released, and how
// references that other objects borrowed are dropped when the owner dies.
//
// Each payload record names its owning object (for most kinds as its first
// field). Only the owner frees a payload; objects that merely refer to it
// (children inheriting a surface, layer or camera, an image reusing another
// object's picture) lose the reference when the owner is freed, and their
// references-intact flag is cleared.
//
// The subsystem that makes a payload kind registers its operations here once
// at start-up. Locking: the release and drop hooks run with the SceneLock held.
#pragma once
#include "scene/scene_object.h"

namespace scene {

enum PayloadKind : int {
    kPayloadLayer,
    kPayloadScrollbar,
    kPayloadPicture,
    kPayloadImage,
    kPayloadText,
    kPayloadSurface,
    kPayloadCamera,
    kPayloadSound,
    kPayloadProcess,
    kPayloadMovie,
    kPayloadCube,
    kPayloadKinds
};

struct PayloadOps {
    // The owning object of a payload. Null: the owner is the record's first
    // field.
    SceneObject* (*owner)(const void* payload);
    // Frees a payload the dying object owns. Null: the payload is left alone
    // (its subsystem has no release; nothing of that kind can exist).
    void (*release)(void* payload);
};
void SetPayloadOps(PayloadKind kind, const PayloadOps& ops);

// Image references (the object's drawable) are checked by picture, not by
// drawable: `borrowsFrom` tells whether `borrower`'s drawable shows a picture
// owned by `dying` (and not marked shared); `drop` releases the borrower's
// own picture data and leaves its drawable empty. `dropTarget` makes
// `borrower`'s drawable draw into the frame again when it draws into a
// picture of `dying`; 1 when it did.
struct ImageBorrowOps {
    int (*borrowsFrom)(const SceneObject* borrower, const SceneObject* dying);
    void (*drop)(SceneObject* borrower);
    int (*dropTarget)(SceneObject* borrower, const SceneObject* dying);
};
void SetImageBorrowOps(const ImageBorrowOps& ops);

// Called after `object` lost its borrowed reference to `surface` (about to
// be freed): things of the object that point into the surface must let go.
void SetSurfaceDropped(void (*dropped)(SceneObject* object, const void* surface));

// Releases glyph sets of a font list, the trail buffer (registered by text
// and effects).
void SetFontListRelease(void (*release)(text::FontList* list));
void SetTrailRelease(void (*release)(TrailRecord* trail));

// Reference slot of `kind` inside an object.
void** PayloadSlot(SceneObject* object, PayloadKind kind);
SceneObject* PayloadOwner(PayloadKind kind, const void* payload);

// Clears, in every object of every tree, each reference to a payload owned by
// `dying` (except in `dying` itself). Returns the number of references dropped.
int DropBorrowedReferences(SceneObject* dying);
// Releases every payload `object` owns, its font list and its trail buffer,
// and clears the references.
void ReleaseOwnedPayloads(SceneObject* object);

}  // namespace scene
