#include "platform/msgbox.h"


#include "platform/headless.h"
#include "platform/video.h"
#include "platform/video_sdl.h"

namespace platform {

int MessageBoxButtons(uint32_t style, int ids[3]) {
    switch (style & 0xF) {
        case kMbOkCancel: ids[0] = kIdOk; ids[1] = kIdCancel; return 2;
        case kMbAbortRetryIgnore: ids[0] = kIdAbort; ids[1] = kIdRetry; ids[2] = kIdIgnore; return 3;
        case kMbYesNoCancel: ids[0] = kIdYes; ids[1] = kIdNo; ids[2] = kIdCancel; return 3;
        case kMbYesNo: ids[0] = kIdYes; ids[1] = kIdNo; return 2;
        case kMbRetryCancel: ids[0] = kIdRetry; ids[1] = kIdCancel; return 2;
        default: ids[0] = kIdOk; return 1;
    }
}

int ShowMessageBox(const char* textSjis, const char* captionSjis, uint32_t style) {
    if (!VideoSelected() || IsHeadless()) return HeadlessMessageBox(textSjis, captionSjis, style);
    return SdlMessageBox(textSjis, captionSjis, style);
}

void QueueMessageBoxAnswer(int id) {
    TimedInput answer;
    answer.timeMs = 0;
    answer.answer = id;
    std::vector<TimedInput> events{answer};
    SetHeadlessInput(std::move(events));
}

}  // namespace platform
