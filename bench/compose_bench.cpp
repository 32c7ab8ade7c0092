// Full-frame composition: ten layered 1024x768 pictures with alpha (none can
// hide another), the whole frame dirty each time, on one and on two raster
// workers. Frames per second are reported as items per second. The first
// benchmark includes the hand-off to the (headless) display, the second is
// the drawing alone.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "platform/sync.h"
#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/display.h"
#include "render/image.h"
#include "render/raster.h"
#include "scene/object_tree.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

constexpr int32_t kKey = 77;

void SetUpScene(int layers) {
    core::Current().quit = 0;
    core::Current().state = core::StatePlay;
    if (!core::Current().quitEvent) core::Current().quitEvent = platform::CreateEvent(true, false);
    if (!core::Current().stateChanged)
        core::Current().stateChanged = platform::CreateEvent(true, false);
    if (!core::RegistryInitialised()) core::InitRegistry();
    platform::SelectVideoDriver(true);
    platform::Video().createWindow("bench", 1024, 768);
    render::RegisterRasterizer();
    render::CreateDisplay();
    scene::InitObjects();
    scene::AddTree(kKey);
    core::AcquireSceneLock();
    for (int i = 0; i < layers; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "layer%d", i);
        scene::SceneObject* o = scene::CreateObject(kKey, name);
        // Pictures with varying alpha: nothing is an occluder.
        render::Image* image =
            render::CreateBlankImage(1024, 768, 0x102030u * static_cast<uint32_t>(i + 1), 255);
        for (int y = 0; y < 768; ++y)
            for (int x = 0; x < 1024; ++x)
                image->rows[y][x] =
                    (image->rows[y][x] & 0xFFFFFFu) | (uint32_t((x + y + i * 37) & 0xFF) << 24);
        image->flags = render::kImgPngAlpha;
        image->owner = o;
        o->image = render::WrapImage(o, image);
        render::TransformQuad(o->image->quad, nullptr, 768, 0, 0);
        o->ops.draw = scene::DrawObject;
        o->drawEnabled = 1;
    }
    core::ReleaseSceneLock();
}

void TearDownScene() {
    scene::ReleaseObjects();
    render::ReleaseDisplay();
}

void BM_ComposeTenLayers(benchmark::State& state) {
    core::Current().workerCount = static_cast<int>(state.range(0));
    SetUpScene(10);
    render::StartWorkers();
    scene::World* world = scene::CurrentWorld();
    for (auto _ : state) {
        core::AcquireSceneLock();
        render::AddDirtyRect(0, 0, 1024, 768);
        scene::SortDrawList(world);
        scene::UpdatePhase(world);
        scene::DrawPhase(world);
        core::ReleaseSceneLock();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["workers"] = render::ActiveWorkers();
    render::StopWorkers();
    TearDownScene();
}
BENCHMARK(BM_ComposeTenLayers)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same scene drawn into the frame without the hand-off to the display:
// the composition work alone.
void BM_DrawTenLayers(benchmark::State& state) {
    core::Current().workerCount = static_cast<int>(state.range(0));
    SetUpScene(10);
    render::StartWorkers();
    for (auto _ : state) {
        core::AcquireSceneLock();
        scene::RedrawScene(false);
        render::ResetDirty();
        core::ReleaseSceneLock();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["workers"] = render::ActiveWorkers();
    render::StopWorkers();
    TearDownScene();
}
BENCHMARK(BM_DrawTenLayers)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
