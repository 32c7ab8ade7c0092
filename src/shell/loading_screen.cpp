#include "shell/loading_screen.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/display.h"
#include "render/image.h"
#include "render/image_load.h"
#include "script/variables.h"
#include "core/engine.h"
#include "core/registry.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/state.h"
#include "shell/strings.h"
#include "shell/subsystems.h"

namespace shell {

namespace {

bool NoLoadStep() { return false; }
void NoAction() {}

constexpr int kWidth = platform::kFrameWidth;
constexpr int kHeight = platform::kFrameHeight;

// The frame as composed before the overlay, and the overlay placed on it.
struct Overlay {
    render::Image* image = nullptr;
    int x = 0, y = 0;
    std::vector<uint32_t> base;  // the scene under the overlay
    std::vector<uint32_t> shown;
};

void CaptureBase(Overlay& o) {
    o.base.assign(static_cast<size_t>(kWidth) * kHeight, 0xFF000000u);
    render::DisplayFrameHold frame;
    if (!frame.pixels) return;
    for (int row = 0; row < kHeight; ++row)
        std::memcpy(&o.base[static_cast<size_t>(row) * kWidth],
                    frame.pixels + static_cast<size_t>(row) * render::kFrameStride, kWidth * 4);
}

// Blends the overlay at `alpha` (0..255) over the scene and shows the result.
void DrawOverlay(Overlay& o, int alpha) {
    o.shown = o.base;
    const render::Image* img = o.image;
    for (int row = 0; row < img->height; ++row) {
        int fy = o.y + row;
        if (fy < 0 || fy >= kHeight) continue;
        const uint32_t* src = img->rows[row];
        for (int col = 0; col < img->width; ++col) {
            int fx = o.x + col;
            if (fx < 0 || fx >= kWidth) continue;
            uint32_t s = src[col];
            uint32_t a = ((s >> 24) * static_cast<uint32_t>(alpha)) / 255;
            uint32_t& d = o.shown[static_cast<size_t>(fy) * kWidth + fx];
            uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
                out |= ((sc * a + dc * (255 - a)) / 255) << shift;
            }
            d = out;
        }
    }
    platform::Rect whole{0, 0, kWidth, kHeight};
    platform::Video().present(o.shown.data(), kWidth, whole);
}

void Redraw() {
    uint32_t state = core::Current().state;
    if ((state == core::StatePlay || state == core::StateSystemScript) && scene::ComposerRunning())
        scene::RedrawNow();
}

void SetCursorAndPump(platform::CursorShape shape) {
    platform::Video().setCursor(shape);
    platform::Message m;
    if (platform::Video().pollMessage(&m) && m.code != platform::kMsgWake && !core::Quitting()) {
        core::LockGuard hold(core::kLockMessages);
        GetSubsystems().handleMessage(&m);
    }
}

double* NumberOf(const char* name, double* storage) {
    script::Variable* v = script::LookupExact(name);
    if (!v || v->kind == script::kVarUnset) return nullptr;
    *storage = v->number;
    return storage;
}

// The loading step: read the saved game. Failure shows the error and quits.
void LoadingStep() {
    core::SetEngineState(core::StateLoading);
    Subsystems& sub = GetSubsystems();
    sub.stopComposer();
    sub.stopAllProcesses();
    sub.startComposer();
    if (!GetLoadingHooks().loadSlot()) {
        platform::ShowMessageBox(LoadResourceString(kStrLoadFailed), core::Current().settings.windowTitle.c_str(),
                                 platform::kMbOk | platform::kMbIconError);
        core::RequestQuit();
    }
}

}  // namespace

LoadingHooks DefaultLoadingHooks() { return {NoLoadStep, NoAction, NoAction}; }

LoadingHooks& GetLoadingHooks() { return State().loadingHooks; }

void LoadingOverlayPosition(int width, int height, const double* x, const double* y, int* outX,
                            int* outY) {
    *outX = x ? static_cast<int>(*x) : 512 - width / 2;
    *outY = y ? static_cast<int>(*y) : 384 - height / 2;
}

void RunLoadingScreen() {
    Overlay overlay;
    script::Variable* name = script::LookupExact("#SYSTEM_loading_image");
    if (name && name->kind == script::kVarText && name->text[0])
        overlay.image = render::LoadImage(name->text);
    if (overlay.image) {
        double xs = 0, ys = 0;
        LoadingOverlayPosition(overlay.image->width, overlay.image->height,
                               NumberOf("#SYSTEM_loading_image_x", &xs),
                               NumberOf("#SYSTEM_loading_image_y", &ys), &overlay.x, &overlay.y);
    }

    Redraw();
    SetCursorAndPump(platform::kCursorWait);
    if (overlay.image) {
        CaptureBase(overlay);
        for (int alpha = 0; alpha <= 255 && !core::Quitting(); alpha += 16) {
            DrawOverlay(overlay, alpha);
            platform::SleepMs(16);
        }
    }

    LoadingStep();

    SetCursorAndPump(platform::kCursorArrow);
    if (overlay.image) {
        for (int alpha = 255; alpha >= 0 && !core::Quitting(); alpha -= 16) {
            DrawOverlay(overlay, alpha);
            platform::SleepMs(16);
        }
        Redraw();
        render::DestroyImage(&overlay.image);
    }
    if (core::Quitting()) return;

    platform::SleepMs(300);
    LoadingHooks& hooks = GetLoadingHooks();
    hooks.resumeAfterLoad();
    hooks.deleteSlotIfAsked();
    core::SetEngineState(core::StatePlay);
    GetSubsystems().resetInput(1);
}

}  // namespace shell
