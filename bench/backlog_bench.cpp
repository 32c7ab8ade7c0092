// The backlog: appending one character by the wrapping rules, and drawing a
// full backlog screen (17 rows of 31 characters in a 24-pixel font with a
// shadow, a voice marker on every row) straight into the frame on one
// thread, the whole frame dirty each time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <mutex>

#include "core/engine.h"
#include "core/registry.h"
#include "platform/video.h"
#include "render/display.h"
#include "render/dirty_rect.h"
#include "render/image.h"
#include "render/raster.h"
#include "scene/object_tree.h"
#include "scene/scene_object.h"
#include "text/backlog.h"
#include "text/backlog_object.h"
#include "text/font.h"
#include "text/state.h"

namespace {

constexpr int32_t kKey = 78;

void BM_BacklogAppendCharacter(benchmark::State& state) {
    text::BacklogReadSettings();
    text::BacklogClear();
    uint32_t code = 0x82A0;  // あ
    size_t appended = 0;
    for (auto _ : state) {
        text::BacklogAppendCode(code);
        if (++appended % 40 == 0) text::BacklogAppendCode(10);
        // Keep clear of the full stream: it would measure the refusal.
        if (appended == 3000000) {
            state.PauseTiming();
            text::BacklogClear();
            appended = 0;
            state.ResumeTiming();
        }
        code = code == 0x82F1 ? 0x82A0 : code + 1;
    }
    text::BacklogClear();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BacklogAppendCharacter);

void BM_BacklogScreenDraw(benchmark::State& state) {
    core::Current().quit = 0;
    core::Current().state = core::StatePlay;
    if (!core::RegistryInitialised()) core::InitRegistry();
    platform::SelectVideoDriver(true);
    platform::Video().createWindow("bench", 1024, 768);
    render::RegisterRasterizer();
    render::CreateDisplay();
    scene::InitObjects();
    scene::AddTree(kKey);
    {
        core::LockGuard hold(core::kLockText);
        text::DefaultFont font;
        font.size = 24;
        font.direction = text::kOutlineRightDown;
        text::SetDefaultFont(font);
    }
    // 200 lines of 32 kana each, every line voiced.
    text::BacklogClear();
    for (int line = 0; line < 200; ++line) {
        char file[32];
        std::snprintf(file, sizeof file, "voice/v%03d", line);
        text::BacklogAppendVoice("hero", file);
        for (int i = 0; i < 31; ++i) text::BacklogAppendCode(0x82A0 + static_cast<uint32_t>((line + i) % 80));
        text::BacklogAppendCode(10);
    }
    text::Backlog& b = text::State().backlog;
    core::AcquireSceneLock();
    scene::SceneObject* o = scene::CreateObject(kKey, "log");
    o->drawEnabled = 1;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        b.layout = text::BacklogLayout{};
        b.layout.characterWidth = 24;
        b.layout.rowPitch = 30;
        b.layout.positionX = 100;
        b.layout.positionY = 100;
        b.shown = true;
    }
    b.object = o;
    core::ReleaseSceneLock();

    int drawn = 0;
    for (auto _ : state) {
        core::SceneLockGuard hold;
        render::AddDirtyRect(0, 0, 1024, 768);
        drawn = text::DrawBacklog(o);
        benchmark::DoNotOptimize(drawn);
    }
    state.counters["glyphs"] = drawn;

    core::AcquireSceneLock();
    b.object = nullptr;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        b.shown = false;
    }
    core::ReleaseSceneLock();
    text::BacklogClear();
    {
        core::LockGuard hold(core::kLockText);
        text::ResetDefaultFont();
    }
    scene::ReleaseObjects();
    render::ReleaseDisplay();
}
BENCHMARK(BM_BacklogScreenDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
