// The scene folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through scene::State().
//
// Include this from .cpp files only: it pulls in the scene headers that
// define its members.
//
// Left out on purpose: the ripple and wave effects' sine tables (computed
// once from constants, the same for every engine) and the per-thread wake
// lists of the choice input (thread_local).
#pragma once
#include <atomic>

#include "core/engine.h"
#include "scene/action.h"
#include "scene/choice_hit.h"
#include "scene/composer.h"
#include "scene/composer_internal.h"
#include "scene/create_commands.h"
#include "scene/object_tree.h"
#include "scene/payloads.h"
#include "scene/scene_object.h"
#include "scene/scrollbar.h"
#include "scene/wait.h"

namespace scene {

// What each hook table holds before the composition root wires it: what
// the object system can tell by itself. Defined next to those defaults.
extern const ObjectHooks kDefaultObjectHooks;            // object_tree.cpp
extern const ObjectOps kDefaultObjectOps;                // draw_list.cpp
extern const ActivityHooks kDefaultActivityHooks;        // action_step.cpp
extern const WaitHooks kDefaultWaitHooks;                // wait.cpp
extern const ScrollbarHooks kDefaultScrollbarHooks;      // scrollbar.cpp
extern const ChoiceSoundHooks kDefaultChoiceSoundHooks;  // choice_hit.cpp

struct SceneContext {
    // The object system: trees, worlds and draw lists, and its gate events.
    // Guarded by the SceneLock (see object_tree.h).
    ObjectSystem objects{};

    // The composer thread and what it counts as not drawing.
    Composer composer;
    DrawFn idleDraws[4] = {};  // RegisterIdleDraw; wired before the composer starts

    // The operation slots every new object starts with (DefaultOps); the
    // request handler and blend are replaced by the wiring.
    ObjectOps defaultOps = kDefaultObjectOps;

    // Hook and service tables of the subsystems above, written once by the
    // composition root (shell::WireEngine) before any engine thread runs and
    // only read afterwards.
    ObjectHooks objectHooks = kDefaultObjectHooks;
    ComposerHooks composerHooks = {};
    ActivityHooks activityHooks = kDefaultActivityHooks;
    WaitHooks waitHooks = kDefaultWaitHooks;
    ScrollbarHooks scrollbarHooks = kDefaultScrollbarHooks;
    ChoiceSoundHooks choiceSounds = kDefaultChoiceSoundHooks;
    MaskMovieHooks maskMovies = {};
    PayloadOps payloadOps[kPayloadKinds] = {};
    ImageBorrowOps imageBorrow = {};
    void (*fontListRelease)(text::FontList* list) = nullptr;
    void (*trailRelease)(TrailRecord* trail) = nullptr;
    void (*surfaceDropped)(SceneObject* object, const void* surface) = nullptr;

    // Scrollbar drags in progress (the input thread's hold events run them).
    std::atomic<int> drags{0};
};

// The current engine's record. Valid while an engine is current.
inline SceneContext& State() {
    return *core::Current().scene;
}

}  // namespace scene
