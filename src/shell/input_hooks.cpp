// The input layer's hooks with their defaults, and its state record.
#include <string>

#include "core/clock.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/system.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/dirty_rect.h"
#include "render/display.h"
#include "scene/object_tree.h"
#include "script/system_variables.h"
#include "core/engine.h"
#include "shell/input.h"
#include "shell/input_internal.h"
#include "core/registry.h"
#include "shell/settings_apply.h"
#include "shell/state.h"

namespace shell {

namespace {

void Sleep(uint32_t ms) {
    if (!core::Quitting()) platform::SleepMs(ms);
}

int ObjectDisplayRuns() {
    return scene::Objects().running && scene::Objects().displayRunning &&
                   platform::IsEventSet(scene::Objects().displayRunning)
               ? 1
               : 0;
}

int CursorIsHand() {
    return CursorShape() == kCursorIdHand ? 1 : 0;
}
int NothingTakesWheel() {
    return 0;
}
void NothingDragged(int, int, int) {}
int No() {
    return 0;
}

void ComposerRedraw() {
    if (!scene::Objects().running || core::Quitting()) return;
    core::SceneLockGuard hold;
    scene::RedrawNow();
}

void NothingToSuspend() {}

void DisplayPaint(int running) {
    if (!render::DisplayCreated() || core::Quitting()) return;
    core::SceneLockGuard hold;
    if (running || !scene::Objects().running) {
        render::PresentFrameRect(
            render::DirtyRect{0, 0, render::kFrameWidth, render::kFrameHeight});
    } else {
        scene::RedrawNow();
    }
}

std::string DefaultSaveFolder() {
    if (!SaveFolder().empty()) return SaveFolder();
    if (core::Current().saveDirOverride[0]) return core::Current().saveDirOverride;
    return platform::DataHome();
}

bool DesktopOpen(const std::string& path) {
    return platform::OpenWithDesktop(path);
}

int MovieBreakSetting() { return script::GetSystemValues().breakPlayMovie ? 1 : 0; }
void NoMovie(int) {}
int NoFocus(int) {
    return 0;
}

int NoBacklogIcon(int, int, int) { return 0; }
int NoBacklogScroll(int) { return 0; }

}  // namespace

InputHooks DefaultInputHooks() {
    InputHooks h;
    h.pause = Sleep;
    h.displayRuns = ObjectDisplayRuns;
    h.clickableUnderMouse = CursorIsHand;
    h.wheelTaken = NothingTakesWheel;
    h.mouseMoved = NothingDragged;
    h.backlogReady = No;
    h.backlogShown = No;
    h.backlogMouse = NoBacklogIcon;
    h.backlogScroll = NoBacklogScroll;
    h.redrawFrame = ComposerRedraw;
    h.suspendScene = NothingToSuspend;
    h.resumeScene = NothingToSuspend;
    h.paint = DisplayPaint;
    h.saveFolder = DefaultSaveFolder;
    h.openFolder = DesktopOpen;
    h.movieInterruptible = MovieBreakSetting;
    h.movieControl = NoMovie;
    h.moveFocus = NoFocus;
    h.movePadFocus = NoFocus;
    return h;
}

InputHooks& GetInputHooks() { return State().inputHooks; }
void ResetInputHooks() { State().inputHooks = DefaultInputHooks(); }

namespace input {

InputState& State() { return shell::State().input; }

uint32_t Now() { return core::NowMs(); }
void Pause(uint32_t ms) { GetInputHooks().pause(ms); }
bool DisplayRuns() { return GetInputHooks().displayRuns() != 0; }
void Redraw() { GetInputHooks().redrawFrame(); }

}  // namespace input

}  // namespace shell
