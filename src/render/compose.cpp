// Frame pacing, composing modes, presenting and the direct pictures.
#include "render/compose.h"

#include <algorithm>
#include <atomic>

#include "platform/clock.h"
#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/state.h"
#include "render/surface.h"
#include "core/engine.h"
#include "core/registry.h"

namespace render {

ComposerModes& Modes() {
    return State().modes;
}

void SetSkipMode(bool on) {
    State().modes.skip = on ? 1 : 0;
    SetDirtySkipMode(on);
}

double CurrentSpeed() {
    const ComposerModes& modes = State().modes;
    if (core::Current().state.load(std::memory_order_relaxed) == core::StateSystemScript)
        return modes.systemSpeed;
    if (modes.skip) return modes.skipSpeed;
    return modes.playSpeed;
}

double PlaySpeedOfStep(int step) {
    static const double kSpeeds[12] = {0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0, 5.5, 8.0, 12.0, 16.0, 32.0};
    return kSpeeds[std::clamp(step, 1, 12) - 1];
}

void ResetPacing() {
    core::SetFrameIndex(core::kDefaultFrameIndex);
    State().pacing.lastPresent = core::NowMs();
}

void WaitFrameTime(platform::Event* wake, int ms) {
    if (ms <= 0) return;
    core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, wake, ms);
}

void Pace(platform::Event* wake) {
    if (State().modes.skip) return;
    Pacing& pacing = State().pacing;
    double speed = CurrentSpeed();
    if (speed <= 0) speed = 1;
    int interval = static_cast<int>(FrameIntervalMs() / speed);
    int wait = interval - static_cast<int>(core::NowMs() - pacing.lastPresent);
    if (wait > 0) WaitFrameTime(wake, wait);
    pacing.lastPresent = core::NowMs();
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
    DirectPictures& direct = State().direct;
    if (direct.pictures[index] && direct.pictures[index] != picture)
        DestroyDrawable(&direct.pictures[index]);
    direct.pictures[index] = picture;
}
void SelectDirectPicture(int index) {
    State().direct.index = index;
}

bool DrawDirectPicture() {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    DirectPictures& direct = State().direct;
    int index = direct.index;
    if (index < 0 || index >= kDirectPictures || !direct.pictures[index]) return false;
    AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
    DrawDrawable(direct.pictures[index], nullptr, nullptr, 0);
    PresentFrame(false);
    return true;
}

void ReleaseDirectPictures() {
    DirectPictures& direct = State().direct;
    for (Drawable*& d : direct.pictures)
        if (d) {
            d->kept = 0;
            DestroyDrawable(&d);
            d = nullptr;
        }
    direct.index = -1;
}

}  // namespace render
