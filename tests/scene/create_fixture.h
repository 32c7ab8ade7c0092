// Scene fixture (its fresh engine is wired: the scene commands installed) and a caller context for
// the tree kKey; commands are run with their arguments as a list of texts.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "scene/commands_scene.h"
#include "scene/create_commands.h"
#include "scene/request.h"
#include "render/drawable.h"
#include "render/image.h"
#include "scene_fixture.h"

namespace scene_test {

class CreateFixture : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        context.ownerKey = kKey;
    }

    using Work = int (*)(const scene::CreateContext&, const scene::CreateArgs&);
    // Runs a command with the given arguments (nullptr entries are absent).
    int Run(Work work, std::initializer_list<const char*> args) {
        std::vector<const char*> list(args);
        return work(context, scene::CreateArgs{list.data(), static_cast<int>(list.size())});
    }

    scene::SceneObject* Find(const char* path) {
        core::SceneLockGuard hold;
        return scene::FindObject(kKey, path);
    }

    scene::CreateContext context;
};

}  // namespace scene_test
