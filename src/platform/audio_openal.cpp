// The OpenAL Soft audio device: each voice is a streaming source with a
// queue of buffers; processed buffers are unqueued and reused. Panning places
// a mono source on a half circle in front of the listener (a stereo source
// turns its two channel angles instead), and the pitch sets the rate.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/audio.h"

namespace platform {

namespace {

struct AlVoice {
    ALuint source = 0;
    ALenum format = 0;
    int rate = 44100;
    int channels = 2;
    std::vector<ALuint> spare;  // buffers not queued, ready for reuse
    std::vector<ALuint> all;
    bool wantPlaying = false;
    std::mutex mutex;
};

ALCdevice* g_device = nullptr;
ALCcontext* g_context = nullptr;
bool g_stereoAngles = false;

AlVoice* Of(AudioVoice* v) { return reinterpret_cast<AlVoice*>(v); }

void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card, OpenAL Soft and the ALSA library it loads each print
// several lines of their own before our one-line notice. Their log settings
// keep them quiet: OpenAL Soft reads ALSOFT_LOGLEVEL at its first call (a
// value the user set is kept), and ALSA takes an error handler, set in the
// copy of the library OpenAL Soft will use when it is there at all.
void QuietLibraryLogs() {
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler) setHandler(SilentAlsaErrors);
    // The library stays loaded for the life of the process (OpenAL Soft
    // holds it too): the handler must not point into an unloaded copy.
}

bool Open() {
    if (g_device) return true;
    QuietLibraryLogs();
    g_device = alcOpenDevice(nullptr);
    if (!g_device) return false;
    g_context = alcCreateContext(g_device, nullptr);
    if (!g_context || !alcMakeContextCurrent(g_context)) {
        if (g_context) alcDestroyContext(g_context);
        alcCloseDevice(g_device);
        g_context = nullptr;
        g_device = nullptr;
        return false;
    }
    // Distance plays no part: positions only turn sources left and right.
    alDistanceModel(AL_NONE);
    g_stereoAngles = alIsExtensionPresent("AL_EXT_STEREO_ANGLES") == AL_TRUE;
    return true;
}

void Close() {
    if (!g_device) return;
    alcMakeContextCurrent(nullptr);
    if (g_context) alcDestroyContext(g_context);
    alcCloseDevice(g_device);
    g_context = nullptr;
    g_device = nullptr;
}

AudioVoice* CreateVoice(const AudioFormat& f) {
    if (!g_context) return nullptr;
    ALenum format = 0;
    if (f.channels == 1) format = f.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    else if (f.channels == 2) format = f.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
    if (!format || (f.bitsPerSample != 8 && f.bitsPerSample != 16) || f.samplesPerSecond <= 0)
        return nullptr;
    AlVoice* v = new AlVoice;
    alGetError();
    alGenSources(1, &v->source);
    if (alGetError() != AL_NO_ERROR) {
        delete v;
        return nullptr;
    }
    v->format = format;
    v->rate = f.samplesPerSecond;
    v->channels = f.channels;
    alSourcei(v->source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(v->source, AL_POSITION, 0.0f, 0.0f, -1.0f);
    return reinterpret_cast<AudioVoice*>(v);
}

// Moves processed buffers to the spare list. Caller holds the voice's mutex.
int Reclaim(AlVoice* v) {
    ALint processed = 0;
    alGetSourcei(v->source, AL_BUFFERS_PROCESSED, &processed);
    if (processed <= 0) return 0;
    std::vector<ALuint> ids(static_cast<size_t>(processed));
    alSourceUnqueueBuffers(v->source, processed, ids.data());
    v->spare.insert(v->spare.end(), ids.begin(), ids.end());
    return processed;
}

void DestroyVoice(AudioVoice* voice) {
    AlVoice* v = Of(voice);
    if (!v) return;
    alSourceStop(v->source);
    alSourcei(v->source, AL_BUFFER, 0);
    alDeleteSources(1, &v->source);
    if (!v->all.empty()) alDeleteBuffers(static_cast<ALsizei>(v->all.size()), v->all.data());
    delete v;
}

bool Queue(AudioVoice* voice, const void* pcm, size_t bytes) {
    AlVoice* v = Of(voice);
    if (!v || !pcm || bytes == 0) return false;
    std::lock_guard<std::mutex> lock(v->mutex);
    Reclaim(v);
    ALuint buffer = 0;
    if (!v->spare.empty()) {
        buffer = v->spare.back();
        v->spare.pop_back();
    } else {
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) return false;
        v->all.push_back(buffer);
    }
    alBufferData(buffer, v->format, pcm, static_cast<ALsizei>(bytes), v->rate);
    alSourceQueueBuffers(v->source, 1, &buffer);
    if (alGetError() != AL_NO_ERROR) {
        v->spare.push_back(buffer);
        return false;
    }
    // A source that ran dry has stopped by itself: start it again.
    if (v->wantPlaying) {
        ALint state = 0;
        alGetSourcei(v->source, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) alSourcePlay(v->source);
    }
    return true;
}

int Consumed(AudioVoice* voice) {
    AlVoice* v = Of(voice);
    if (!v) return 0;
    std::lock_guard<std::mutex> lock(v->mutex);
    return Reclaim(v);
}

int Pending(AudioVoice* voice) {
    AlVoice* v = Of(voice);
    if (!v) return 0;
    std::lock_guard<std::mutex> lock(v->mutex);
    ALint queued = 0, processed = 0;
    alGetSourcei(v->source, AL_BUFFERS_QUEUED, &queued);
    alGetSourcei(v->source, AL_BUFFERS_PROCESSED, &processed);
    return queued - processed;
}

void SetGain(AudioVoice* voice, float gain) {
    if (AlVoice* v = Of(voice)) alSourcef(v->source, AL_GAIN, gain);
}

void SetPan(AudioVoice* voice, float left, float right) {
    AlVoice* v = Of(voice);
    if (!v) return;
    // Equal-power angle of the two channel gains: 0 left, pi/2 right.
    float angle = std::atan2(right, left) - 0.78539816f;  // -pi/4 .. pi/4
    float turn = angle * 2.0f;                             // -pi/2 .. pi/2
    if (v->channels == 1) {
        alSource3f(v->source, AL_POSITION, std::sin(turn), 0.0f, -std::cos(turn));
    } else if (g_stereoAngles) {
        // Angles count counter-clockwise (left is positive); the default
        // spread is 30 degrees each side, turned as a whole.
        const float half = 0.52359878f;
        ALfloat angles[2] = {half - turn, -half - turn};
        alSourcefv(v->source, AL_STEREO_ANGLES, angles);
    }
}

void SetPitch(AudioVoice* voice, float pitch) {
    if (AlVoice* v = Of(voice); v && pitch > 0) alSourcef(v->source, AL_PITCH, pitch);
}

void Play(AudioVoice* voice) {
    AlVoice* v = Of(voice);
    if (!v) return;
    std::lock_guard<std::mutex> lock(v->mutex);
    v->wantPlaying = true;
    alSourcePlay(v->source);
}

void Pause(AudioVoice* voice) {
    AlVoice* v = Of(voice);
    if (!v) return;
    std::lock_guard<std::mutex> lock(v->mutex);
    v->wantPlaying = false;
    alSourcePause(v->source);
}

void Stop(AudioVoice* voice) {
    AlVoice* v = Of(voice);
    if (!v) return;
    std::lock_guard<std::mutex> lock(v->mutex);
    v->wantPlaying = false;
    alSourceStop(v->source);
    Reclaim(v);
}

const AudioDevice kOpenAl = {
    "openal", Open,   Close,    CreateVoice, DestroyVoice, Queue, Consumed, Pending,
    SetGain,  SetPan, SetPitch, Play,        Pause,        Stop,
};

}  // namespace

const AudioDevice& OpenAlAudioDevice() { return kOpenAl; }

}  // namespace platform
