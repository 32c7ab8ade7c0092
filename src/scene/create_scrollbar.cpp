// CreateScrollbar: a thumb picture on a straight path between two ends.
//
// Arguments: name, priority, x1, y1, x2, y2, position (per mille of the
// path), orientation ("HORIZON..." horizontal, anything else vertical),
// picture (a file or a loaded-picture object). The ends and the position must
// be whole numbers; under a group parent the ends count from the parent's
// position like other numeric positions.
#include <cstdio>
#include <cstring>

#include "render/image.h"
#include "scene/create_commands.h"
#include "scene/scrollbar.h"

namespace scene {

namespace {

// Gives the new object its record and puts the thumb on the start point.
int AttachScrollbar(SceneObject* o, const int32_t ends[4], int32_t perMille, int32_t kind,
                    int32_t priority) {
    // The object starts at its group parent's position (or 0, 0): the ends
    // count from there.
    const int32_t from[2] = {o->position[0] + ends[0], o->position[1] + ends[1]};
    const int32_t to[2] = {o->position[0] + ends[2], o->position[1] + ends[3]};
    Scrollbar* s = NewScrollbar(kind, from, to, perMille);
    if (!s) return 0;
    s->owner = o;
    o->scrollbar = s;
    o->ops.request = ScrollbarRequest;
    // The start point as position arguments relative to the object.
    char x[16], y[16];
    std::snprintf(x, sizeof x, "%d", s->points[s->index * 2] - o->position[0]);
    std::snprintf(y, sizeof y, "%d", s->points[s->index * 2 + 1] - o->position[1]);
    return PlaceTexture(o, x, y, priority);
}

}  // namespace

int CreateScrollbarObject(const CreateContext& c, const CreateArgs& a) {
    int32_t ends[4] = {};
    int32_t perMille = 0;
    for (int i = 0; i < 4; ++i)
        if (!NumericArgument(a.at(2 + i), &ends[i])) return 0;
    if (!NumericArgument(a.at(6), &perMille)) return 0;
    const char* orientation = a.at(7);
    const char* picture = a.at(8);
    if (!orientation || !picture || !*picture) return 0;
    int32_t kind =
        std::strncmp(orientation, "HORIZON", 7) == 0 ? kScrollbarHorizontal : kScrollbarVertical;
    int32_t priority = LeadingInteger(a.at(1));

    // The thumb: a loaded-picture object's picture shared, else a file.
    render::Image* file = nullptr;
    if (!HasLoadedPicture(c, picture)) {
        file = LoadPictureFile(picture, true);
        if (!file) return 0;
    }
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) {
        render::DestroyImage(&file);
        return 0;
    }
    render::Image* thumb = file ? file : LoadedPicture(c, picture);
    if (!thumb || !AttachTexture(k.object, thumb, file != nullptr)) return AbortCreation(&k);
    if (!AttachScrollbar(k.object, ends, perMille, kind, priority)) return AbortCreation(&k);
    MarkTextureCreated();
    return EndCreation(&k);
}

}  // namespace scene
