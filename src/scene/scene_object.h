// The scene object record: everything a script shows or plays is one of
// these, living in a process's object tree and in its world's draw list.
//
// Ownership: an object is one zero-filled heap block made by CreateObject and
// freed only by the deletion code of object_tree.cpp. Payload references
// (surface, layer, camera, picture, drawable, text, sound, movie, process,
// cube, scrollbar) either name a payload this object owns (the payload's
// owner reference is this object) or borrow one owned by another object.
//
// Locking: every field is a plain value, consistent only under the SceneLock.
#pragma once
#include <cstdint>

#include "render/quad.h"

namespace render {
struct Drawable;
struct Surface;
struct Layer;
struct Image;
}  // namespace render
namespace text {
struct TextPayload;
struct FontList;
}  // namespace text
namespace sound {
struct SoundObject;
}
namespace movie {
struct Movie;
}
namespace scene {

struct SceneObject;
struct Camera;
struct Cube;
struct Scrollbar;
struct ProcessPayload;
struct ObjectQuery;

constexpr int kNameSize = 256;
constexpr int kCommandTextSize = 2048;
constexpr int kEffectNameSize = 64;

// Choice states of the hit test.
enum : int32_t {
    kChoiceIdle = 0,
    kChoiceHovered = 0x10,
    kChoicePressed = 0x1000,
    kChoiceChosen = 0x10000,
    kChoiceLeft = 0x100,
};

// One timed action (fade, move, zoom, rotate, shake, transition). The record
// is zero-filled when the object is made and whenever an action of its kind
// is set up or ends; its two buffers (curve tables, path points) are heap
// blocks owned by the record and freed by ClearAction.
struct ActionRecord {
    int32_t go;          // 0 until the next start signal
    int32_t hold;        // cleared by every step
    int32_t start[4];    // kind-specific start values
    int32_t target[4];   // kind-specific target values
    int32_t extra[8];    // shake timers and displacement, transition state
    int32_t counter;     // 16.16 step counter; upper half is the step index
    int32_t multiplier;  // 1 while running
    int32_t durationMs;  // as written in the command
    double* curves[3];   // per-component curve tables (owned)
    int32_t* path;       // move path: x, y, z triples (owned)
    int32_t pathPoints;
    int32_t steps;  // N, frames at the nominal frame rate
    char curveName[16];
};

enum ActionKind : int {
    kActionFade,
    kActionMove,
    kActionZoom,
    kActionRotate,
    kActionShake,
    kActionTransition,
    kActionKinds
};

// After-image state of SetBlur: `count` copies of the object's picture that
// follow its moves, zooms and turns at a lag (scene/trail.h). The copies
// buffer is owned by the record and released with the object.
struct TrailCopies;
constexpr int kTrailFeeds = 3;  // move, zoom, rotate
struct TrailRecord {
    int32_t active;
    int32_t drawBefore;  // order flag: copies are drawn before (under) the object
    int32_t count;       // copies, 1 ... 128
    int32_t opacity;     // per mille of the object's opacity
    int32_t lagMs;       // lag between neighbouring copies
    int32_t lagLeft[kTrailFeeds];   // working lags; run down once an action ends
    uint32_t updated[kTrailFeeds];  // ms of the last update of each feed
    int32_t showCopies;  // 0 while idle: every copy lies on the object
    TrailCopies* copies;
};

// Operation slots. A slot that holds its default (see DefaultOps) is "not
// installed". Step slots return a progress code; draw and blend return the
// span routine's result.
using StepFn = int (*)(SceneObject* object);
using DrawFn = int (*)(SceneObject* object);
using RefreshFn = int (*)(SceneObject* object);
using RequestFn = int (*)(SceneObject* object, ObjectQuery* query);
using AfterDrawFn = int (*)(SceneObject* object);
using BlendFn = int (*)(render::Drawable* drawable, render::Layer* layer, void* parameter,
                        int effectFlag);

struct ObjectOps {
    StepFn fadeStep;
    StepFn zoomStep;
    StepFn moveStep;
    StepFn rotateStep;
    StepFn shakeStep;
    StepFn transitionStep;
    StepFn mediaStep;
    StepFn textStep;
    DrawFn draw;
    RefreshFn refresh;
    RequestFn request;
    AfterDrawFn afterDraw;
    BlendFn blend;
    StepFn extraStep;
};

// The defaults every new object gets. The request handler and the blend
// routine are installed by their owners (property commands, composer) through
// SetDefaultRequestHandler / SetDefaultBlend; until then they do nothing.
const ObjectOps& DefaultOps();
void SetDefaultRequestHandler(RequestFn handler);
void SetDefaultBlend(BlendFn blend);
// The do-nothing step (returns 0): the "not installed" value of every step slot.
int NoStep(SceneObject* object);
int NoDraw(SceneObject* object);

// Effect installed on an object: its state record, step and release. The
// release gets finalRelease 1 when the object is being freed.
struct EffectState {
    void* state;
    int (*step)(SceneObject* object);
    void (*release)(SceneObject* object, int finalRelease);
};

struct SceneObject {
    char name[kNameSize];
    char creatorPrefix[kNameSize];
    char alias[kNameSize];
    char creatingCommand[kCommandTextSize];
    int32_t stateImage;
    int32_t locked;
    int32_t drawEnabled;
    int32_t shown;
    int32_t disused;
    int32_t hideable;
    int32_t noStep;
    int32_t clickable;
    int32_t hoverMark;
    int32_t choiceState;
    int32_t nameSum;
    int32_t priority;
    int32_t creationSequence;
    uint32_t lastStepTime;
    SceneObject* self;
    int32_t savedLinks[5];  // up, down, left, right, shared-picture source
    int32_t groupFlag;
    int32_t referencesIntact;
    int32_t ownerKey;
    text::FontList* fontList;  // glyph-set ids this object owns (LoadFont)
    int32_t occlusion[2];  // composer's trims: top, bottom
    int32_t groupOffset[3];
    int32_t position[3];
    ActionRecord actions[kActionKinds];
    uint8_t targetOpacity;  // target of the running fade (read by save data)
    TrailRecord trail;
    render::Surface* surface;
    render::Layer* layer;
    render::Image* picture;  // loaded picture of LoadImage/LoadClipImage/LoadColor
    render::Drawable* image;
    text::TextPayload* text;
    sound::SoundObject* sound;
    movie::Movie* movie;
    ProcessPayload* process;  // parallel block of CreateProcess (scene/process_object.h)
    Camera* camera;
    Cube* cube;
    int32_t choiceFlag;
    int32_t choiceDurations[6];
    Scrollbar* scrollbar;
    ObjectOps ops;
    char effectName[kEffectNameSize];
    EffectState effect;
    int32_t effectFlag;
    void* effectParameter;
    SceneObject* focus[4];  // up, down, left, right
    SceneObject* parent;
    SceneObject* previousSibling;
    SceneObject* nextSibling;
    SceneObject* firstChild;
};

// Sum of the unsigned bytes of a NUL-terminated text (the first test of every
// object and variable lookup).
int32_t NameSum(const char* text);

// Camera record of a camera object; children inherit the reference.
// Position in pixels, z is the focal length; angles in whole degrees.
// Its owner is not the record's first field: its payload ops say where it is.
struct Camera : render::CameraView {
    SceneObject* owner;
    int32_t changed;  // set when the camera moved; cleared by the composer
};

}  // namespace scene
