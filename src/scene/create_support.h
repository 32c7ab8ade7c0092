// What every object-creating command shares: the caller's context, argument
// tests, picture sources, and the create / place / finish steps around the
// SceneLock.
//
// The creating commands build their payload first without the SceneLock
// (decoding pictures), then BeginCreation takes the lock and makes the
// object; FinishCreation (or AbortCreation) releases it again.
#pragma once
#include <cstdint>

#include "core/registry.h"
#include "scene/scene_object.h"

namespace render {
struct Image;
}
namespace script {
struct ScriptBlock;
struct ScriptProcess;
}  // namespace script

namespace scene {

// The caller of a creating command.
struct CreateContext {
    int32_t ownerKey = -1;
    const char* prefix = "";        // the block's object prefix
    const char* report = "";        // the call's normalised text (creating command)
    int inlineBlock = 0;            // an inline block pauses the composer first
    script::ScriptProcess* process = nullptr;
    script::ScriptBlock* block = nullptr;
};

// The arguments of one call: args[i] is null when absent.
struct CreateArgs {
    const char* const* args;
    int count;
    const char* at(int i) const { return i >= 0 && i < count ? args[i] : nullptr; }
};

// "TRUE" in any letter case.
bool IsTrueText(const char* text);
// A numeric text (digits and signs only), truncated to an integer.
bool NumericArgument(const char* text, int32_t* out);
// Integer value of a leading number (0 when none); for arguments the
// commands do not check.
int32_t LeadingInteger(const char* text);

// --- Picture sources -------------------------------------------------------
// Loads a picture file (null when it cannot be read). `markViewed` records the
// file as seen. The picture may be a preloaded one (kImgShared): never modify
// it, DestroyImage leaves it alone.
render::Image* LoadPictureFile(const char* name, bool markViewed);
// The picture of a loaded-picture object named `name` ("@alias" or a name
// qualified with the prefix) in the caller's tree, or null. Caller holds the
// SceneLock.
render::Image* LoadedPicture(const CreateContext& c, const char* name);
// Whether such an object exists now (takes the SceneLock).
bool HasLoadedPicture(const CreateContext& c, const char* name);
// A private copy of a picture's pixels (flags kept), or null.
render::Image* CopyPicture(const render::Image* source);

// --- Creation steps ---------------------------------------------------------
// Owns the SceneLock from a successful BeginCreation until EndCreation or
// AbortCreation; a record that leaves its scope earlier releases it then.
struct Creation {
    SceneObject* object = nullptr;
    char path[256] = {};
    const CreateContext* context = nullptr;
    core::LockToken sceneLock;
};

// Qualifies `name`, pauses the composer for an inline block, takes the
// SceneLock and creates the object; copies the prefix and report text. On
// failure returns 0 with the lock released.
int BeginCreation(const CreateContext& c, const char* name, Creation* out);
// Deletes the half-made object and releases the SceneLock. Returns 0.
int AbortCreation(Creation* k);
// Releases the SceneLock. Returns 1.
int EndCreation(Creation* k);

// Gives a texture-like object its drawable around `image` (taken over when
// `owns`; an owned picture is marked as the object's) and the texture slots:
// refresh = TextureRefresh, request = the texture handler. 0 when memory
// runs out (the image is then released when owned).
int AttachTexture(SceneObject* o, render::Image* image, bool owns);
// Applies the position arguments, the camera depth rule, transforms the quad
// and runs the refresh slot. `shiftBack` moves the result up and left (frame
// margins). Returns 0 when the position is invalid.
int PlaceTexture(SceneObject* o, const char* x, const char* y, int32_t priority, int shiftBack = 0);
// Transforms the object's quad at its position (under its camera).
void TransformAtPosition(SceneObject* o);
// Adds the whole frame to the redraw while the composer is paused (texture
// objects appear at the next start signal otherwise).
void MarkTextureCreated();

// The refresh slot of texture-like objects: draw through the composer's
// texture routine unless a layer draws the object.
int TextureRefresh(SceneObject* o);
// Draw slot of an erased texture ("Erase"): draws nothing.
int ErasedDraw(SceneObject* o);

}  // namespace scene
