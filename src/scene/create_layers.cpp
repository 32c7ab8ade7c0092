// Masks and stencils: an object with its own coverage layer through which
// its children draw; the layer is rendered from the mask picture
// (render/layer_rebuild.h) at creation and whenever the mask moves.
#include <cstring>

#include "render/dirty_rect.h"
#include "render/image.h"
#include "scene/layer_refresh.h"
#include "render/surface.h"
#include "scene/create_commands.h"
#include "scene/position.h"
#include "scene/state.h"
#include "core/registry.h"
#include "core/warnings.h"
#include "platform/encoding.h"

namespace scene {

namespace {

// Makes the mask or stencil object around `picture` (taken over when owns).
int MakeLayerObject(const CreateContext& c, const CreateArgs& a, int groupArg,
                    render::Image* picture, bool owns, int32_t mode,
                    movie::Movie* movie = nullptr) {
    int32_t priority = LeadingInteger(a.at(1));
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) {
        if (owns) render::DestroyImage(&picture);
        if (movie) State().maskMovies.release(movie);
        return 0;
    }
    SceneObject* o = k.object;
    if (movie) State().maskMovies.attach(o, movie);  // freed with the object from here on
    if (!AttachTexture(o, picture, owns)) return AbortCreation(&k);
    render::Layer* layer = render::CreateLayer(o, mode);
    if (!layer) return AbortCreation(&k);
    o->layer = layer;
    layer->changed = 1;
    o->ops.request = DefaultOps().request;
    if (!IsTrueText(a.at(groupArg))) {
        o->groupFlag = 0;
        std::memset(o->groupOffset, 0, sizeof o->groupOffset);
    }
    o->priority = priority;
    if (!ApplyPosition(o, a.at(2), a.at(3))) return AbortCreation(&k);
    TransformAtPosition(o);
    o->ops.draw = NoDraw;  // the mask picture itself is not drawn
    RefreshObjectLayer(o);
    render::AddDirtyDrawable(o->image);
    return EndCreation(&k);
}

}  // namespace

MaskMovieHooks& GetMaskMovieHooks() {
    return State().maskMovies;
}

void StencilPixels(render::Image* picture, int32_t mode) {
    render::ImageChanged(picture);
    for (int32_t r = 0; r < picture->height; ++r)
        for (int32_t x = 0; x < picture->width; ++x) {
            uint32_t& p = picture->rows[r][x];
            uint32_t alpha = p >> 24;
            switch (mode) {
                case 255:
                    p = alpha == 255 ? 0xFFFFFFFFu : 0;
                    break;
                case 128:
                    p = alpha * 0x01010101u;
                    break;
                case 0:
                    p = alpha == 0 ? 0xFFFFFFFFu : 0;
                    break;
                default:
                    p = alpha > 0 && alpha < 255 ? 0xFFFFFFFFu : 0;
                    break;
            }
        }
}

int CreateMaskObject(const CreateContext& c, const CreateArgs& a) {
    MaskMovieHooks& maskMovies = State().maskMovies;
    const char* source = a.at(4);
    if (!source || !*source) return 0;
    // A loaded-picture object first (a private copy: the layer must not
    // change the shared picture), then a file.
    render::Image* loaded = nullptr;
    render::Image* picture = nullptr;
    {
        core::SceneLockGuard hold;
        loaded = LoadedPicture(c, source);
        picture = loaded ? CopyPicture(loaded) : nullptr;
    }
    if (!loaded) {
        // A movie source is no picture: reported only when it is neither.
        core::WarningMute quiet;
        picture = LoadPictureFile(source, false);
    }
    if (!picture && maskMovies.open) {
        movie::Movie* movie = nullptr;
        {
            core::WarningMute quiet;
            movie = maskMovies.open(source, &picture);
        }
        if (!movie) {
            core::Warn("no picture, loaded picture or movie named \"" + platform::SjisToUtf8(source) + "\"");
            return 0;
        }
        return MakeLayerObject(c, a, 5, picture, true, render::kLayerMask, movie);
    }
    if (!picture) return 0;
    // The mask's own pixels are cleared below: never those of a preloaded
    // picture, which other users share.
    if (picture->flags & render::kImgShared) {
        render::Image* shared = picture;
        picture = CopyPicture(shared);
        render::DestroyImage(&shared);  // a shared picture is not freed
        if (!picture) return 0;
    }
    // A transparent pixel lets nothing through, whatever its colour.
    render::ClearTransparentPixels(picture);
    return MakeLayerObject(c, a, 5, picture, true, render::kLayerMask);
}

int CreateStencilObject(const CreateContext& c, const CreateArgs& a) {
    int32_t mode = LeadingInteger(a.at(4));
    render::Image* file = LoadPictureFile(a.at(5), false);
    render::Image* copy = nullptr;
    if (file) {
        copy = CopyPicture(file);
        render::DestroyImage(&file);
    } else {
        core::SceneLockGuard hold;
        render::Image* loaded = LoadedPicture(c, a.at(5));
        copy = loaded ? CopyPicture(loaded) : nullptr;
    }
    if (!copy) return 0;
    StencilPixels(copy, mode);
    copy->flags = render::kImgPngAlpha;
    return MakeLayerObject(c, a, 6, copy, true, render::kLayerStencil);
}

}  // namespace scene
