// Texture objects: colour plates, pictures, clips, differences, soft frames
// and drawing surfaces.
#include <cstring>

#include "render/drawable.h"
#include "render/filters.h"
#include "render/image.h"
#include "render/image_load.h"
#include "scene/create_commands.h"
#include "scene/object_tree.h"
#include "script/colour.h"
#include "core/registry.h"
#include "core/warnings.h"
#include "platform/encoding.h"

namespace scene {

namespace {

// A picture resolved file first, then as a loaded-picture object. The file's
// picture belongs to the source and is released by Close.
struct Source {
    render::Image* file = nullptr;
    const char* name = nullptr;
    void Open(const char* n, bool viewed) {
        name = n;
        // The name may be a loaded-picture object: Get reports when it is neither.
        core::WarningMute quiet;
        file = LoadPictureFile(n, viewed);
    }
    // Caller holds the SceneLock.
    const render::Image* Get(const CreateContext& c) const {
        const render::Image* picture = file ? file : LoadedPicture(c, name);
        if (!picture && name && *name && core::WarningsOn())
            core::Warn("no picture file or loaded picture named \"" + platform::SjisToUtf8(name) + "\"");
        return picture;
    }
    void Close() { render::DestroyImage(&file); }
};

// Builds a picture from sources under the SceneLock (object pictures stay
// alive meanwhile).
template <typename Build>
render::Image* UnderLock(Build build) {
    core::SceneLockGuard hold;
    return build();
}

void PutPixel(render::Image* image, int32_t x, int32_t y, uint32_t value) { image->rows[y][x] = value; }

// Makes a texture object of `image` (taken over) and places it.
int MakeTexture(const CreateContext& c, const CreateArgs& a, render::Image* image, bool owns,
                int shiftBack = 0) {
    int32_t priority = LeadingInteger(a.at(1));
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) {
        if (owns) render::DestroyImage(&image);
        return 0;
    }
    if (!AttachTexture(k.object, image, owns)) return AbortCreation(&k);
    if (!PlaceTexture(k.object, a.at(2), a.at(3), priority, shiftBack)) return AbortCreation(&k);
    MarkTextureCreated();
    return EndCreation(&k);
}

}  // namespace

render::Image* ClipPicture(const render::Image* s, int32_t left, int32_t top, int32_t width, int32_t height) {
    if (!s || left < 0 || top < 0 || width <= 0 || height <= 0) return nullptr;
    if (static_cast<int64_t>(left) + width > s->width || static_cast<int64_t>(top) + height > s->height)
        return nullptr;
    // A blank picture: its rows are the width rounded up to 4 pixels, and the
    // columns past the rectangle stay transparent.
    render::Image* out = render::CreateBlankImage(width, height, 0, 0);
    if (!out) return nullptr;
    out->flags = static_cast<uint16_t>(s->flags & ~render::kImgShared);
    for (int32_t r = 0; r < height; ++r)
        std::memcpy(out->rows[r], s->rows[top + r] + left, static_cast<size_t>(width) * 4);
    return out;
}

render::Image* DifferencePicture(const render::Image* a, const render::Image* b) {
    if (!a || !b || a->width != b->width || a->height != b->height) return nullptr;
    // A blank, all-zero picture (its rows rounded up to 4 pixels).
    render::Image* out = render::CreateBlankImage(a->width, a->height, 0, 0);
    if (!out) return nullptr;
    out->flags = render::kImgPngAlpha;
    for (int32_t r = 0; r < a->height; ++r)
        for (int32_t x = 0; x < a->width; ++x) {
            uint32_t pa = a->rows[r][x], pb = b->rows[r][x];
            if ((pa >> 24) != 0 && (pa & 0xFFFFFF) != (pb & 0xFFFFFF)) PutPixel(out, x, r, pa);
        }
    return out;
}

render::Image* FramePicture(const render::Image* picture, uint32_t colour) {
    if (!picture) return nullptr;
    int32_t w = picture->width, h = picture->height;
    // Canvas and plate are blank pictures, each as wide as asked rounded up
    // to 4 pixels.
    render::Image* canvas = render::CreateBlankImage(w + 16, h + 16, 0, 0);
    render::Image* plate = render::CreateBlankImage(w + 8, h + 8, colour & 0xFFFFFF, 127);
    bool placed = canvas && plate && render::CopyInto(canvas, plate, 4, 4);
    render::DestroyImage(&plate);
    if (!placed) {
        render::DestroyImage(&canvas);
        return nullptr;
    }
    for (int i = 0; i < 4; ++i) render::ShadePass(canvas);
    render::CopyInto(canvas, picture, 8, 8);
    canvas->flags = render::kImgFramed;
    return canvas;
}

int CreateColorObject(const CreateContext& c, const CreateArgs& a) {
    int32_t w = 0, h = 0;
    script::Colour colour;
    if (!NumericArgument(a.at(4), &w) || !NumericArgument(a.at(5), &h)) return 0;
    if (!script::ParseColour(a.at(6), &colour)) colour = {};
    render::Image* image = render::CreateBlankImage(w, h, colour.rgb, colour.alpha);
    if (!image) return 0;
    image->flags = render::kImgColour;
    return MakeTexture(c, a, image, true);
}

int CreateTextureObject(const CreateContext& c, const CreateArgs& a) {
    const char* picture = a.at(4);
    if (!picture || !*picture) return 0;
    if (HasLoadedPicture(c, picture)) {
        // Share the loaded picture; it must still be there under the lock.
        int32_t priority = LeadingInteger(a.at(1));
        Creation k;
        if (!BeginCreation(c, a.at(0), &k)) return 0;
        render::Image* shared = LoadedPicture(c, picture);
        if (!shared || !AttachTexture(k.object, shared, false)) return AbortCreation(&k);
        if (!PlaceTexture(k.object, a.at(2), a.at(3), priority)) return AbortCreation(&k);
        MarkTextureCreated();
        return EndCreation(&k);
    }
    render::Image* image = LoadPictureFile(picture, true);
    if (!image) return 0;
    return MakeTexture(c, a, image, true);
}

int CreateClipTextureObject(const CreateContext& c, const CreateArgs& a) {
    int32_t left = 0, top = 0, w = 0, h = 0;
    if (!NumericArgument(a.at(4), &left) || !NumericArgument(a.at(5), &top) || !NumericArgument(a.at(6), &w) ||
        !NumericArgument(a.at(7), &h))
        return 0;
    Source s;
    s.Open(a.at(8), false);
    render::Image* clip = UnderLock([&] { return ClipPicture(s.Get(c), left, top, w, h); });
    s.Close();
    if (!clip) return 0;
    return MakeTexture(c, a, clip, true);
}

int CreateDifferenceTextureObject(const CreateContext& c, const CreateArgs& a) {
    Source first, second;
    first.Open(a.at(4), false);
    second.Open(a.at(5), false);
    render::Image* made = UnderLock([&] { return DifferencePicture(first.Get(c), second.Get(c)); });
    first.Close();
    second.Close();
    if (!made) return 0;
    return MakeTexture(c, a, made, true);
}

int CreateFrameObject(const CreateContext& c, const CreateArgs& a) {
    script::Colour colour;
    if (!script::ParseColour(a.at(4), &colour)) colour = {};
    Source s;
    s.Open(a.at(5), true);
    render::Image* framed = UnderLock([&] { return FramePicture(s.Get(c), colour.rgb); });
    s.Close();
    if (!framed) return 0;
    // The margin: the picture itself stands at the requested place.
    return MakeTexture(c, a, framed, true, 8);
}

void ClearScratchSurfaces() {
    for (DrawListNode* n = CurrentWorld()->list.first; n; n = n->next) {
        render::Drawable* d = n->object->image;
        render::Image* picture = d ? d->image : nullptr;
        if (!picture || picture->flags != render::kImgScratch || !picture->pixels) continue;
        render::ImageChanged(picture);
        std::memset(picture->pixels, 0,
                    static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height) * 4);
    }
}

int CreateSurfaceObject(const CreateContext& c, const CreateArgs& a) {
    render::Image* image = render::CreateBlankImage(render::kFrameWidth, render::kFrameHeight, 0, 0);
    if (!image) return 0;
    image->flags = IsTrueText(a.at(4)) ? render::kImgScratch : render::kImgNoCover;
    return MakeTexture(c, a, image, true);
}

}  // namespace scene
