// The headless audio device: voices consume their queued PCM by a clock, at
// the format's rate times the pitch, as a mixer would, and remember what they
// played so that tests and headless runs can see it.
//
// Consumption is worked out lazily whenever a voice is asked about, from the
// clock time since it was last asked. Time in which a playing voice has
// nothing queued passes as silence (an underrun) and is not made up later.
#include <atomic>
#include <cmath>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/audio.h"
#include "platform/clock.h"

namespace platform {

struct AudioVoice {
    AudioFormat format;
    int blockAlign = 4;
    std::deque<std::vector<uint8_t>> buffers;
    size_t frontOffset = 0;  // bytes of the front buffer already played
    int consumed = 0;        // buffers finished since the last ask
    bool playing = false;
    bool alive = true;
    uint32_t lastTime = 0;
    double frameRemainder = 0;  // part of a frame carried to the next advance
    float gain = 1, left = 1, right = 1, pitch = 1;
    AudioEffect effect;  // recorded only: the headless mixer plays dry
    uint64_t bytesPlayed = 0;
    std::vector<uint8_t> captured;
};

namespace {

std::mutex g_mutex;
std::vector<std::unique_ptr<AudioVoice>> g_voices;  // every voice ever made
size_t g_firstVoice = 0;                            // first voice of this opening
size_t g_captureLimit = 1u << 20;
std::atomic<uint32_t (*)()> g_clock{nullptr};

uint32_t Now() {
    uint32_t (*clock)() = g_clock.load();
    return clock ? clock() : TimeMs();
}

// Plays `voice` up to `now`. Caller holds g_mutex.
void Advance(AudioVoice* v, uint32_t now) {
    uint32_t elapsed = now - v->lastTime;
    v->lastTime = now;
    if (!v->playing || elapsed > 0x7fffffffu) return;
    double frames = elapsed * (v->format.samplesPerSecond * static_cast<double>(v->pitch)) / 1000.0 +
                    v->frameRemainder;
    double whole = std::floor(frames);
    v->frameRemainder = frames - whole;
    uint64_t want = static_cast<uint64_t>(whole) * static_cast<uint64_t>(v->blockAlign);
    while (want > 0 && !v->buffers.empty()) {
        std::vector<uint8_t>& front = v->buffers.front();
        size_t left = front.size() - v->frontOffset;
        size_t take = want < left ? static_cast<size_t>(want) : left;
        if (v->captured.size() < g_captureLimit) {
            size_t room = g_captureLimit - v->captured.size();
            size_t keep = take < room ? take : room;
            v->captured.insert(v->captured.end(), front.begin() + static_cast<long>(v->frontOffset),
                               front.begin() + static_cast<long>(v->frontOffset + keep));
        }
        v->frontOffset += take;
        v->bytesPlayed += take;
        want -= take;
        if (v->frontOffset >= front.size()) {
            v->buffers.pop_front();
            v->frontOffset = 0;
            v->consumed += 1;
        }
    }
    // What is left of `want` fell into an underrun: silence, time moves on.
    if (v->buffers.empty()) v->frameRemainder = 0;
}

bool Open() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_firstVoice = g_voices.size();
    return true;
}

void Close() {}

AudioVoice* CreateVoice(const AudioFormat& format) {
    if (format.channels < 1 || format.channels > 2) return nullptr;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return nullptr;
    if (format.samplesPerSecond <= 0) return nullptr;
    auto voice = std::make_unique<AudioVoice>();
    voice->format = format;
    voice->blockAlign = format.channels * format.bitsPerSample / 8;
    std::lock_guard<std::mutex> lock(g_mutex);
    voice->lastTime = Now();
    g_voices.push_back(std::move(voice));
    return g_voices.back().get();
}

void DestroyVoice(AudioVoice* v) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    v->alive = false;
    v->playing = false;
    v->buffers.clear();
    v->frontOffset = 0;
}

bool Queue(AudioVoice* v, const void* pcm, size_t bytes) {
    if (!v || !pcm || bytes == 0) return false;
    const uint8_t* p = static_cast<const uint8_t*>(pcm);
    bytes -= bytes % static_cast<size_t>(v->blockAlign);
    if (bytes == 0) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    // A voice that ran dry starts again from now, not from the underrun.
    if (v->buffers.empty()) Advance(v, Now());
    v->buffers.emplace_back(p, p + bytes);
    return true;
}

int Consumed(AudioVoice* v) {
    if (!v) return 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    int n = v->consumed;
    v->consumed = 0;
    return n;
}

int Pending(AudioVoice* v) {
    if (!v) return 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    return static_cast<int>(v->buffers.size());
}

void SetGain(AudioVoice* v, float gain) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    v->gain = gain;
}

void SetPan(AudioVoice* v, float left, float right) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    v->left = left;
    v->right = right;
}

void SetPitch(AudioVoice* v, float pitch) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    if (pitch > 0) v->pitch = pitch;
}

void Play(AudioVoice* v) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    v->playing = true;
}

void Pause(AudioVoice* v) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    v->playing = false;
}

void Stop(AudioVoice* v) {
    if (!v) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    Advance(v, Now());
    v->playing = false;
    v->consumed += static_cast<int>(v->buffers.size());
    v->buffers.clear();
    v->frontOffset = 0;
    v->frameRemainder = 0;
}

bool SetEffect(AudioVoice* v, const AudioEffect& effect) {
    if (!v) return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    v->effect = effect;
    return true;
}

const AudioDevice kHeadless = {
    "headless", Open,   Close,    CreateVoice, DestroyVoice, Queue,    Consumed, Pending,
    SetGain,    SetPan, SetPitch, Play,        Pause,        Stop,     SetEffect,
};

}  // namespace

const AudioDevice& HeadlessAudioDevice() { return kHeadless; }

void SetHeadlessAudioClock(uint32_t (*now)()) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_clock = now;
    uint32_t t = Now();
    for (auto& v : g_voices) v->lastTime = t;
}

uint32_t HeadlessAudioNow() { return Now(); }

HeadlessVoiceReport HeadlessVoice(int index) {
    HeadlessVoiceReport r;
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t at = g_firstVoice + static_cast<size_t>(index);
    if (index < 0 || at >= g_voices.size()) return r;
    AudioVoice* v = g_voices[at].get();
    if (v->alive) Advance(v, Now());
    r.exists = v->alive;
    r.playing = v->playing;
    r.gain = v->gain;
    r.left = v->left;
    r.right = v->right;
    r.pitch = v->pitch;
    r.effect = v->effect;
    r.bytesPlayed = v->bytesPlayed;
    r.pending = static_cast<int>(v->buffers.size());
    r.played = v->captured;
    return r;
}

int HeadlessVoiceCount() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_voices.size() - g_firstVoice);
}

void SetHeadlessCaptureLimit(size_t bytes) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_captureLimit = bytes;
}

}  // namespace platform
