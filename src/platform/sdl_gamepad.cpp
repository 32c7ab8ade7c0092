#include "platform/sdl_gamepad.h"

#include <cstdio>
#include <vector>

#include "platform/clock.h"

namespace platform::sdl {

namespace {

constexpr int kPushed = 16384;  // half the stick's travel
constexpr int kLetGo = 8192;    // a quarter

std::vector<SDL_GameController*>& Pads() {
    static std::vector<SDL_GameController*> pads;
    return pads;
}

Message Make(uint32_t code, int64_t param, int x, int y) {
    Message m;
    m.code = code;
    m.param = param;
    m.x = x;
    m.y = y;
    m.time = TimeMs();
    m.style = kFromGamepad;
    return m;
}

PadStick* StickOf(PadStick* sticks, SDL_JoystickID pad) {
    for (int i = 0; i < kPadSticks; ++i)
        if (sticks[i].pad == pad) return &sticks[i];
    for (int i = 0; i < kPadSticks; ++i)
        if (sticks[i].pad < 0) {
            sticks[i] = PadStick{};
            sticks[i].pad = pad;
            return &sticks[i];
        }
    return nullptr;
}

int Zone(int value, int previous) {
    if (value >= kPushed) return 1;
    if (value <= -kPushed) return -1;
    if (value > -kLetGo && value < kLetGo) return 0;
    return previous;  // between: as it was
}

}  // namespace

int TranslatePadEvent(const SDL_Event& event, int mouseX, int mouseY, PadStick* sticks, Message out[2]) {
    if (event.type == SDL_CONTROLLERBUTTONDOWN || event.type == SDL_CONTROLLERBUTTONUP) {
        bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
        uint32_t key = down ? kMsgKeyDown : kMsgKeyUp;
        switch (event.cbutton.button) {
            case SDL_CONTROLLER_BUTTON_A: out[0] = Make(key, kVkReturn, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_B:
                out[0] = Make(down ? kMsgRButtonDown : kMsgRButtonUp, 0, mouseX, mouseY);
                return 1;
            case SDL_CONTROLLER_BUTTON_X: out[0] = Make(key, kVkSpace, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_Y: out[0] = Make(key, kVkPageUp, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: out[0] = Make(key, kVkControl, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
                if (!down) return 0;
                out[0] = Make(kMsgToggleAuto, 0, mouseX, mouseY);
                return 1;
            case SDL_CONTROLLER_BUTTON_DPAD_UP: out[0] = Make(key, kVkUp, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_DPAD_DOWN: out[0] = Make(key, kVkDown, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_DPAD_LEFT: out[0] = Make(key, kVkLeft, mouseX, mouseY); return 1;
            case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: out[0] = Make(key, kVkRight, mouseX, mouseY); return 1;
            default: return 0;
        }
    }
    if (event.type != SDL_CONTROLLERAXISMOTION) return 0;
    bool horizontal = event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX;
    if (!horizontal && event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY) return 0;
    PadStick* stick = StickOf(sticks, event.caxis.which);
    if (!stick) return 0;
    int& zone = horizontal ? stick->zoneX : stick->zoneY;
    int next = Zone(event.caxis.value, zone);
    if (next == zone) return 0;
    // SDL's y axis grows downwards.
    auto arrow = [horizontal](int z) -> int64_t {
        return horizontal ? (z < 0 ? kVkLeft : kVkRight) : (z < 0 ? kVkUp : kVkDown);
    };
    int n = 0;
    if (zone != 0) out[n++] = Make(kMsgKeyUp, arrow(zone), mouseX, mouseY);
    if (next != 0) out[n++] = Make(kMsgKeyDown, arrow(next), mouseX, mouseY);
    zone = next;
    return n;
}

void OpenPresentPads() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) PadAdded(i);
}

void PadAdded(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_GameController* pad : Pads())
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) return;  // already open
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
        std::fprintf(stderr, "velmoor: cannot open the gamepad %d: %s\n", deviceIndex, SDL_GetError());
        return;
    }
    Pads().push_back(pad);
}

void PadRemoved(SDL_JoystickID instance) {
    auto& pads = Pads();
    for (size_t i = 0; i < pads.size(); ++i) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads[i])) != instance) continue;
        SDL_GameControllerClose(pads[i]);
        pads.erase(pads.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

void CloseAllPads() {
    for (SDL_GameController* pad : Pads()) SDL_GameControllerClose(pad);
    Pads().clear();
}

}  // namespace platform::sdl
