// Loaded-picture objects: pictures held for other commands, never drawn.
#include "render/image.h"
#include "scene/create_commands.h"
#include "script/colour.h"

namespace scene {

namespace {

// Makes the never-drawn object holding `picture` (taken over).
int MakeLoadedPicture(const CreateContext& c, const char* name, render::Image* picture) {
    Creation k;
    if (!BeginCreation(c, name, &k)) {
        render::DestroyImage(&picture);
        return 0;
    }
    SceneObject* o = k.object;
    if (!(picture->flags & render::kImgShared)) picture->owner = o;
    o->picture = picture;
    o->shown = 1;
    return EndCreation(&k);
}

}  // namespace

int LoadImageObject(const CreateContext& c, const CreateArgs& a) {
    render::Image* picture = LoadPictureFile(a.at(1), true);
    if (!picture) return 0;
    return MakeLoadedPicture(c, a.at(0), picture);
}

int LoadClipImageObject(const CreateContext& c, const CreateArgs& a) {
    int32_t left = 0, top = 0, w = 0, h = 0;
    if (!NumericArgument(a.at(1), &left) || !NumericArgument(a.at(2), &top) || !NumericArgument(a.at(3), &w) ||
        !NumericArgument(a.at(4), &h))
        return 0;
    render::Image* file = LoadPictureFile(a.at(5), false);
    render::Image* clip = ClipPicture(file, left, top, w, h);
    render::DestroyImage(&file);
    if (!clip) return 0;
    return MakeLoadedPicture(c, a.at(0), clip);
}

int LoadColorObject(const CreateContext& c, const CreateArgs& a) {
    int32_t w = 0, h = 0;
    if (!NumericArgument(a.at(1), &w) || !NumericArgument(a.at(2), &h)) return 0;
    script::Colour colour;
    if (!script::ParseColour(a.at(3), &colour)) colour = {};
    render::Image* picture = render::CreateBlankImage(w, h, colour.rgb, colour.alpha);
    if (!picture) return 0;
    return MakeLoadedPicture(c, a.at(0), picture);
}

int CreateAnimationCommand(const CreateContext& c, const CreateArgs& a) {
    (void)c;
    // Reads the picture named by the fifth argument and keeps nothing.
    render::Image* picture = LoadPictureFile(a.at(4), false);
    render::DestroyImage(&picture);
    return 1;
}

}  // namespace scene
