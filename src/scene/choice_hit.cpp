// The choice hit test: state changes of a choice under the mouse and the
// fades of its four state groups.
#include "scene/choice_hit.h"

#include <cstdio>
#include <cstring>

#include "platform/sync.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/quad.h"
#include "scene/action.h"
#include "scene/object_tree.h"
#include "scene/scrollbar.h"
#include "scene/state.h"
#include "script/process.h"
#include "core/engine.h"
#include "core/input.h"
#include "core/registry.h"

namespace scene {

namespace {
void NoSounds(SceneObject*) {}
}  // namespace

// For a game without sound: choices play none.
const ChoiceSoundHooks kDefaultChoiceSoundHooks = {NoSounds, NoSounds};

namespace {

enum Group : int { kUsual, kOver, kLeave, kClick, kGroups };
const char* const kGroupNames[kGroups] = {"MouseUsual", "MouseOver", "MouseLeave", "MouseClick"};

SceneObject* GroupNode(SceneObject* choice, int group) {
    for (SceneObject* c = choice->firstChild; c; c = c->nextSibling)
        if (std::strcmp(c->name, kGroupNames[group]) == 0) return c;
    return nullptr;
}

int32_t Duration(const SceneObject* choice, int index) {
    int32_t d = choice->choiceDurations[index];
    return d >= 0 ? d : kChoiceDefaultDurations[index];
}

// Fades every picture of a group to `opacity` (0..1000) over `ms`; the fade
// runs at once, without waiting for another start signal.
void FadeGroup(SceneObject* choice, int group, int32_t opacity, int32_t ms) {
    SceneObject* node = GroupNode(choice, group);
    if (!node) return;
    char value[16];
    std::snprintf(value, sizeof value, "%d", opacity);
    ActionRequest r;
    r.kind = kActionFade;
    r.durationMs = ms;
    r.values[0] = value;
    for (SceneObject* p = node->firstChild; p; p = p->nextSibling) {
        if (!p->image) continue;
        SetupAction(p, r);
        p->actions[kActionFade].go = 1;
    }
}

void ShowGroup(SceneObject* choice, int group, bool show) {
    SceneObject* node = GroupNode(choice, group);
    if (!node) return;
    for (SceneObject* p = node->firstChild; p; p = p->nextSibling) {
        if (!p->image) continue;
        p->drawEnabled = show ? 1 : 0;
        MarkObjectArea(p);
    }
}

void SetGroupOpacity(SceneObject* choice, int group, int32_t byte) {
    SceneObject* node = GroupNode(choice, group);
    if (!node) return;
    for (SceneObject* p = node->firstChild; p; p = p->nextSibling)
        if (p->image) ApplyOpacity(p, byte);
}

void StartGroupSounds(SceneObject* choice, int group) {
    if (SceneObject* node = GroupNode(choice, group)) State().choiceSounds.startSounds(node);
}
void StopGroupSounds(SceneObject* choice, int group) {
    if (SceneObject* node = GroupNode(choice, group)) State().choiceSounds.stopSounds(node);
}

bool Clickable(SceneObject* choice) {
    SceneObject* usual = GroupNode(choice, kUsual);
    return choice->clickable || (usual && usual->clickable);
}

// Whether (x, y) lies on a non-transparent pixel of a picture.
bool PictureHit(const SceneObject* p, int x, int y) {
    const render::Drawable* d = p->image;
    if (!d || !d->image || !d->image->rows) return false;
    const render::Image* img = d->image;
    // The clip and the row limits are where the content shows, in the frame.
    if (const render::ClipBytes* c = d->clip) {
        int cl = c->leftBytes / 4, cw = c->widthBytes / 4;
        if (x < cl || x >= cl + cw || y < c->top || y >= c->top + c->height) return false;
    }
    if (const render::Quad* q = d->quad) {
        if (q->rowLimits && (y < 0 || y >= render::kQuadRows || x < q->rowLimits->left[y] ||
                             x >= q->rowLimits->right[y]))
            return false;
        if (q->planeMap && q->planeMap->active &&
            !render::UnmapFramePoint(*q->planeMap, x, y, &x, &y))
            return false;
    }
    int w = img->displayWidth > 0 ? img->displayWidth : img->width;
    int h = img->displayHeight > 0 ? img->displayHeight : img->height;
    int left = d->x, top = d->y;
    if (x < left || x > left + w - 1 || y < top || y > top + h - 1) return false;
    int px = x - left, py = y - top;
    if (w != img->width && w > 0) px = static_cast<int>(static_cast<int64_t>(px) * img->width / w);
    if (h != img->height && h > 0)
        py = static_cast<int>(static_cast<int64_t>(py) * img->height / h);
    if (px < 0 || py < 0 || px >= img->width || py >= img->height) return false;
    return (img->rows[py][px] >> 24) != 0;
}

bool UsualHit(SceneObject* choice, int x, int y) {
    SceneObject* usual = GroupNode(choice, kUsual);
    if (!usual) return false;
    for (SceneObject* p = usual->firstChild; p; p = p->nextSibling)
        if (PictureHit(p, x, y)) return true;
    return false;
}

void MarkFirstTime(SceneObject* choice) {
    if (choice->hoverMark) return;
    choice->hoverMark = 1;
    if (SceneObject* usual = GroupNode(choice, kUsual))
        for (SceneObject* p = usual->firstChild; p; p = p->nextSibling) p->hoverMark = 1;
    // Only the usual pictures show until the mouse comes.
    for (int g : {kOver, kLeave, kClick}) {
        SetGroupOpacity(choice, g, 0);
        ShowGroup(choice, g, false);
    }
}

}  // namespace

bool ChoiceUsualArea(SceneObject* choice, int* left, int* top, int* right, int* bottom) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    SceneObject* usual = choice ? GroupNode(choice, kUsual) : nullptr;
    bool any = false;
    for (SceneObject* p = usual ? usual->firstChild : nullptr; p; p = p->nextSibling) {
        const render::Drawable* d = p->image;
        if (!d || !d->quad) continue;
        const render::Quad& q = *d->quad;
        // Projected corners: the right edge is exclusive, the bottom row drawn.
        for (int i = 0; i < 4; ++i) {
            if (!any || q.px[i] < *left) *left = q.px[i];
            if (!any || q.py[i] < *top) *top = q.py[i];
            if (!any || q.px[i] > *right) *right = q.px[i];
            if (!any || q.py[i] + 1 > *bottom) *bottom = q.py[i] + 1;
            any = true;
        }
    }
    return any;
}

ChoiceSoundHooks& GetChoiceSoundHooks() {
    return State().choiceSounds;
}

void LeaveChoice(SceneObject* choice) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    int32_t s = choice->choiceState;
    if (s != kChoiceHovered && s != kChoicePressed && s != kChoiceChosen) return;
    bool afterPress = s != kChoiceHovered;
    FadeGroup(choice, kUsual, 1000, afterPress ? 0 : Duration(choice, 0));
    FadeGroup(choice, kOver, 0, Duration(choice, 3));
    ShowGroup(choice, kLeave, true);
    FadeGroup(choice, kClick, 0, Duration(choice, 5));
    StopGroupSounds(choice, kOver);
    StartGroupSounds(choice, kLeave);
    choice->choiceState = kChoiceLeft;
    core::SetCursorShape(core::kCursorIdArrow);
}

int ChoiceHit(SceneObject* choice, int x, int y, bool buttonDown, bool act, bool releaseSeen) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    if (!choice || !choice->choiceFlag) return 0;
    bool hit = UsualHit(choice, x, y);
    if (!act) return hit ? 1 : 0;
    MarkFirstTime(choice);
    int32_t& state = choice->choiceState;
    if (hit) {
        if (buttonDown && state == kChoiceHovered) {
            state = kChoicePressed;
            ShowGroup(choice, kClick, true);
            FadeGroup(choice, kClick, 1000, Duration(choice, 4));
            FadeGroup(choice, kUsual, 0, 0);
            FadeGroup(choice, kOver, 0, 0);
            FadeGroup(choice, kLeave, 0, 0);
            ShowGroup(choice, kOver, false);
            ShowGroup(choice, kLeave, false);
            StartGroupSounds(choice, kClick);
        } else if (!buttonDown &&
                   (state == kChoicePressed || (state == kChoiceHovered && releaseSeen))) {
            // A release over a hovered choice whose press went by while the
            // select was busy chooses it as well.
            state = kChoiceChosen;
            return 1;
        } else if (!buttonDown && state != kChoiceHovered) {
            state = kChoiceHovered;
            FadeGroup(choice, kUsual, 0, Duration(choice, 1));
            ShowGroup(choice, kOver, true);
            SetGroupOpacity(choice, kOver, 0);
            FadeGroup(choice, kOver, 1000, Duration(choice, 2));
            FadeGroup(choice, kLeave, 0, 0);
            FadeGroup(choice, kClick, 0, 0);
            StartGroupSounds(choice, kOver);
            core::SetCursorShape(Clickable(choice) ? core::kCursorIdHand : core::kCursorIdArrow);
        }
        return 0;
    }
    if (state == kChoiceHovered || state == kChoicePressed || state == kChoiceChosen) {
        LeaveChoice(choice);
    } else if (state == kChoiceLeft) {
        ShowGroup(choice, kOver, false);
        ShowGroup(choice, kLeave, false);
        state = kChoiceIdle;
    }
    return 0;
}

int CaseHit(script::ScriptBlock* block, const char* name) {
    if (!block || !block->process || !name || !*name || !Objects().running) return 0;
    uint32_t s = core::Current().state.load();
    if (s != core::StatePlay && s != core::StateSystemScript) return 0;
    if (!platform::IsEventSet(Objects().creationGate)) return 0;
    if (!platform::WaitEvent(Objects().deletionGate, 1500)) return 0;
    bool down = (block->run.lastInputFlags & 1) != 0;
    int x = block->run.lastX, y = block->run.lastY;
    int chosen = 0;
    core::SceneLockGuard hold;
    SceneObject* o = FindObject(block->process->ownerKey, name);
    bool released = block->run.lastInputCode == core::kInputLButtonUp;
    if (o && o->choiceFlag) {
        chosen = ChoiceHit(o, x, y, down, true, released);
    } else if (o && o->scrollbar) {
        // A scrollbar takes the test to its mouse routine: its case is hit
        // when the player moved the thumb.
        chosen = ScrollbarCaseHit(o, x, y, down, block->run.lastInputCode == core::kInputLButton);
    }
    return chosen;
}

void ResetHover(int world) {
    if (!Objects().running || world < 0 || world > 1 || core::Quitting()) return;
    {
        core::SceneLockGuard hold;
        for (DrawListNode* n = Objects().worlds[world].list.first; n; n = n->next) {
            SceneObject* o = n->object;
            if (o->choiceFlag &&
                (o->choiceState == kChoiceHovered || o->choiceState == kChoicePressed)) {
                LeaveChoice(o);
                o->choiceState = kChoiceLeft;
            }
        }
    }
    core::SetCursorShape(core::kCursorIdArrow);
}

namespace {

// The clickable choice under the mouse; `take` presses it (hovering it
// first when the select has not seen the mouse yet).
int ChoiceUnderMouse(bool take) {
    if (!Objects().running || core::Quitting()) return 0;
    int x = 0, y = 0;
    core::LastMousePosition(&x, &y);
    int found = 0;
    core::SceneLockGuard hold;
    for (DrawListNode* n = CurrentWorld()->list.first; n && !found; n = n->next) {
        SceneObject* o = n->object;
        if (o->scrollbar) {
            found = ScrollbarTakesClick(o, x, y, take);
            continue;
        }
        if (!o->choiceFlag || !Clickable(o) || !ChoiceHit(o, x, y, false, false)) continue;
        found = 1;
        if (take && o->choiceState != kChoicePressed) {
            // Pressed straight away, also when no select has hovered it yet.
            o->choiceState = kChoiceHovered;
            ChoiceHit(o, x, y, true, true);
        }
    }
    return found;
}

}  // namespace

int ClickableChoiceUnderMouse() {
    return ChoiceUnderMouse(false);
}

int TakeClickOnChoice() {
    return ChoiceUnderMouse(true);
}

}  // namespace scene
