// Modal message boxes with the classic button sets and icons.
#pragma once
#include <cstdint>

namespace platform {

// Style bits: one button set plus one icon.
enum : uint32_t {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbAbortRetryIgnore = 0x2,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbRetryCancel = 0x5,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};
// Results: the button pressed.
enum : int {
    kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7,
};

// Shows a message box; texts are Shift-JIS. The SDL driver shows a real box;
// the headless driver takes the next queued answer (QueueMessageBoxAnswer) if
// one is due, otherwise prints caption and text on stderr and takes the first
// button of the set. Returns the button's id.
int ShowMessageBox(const char* textSjis, const char* captionSjis, uint32_t style);

// Headless runs: the next message box is answered with `id` (a kId* value).
void QueueMessageBoxAnswer(int id);

// The button ids of a style's button set, in order; returns their count.
int MessageBoxButtons(uint32_t style, int ids[3]);

}  // namespace platform
