// Frame pacing, composing modes, presenting and the direct pictures.
#include "render/compose.h"

#include <algorithm>
#include <atomic>

#include "platform/clock.h"
#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/surface.h"
#include "core/engine.h"
#include "core/registry.h"

namespace render {

namespace {

struct Pacing {
    uint32_t lastPresent = 0;
};

struct DirectPictures {
    Drawable* pictures[kDirectPictures] = {};
    int index = -1;
};

Pacing g_pacing;
DirectPictures g_direct;
ComposerModes g_modes = {0, 0, 1.0, 1.0, 32.0};

}  // namespace

ComposerModes& Modes() {
    return g_modes;
}

void SetSkipMode(bool on) {
    g_modes.skip = on ? 1 : 0;
    SetDirtySkipMode(on);
}

double CurrentSpeed() {
    if (core::Current().state.load(std::memory_order_relaxed) == core::StateSystemScript)
        return g_modes.systemSpeed;
    if (g_modes.skip) return g_modes.skipSpeed;
    return g_modes.playSpeed;
}

void ResetPacing() {
    core::SetFrameIndex(core::kDefaultFrameIndex);
    g_pacing.lastPresent = core::NowMs();
}

void WaitFrameTime(platform::Event* wake, int ms) {
    if (ms <= 0) return;
    core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, wake, ms);
}

void Pace(platform::Event* wake) {
    if (g_modes.skip) return;
    double speed = CurrentSpeed();
    if (speed <= 0) speed = 1;
    int interval = static_cast<int>(FrameIntervalMs() / speed);
    int wait = interval - static_cast<int>(core::NowMs() - g_pacing.lastPresent);
    if (wait > 0) WaitFrameTime(wake, wait);
    g_pacing.lastPresent = core::NowMs();
}

int PresentFrame(bool force) {
    uint32_t state = core::Current().state.load(std::memory_order_relaxed);
    if (!force && state != core::StatePlay && state != core::StateSystemScript) return 0;
    if (FrameChanged()) PresentFrameRect(CurrentDirty());
    ResetDirty();
    return 1;
}

void SetDirectPicture(int index, Drawable* picture) {
    if (index < 0 || index >= kDirectPictures) return;
    if (g_direct.pictures[index] && g_direct.pictures[index] != picture)
        DestroyDrawable(&g_direct.pictures[index]);
    g_direct.pictures[index] = picture;
}
void SelectDirectPicture(int index) {
    g_direct.index = index;
}

bool DrawDirectPicture() {
    int index = g_direct.index;
    if (index < 0 || index >= kDirectPictures || !g_direct.pictures[index]) return false;
    AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
    DrawDrawable(g_direct.pictures[index], nullptr, nullptr, 0);
    PresentFrame(false);
    return true;
}

void ReleaseDirectPictures() {
    for (Drawable*& d : g_direct.pictures)
        if (d) {
            d->kept = 0;
            DestroyDrawable(&d);
            d = nullptr;
        }
    g_direct.index = -1;
}

}  // namespace render
