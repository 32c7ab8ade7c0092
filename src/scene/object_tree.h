// Object trees, worlds and their draw lists, path resolution, the visit,
// creation and deletion.
//
// Every script process owns one tree, identified by its owner key; the tree's
// root is an object named "ROOT" that is never drawn or deleted. Each of the
// two worlds (main, system) keeps a DrawList: every object of the world in
// drawing order (ascending priority, then ascending creation sequence).
//
// Locking: CreateObject, VisitObjects and the draw-list functions need the
// caller to hold the SceneLock. DeleteObjects takes it itself (after waiting
// for the deletion and creation gates). The composer walks the tree under the
// SceneLock in every mode, so no deletion ever overlaps a frame. FindObject reads the
// tree and should run under the SceneLock as well.
#pragma once
#include <cstdint>

#include "platform/sync.h"
#include "scene/scene_object.h"

namespace scene {

constexpr int32_t kFreeKey = -1;

struct DrawListNode {
    SceneObject* object;
    DrawListNode* previous;
    DrawListNode* next;
};

struct DrawList {
    int32_t sorted;           // 1 while the list is in drawing order
    int32_t creationCounter;  // pre-incremented for each new object
    DrawListNode* drawStart;  // composer's cache; cleared on every change
    DrawListNode* first;
};

enum WorldId : int { kMainWorld = 0, kSystemWorld = 1 };

struct World {
    DrawList list;
};

// One slot per script process's tree.
struct ObjectRoot {
    int32_t objectCount;  // objects ever created in this tree
    int32_t ownerKey;     // kFreeKey marks a free slot
    SceneObject root;
    ObjectRoot* next;
    ObjectRoot* previous;
};

// Filled per command invocation, zero-initialised, on the caller's stack.
using VisitorFn = int (*)(SceneObject* object, ObjectQuery* query);

constexpr int kQueryArguments = 16;
constexpr int kQueryArgumentSize = 256;

struct ObjectQuery {
    int32_t ownerKey;
    char arguments[kQueryArguments][kQueryArgumentSize];
    double numbers[kQueryArguments];
    int32_t allMatches;  // action-running visitor: visit past the first match
    int32_t descend;     // visit descendants of a match even when not a group
    int32_t mainWorld;   // set by a leading '<'
    // Visitor traits: stop the whole visit at the first object the visitor
    // reports (unless allMatches); never descend (Request dispatch, the alias
    // setter); never descend below '@' matches (click selection).
    int32_t stopAtFirst;
    int32_t noDescend;
    int32_t noAliasDescend;
    char path[kNameSize];
    VisitorFn visitor;
    // Filled by visitors for their caller.
    int32_t matched;
    int32_t result;
    SceneObject* found;
    int32_t deleted;  // objects deleted by the deletion visitor
    void* context;
};

// Gate events of the object system (manual-reset). displayRunning starts
// reset; the two gates start signalled.
struct ObjectSystem {
    int32_t running;
    World worlds[2];
    ObjectRoot firstSlot;
    platform::Event* displayRunning;
    platform::Event* deletionGate;
    platform::Event* creationGate;
};
// The current engine's object system (its scene record's).
ObjectSystem& Objects();

// Clears both worlds and every slot and creates the gate events. Does not
// start the composer (see render/compose.h). Returns 1.
int InitObjects();
// Deletes every tree's objects, frees the slots and destroys the events.
void ReleaseObjects();

// The world that commands act on: the system world while a system script
// runs (engine state 400), the main world otherwise.
World* CurrentWorld();
World* MainWorld();

// Slots.
int AddTree(int32_t key);           // 1, or 0 when the key is taken or -1
void RemoveTree(int32_t key);       // unlock and delete "*", free the slot
ObjectRoot* FindTree(int32_t key);  // null for -1 or an unknown key
// Draws a key that is neither -1 nor in use (seeded by the time and `seed`).
int32_t NewOwnerKey(const void* seed);

// Resolves a path to one object (first match per component), or null.
SceneObject* FindObject(int32_t key, const char* path);
// Applies query->visitor to every match of query->path in query->ownerKey's tree.
void VisitObjects(ObjectQuery* query);
// Makes a new object at `path`, replacing an existing one (deleted first,
// unless locked, which fails the creation). Null on failure.
SceneObject* CreateObject(int32_t key, const char* path);
// Deletes every match with its descendants (locked matches are kept),
// gated against the composer and other deleters.
void DeleteObjects(int32_t key, const char* path);
// Deletes one object and its descendants; 0 when refused (locked, missing,
// key -1). Caller holds the SceneLock and the gates.
int DeleteOneObject(int32_t key, SceneObject* object);

// Puts `world`'s list in drawing order when its sorted flag is clear.
void SortDrawList(World* world);
// Orders `world`'s list by creation sequence alone (the save writer), and
// clears the sorted flag so drawing order is restored by SortDrawList.
void SortByCreation(World* world);

// Offers disused objects to deletion (once per frame, after stepping, with
// the SceneLock held). Returns the number deleted.
int DeleteDisusedObjects(World* world);

// Hooks owned by other subsystems, defaulting to what the object system can
// tell by itself.
struct ObjectHooks {
    // Whether any action runs on the object (the code-0 test of the waits).
    int (*actionRunning)(SceneObject* object);
    // Adds an area (left, top, width, height) to the pending redraw rectangle.
    void (*addDirty)(int left, int top, int width, int height);
    // The area an object covers, added when it is freed; 0 when it has none.
    int (*objectArea)(SceneObject* object, int* left, int* top, int* width, int* height);
    // Request "UnLock" on every object of a tree being removed.
    void (*unlockTree)(int32_t key);
    // Releases a backlog owned by the object.
    void (*releaseBacklog)(SceneObject* object);
    // Text value of a script variable ("$name" or "#name") for "@$name"
    // parent paths; 1 when the variable exists.
    int (*variableText)(const char* name, char* out, int size);
};
ObjectHooks& Hooks();

// Frees the six action records' buffers and zeroes them.
void ClearAction(ActionRecord* action);

}  // namespace scene
