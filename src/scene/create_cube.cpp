// CreateCube: a cube object of six square face pictures.
#include <cstring>

#include "core/registry.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/image_load.h"
#include "scene/create_commands.h"
#include "scene/cube.h"

namespace scene {

int AttachCube(SceneObject* o, Cube* cube) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    render::Image* picture = render::AllocImage(render::kFrameWidth, render::kFrameHeight, render::kFrameWidth);
    if (!picture) {
        FreeCube(cube);
        return 0;
    }
    picture->flags = render::kImgPngAlpha | render::kImgGenerated;
    cube->owner = o;
    o->cube = cube;
    if (!AttachTexture(o, picture, true)) return 0;  // the cube goes with the object
    cube->picture = picture;
    std::memcpy(cube->position, o->position, sizeof cube->position);
    // The picture covers the frame; the cube draws itself into it.
    render::TransformQuad(o->image->quad, nullptr, render::kQuadRows, 0, 0);
    o->ops.refresh = [](SceneObject* obj) {
        obj->ops.draw = DrawCube;
        return 1;
    };
    o->ops.refresh(o);
    return 1;
}

int CreateCubeObject(const CreateContext& c, const CreateArgs& a) {
    render::Image* faces[6] = {};
    bool ok = true;
    for (int i = 0; i < 6 && ok; ++i) {
        render::Image* file = LoadPictureFile(a.at(2 + i), false);
        // Private copies: the faces belong to the cube.
        faces[i] = CopyPicture(file);
        render::DestroyImage(&file);
        ok = faces[i] != nullptr;
    }
    auto dropFaces = [&] {
        for (render::Image*& f : faces) render::DestroyImage(&f);
    };
    if (!ok) {
        dropFaces();
        return 0;
    }
    Cube* cube = NewCube(nullptr, faces);
    if (!cube) {
        dropFaces();
        return 0;
    }
    Creation k;
    if (!BeginCreation(c, a.at(0), &k)) {
        FreeCube(cube);
        return 0;
    }
    if (!AttachCube(k.object, cube)) return AbortCreation(&k);
    k.object->priority = LeadingInteger(a.at(1));
    MarkTextureCreated();
    return EndCreation(&k);
}

}  // namespace scene
