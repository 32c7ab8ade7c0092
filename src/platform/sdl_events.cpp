#include "platform/sdl_events.h"

#include "platform/clock.h"

namespace platform::sdl {

uint32_t VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return kVkA + static_cast<uint32_t>(key - SDLK_a);
    switch (key) {
        case SDLK_TAB: return kVkTab;
        case SDLK_RETURN:
        case SDLK_RETURN2:
        case SDLK_KP_ENTER: return kVkReturn;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return kVkShift;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return kVkControl;
        case SDLK_ESCAPE: return kVkEscape;
        case SDLK_SPACE: return kVkSpace;
        case SDLK_PAGEUP: return kVkPageUp;
        case SDLK_PAGEDOWN: return kVkPageDown;
        case SDLK_END: return kVkEnd;
        case SDLK_HOME: return kVkHome;
        case SDLK_LEFT: return kVkLeft;
        case SDLK_UP: return kVkUp;
        case SDLK_RIGHT: return kVkRight;
        case SDLK_DOWN: return kVkDown;
        case SDLK_F1: return kVkF1;
        default: return 0;
    }
}

namespace {

// The buttons held, as mouse messages report them.
int64_t HeldButtons(uint32_t sdlState) {
    int64_t held = 0;
    if (sdlState & SDL_BUTTON_LMASK) held |= kMkLButton;
    if (sdlState & SDL_BUTTON_RMASK) held |= kMkRButton;
    return held;
}

}  // namespace

bool TranslateEvent(const SDL_Event& event, Message* out, int* mouseX, int* mouseY) {
    *out = Message{};
    out->time = TimeMs();
    switch (event.type) {
        case SDL_QUIT:  // a termination signal: treated as the close box
            out->code = kMsgClose;
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // F11 switches between the window and full screen, as the
            // game's own full-screen switch does (and as refused by its lock).
            if (event.key.keysym.sym == SDLK_F11) {
                if (event.type != SDL_KEYDOWN || event.key.repeat) return false;
                out->code = kMsgToggleFullscreen;
                return true;
            }
            // Held keys repeat as further key-down messages, as the input
            // layer expects (holding Ctrl).
            uint32_t vk = VirtualKeyOf(event.key.keysym.sym);
            if (!vk) return false;
            out->code = event.type == SDL_KEYDOWN ? kMsgKeyDown : kMsgKeyUp;
            out->param = vk;
            out->x = *mouseX;
            out->y = *mouseY;
            return true;
        }
        case SDL_MOUSEMOTION:
            *mouseX = event.motion.x;
            *mouseY = event.motion.y;
            out->code = kMsgMouseMove;
            out->param = HeldButtons(event.motion.state);
            out->x = event.motion.x;
            out->y = event.motion.y;
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool down = event.type == SDL_MOUSEBUTTONDOWN;
            *mouseX = event.button.x;
            *mouseY = event.button.y;
            out->x = event.button.x;
            out->y = event.button.y;
            if (event.button.button == SDL_BUTTON_LEFT) {
                // The second click of a pair arrives as a double click (and so
                // do the fourth, sixth...), like the classic window messages.
                bool pair = event.button.clicks >= 2 && event.button.clicks % 2 == 0;
                out->code = down ? (pair ? kMsgLButtonDblClk : kMsgLButtonDown) : kMsgLButtonUp;
            } else if (event.button.button == SDL_BUTTON_RIGHT) {
                out->code = down ? kMsgRButtonDown : kMsgRButtonUp;
            } else {
                return false;
            }
            return true;
        }
        case SDL_MOUSEWHEEL: {
            int steps = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
            if (steps == 0) return false;
            out->code = kMsgMouseWheel;
            out->param = steps > 0 ? 120 : -120;
            out->x = *mouseX;
            out->y = *mouseY;
            return true;
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE: out->code = kMsgClose; return true;
                case SDL_WINDOWEVENT_EXPOSED: out->code = kMsgPaint; return true;
                case SDL_WINDOWEVENT_FOCUS_GAINED: out->code = kMsgSetFocus; return true;
                case SDL_WINDOWEVENT_FOCUS_LOST: out->code = kMsgKillFocus; return true;
                default: return false;
            }
        default:
            return false;
    }
}

}  // namespace platform::sdl
