// Scrollbar records: the path, the current index and the thumb that follows
// it; the Request keywords, SetScrollbar, SetScrollSpeed and ScrollbarValue.
#include "scene/scrollbar.h"

#include <cstdlib>
#include <cstring>

#include "render/drawable.h"
#include "scene/action.h"
#include "scene/action_internal.h"
#include "scene/create_support.h"
#include "scene/payloads.h"
#include "scene/request.h"
#include "scene/state.h"
#include "script/services.h"
#include "core/engine.h"
#include "core/input.h"
#include "core/registry.h"

namespace scene {

namespace {

int NoBacklog(SceneObject*, SceneObject*) {
    return 0;
}
void NoBacklogNotice(SceneObject*) {}

}  // namespace

// No object is a backlog.
const ScrollbarHooks kDefaultScrollbarHooks = {NoBacklog, NoBacklogNotice, NoBacklogNotice};

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int32_t Clamp(int64_t index, int32_t last) {
    if (index < 0) return 0;
    if (index > last) return last;
    return static_cast<int32_t>(index);
}

// Points a Next or Prev moves: 5 % of the path, at least one so that a
// short scrollbar still moves.
int32_t PageStep(const Scrollbar* s) {
    int32_t page = static_cast<int32_t>(static_cast<int64_t>(s->lastIndex) * 5 / 100);
    return page < 1 && s->lastIndex > 0 ? 1 : page;
}

enum Keyword : int { kIncrement, kDecrement, kNext, kPrev, kKeywords };
const char* const kKeywordNames[kKeywords] = {"Increment", "Decrement", "Next", "Prev"};

void ReleaseScrollbarPayload(void* payload) {
    FreeScrollbar(static_cast<Scrollbar*>(payload));
}

struct LinkContext {
    SceneObject* target;
};

int LinkVisitor(SceneObject* o, ObjectQuery* q) {
    if (!o->scrollbar) return 0;
    SceneObject* target = static_cast<LinkContext*>(q->context)->target;
    if (!target) return 0;
    // Only the scrollbar itself or a backlog may be the target; anything
    // else leaves the scrollbar as it is.
    if (target != o && !State().scrollbarHooks.linkBacklog(o, target)) return 0;
    o->scrollbar->enabled = 1;
    q->matched += 1;
    return 1;
}

int SpeedVisitor(SceneObject* o, ObjectQuery* q) {
    if (!o->scrollbar) return 0;
    o->scrollbar->step = static_cast<int32_t>(q->numbers[0]);
    q->matched += 1;
    return 1;
}

bool FillQuery(ObjectQuery* q, int32_t key, const char* path) {
    if (!path || !*path || std::strlen(path) >= sizeof q->path) return false;
    q->ownerKey = key;
    std::strcpy(q->path, path);
    return true;
}

}  // namespace

void ScrollbarThumbSize(const SceneObject* o, int* w, int* h) {
    *w = *h = 0;
    const render::Image* img = o->image ? o->image->image : nullptr;
    if (!img) return;
    *w = img->displayWidth > 0 ? img->displayWidth : img->width;
    *h = img->displayHeight > 0 ? img->displayHeight : img->height;
}

ScrollbarHooks& GetScrollbarHooks() {
    return State().scrollbarHooks;
}

int32_t ScrollbarStartIndex(int32_t perMille, int32_t lastIndex) {
    return Clamp(FloorDiv(static_cast<int64_t>(perMille) * lastIndex, 1000), lastIndex);
}

int32_t ScrollbarValueOf(const Scrollbar* s) {
    if (!s || s->lastIndex <= 0) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(s->index) * 1000 / s->lastIndex);
}

Scrollbar* NewScrollbar(int32_t kind, const int32_t from[2], const int32_t to[2],
                        int32_t perMille) {
    const int32_t a[3] = {from[0], from[1], 0}, b[3] = {to[0], to[1], 0};
    int32_t count = 0;
    int32_t* line = StraightPath(a, b, &count);
    if (!line) return nullptr;
    if (count > kMaxScrollbarPoints) {
        // Cut short: the last point kept is the far end.
        count = kMaxScrollbarPoints;
        line[(count - 1) * 3] = to[0];
        line[(count - 1) * 3 + 1] = to[1];
    }
    Scrollbar* s = static_cast<Scrollbar*>(std::calloc(1, sizeof(Scrollbar)));
    int32_t* points =
        static_cast<int32_t*>(std::malloc((static_cast<size_t>(count) * 2 + 1) * sizeof(int32_t)));
    if (!s || !points) {
        std::free(line);
        std::free(s);
        std::free(points);
        return nullptr;
    }
    for (int32_t i = 0; i < count; ++i) {
        points[i * 2] = line[i * 3];
        points[i * 2 + 1] = line[i * 3 + 1];
    }
    points[count * 2] = kScrollbarPathEnd;
    std::free(line);
    s->kind = kind == kScrollbarHorizontal ? kScrollbarHorizontal : kScrollbarVertical;
    s->points = points;
    s->lastIndex = count - 1;
    s->index = ScrollbarStartIndex(perMille, s->lastIndex);
    s->box[0] = from[0] < to[0] ? from[0] : to[0];
    s->box[1] = from[1] < to[1] ? from[1] : to[1];
    s->box[2] = from[0] < to[0] ? to[0] : from[0];
    s->box[3] = from[1] < to[1] ? to[1] : from[1];
    s->step = 1;
    s->dragOrigin[0] = s->dragOrigin[1] = kNoDrag;
    return s;
}

void MoveThumbTo(SceneObject* o, int64_t index) {
    Scrollbar* s = o->scrollbar;
    if (!s) return;
    s->index = Clamp(index, s->lastIndex);
    int32_t x = o->position[0], y = o->position[1];
    if (s->kind == kScrollbarHorizontal)
        x = s->points[s->index * 2];
    else
        y = s->points[s->index * 2 + 1];
    ApplyPosition3(o, x, y, o->position[2]);
    if (s->backlog) State().scrollbarHooks.thumbMoved(o);
}

int ScrollbarRequest(SceneObject* o, ObjectQuery* q) {
    const char* k = q->arguments[0];
    int which = -1;
    for (int i = 0; i < kKeywords && which < 0; ++i)
        if (KeywordIs(k, kKeywordNames[i])) which = i;
    if (which < 0) return TextureRequest(o, q);
    Scrollbar* s = o->scrollbar;
    if (!s || !s->enabled) return 0;
    int64_t index = s->index;
    switch (which) {
        case kIncrement:
            index += s->step;
            break;
        case kDecrement:
            index -= s->step;
            break;
        case kNext:
            index += PageStep(s);
            break;
        default:
            index -= PageStep(s);
            break;
    }
    MoveThumbTo(o, index);
    if (which == kNext || which == kPrev) {
        // The mouse cursor follows the thumb (to its middle).
        int w = 0, h = 0;
        ScrollbarThumbSize(o, &w, &h);
        core::MoveCursor(o->position[0] + w / 2, o->position[1] + h / 2);
    }
    return 1;
}

void FreeScrollbar(Scrollbar* s) {
    if (!s) return;
    if (s->backlog && s->owner) State().scrollbarHooks.scrollbarGone(s->owner);
    if (s->dragging) {
        s->dragging = 0;
        ScrollbarDragEnded();
    }
    std::free(s->points);
    std::free(s);
}

int LinkScrollbars(int32_t key, const char* path, const char* targetPath) {
    ObjectQuery q{};
    if (!targetPath || !*targetPath || !FillQuery(&q, key, path)) return 0;
    LinkContext link{};
    q.context = &link;
    q.visitor = LinkVisitor;
    core::SceneLockGuard hold;
    link.target = FindObject(key, targetPath);
    if (link.target) VisitObjects(&q);
    return q.matched;
}

int SetScrollSpeedOf(int32_t key, const char* path, const char* step) {
    int32_t value = 0;
    if (!NumericArgument(step, &value) || value < 0) return 0;
    ObjectQuery q{};
    if (!FillQuery(&q, key, path)) return 0;
    q.numbers[0] = value;
    q.visitor = SpeedVisitor;
    core::SceneLockGuard hold;
    VisitObjects(&q);
    return q.matched;
}

int ScrollbarValueNamed(const char* path) {
    ObjectSystem& objects = Objects();
    if (!objects.running || !path || !*path || core::Quitting()) return 0;
    int32_t value = 0;
    core::SceneLockGuard hold;
    for (ObjectRoot* slot = &objects.firstSlot; slot; slot = slot->next) {
        if (slot->ownerKey == kFreeKey) continue;
        if (SceneObject* o = FindObject(slot->ownerKey, path)) {
            value = ScrollbarValueOf(o->scrollbar);
            break;
        }
    }
    return value;
}

void InstallScrollbars() {
    SetPayloadOps(kPayloadScrollbar, {nullptr, ReleaseScrollbarPayload});
    script::GetServices().scrollbarValue = ScrollbarValueNamed;
}

}  // namespace scene
