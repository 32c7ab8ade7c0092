// The sound system as the engine and the scripts see it: the device start
// and stop of the shell's start sequence, the sound payload of scene
// objects, the script commands (CreateSound, SetVolume, SetPan,
// SetFrequency, SetLoop, SetLoopPoint, SoundEffect, SetStream), the media Request
// keywords, and the hooks other subsystems call (choice group sounds, waits
// for a playing sound, suspension around system screens, amplitude).
#pragma once
#include <cstdint>

#include "scene/object_tree.h"
#include "scene/scene_object.h"

namespace script {
struct CommandCall;
}

namespace sound {

// The shell's initSound: opens the device (headless when the window is
// headless or none was chosen). Wires nothing: the engine's wiring did that.
bool InitSoundSystem();
// The shell's releaseSounds: stops every sound and closes the device.
void ReleaseSoundSystem();
// Fills the sound's entries of the scene's payload and hook tables and its
// commands in the command table (not SetStream, which sounds share with
// movies: the engine's wiring installs one handler for both). Writes the
// same entries every time; the engine's wiring calls it once.
void InstallSoundCommands();
// The sound half of SetStream: moves the named sound objects' positions.
void SetStreamOfSounds(script::CommandCall& call);

// The media Request handler of sound objects: Play, Stop, Pause, Resume,
// CompulsorySuspend, EntrustSuspend; other keywords go on to the texture
// handler. Caller holds the SceneLock.
int MediaRequest(scene::SceneObject* object, scene::ObjectQuery* query);

// A value argument of SetVolume / SetPan / SetFrequency: a number, or "@"
// followed by a number or a "#"/"$" variable name, added to `current`.
// False when the text is absent.
bool ValueArgument(const char* text, int32_t current, int32_t scale, int32_t* out);
// SetLoop's count: TRUE -1, FALSE 0 (any case), a number, or a variable.
int32_t LoopArgument(const char* text);

}  // namespace sound
