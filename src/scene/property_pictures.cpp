// The commands that change an object's pixels or picture: SetShade,
// SetTone, SetComposite and SetImage, and the ownership rules they share.
#include <cstring>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/filters.h"
#include "render/image.h"
#include "render/quad.h"
#include "scene/action.h"
#include "scene/properties.h"
#include "scene/trail.h"
#include "core/registry.h"

namespace scene {

namespace {

bool Shared(const render::Image* image) {
    return (image->flags & render::kImgShared) != 0;
}

// The picture the object shows or holds now, whoever owns it.
render::Image* CurrentPicture(const SceneObject* o) {
    if (o->image) return o->image->image;
    return o->picture;
}

// --- SetShade, SetTone ------------------------------------------------------

struct FilterJob {
    int32_t code;
    render::FilterCodeKind kind;
    int (*apply)(render::Image* image, int32_t code);
};

int FilterVisitor(SceneObject* o, ObjectQuery* q) {
    const FilterJob& job = *static_cast<const FilterJob*>(q->context);
    if (!CurrentPicture(o)) return 0;
    render::Image* image = nullptr;
    if (job.kind == render::kFilterRestore) {
        // Only the object's own picture can hold its unfiltered copy.
        if (!OwnsPicture(o)) return 0;
        image = CurrentPicture(o);
    } else {
        image = OwnPicture(o);
    }
    if (!image || !job.apply(image, job.code)) return 0;
    MarkPictureShown(image);
    q->matched += 1;
    return 1;
}

int Filter(const CreateContext& c, const CreateArgs& a, render::FilterCodeKind (*kind)(int32_t),
           int (*apply)(render::Image*, int32_t)) {
    // The name as the command table reads it (plain): quotes written around
    // it count in its code, so a quoted name selects no filter.
    const char* filter = a.at(1);
    if (!filter) return 0;
    FilterJob job{render::FilterNameCode(filter), render::kFilterUnknown, apply};
    job.kind = kind(job.code);
    if (job.kind == render::kFilterUnknown) return 0;
    return VisitNamed(c, a.at(0), FilterVisitor, &job);
}

// --- SetComposite -------------------------------------------------------------

struct PasteJob {
    int32_t x, y;
    const render::Image* source;
};

int PasteVisitor(SceneObject* o, ObjectQuery* q) {
    const PasteJob& job = *static_cast<const PasteJob*>(q->context);
    const render::Image* current = CurrentPicture(o);
    // Refused before a private copy is made for nothing.
    if (!current || job.x > current->width || job.y > current->height) return 0;
    render::Image* dest = OwnPicture(o);
    if (!dest) return 0;
    const render::Image* source = job.source;
    render::Image* own = nullptr;
    if (source == dest) {
        // Pasted into itself: rows would be read after they were written.
        own = CopyPicture(source);
        if (!own) return 0;
        source = own;
    }
    int done = render::PasteImage(dest, job.x, job.y, source);
    render::DestroyImage(&own);
    if (!done) return 0;
    MarkPictureShown(dest);
    q->matched += 1;
    return 1;
}

// --- SetImage -----------------------------------------------------------------

struct ImageJob {
    render::Image* master;  // the first object's picture; the others get copies
    bool taken;
};

// Whether the quad's pivot is the one a fresh quad of its size gets.
bool DefaultPivot(const render::Quad* q) {
    return q->cx == q->textureWidth / 2 && q->cy == q->textureHeight / 2;
}

// Gives a texture object a new drawable around `picture` (taken over) that
// keeps the old one's placement and drawing state, and destroys the old one.
bool ReplaceDrawable(SceneObject* o, render::Image* picture) {
    render::Drawable* old = o->image;
    render::Drawable* d = render::WrapImage(o, picture, o->surface);
    if (!d) return false;
    const render::Quad* oq = old->quad;
    render::Quad* nq = d->quad;
    d->ownsImage = 1;
    d->x = old->x;
    d->y = old->y;
    d->opacity = old->opacity;
    d->target = old->target;
    d->clip = old->clip;
    d->rows3 = old->rows3;
    d->blendMode = old->blendMode;
    render::InstallBlendMode(d, old->blendMode);
    nq->rowLimits = oq->rowLimits;
    nq->planeMap = oq->planeMap;
    std::memcpy(nq->angles, oq->angles, sizeof nq->angles);
    std::memcpy(nq->zoom, oq->zoom, sizeof nq->zoom);
    nq->depth = oq->depth;
    nq->objectZ = oq->objectZ;
    // A pivot moved off the centre stays where it was, in pixels from the
    // top-left; a centred one stays centred on the new picture.
    if (!DefaultPivot(oq)) {
        render::SetQuadPivot(nq, 0, static_cast<int>(oq->cx));
        render::SetQuadPivot(nq, 1, static_cast<int>(oq->cy));
    }
    render::TransformQuad(nq, o->camera, render::kQuadRows, oq->x, oq->y);

    MarkObjectArea(o);
    render::Image* oldImage = old->image;
    bool owned = old->ownsImage && oldImage && !Shared(oldImage);
    old->ownsImage = 0;  // PictureReplaced decides what becomes of it
    o->image = d;
    render::DestroyDrawable(&old);
    if (owned) PictureReplaced(o, oldImage, picture);
    // A texture whose borrowed picture had gone is drawn again.
    if (o->ops.refresh == NoStep) {
        o->ops.refresh = TextureRefresh;
        o->ops.refresh(o);
    }
    RebuildTrail(o);
    MarkObjectArea(o);
    return true;
}

int ImageVisitor(SceneObject* o, ObjectQuery* q) {
    ImageJob& job = *static_cast<ImageJob*>(q->context);
    // A layer draws its children through its picture, a cube renders into
    // its own: neither takes another picture.
    if (o->layer || o->cube) return 0;
    if (!o->image && !o->picture) return 0;
    bool first = !job.taken;
    render::Image* picture = first ? job.master : CopyPicture(job.master);
    if (!picture) return 0;
    picture->flags = static_cast<uint16_t>(picture->flags | render::kImgGenerated);
    picture->owner = o;
    if (o->image) {
        if (!ReplaceDrawable(o, picture)) {
            if (first)
                picture->owner = nullptr;
            else
                render::DestroyImage(&picture);
            return 0;
        }
    } else {
        render::Image* old = o->picture;
        o->picture = picture;
        if (!Shared(old)) PictureReplaced(o, old, picture);
    }
    job.taken = true;
    q->matched += 1;
    return 1;
}

}  // namespace

bool OwnsPicture(const SceneObject* o) {
    if (const render::Drawable* d = o->image) {
        const render::Image* image = d->image;
        return image && d->ownsImage && !Shared(image) &&
               (image->owner == o || image->owner == nullptr);
    }
    return o->picture && !Shared(o->picture);
}

render::Image* OwnPicture(SceneObject* o) {
    render::Image* current = CurrentPicture(o);
    if (!current) return nullptr;
    if (OwnsPicture(o)) {
        current->owner = o;
        return current;
    }
    if (render::Drawable* d = o->image) {
        render::Image* copy = render::CopyImageForFilter(current);
        if (!copy) return nullptr;
        copy->owner = o;
        bool owned = d->ownsImage && !Shared(current);
        d->image = copy;
        d->ownsImage = 1;
        if (owned) PictureReplaced(o, current, copy);
        return copy;
    }
    // A loaded picture that belongs to the preloaded-file table.
    render::Image* copy = CopyPicture(current);
    if (!copy) return nullptr;
    copy->owner = o;
    o->picture = copy;
    return copy;
}

void PictureReplaced(SceneObject* o, render::Image* old, render::Image* replacement) {
    if (!old) return;
    SceneObject* heir = nullptr;
    for (World& w : Objects().worlds)
        for (DrawListNode* n = w.list.first; n; n = n->next) {
            SceneObject* x = n->object;
            render::Drawable* d = x->image;
            if (!d) continue;
            if (d->target == old) d->target = replacement;
            if (x != o && !heir && d->image == old && !d->ownsImage) heir = x;
        }
    if (heir) {
        // Whoever still shows it keeps it; the others go on borrowing it.
        heir->image->ownsImage = 1;
        old->owner = heir;
        return;
    }
    render::DestroyImage(&old);
}

void MarkPictureShown(const render::Image* picture) {
    if (!picture) return;
    for (World& w : Objects().worlds)
        for (DrawListNode* n = w.list.first; n; n = n->next) {
            render::Drawable* d = n->object->image;
            if (d && d->image == picture && d->quad) render::AddDirtyDrawable(d);
        }
}

int SetShadeOf(const CreateContext& c, const CreateArgs& a) {
    return Filter(c, a, render::ShadeCodeKind, render::ApplyShade);
}

int SetToneOf(const CreateContext& c, const CreateArgs& a) {
    return Filter(c, a, render::ToneCodeKind, render::ApplyTone);
}

int SetCompositeOf(const CreateContext& c, const CreateArgs& a) {
    int64_t x = 0, y = 0;
    const char* name = a.at(3);
    if (!NumberArgument(a.at(1), &x) || !NumberArgument(a.at(2), &y) || x < 0 || y < 0)
        return 0;
    if (!name || !*name) return 0;
    // A loaded-picture object first; the file is read without the lock.
    render::Image* file = HasLoadedPicture(c, name) ? nullptr : LoadPictureFile(name, false);
    int changed = 0;
    {
        core::SceneLockGuard hold;
        PasteJob job{static_cast<int32_t>(x), static_cast<int32_t>(y),
                     file ? file : LoadedPicture(c, name)};
        changed = job.source ? VisitNamed(c, a.at(0), PasteVisitor, &job, true) : 0;
    }
    render::DestroyImage(&file);
    return changed;
}

int SetImageOf(const CreateContext& c, const CreateArgs& a) {
    const char* name = a.at(1);
    if (!name || !*name) return 0;
    // A file first (decoded without the lock), else a loaded-picture object.
    render::Image* file = LoadPictureFile(name, true);
    int changed = 0;
    {
        core::SceneLockGuard hold;
        ImageJob job{nullptr, false};
        if (file && !Shared(file)) {
            job.master = file;
        } else {
            // The preloaded table keeps its picture; an object's stays its own.
            const render::Image* source = file ? file : LoadedPicture(c, name);
            job.master = source ? CopyPicture(source) : nullptr;
        }
        changed = job.master ? VisitNamed(c, a.at(0), ImageVisitor, &job, true) : 0;
        if (job.master && !job.taken) render::DestroyImage(&job.master);
    }
    // A preloaded file's picture stays with the preloaded-file table.
    return changed;
}

}  // namespace scene
