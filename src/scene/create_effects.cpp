// CreateEffect (a new effect object with a filter that shows what lies
// under it) and DrawEffect (an effect on existing objects).
#include <cstring>

#include "scene/effects.h"
#include "render/image.h"
#include "scene/create_commands.h"
#include "scene/create_support.h"
#include "scene/properties.h"

namespace scene {

namespace {

struct EffectJob {
    scene::EffectQuery query;
};

int EffectVisitor(SceneObject* o, ObjectQuery* q) {
    const EffectJob& job = *static_cast<const EffectJob*>(q->context);
    if (!InstallEffect(o, job.query)) return 0;
    q->matched += 1;
    return 1;
}

}  // namespace

// CreateEffect (name, priority, x, y, width, height, effect name).
int CreateEffectObject(const CreateContext& c, const CreateArgs& a) {
    scene::EffectQuery q;
    q.freshObject = true;
    if (!NumericArgument(a.at(4), &q.width) || !NumericArgument(a.at(5), &q.height)) return 0;
    q.name = a.at(6);
    uint32_t alpha = 255;
    if (!EffectMakesPicture(q.name, &alpha) || q.width <= 0 || q.height <= 0) return 0;
    render::Image* image = render::CreateBlankImage(q.width, q.height, 0, alpha);
    if (!image) return 0;
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) {
        render::DestroyImage(&image);
        return 0;
    }
    if (!AttachTexture(k.object, image, true)) return AbortCreation(&k);
    if (!InstallEffect(k.object, q)) return AbortCreation(&k);
    if (!PlaceTexture(k.object, a.at(2), a.at(3), LeadingInteger(a.at(1)))) return AbortCreation(&k);
    MarkTextureCreated();
    return EndCreation(&k);
}

// DrawEffect (name, duration, effect name, start, end, curve).
int DrawEffectOf(const CreateContext& c, const CreateArgs& a) {
    EffectJob job;
    scene::EffectQuery& q = job.query;
    if (!NumericArgument(a.at(1), &q.durationMs) || !NumericArgument(a.at(3), &q.start) ||
        !NumericArgument(a.at(4), &q.end))
        return 0;
    q.name = a.at(2);
    q.curve = a.at(5);
    return VisitNamed(c, a.at(0), EffectVisitor, &job);
}

}  // namespace scene
