// The start signal over the current world's draw list.
#include "scene/start_signal.h"

#include "core/registry.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/object_tree.h"

namespace scene {

void StartActions(int go) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    World* world = CurrentWorld();
    for (DrawListNode* n = world->list.first; n; n = n->next) {
        SceneObject* o = n->object;
        for (ActionRecord& a : o->actions) a.go = go ? 1 : 0;
        if (!go) continue;
        o->drawEnabled = 1;
        if (o->shown) continue;
        o->shown = 1;
        int left = 0, top = 0, width = 0, height = 0;
        if (o->image && o->image->quad) {
            render::AddDirtyDrawable(o->image);
        } else if (Hooks().objectArea && Hooks().objectArea(o, &left, &top, &width, &height)) {
            render::AddDirtyRect(left, top, width, height);
        }
    }
}

}  // namespace scene
