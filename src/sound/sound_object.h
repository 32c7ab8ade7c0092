// Sound objects: one decoded file streamed through one voice of the audio
// device by a stream thread of its own, with a category whose master factor
// comes from the sound system variables, volume / pan / frequency that can be
// faded along a curve, a loop count and loop points, pause and resume by
// scripts and suspension while a system screen is open.
//
// Units: volume 0..1000; pan -10000 (left) .. 10000 (right) in hundredths of
// a decibel of attenuation of the other side; frequency per mille of the
// file's rate; positions and lengths in bytes of PCM from the start of the
// data unless named ...Ms.
//
// Threads and ownership: a SoundObject is owned by its scene object (or a
// text voice record) and freed only by DestroySound. Commands run on script
// threads (the scene objects are found under the SceneLock); the stream and
// fade threads share the fields below. Fields that several threads touch are
// atomics; transitions (play, stop, pause, resume, destroy) are serialised by
// the object's `control` mutex. The decoder belongs to the stream thread
// while it runs and to the transitions otherwise.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/audio.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "sound/decoder.h"

namespace scene {
struct SceneObject;
}

namespace sound {

enum SoundState : uint8_t {
    kStateStopped = 0,
    kStatePrepared = 2,
    kStatePlaying = 17,
    kStatePaused = 19,     // by a script
    kStateSuspended = 20,  // by the engine (system screen)
};

enum SoundCategory : uint32_t {
    kCategoryBgm = 0x10000000,
    kCategorySe = 0x20000000,
    kCategoryVoice = 0x30000000,
    kCategorySilent = 0x90000000,
};

enum FadeKind : int { kFadeVolume = 0, kFadePan = 1, kFadeFrequency = 2, kFadeKinds = 3 };

struct SoundObject;

// One running fade of volume, pan or frequency.
struct SoundFade {
    int32_t start = 0, target = 0;
    double* table = nullptr;  // cumulative change per step (curve table)
    int32_t steps = 0;
    uint32_t began = 0;  // engine clock when the fade was asked for
    std::atomic<int32_t> index{0};
    char curve[16] = {};
    platform::Thread* thread = nullptr;
    platform::Event* stop = nullptr;   // manual-reset: ends the fade
    platform::Event* wake = nullptr;   // auto-reset: an early pass (tests)
    std::atomic<uint32_t> cycles{0};   // passes of the fade loop
};

// The effect a script put on a sound: four integer arguments (used by Chorus
// and Echo, zero otherwise; two spare) and the effect's name, empty when the
// sound has none. Kept with the sound so that it can be set again.
constexpr size_t kEffectNameSize = 64;
struct SoundEffectRecord {
    int32_t params[6] = {};
    char name[kEffectNameSize] = {};
};

struct SoundObject {
    char fileName[kSoundNameSize] = {};
    std::atomic<uint8_t> state{kStatePrepared};
    std::atomic<uint32_t> readPosition{0};
    uint32_t category = kCategorySe;
    std::atomic<int32_t> loopCount{0};
    std::atomic<float> categoryFactor{1.0f};  // the factor applied last
    std::atomic<int32_t> volume{1000};
    std::atomic<int32_t> pan{0};
    std::atomic<int32_t> frequency{1000};
    uint32_t dataOffset = 0;
    uint32_t dataLength = 0;
    uint32_t halfBufferSize = 0;
    std::atomic<int32_t> suspendFlag{0};
    uint32_t bufferSize = 0;
    uint32_t bytesPerMs = 0;
    uint32_t blockSize = 0;
    uint32_t lengthMs = 0;
    std::atomic<uint32_t> amplitude{0};
    std::atomic<uint32_t> loopStart{0}, loopEnd{0};
    // The stream thread and its events: `notify` wakes it early, `stopEvent`
    // (manual) ends it, `run` (manual) is reset while paused.
    platform::Thread* streamThread = nullptr;
    platform::Event* notify = nullptr;
    platform::Event* stopEvent = nullptr;
    platform::Event* run = nullptr;
    // Set by every pass of the stream and fade loops (see SettleSound).
    platform::Event* cycled = nullptr;
    std::atomic<uint32_t> streamCycles{0};
    // A play position asked for by SetStream (bytes), -1 when none.
    std::atomic<int64_t> seekRequest{-1};
    Decoder decoder;
    SoundFade fades[kFadeKinds];
    SoundEffectRecord effect;
    PcmFormat format;
    platform::AudioVoice* voice = nullptr;
    std::mutex control;
    // The scene object whose payload this is (null for a text voice).
    scene::SceneObject* owner = nullptr;
    // Orders the voice's play / pause with the state changes behind them.
    std::mutex transport;
};

// --- Device and categories ---------------------------------------------------
// Starts the audio device (headless when asked) and computes the master
// factors. False when no device can be opened.
bool StartSoundDevice(bool headless);
// Stops every sound still alive, frees their voices and closes the device.
void StopSoundDevice();

// The category of a CreateSound category name ("BGM", "SE", "VOICE",
// "SILENT", each optionally followed by one digit); 0 for any other name.
uint32_t CategoryFromName(const char* name);
// Master factors from the sound variables (switch and volume of each
// category) and the skip-express quietening. Call after any of them changed.
void RecomputeCategoryFactors();
// The factor in force for a category (0.01 for every category while skip
// mode quietens sounds).
float CategoryFactor(uint32_t category);

// Device attenuation in hundredths of a decibel for volume 0..1000 at
// `factor`: -10000 for silence, else 3322 x log10(a / 1000), at least -10000.
int32_t VolumeAttenuation(int32_t volume, float factor);
// Linear gain of an attenuation in hundredths of a decibel.
float AttenuationGain(int32_t hundredthsDb);
// Channel gains (left, right) of a pan value.
void PanGains(int32_t pan, float* left, float* right);

// --- Objects -----------------------------------------------------------------
// Opens the file (with ".wav" / ".ogg" completion) and makes a prepared
// sound of `category`; SILENT opens no file. Null when nothing can be made.
SoundObject* CreateSound(uint32_t category, const char* fileName);
// Stops the sound, ends its fades and thread and frees everything.
void DestroySound(SoundObject* s);

void PlaySound(SoundObject* s);
void StopSound(SoundObject* s);
void PauseSound(SoundObject* s);
void ResumeSound(SoundObject* s);
bool SoundPlaying(const SoundObject* s);
// Milliseconds left: length - read position in ms (0 when past the end).
int32_t RemainingMs(const SoundObject* s);

// Volume, pan and frequency set at once (any running fade of the kind is
// ended first). Volume 0 stops a playing sound.
void SetSoundVolume(SoundObject* s, int32_t volume);
void SetSoundPan(SoundObject* s, int32_t pan);
void SetSoundFrequency(SoundObject* s, int32_t frequency);
// Fades `kind` from its current value to `target` over `durationMs` along
// the curve named by `curve` (the action curves; null: linear).
void FadeSound(SoundObject* s, int kind, int32_t target, int32_t durationMs, const char* curve);
// Loop count: -1 forever, n > 1 n times, anything else once.
void SetSoundLoop(SoundObject* s, int32_t count);
// Loop points in milliseconds, converted to bytes and kept inside the data.
void SetSoundLoopPoints(SoundObject* s, uint32_t startMs, uint32_t endMs);
// Moves the play position to `ms` when it lies before the end.
void SetSoundPosition(SoundObject* s, uint32_t ms);

// Engine suspension around a system screen: playing SE and VOICE sounds, and
// any sound with its suspend flag, pause (state 20); resume plays them on.
void SuspendAllSounds();
void ResumeAllSounds();

// Amplitude of a block of PCM: four samples (start, quarter, half, last),
// their absolute values summed over the channels and divided by 4 (mono) or
// 8 (stereo).
uint32_t BlockAmplitude(const uint8_t* pcm, size_t bytes, const PcmFormat& format);

// Wakes the sound's stream and fade threads and waits (up to `timeoutMs`)
// until each of them has run a whole pass after the wake, so that they have
// seen the clocks as they are now. True when they did (or none runs).
// `timeoutMs` is real time: the bound holds under a stepped engine clock.
bool SettleSound(SoundObject* s, int timeoutMs);

}  // namespace sound
