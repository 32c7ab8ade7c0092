// Keyboard focus: the arrow keys move the mouse cursor along the focus links
// that SetNextFocus sets, so that the choice hit test, which follows the
// mouse, hovers the next button and Enter chooses it.
//
// The focused object is the linked object under the mouse (the topmost); an
// arrow moves the cursor to the centre of its neighbour in that direction.
// With no linked object under the mouse, any arrow goes to the first object
// of the current world (in creation order) that has links, so the player
// can start with the keyboard alone.
//
// Threading: the main thread (the input layer's key handler); the SceneLock
// is taken here and released before the cursor moves.
#include "scene/focus.h"

#include "render/drawable.h"
#include "render/quad.h"
#include "scene/choice_hit.h"
#include "scene/object_tree.h"
#include "core/input.h"
#include "core/engine.h"
#include "core/registry.h"

namespace scene {

namespace {

bool HasLinks(const SceneObject* o) {
    return o->focus[0] || o->focus[1] || o->focus[2] || o->focus[3];
}

void Include(int l, int t, int r, int b, bool* any, int* left, int* top, int* right, int* bottom) {
    if (!*any || l < *left) *left = l;
    if (!*any || t < *top) *top = t;
    if (!*any || r > *right) *right = r;
    if (!*any || b > *bottom) *bottom = b;
    *any = true;
}

// What the object shows, as a frame rectangle: a choice's usual pictures,
// else its own picture together with everything under it.
bool Area(SceneObject* o, int* left, int* top, int* right, int* bottom, int depth = 0) {
    if (o->choiceFlag) return ChoiceUsualArea(o, left, top, right, bottom);
    bool any = false;
    if (o->image && o->image->quad) {
        const render::Quad& q = *o->image->quad;
        // Projected corners: the right edge is exclusive, the bottom row drawn.
        for (int i = 0; i < 4; ++i)
            Include(q.px[i], q.py[i], q.px[i], q.py[i] + 1, &any, left, top, right, bottom);
    }
    if (depth > 64) return any;  // far deeper than any scene nests
    for (SceneObject* c = o->firstChild; c; c = c->nextSibling) {
        int l = 0, t = 0, r = 0, b = 0;
        if (Area(c, &l, &t, &r, &b, depth + 1)) Include(l, t, r, b, &any, left, top, right, bottom);
    }
    return any;
}

bool Contains(SceneObject* o, int x, int y) {
    int l = 0, t = 0, r = 0, b = 0;
    if (!Area(o, &l, &t, &r, &b)) return false;
    return x >= l && x < r && y >= t && y < b;
}

bool InWorld(const World* w, const SceneObject* o) {
    for (const DrawListNode* n = w->list.first; n; n = n->next)
        if (n->object == o) return true;
    return false;
}

}  // namespace

int FocusTarget(int direction, int mouseX, int mouseY, int* x, int* y) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    if (direction < 0 || direction > 3 || !Objects().running) return 0;
    World* w = CurrentWorld();
    SceneObject* current = nullptr;
    for (DrawListNode* n = w->list.first; n; n = n->next)
        if (HasLinks(n->object) && Contains(n->object, mouseX, mouseY)) current = n->object;
    SceneObject* target = nullptr;
    if (current) {
        target = current->focus[direction];
        if (target && !InWorld(w, target)) target = nullptr;
    } else {
        for (DrawListNode* n = w->list.first; n; n = n->next) {
            SceneObject* o = n->object;
            if (HasLinks(o) && (!target || o->creationSequence < target->creationSequence))
                target = o;
        }
    }
    int l = 0, t = 0, r = 0, b = 0;
    if (!target || !Area(target, &l, &t, &r, &b)) return 0;
    // The centre, kept inside the frame.
    int cx = l + (r - l) / 2, cy = t + (b - t) / 2;
    *x = cx < 0 ? 0 : cx > 1023 ? 1023 : cx;
    *y = cy < 0 ? 0 : cy > 767 ? 767 : cy;
    return 1;
}

int PointerTarget(int direction, int mouseX, int mouseY, int* x, int* y) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    if (direction < 0 || direction > 3 || !Objects().running) return 0;
    World* w = CurrentWorld();
    int64_t best = -1;
    for (DrawListNode* n = w->list.first; n; n = n->next) {
        SceneObject* o = n->object;
        int l = 0, t = 0, r = 0, b = 0;
        if (!o->choiceFlag || !Area(o, &l, &t, &r, &b)) continue;
        if (r <= 0 || b <= 0 || l >= 1024 || t >= 768) continue;  // off the frame
        if (mouseX >= l && mouseX < r && mouseY >= t && mouseY < b) continue;  // the one under it
        int cx = l + (r - l) / 2, cy = t + (b - t) / 2;
        int64_t dx = cx - mouseX, dy = cy - mouseY;
        int64_t along = direction == 0 ? -dy : direction == 1 ? dy : direction == 2 ? -dx : dx;
        int64_t across = direction <= 1 ? dx : dy;
        if (along <= 0) continue;
        int64_t score = along + 2 * (across < 0 ? -across : across);
        if (best >= 0 && score >= best) continue;
        best = score;
        *x = cx < 0 ? 0 : cx > 1023 ? 1023 : cx;
        *y = cy < 0 ? 0 : cy > 767 ? 767 : cy;
    }
    return best >= 0 ? 1 : 0;
}

int MovePadFocus(int direction) {
    if (!Objects().running || core::Quitting()) return 0;
    int mx = 0, my = 0, x = 0, y = 0;
    core::LastMousePosition(&mx, &my);
    int found = 0;
    {
        core::SceneLockGuard hold;
        bool links = false;
        for (DrawListNode* n = CurrentWorld()->list.first; n && !links; n = n->next) links = HasLinks(n->object);
        found = links ? FocusTarget(direction, mx, my, &x, &y) : PointerTarget(direction, mx, my, &x, &y);
    }
    if (!found || (x == mx && y == my)) return 0;
    core::MoveCursor(x, y);
    return 1;
}

int MoveFocus(int direction) {
    if (!Objects().running || core::Quitting()) return 0;
    int mx = 0, my = 0, x = 0, y = 0;
    core::LastMousePosition(&mx, &my);
    int found = 0;
    {
        core::SceneLockGuard hold;
        found = FocusTarget(direction, mx, my, &x, &y);
    }
    if (!found || (x == mx && y == my)) return 0;
    core::MoveCursor(x, y);
    return 1;
}

}  // namespace scene
