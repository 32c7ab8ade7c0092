#include "shell/input_stub.h"

#include "platform/messages.h"
#include "platform/video.h"
#include "shell/engine.h"

namespace shell {

void HandleMessageMinimal(const void* message) {
    const auto* m = static_cast<const platform::Message*>(message);
    switch (m->code) {
        case platform::kMsgClose:
            RequestQuit();
            break;
        case platform::kMsgRaiseRequest:
            platform::Video().raise();
            break;
        default:
            break;
    }
}

}  // namespace shell
