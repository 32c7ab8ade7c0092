// Name nodes, choices with their four state nodes, windows and cameras.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/surface.h"
#include "scene/create_commands.h"
#include "scene/object_tree.h"
#include "scene/position.h"

namespace scene {

namespace {

void MakeNameNode(SceneObject* o) {
    o->shown = 1;
    o->groupFlag = 0;
    o->noStep = 1;
}

// The state groups of a choice, in the order they are made.
const char* const kChoiceStates[4] = {"MouseUsual", "MouseOver", "MouseLeave", "MouseClick"};

}  // namespace

int CreateNameObject(const CreateContext& c, const CreateArgs& a) {
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) return 0;
    MakeNameNode(k.object);
    return EndCreation(&k);
}

int CreateChoiceObject(const CreateContext& c, const CreateArgs& a) {
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) return 0;
    SceneObject* choice = k.object;
    MakeNameNode(choice);
    choice->choiceFlag = 1;
    for (int i = 0; i < 6; ++i) {
        int32_t ms = -1;
        if (!NumericArgument(a.at(1 + i), &ms)) ms = -1;
        choice->choiceDurations[i] = ms;
    }
    for (const char* state : kChoiceStates) {
        char path[kNameSize];
        int n = std::snprintf(path, sizeof path, "%s/%s", k.path, state);
        if (n < 0 || n >= static_cast<int>(sizeof path)) break;
        SceneObject* node = CreateObject(c.ownerKey, path);
        if (!node) break;
        MakeNameNode(node);
        node->stateImage = 1;
        node->ops.draw = NoDraw;
        node->clickable = 1;
    }
    return EndCreation(&k);
}

int CreateWindowObject(const CreateContext& c, const CreateArgs& a) {
    int32_t w = 0, h = 0;
    if (!NumericArgument(a.at(4), &w) || !NumericArgument(a.at(5), &h) || w <= 0 || h <= 0) return 0;
    int32_t priority = LeadingInteger(a.at(1));
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) return 0;
    SceneObject* o = k.object;
    render::Surface* surface = render::CreateSurface(o);
    if (!surface) return AbortCreation(&k);
    // The surface the window lies on (its parent's): inside a zoomed or
    // turned window, the new one is shown through that window's map too.
    const render::Surface* outer = o->surface ? o->surface : render::ScreenSurface();
    o->surface = surface;
    o->priority = priority;
    render::SetSurfaceRect(surface, 0, 0, w, h);  // the window's own size for the keywords
    if (!IsTrueText(a.at(6))) {
        o->groupFlag = 0;
        std::memset(o->groupOffset, 0, sizeof o->groupOffset);
    }
    if (!ApplyPosition(o, a.at(2), a.at(3))) return AbortCreation(&k);
    render::SetSurfaceRect(surface, o->position[0], o->position[1], w, h);
    render::UpdateSurfaceMap(surface, &outer->map);
    const render::ClipBytes& shown = surface->clip;
    render::AddDirtyRect(shown.leftBytes / 4, shown.top, shown.widthBytes / 4, shown.height);
    return EndCreation(&k);
}

int CreateCameraObject(const CreateContext& c, const CreateArgs& a) {
    int32_t z = 0;
    if (!NumericArgument(a.at(3), &z)) return 0;
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) return 0;
    SceneObject* o = k.object;
    Camera* camera = static_cast<Camera*>(std::calloc(1, sizeof(Camera)));
    if (!camera) return AbortCreation(&k);
    camera->owner = o;
    o->camera = camera;
    o->groupFlag = 0;
    o->shown = 1;
    o->priority = -1;
    if (!ApplyPosition(o, a.at(1), a.at(2))) return AbortCreation(&k);
    o->position[2] = z;
    camera->x = o->position[0];
    camera->y = o->position[1];
    camera->z = z;
    return EndCreation(&k);
}

// The area an object without a picture covers when it goes: the area a
// window's content shows in (its rectangle unless zoomed or turned).
int ObjectCoverage(SceneObject* o, int* left, int* top, int* width, int* height) {
    render::Surface* s = o->surface;
    if (!s || s->owner != o) return 0;
    *left = s->clip.leftBytes / 4;
    *top = s->clip.top;
    *width = s->clip.widthBytes / 4;
    *height = s->clip.height;
    return 1;
}

}  // namespace scene
