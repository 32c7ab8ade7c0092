// Window messages as the engine's input layer sees them. The numbers are the
// classic window-system codes so that game logic, tests and recorded input
// speak one language whichever backend produced them.
#pragma once
#include <cstdint>

namespace platform {

enum MessageCode : uint32_t {
    kMsgNone = 0,
    kMsgPaint = 0x000F,
    kMsgClose = 0x0010,
    kMsgSetFocus = 0x0007,
    kMsgKillFocus = 0x0008,
    kMsgSetCursor = 0x0020,
    kMsgKeyDown = 0x0100,  // param = virtual-key code
    kMsgKeyUp = 0x0101,
    kMsgCommand = 0x0111,  // param = menu command id
    kMsgVScroll = 0x0115,
    kMsgMouseMove = 0x0200,  // x, y = client coordinates; param = buttons held (kMk*)
    kMsgLButtonDown = 0x0201,
    kMsgLButtonUp = 0x0202,
    kMsgLButtonDblClk = 0x0203,
    kMsgRButtonDown = 0x0204,
    kMsgRButtonUp = 0x0205,
    kMsgMouseWheel = 0x020A,  // param = +120 forward (up), -120 back (down)
    // The engine's own messages, posted to its main window by other threads.
    kMsgShowCursor = 1037,
    kMsgHideCursor = 1038,
    kMsgDisplayMode1 = 1039,
    kMsgDisplayMode2 = 1040,
    kMsgMessageBox = 1041,  // text = message, caption = caption (owned copies)
    kMsgToggleFullscreen = 1042,
    kMsgMovieNotify = 2258,
    // Posted only to end the main thread's blocking wait (quit, state change).
    kMsgWake = 0x8001,
    // A second instance asked this one to bring its window forward.
    kMsgRaiseRequest = 0x8002,
    // A gamepad button that turns automatic text mode on or off.
    kMsgToggleAuto = 0x8003,
    // A headless run's input asked for the game's Reset (the "reset" line).
    kMsgRunnerReset = 0x8004,
};

// Key and button messages a gamepad made carry this mark in `style`.
constexpr uint32_t kFromGamepad = 0x50414447u;

// Buttons held during a mouse message (kMsgMouseMove's param).
enum MouseKeys : int64_t { kMkLButton = 0x1, kMkRButton = 0x2 };

// Virtual-key codes of the keys the engine reacts to.
enum VirtualKey : uint32_t {
    kVkTab = 9,
    kVkReturn = 13,
    kVkShift = 16,
    kVkControl = 17,
    kVkEscape = 27,
    kVkSpace = 32,
    kVkPageUp = 33,
    kVkPageDown = 34,
    kVkEnd = 35,
    kVkHome = 36,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkA = 65,  // A..Z are 65..90
    kVkZ = 90,
    kVkF1 = 112,
};

struct Message {
    uint32_t code = kMsgNone;
    int64_t param = 0;  // key code, wheel delta, command id...
    int32_t x = 0, y = 0;  // mouse position in client coordinates
    uint32_t time = 0;     // TimeMs() when the message was made
    // kMsgMessageBox only: Shift-JIS texts, owned by the message.
    char text[1024] = {};
    char caption[256] = {};
    uint32_t style = 0;
};

}  // namespace platform
