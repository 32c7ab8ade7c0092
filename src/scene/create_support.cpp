// Shared steps of the object-creating commands.
#include "scene/create_support.h"

#include <cstdlib>
#include <cstring>

#include "render/compose.h"
#include "scene/composer.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/image_load.h"
#include "scene/object_tree.h"
#include "scene/position.h"
#include "scene/request.h"
#include "script/dispatch.h"
#include "script/object_names.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/registry.h"
#include "platform/text_copy.h"

namespace scene {

namespace {

bool ComposerUnpaused() {
    script::ComposerHooks& hooks = script::GetComposerHooks();
    return hooks.running && hooks.running() != 0;
}

}  // namespace

bool IsTrueText(const char* text) {
    if (!text) return false;
    static const char kTrue[] = "TRUE";
    for (int i = 0; i < 4; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != kTrue[i]) return false;
    }
    return text[4] == 0;
}

bool NumericArgument(const char* text, int32_t* out) {
    if (!text || !script::IsNumericText(text)) return false;
    *out = static_cast<int32_t>(std::strtol(text, nullptr, 10));
    return true;
}

int32_t LeadingInteger(const char* text) {
    if (!text) return 0;
    return static_cast<int32_t>(std::strtol(text, nullptr, 10));
}

render::Image* LoadPictureFile(const char* name, bool markViewed) {
    if (!name || !*name) return nullptr;
    render::Image* image = render::LoadImage(name);
    if (image && markViewed) script::SetViewedImage(name);
    return image;
}

render::Image* LoadedPicture(const CreateContext& c, const char* name) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    if (!name || !*name) return nullptr;
    char path[script::kObjectNameSize];
    if (name[0] == '@') {
        platform::CopyText(path, sizeof path, name);
    } else if (!script::QualifyObjectName(name, path, c.prefix)) {
        return nullptr;
    }
    SceneObject* o = FindObject(c.ownerKey, path);
    return o ? o->picture : nullptr;
}

bool HasLoadedPicture(const CreateContext& c, const char* name) {
    core::SceneLockGuard hold;
    return LoadedPicture(c, name) != nullptr;
}

render::Image* CopyPicture(const render::Image* source) {
    if (!source || !source->pixels) return nullptr;
    render::Image* copy = render::AllocImage(source->width, source->height, source->width);
    if (!copy) return nullptr;
    std::memcpy(copy->pixels, source->pixels,
                static_cast<size_t>(source->width) * 4 * (static_cast<size_t>(source->height) + 2));
    copy->flags = static_cast<uint16_t>(source->flags & ~render::kImgShared);
    copy->displayWidth = source->displayWidth;
    copy->displayHeight = source->displayHeight;
    return copy;
}

int BeginCreation(const CreateContext& c, const char* name, Creation* k) {
    k->object = nullptr;
    k->context = &c;
    if (!name || !script::QualifyObjectName(name, k->path, c.prefix) || !k->path[0]) return 0;
    if (c.inlineBlock && ComposerUnpaused()) script::GetComposerHooks().pause();
    k->sceneLock = core::LockToken(core::kLockScene);
    SceneObject* o = CreateObject(c.ownerKey, k->path);
    if (!o) {
        k->sceneLock.Release();
        return 0;
    }
    platform::CopyText(o->creatorPrefix, sizeof o->creatorPrefix, c.prefix);
    platform::CopyText(o->creatingCommand, sizeof o->creatingCommand, c.report);
    k->object = o;
    return 1;
}

int AbortCreation(Creation* k) {
    if (k->object) DeleteOneObject(k->context->ownerKey, k->object);
    k->object = nullptr;
    k->sceneLock.Release();
    return 0;
}

int EndCreation(Creation* k) {
    k->sceneLock.Release();
    return 1;
}

int AttachTexture(SceneObject* o, render::Image* image, bool owns) {
    render::Drawable* d = render::WrapImage(o, image, o->surface);
    if (!d) {
        if (owns) render::DestroyImage(&image);
        return 0;
    }
    d->ownsImage = owns ? 1 : 0;
    if (owns && image && !(image->flags & render::kImgShared)) image->owner = o;
    o->image = d;
    o->ops.refresh = TextureRefresh;
    o->ops.request = TextureRequest;
    return 1;
}

void TransformAtPosition(SceneObject* o) {
    render::Drawable* d = o->image;
    if (!d || !d->quad) return;
    d->x = o->position[0];
    d->y = o->position[1];
    render::TransformQuad(d->quad, o->camera, render::kQuadRows, o->position[0], o->position[1]);
}

int PlaceTexture(SceneObject* o, const char* x, const char* y, int32_t priority, int shiftBack) {
    o->priority = priority;
    if (!ApplyPosition(o, x, y)) return 0;
    o->position[0] -= shiftBack;
    o->position[1] -= shiftBack;
    if (o->camera && o->image && o->image->quad) {
        o->image->quad->objectZ = priority;
        o->priority = priority + static_cast<int32_t>(o->camera->z);
    }
    TransformAtPosition(o);
    o->ops.refresh(o);
    return 1;
}

void MarkTextureCreated() {
    if (!ComposerUnpaused()) render::AddDirtyRect(0, 0, render::kFrameWidth, render::kFrameHeight);
}

int TextureRefresh(SceneObject* o) {
    o->ops.draw = o->ops.afterDraw != DefaultOps().afterDraw ? NoDraw : scene::DrawObject;
    return 1;
}

int ErasedDraw(SceneObject* o) {
    (void)o;
    return 0;
}

}  // namespace scene
