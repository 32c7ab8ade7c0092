#include "shell/system_changes.h"

#include "platform/messages.h"
#include "platform/video.h"
#include "render/compose.h"
#include "script/services.h"
#include "script/system_variables.h"
#include "shell/input.h"
#include "sound/sound_object.h"

namespace shell {

void OnSystemChange(int change) {
    using script::SystemChange;
    switch (static_cast<SystemChange>(change)) {
        case SystemChange::WindowMode:
        case SystemChange::LeaveFullScreen: {
            // The window belongs to the main thread: ask it to switch.
            if (!platform::VideoSelected()) break;
            platform::Message m;
            bool full = static_cast<SystemChange>(change) == SystemChange::WindowMode &&
                        script::GetSystemValues().fullScreenRequest;
            m.code = full ? platform::kMsgDisplayMode1 : platform::kMsgDisplayMode2;
            platform::Video().postMessage(m);
            break;
        }
        case SystemChange::ShowCursor: {
            if (!platform::VideoSelected()) break;
            platform::Message m;
            m.code = script::GetSystemValues().showCursor ? platform::kMsgShowCursor
                                                       : platform::kMsgHideCursor;
            platform::Video().postMessage(m);
            break;
        }
        case SystemChange::PlaySpeed:
            // Actions, fades and the frame pacing run at the step's speed.
            render::Modes().playSpeed = render::PlaySpeedOfStep(script::GetSystemValues().playSpeedStep);
            break;
        case SystemChange::Sound:
        case SystemChange::Skip:
            // Sounds pick the new master factors up on their next pass.
            sound::RecomputeCategoryFactors();
            break;
        default:
            break;
    }
    InputOnSystemChange(change);
}

}  // namespace shell
