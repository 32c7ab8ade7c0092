// Request keywords, their handlers, and the Delete / SetAlias / Position work.
#include "scene/request.h"

#include <cstdlib>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/raster.h"
#include "scene/create_support.h"
#include "scene/payloads.h"
#include "scene/process_object.h"
#include "scene/start_signal.h"
#include "script/interp.h"
#include "script/variables.h"
#include "core/registry.h"
#include "platform/text_copy.h"

namespace scene {

namespace {

const char* Keyword(const ObjectQuery* q) {
    return q->arguments[0];
}

void MarkObjectDirty(SceneObject* o) {
    if (o->image && o->image->quad) render::AddDirtyDrawable(o->image);
}

// The blend modes by keyword.
struct BlendKeyword {
    const char* keyword;
    int32_t mode;
};
const BlendKeyword kBlendKeywords[] = {
    {"NormalRender", render::kBlendNormal}, {"AddRender", render::kBlendAdd},
    {"SubRender", render::kBlendSub},       {"OverlayRender", render::kBlendOverlay},
    {"MulRender", render::kBlendMul},
};

void ReleaseProcessPayload(void* payload) {
    ProcessPayload* p = static_cast<ProcessPayload*>(payload);
    if (p->block) script::EndParallelBlock(p->block);
    std::free(p);
}

void UnlockTree(int32_t key) {
    ObjectQuery q{};
    q.ownerKey = key;
    std::strcpy(q.path, "*");
    std::strcpy(q.arguments[0], "UnLock");
    q.visitor = [](SceneObject* o, ObjectQuery* query) { return o->ops.request(o, query); };
    q.descend = 1;  // every object of the tree
    VisitObjects(&q);
}

int RequestVisitor(SceneObject* o, ObjectQuery* q) {
    int done = o->ops.request(o, q);
    q->matched += 1;
    return done;
}

int AliasClearVisitor(SceneObject* o, ObjectQuery* q) {
    if (std::strcmp(o->alias, q->arguments[0]) != 0) return 0;
    o->alias[0] = 0;
    q->matched += 1;
    return 1;
}

int AliasSetVisitor(SceneObject* o, ObjectQuery* q) {
    platform::CopyText(o->alias, kNameSize, q->arguments[0]);
    q->matched += 1;
    return 1;
}

}  // namespace

bool KeywordIs(const char* text, const char* keyword) {
    if (!text) return false;
    size_t n = std::strlen(keyword);
    if (std::strncmp(text, keyword, n) != 0) return false;
    char next = text[n];
    return next == 0 || next == ' ' || next == '\t';
}

int DefaultRequest(SceneObject* o, ObjectQuery* q) {
    const char* k = Keyword(q);
    if (KeywordIs(k, "Lock"))
        o->locked = 1;
    else if (KeywordIs(k, "UnLock"))
        o->locked = 0;
    else if (KeywordIs(k, "Clickable"))
        o->clickable = 1;
    else if (KeywordIs(k, "UnClickable"))
        o->clickable = 0;
    else if (KeywordIs(k, "Disused"))
        o->disused = 1;
    else if (KeywordIs(k, "Hideable"))
        o->hideable = 1;
    else if (KeywordIs(k, "Passive")) {
        // The effect stops animating (a live capture freezes), everything
        // is drawn again, and what waits for the start signal runs.
        if (!o->effect.state || !o->effect.release) return 0;
        StartActions(1);
        o->effect.release(o, 0);
        render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
    } else
        return 0;
    return 1;
}

int TextureRequest(SceneObject* o, ObjectQuery* q) {
    const char* k = Keyword(q);
    render::Drawable* d = o->image;
    if (KeywordIs(k, "Erase")) {
        MarkObjectDirty(o);
        o->ops.draw = ErasedDraw;
        return 1;
    }
    if (KeywordIs(k, "Enter")) {
        o->ops.refresh(o);
        MarkObjectDirty(o);
        return 1;
    }
    for (const BlendKeyword& b : kBlendKeywords) {
        if (!KeywordIs(k, b.keyword)) continue;
        if (!d) return 0;
        render::InstallBlendMode(d, b.mode);
        MarkObjectDirty(o);
        return 1;
    }
    if (KeywordIs(k, "Smoothing") || KeywordIs(k, "UnSmoothing")) {
        if (!d) return 0;
        int done = render::SetSmoothing(d, k[0] == 'S' ? 1 : 0);
        MarkObjectDirty(o);
        return done;
    }
    return DefaultRequest(o, q);
}

int ProcessRequest(SceneObject* o, ObjectQuery* q) {
    const char* k = Keyword(q);
    script::ScriptBlock* b = o->process ? o->process->block : nullptr;
    void (*request)(script::ScriptBlock*) = nullptr;
    if (KeywordIs(k, "Start"))
        request = script::RequestStart;
    else if (KeywordIs(k, "Stop"))
        request = script::RequestStop;
    else if (KeywordIs(k, "Open"))
        request = script::RequestOpen;
    else if (KeywordIs(k, "Pause"))
        request = script::RequestPause;
    else if (KeywordIs(k, "Resume"))
        request = script::RequestResume;
    else
        return DefaultRequest(o, q);
    if (!b) return 0;
    request(b);
    return 1;
}

int32_t ProcessObjectStatus(const SceneObject* o) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    if (!o || !o->process || !o->process->block) return -1;
    return script::BlockStatus(o->process->block);
}

void InstallRequestHandlers() {
    SetDefaultRequestHandler(DefaultRequest);
    SetPayloadOps(kPayloadProcess, {nullptr, ReleaseProcessPayload});
    Hooks().unlockTree = UnlockTree;
}

int RequestObjects(int32_t key, const char* path, const char* keyword) {
    if (!path || !*path || !keyword) return 0;
    ObjectQuery q{};
    q.ownerKey = key;
    platform::CopyText(q.path, kNameSize, path);
    platform::CopyText(q.arguments[0], kQueryArgumentSize, keyword);
    q.visitor = RequestVisitor;
    q.noDescend = 1;
    core::SceneLockGuard hold;
    VisitObjects(&q);
    return q.matched;
}

int SetAliasOf(int32_t key, const char* path, const char* alias) {
    if (!path || !*path || !alias) return 0;
    core::SceneLockGuard hold;
    if (*alias) {
        // An alias names at most the objects given it last.
        ObjectQuery clear{};
        clear.ownerKey = key;
        clear.path[0] = '@';
        platform::CopyText(clear.path + 1, kNameSize - 1, alias);
        platform::CopyText(clear.arguments[0], kQueryArgumentSize, alias);
        clear.visitor = AliasClearVisitor;
        clear.noDescend = 1;
        VisitObjects(&clear);
    }
    ObjectQuery set{};
    set.ownerKey = key;
    platform::CopyText(set.path, kNameSize, path);
    platform::CopyText(set.arguments[0], kQueryArgumentSize, alias);
    set.visitor = AliasSetVisitor;
    set.noDescend = 1;
    VisitObjects(&set);
    return set.matched;
}

int StoreObjectPosition(const char* path, const char* xName, const char* yName,
                        script::ScriptBlock* block) {
    if (!path || !*path || !xName || !yName) return 0;
    int32_t x = 0, y = 0;
    bool found = false;
    {
        core::SceneLockGuard hold;
        for (ObjectRoot* slot = &Objects().firstSlot; slot && !found; slot = slot->next) {
            if (slot->ownerKey == kFreeKey) continue;
            if (SceneObject* o = FindObject(slot->ownerKey, path)) {
                x = o->position[0];
                y = o->position[1];
                found = true;
            }
        }
    }
    if (!found) return 0;
    if (script::Variable* v = script::GetOrCreate(xName, block)) script::SetNumber(v, x);
    if (script::Variable* v = script::GetOrCreate(yName, block)) script::SetNumber(v, y);
    return 1;
}

}  // namespace scene
