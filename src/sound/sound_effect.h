// Effects on sound objects: a chorus, an echo, a fixed "waves" reverb, or a
// room reverb chosen by the name of one of thirty standard environment
// presets. A script's effect is kept in the sound's record (arguments
// clamped to their documented ranges) and set on its voice, which stops the
// sound; the script plays it again. Voices refuse effects.
#pragma once
#include <cstdint>

#include "platform/audio.h"
#include "sound/sound_object.h"

namespace sound {

constexpr int kReverbPresets = 30;

// The preset index of an environment name, compared exactly ("ROOM" is 3,
// "Room" is not a preset); 0 (the default environment) for any other name.
int ReverbPresetIndex(const char* name);

// Fills `out` for the effect `name` with the script's four arguments. Only
// "Chorus" and "Echo" read them: each is truncated to an integer and clamped
// to its range (Chorus: mix 0..100, depth 0..100, feedback -99..99, delay
// 0..20 ms; Echo: mix 0..100, feedback 0..100, left and right delay
// 1..2000 ms); the first clamp of each argument is reported on stderr once.
// A null name leaves an empty record.
void MakeEffectRecord(const char* name, const double args[4], SoundEffectRecord* out);

// The mixer's effect for a record: the chorus and echo mix splits the sound
// between the direct path and the effect, the waves reverb is all effect, a
// preset reverb adds its room to the whole direct sound. Delays the mixer
// cannot reach are shortened to its limits.
platform::AudioEffect EffectOfRecord(const SoundEffectRecord& record);

// Stops the sound and sets its recorded effect on its voice. False when
// there is nothing to set or the device refuses it (a VOICE sound always
// does): the sound then stays stopped without the effect.
bool ApplySoundEffect(SoundObject* s);

}  // namespace sound
