// Message boxes through SDL, with the classic button sets and icons.
#include <SDL.h>

#include <string>

#include "platform/encoding.h"
#include "platform/headless.h"
#include "platform/msgbox.h"
#include "platform/sdl_window.h"
#include "platform/video_sdl.h"

namespace platform {

namespace {

const char* ButtonLabel(int id) {
    switch (id) {
        case kIdOk: return "OK";
        case kIdCancel: return "Cancel";
        case kIdAbort: return "Abort";
        case kIdRetry: return "Retry";
        case kIdIgnore: return "Ignore";
        case kIdYes: return "Yes";
        case kIdNo: return "No";
        default: return "?";
    }
}

uint32_t IconFlags(uint32_t style) {
    switch (style & 0xF0) {
        case kMbIconError: return SDL_MESSAGEBOX_ERROR;
        case kMbIconWarning: return SDL_MESSAGEBOX_WARNING;
        default: return SDL_MESSAGEBOX_INFORMATION;  // information, question, none
    }
}

// The button Escape (or closing the box) stands for: Cancel, else No, else
// the only button.
int EscapeButton(const int* ids, int count) {
    for (int i = 0; i < count; ++i)
        if (ids[i] == kIdCancel) return kIdCancel;
    for (int i = 0; i < count; ++i)
        if (ids[i] == kIdNo) return kIdNo;
    return ids[count - 1];
}

}  // namespace

int SdlMessageBox(const char* textSjis, const char* captionSjis, uint32_t style) {
    std::string text = SjisToUtf8(textSjis ? textSjis : "");
    std::string caption = SjisToUtf8(captionSjis ? captionSjis : "");
    int ids[3];
    int count = MessageBoxButtons(style, ids);
    int escape = EscapeButton(ids, count);
    SDL_MessageBoxButtonData buttons[3];
    for (int i = 0; i < count; ++i) {
        buttons[i].flags = 0;
        if (i == 0) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (ids[i] == escape) buttons[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttons[i].buttonid = ids[i];
        buttons[i].text = ButtonLabel(ids[i]);
    }
    SDL_MessageBoxData data;
    SDL_zero(data);
    data.flags = IconFlags(style) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    data.window = sdl::DialogParent();
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = count;
    data.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        // No box could be shown (no display): answer as without a window.
        return HeadlessMessageBox(textSjis, captionSjis, style);
    }
    return pressed < 0 ? escape : pressed;
}

}  // namespace platform
