// The audio device contract: streaming voices fed with PCM buffers.
//
// A voice plays the buffers queued on it in order. The caller asks how many
// of them have been consumed since it last asked, and queues more; a voice
// whose queue runs dry plays silence and picks up again when a buffer is
// queued while it is meant to play. Each voice has a linear gain, channel
// gains for panning and a pitch factor (1 = the format's own rate).
//
// Two devices exist, chosen once at start (SelectAudioDevice): OpenAL Soft,
// and a headless one that consumes queued audio by a millisecond clock as a
// mixer would and keeps what it "played" for inspection.
//
// Threading: every function may be called from any thread; one voice is fed
// by one thread at a time (its stream thread), while gain, pan, pitch and the
// transport may be changed from others.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct AudioFormat {
    int channels = 2;         // 1 or 2
    int samplesPerSecond = 44100;
    int bitsPerSample = 16;   // 8 (unsigned) or 16 (signed little-endian)
};

struct AudioVoice;

// One effect on a voice, in the units of the mixer's effects (seconds, linear
// gains, 0..1 fractions). The voice's direct path plays at `dry` and the
// effect is fed at `wet`; values beyond a field's range are clamped by the
// device.
enum AudioEffectKind : int { kEffectNone = 0, kEffectChorus = 1, kEffectEcho = 2, kEffectReverb = 3 };
struct AudioEffect {
    int kind = kEffectNone;
    float dry = 1, wet = 0;
    // Chorus: waveform 0 sine, 1 triangle; phase in degrees -180..180;
    // rate in Hz 0..10; depth 0..1; feedback -1..1; delay 0..0.016 s.
    int waveform = 0;
    float phase = 90, rate = 1.1f, depth = 0.1f, feedback = 0.25f, delay = 0.016f;
    // Echo (feedback above is shared, 0..1): first tap 0..0.207 s, second
    // tap that much later 0..0.404 s, damping 0..0.99, spread -1..1 (> 0:
    // first tap on the left).
    float echoDelay = 0.1f, echoLrDelay = 0.1f, damping = 0.5f, spread = -1;
    // Reverb: density and diffusion 0..1, gain 0..1, gainHf 0..1, decay
    // 0.1..20 s, decayHfRatio 0.1..2, reflections gain 0..3.16 and delay
    // 0..0.3 s, late gain 0..10 and delay 0..0.1 s, room rolloff 0..10.
    float density = 1, diffusion = 1, gain = 0.32f, gainHf = 0.89f, decayTime = 1.49f,
          decayHfRatio = 0.83f, reflectionsGain = 0.05f, reflectionsDelay = 0.007f,
          lateGain = 1.26f, lateDelay = 0.011f, roomRolloff = 0;
};

struct AudioDevice {
    const char* name;
    // Starts the device; false when no device can be opened.
    bool (*open)();
    void (*close)();
    // A new, stopped voice for PCM of `format`; null when none can be made.
    AudioVoice* (*createVoice)(const AudioFormat& format);
    // Stops the voice and frees it with its queued buffers.
    void (*destroyVoice)(AudioVoice* voice);
    // Copies `bytes` of PCM (whole frames) to the end of the voice's queue.
    bool (*queue)(AudioVoice* voice, const void* pcm, size_t bytes);
    // Buffers consumed since the last call (they are dropped from the queue).
    int (*consumed)(AudioVoice* voice);
    // Buffers still queued (not yet consumed).
    int (*pending)(AudioVoice* voice);
    // Linear gain 0..1; channel gains 0..1 (left, right); pitch factor > 0.
    void (*setGain)(AudioVoice* voice, float gain);
    void (*setPan)(AudioVoice* voice, float left, float right);
    void (*setPitch)(AudioVoice* voice, float pitch);
    // Transport: play from the queue, hold the queue, stop and drop it.
    void (*play)(AudioVoice* voice);
    void (*pause)(AudioVoice* voice);
    void (*stop)(AudioVoice* voice);
    // Puts `effect` on the voice in place of any other (kind none removes
    // it). False when the device cannot give the voice that effect.
    bool (*setEffect)(AudioVoice* voice, const AudioEffect& effect);
};

// Chooses the device once: the headless one when asked, else OpenAL Soft,
// falling back to the headless one when OpenAL cannot open a device.
// Returns false only when no device could be opened at all.
bool SelectAudioDevice(bool headless);
// The chosen device (the headless one until SelectAudioDevice ran).
const AudioDevice& Audio();
bool AudioIsHeadless();
// Closes the chosen device (the next SelectAudioDevice chooses again).
void CloseAudioDevice();

// --- Rendering without a sound card ---------------------------------------
// Opens OpenAL Soft as a loopback device that mixes stereo float frames at
// `rate` only when asked (tests measure effects on the signal with it). It
// is not the chosen device; close it with its own close. Null when OpenAL is
// already open or has no loopback.
const AudioDevice* OpenAudioLoopback(int rate);
// Mixes the next `frames` frames (two floats each) into `out`.
bool RenderAudioLoopback(float* out, int frames);

// --- The headless device ---------------------------------------------------
const AudioDevice& HeadlessAudioDevice();
// The clock the headless device consumes audio by (milliseconds): the
// engine clock, handed over by core::SetClock (this layer cannot reach it);
// null puts TimeMs back. Running voices are rebased onto the new clock.
void SetHeadlessAudioClock(uint32_t (*now)());
uint32_t HeadlessAudioNow();

// What one headless voice has done so far.
struct HeadlessVoiceReport {
    bool exists = false;
    bool playing = false;
    float gain = 1, left = 1, right = 1, pitch = 1;
    uint64_t bytesPlayed = 0;  // PCM bytes consumed while playing
    int pending = 0;           // buffers still queued
    AudioEffect effect;        // the effect set last (kind none: none)
    std::vector<uint8_t> played;  // the first bytes played (up to the capture limit)
};
// The report of voice number `index` (creation order since the device
// opened, from 0); `exists` false when there is no such voice or it was
// destroyed (its last figures are kept).
HeadlessVoiceReport HeadlessVoice(int index);
// Number of voices created since the device opened.
int HeadlessVoiceCount();
// Bytes of played PCM each voice keeps for inspection (default 1 MiB).
void SetHeadlessCaptureLimit(size_t bytes);

}  // namespace platform
