// What the sound object files share: the live-sound list, the stream and
// fade threads, and applying values to the voice.
#pragma once
#include "sound/sound_object.h"

namespace sound {

// The list of live sounds (suspend, resume, device stop).
void RegisterSound(SoundObject* s);
void UnregisterSound(SoundObject* s);

// Stops the sound, ends its fades and frees its voice (the device is about
// to close); the sound stays silent from then on.
void DetachVoice(SoundObject* s);

// Pauses a playing sound into `state` (19 or 20) / plays a paused one on.
// Caller holds s->control.
void HoldStream(SoundObject* s, uint8_t state);
void ReleaseStream(SoundObject* s);
// Plays the voice when the state is playing, else pauses it.
void SyncVoiceTransport(SoundObject* s);

// Stream thread entry (argument: the SoundObject).
void StreamMain(void* argument);
// Bytes one queued buffer holds, and how many are kept queued.
uint32_t ChunkBytes(const SoundObject* s);
constexpr int kQueuedBuffers = 4;

// Apply the object's value (and category factor) to the voice.
void ApplyVolume(SoundObject* s);
void ApplyPan(SoundObject* s);
void ApplyFrequency(SoundObject* s);

// Ends the fade of `kind` (its value stays where the fade left it). Caller
// holds s->control.
void EndFade(SoundObject* s, int kind);
// Ends a playing sound from a thread that may not take s->control.
void RequestStreamEnd(SoundObject* s);

}  // namespace sound
