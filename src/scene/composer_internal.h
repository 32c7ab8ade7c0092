// Shared by the composer's sources (compose_frame.cpp, composer_thread.cpp);
// other subsystems use scene/composer.h.
#pragma once
#include <cstdint>

#include "platform/sync.h"

namespace scene {

// Counts a composed frame (ComposedFrames).
void CountComposedFrame();
// Ends the composer thread's pacing waits when it is stopping (null while
// no composer was started).
platform::Event* ComposerWakeEvent();

}  // namespace scene
