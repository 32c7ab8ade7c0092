// Making and ending sound objects, and their transport: play, stop, pause,
// resume, and the values set at once.
#include <string>
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/clock.h"
#include "core/warnings.h"
#include "platform/encoding.h"
#include "files/file_handle.h"
#include "sound/sound_internal.h"
#include "platform/text_copy.h"

namespace sound {

namespace {

// SILENT: silence in the device's usual format, four seconds a pass.
size_t SilenceRead(Decoder* d, uint8_t* dest, size_t bytes) {
    uint32_t left = d->dataLength - d->position;
    size_t n = std::min<size_t>(bytes, left);
    n -= n % d->format.blockAlign;
    std::memset(dest, 0, n);
    d->position += static_cast<uint32_t>(n);
    return n;
}
int SilenceSeek(Decoder* d, uint32_t pcmBytes) {
    d->position = std::min(pcmBytes, d->dataLength);
    return 1;
}
void SilenceClose(Decoder*) {}

void OpenSilence(Decoder* d) {
    *d = Decoder{};
    d->format.formatTag = 1;
    d->format.channels = 2;
    d->format.samplesPerSecond = 44100;
    d->format.bitsPerSample = 16;
    d->format.blockAlign = 4;
    d->format.averageBytesPerSecond = 44100 * 4;
    d->dataLength = 4 * d->format.averageBytesPerSecond;
    d->read = SilenceRead;
    d->seek = SilenceSeek;
    d->close = SilenceClose;
}

void FreeSound(SoundObject* s) {
    if (s->voice) platform::Audio().destroyVoice(s->voice);
    if (s->decoder.close) s->decoder.close(&s->decoder);
    platform::DestroyEvent(s->notify);
    platform::DestroyEvent(s->stopEvent);
    platform::DestroyEvent(s->run);
    platform::DestroyEvent(s->cycled);
    delete s;
}

// Ends a stream thread that is told to stop (or has stopped by itself).
void JoinStream(SoundObject* s) {
    if (!s->streamThread) return;
    platform::SetEvent(s->stopEvent);
    platform::SetEvent(s->run);
    platform::JoinThread(s->streamThread, platform::kInfinite);
    s->streamThread = nullptr;
}

// Stop with s->control held.
void StopLocked(SoundObject* s) {
    uint8_t state = s->state.load();
    if (state == kStatePlaying || state == kStatePaused || state == kStateSuspended) {
        {
            std::lock_guard<std::mutex> lock(s->transport);
            s->state.store(kStateStopped);
        }
        JoinStream(s);
    } else if (state == kStatePrepared) {
        s->state.store(kStateStopped);
    }
    platform::Audio().stop(s->voice);
}

}  // namespace

// Why a sound file did not open: missing (under each name tried) or not
// Ogg Vorbis or WAVE.
void WarnSoundFile(const char* fileName) {
    if (!fileName || !*fileName) return;
    std::string name = platform::SjisToUtf8(fileName);
    static const char* const kSuffixes[] = {"", ".wav", ".ogg"};
    for (const char* suffix : kSuffixes) {
        files::FileHandle h;
        std::string candidate = std::string(fileName) + suffix;
        if (!files::BindFile(&h, candidate.c_str())) continue;
        bool opened = h.ops.open(&h) != 0;
        h.ops.close(&h);
        h.ops.release(&h);
        if (opened) {
            core::Warn("the sound \"" + platform::SjisToUtf8(candidate) +
                       "\" cannot be played (not Ogg Vorbis or WAVE, or corrupt)");
            return;
        }
    }
    core::Warn("no sound file \"" + name + "\" (nor with .wav or .ogg added) in any archive or folder");
}

SoundObject* CreateSound(uint32_t category, const char* fileName) {
    if (category != kCategoryBgm && category != kCategorySe && category != kCategoryVoice &&
        category != kCategorySilent)
        return nullptr;
    SoundObject* s = new (std::nothrow) SoundObject;
    if (!s) return nullptr;
    s->category = category;
    if (category == kCategorySilent) {
        OpenSilence(&s->decoder);
        if (fileName) {
            platform::CopyText(s->fileName, sizeof(s->fileName), fileName);
        }
        s->loopCount.store(-1);
    } else if (!OpenSoundFile(fileName, &s->decoder, s->fileName)) {
        if (core::WarningsOn()) WarnSoundFile(fileName);
        delete s;
        return nullptr;
    }
    s->format = s->decoder.format;
    s->dataOffset = s->decoder.dataOffset;
    s->dataLength = s->decoder.dataLength;
    s->blockSize = s->format.channels * s->format.bitsPerSample / 8u;
    s->bytesPerMs = s->format.averageBytesPerSecond / 1000u;
    s->lengthMs = static_cast<uint32_t>(static_cast<uint64_t>(s->dataLength) * 1000u /
                                        s->format.averageBytesPerSecond);
    uint64_t half = category == kCategorySilent ? 4ull * s->format.averageBytesPerSecond
                    : category == kCategoryBgm  ? static_cast<uint64_t>(s->bytesPerMs) * 500u
                                                : static_cast<uint64_t>(s->bytesPerMs) * 150u;
    half -= half % s->blockSize;
    if (half < s->blockSize) half = s->blockSize;
    s->halfBufferSize = static_cast<uint32_t>(half);
    s->bufferSize = 2 * s->halfBufferSize;
    s->categoryFactor.store(CategoryFactor(category));
    s->notify = platform::CreateEvent(false, false);
    s->stopEvent = platform::CreateEvent(true, false);
    s->run = platform::CreateEvent(true, true);
    s->cycled = platform::CreateEvent(false, false);
    platform::AudioFormat f;
    f.channels = s->format.channels;
    f.samplesPerSecond = static_cast<int>(s->format.samplesPerSecond);
    f.bitsPerSample = s->format.bitsPerSample;
    s->voice = platform::Audio().createVoice(f);
    if (!s->voice || !s->notify || !s->stopEvent || !s->run || !s->cycled) {
        FreeSound(s);
        return nullptr;
    }
    ApplyVolume(s);
    ApplyPan(s);
    ApplyFrequency(s);
    s->state.store(kStatePrepared);
    RegisterSound(s);
    return s;
}

void DestroySound(SoundObject* s) {
    if (!s) return;
    UnregisterSound(s);
    {
        std::lock_guard<std::mutex> lock(s->control);
        StopLocked(s);
        for (int k = 0; k < kFadeKinds; ++k) EndFade(s, k);
        JoinStream(s);
    }
    FreeSound(s);
}

void PlaySound(SoundObject* s) {
    if (!s || !s->voice) return;
    std::lock_guard<std::mutex> lock(s->control);
    uint8_t state = s->state.load();
    if (state != kStatePrepared && state != kStateStopped) return;
    JoinStream(s);  // a sound that ended by itself leaves its thread to be joined
    platform::ResetEvent(s->stopEvent);
    platform::SetEvent(s->run);
    s->state.store(kStatePlaying);
    s->streamThread = platform::StartThread(StreamMain, s, true);
    if (!s->streamThread) s->state.store(kStateStopped);
}

void DetachVoice(SoundObject* s) {
    std::lock_guard<std::mutex> lock(s->control);
    StopLocked(s);
    for (int k = 0; k < kFadeKinds; ++k) EndFade(s, k);
    JoinStream(s);
    if (s->voice) platform::Audio().destroyVoice(s->voice);
    s->voice = nullptr;
}

void StopSound(SoundObject* s) {
    if (!s) return;
    std::lock_guard<std::mutex> lock(s->control);
    StopLocked(s);
}

void PauseSound(SoundObject* s) {
    if (!s) return;
    std::lock_guard<std::mutex> lock(s->control);
    if (s->state.load() == kStatePlaying) HoldStream(s, kStatePaused);
}

void ResumeSound(SoundObject* s) {
    if (!s) return;
    std::lock_guard<std::mutex> lock(s->control);
    uint8_t state = s->state.load();
    if (state == kStatePaused || state == kStateSuspended) ReleaseStream(s);
}

bool SoundPlaying(const SoundObject* s) { return s && s->state.load() == kStatePlaying; }

int32_t RemainingMs(const SoundObject* s) {
    if (!s || !s->format.samplesPerSecond || !s->blockSize) return 0;
    double played = s->readPosition.load() / (static_cast<double>(s->format.samplesPerSecond) * s->blockSize) * 1000.0;
    double left = s->lengthMs - played;
    return left > 0 ? static_cast<int32_t>(left) : 0;
}

void HoldStream(SoundObject* s, uint8_t state) {
    platform::ResetEvent(s->run);
    std::lock_guard<std::mutex> lock(s->transport);
    s->state.store(state);
    platform::Audio().pause(s->voice);
}

void ReleaseStream(SoundObject* s) {
    {
        std::lock_guard<std::mutex> lock(s->transport);
        s->state.store(kStatePlaying);
        platform::Audio().play(s->voice);
    }
    platform::SetEvent(s->run);
}

void SyncVoiceTransport(SoundObject* s) {
    std::lock_guard<std::mutex> lock(s->transport);
    if (s->state.load() == kStatePlaying) platform::Audio().play(s->voice);
    else platform::Audio().pause(s->voice);
}

void RequestStreamEnd(SoundObject* s) {
    uint8_t playing = kStatePlaying;
    {
        std::lock_guard<std::mutex> lock(s->transport);
        if (!s->state.compare_exchange_strong(playing, kStateStopped)) return;
    }
    platform::SetEvent(s->stopEvent);
    platform::SetEvent(s->run);
}

void ApplyVolume(SoundObject* s) {
    int32_t att = VolumeAttenuation(s->volume.load(), s->categoryFactor.load());
    platform::Audio().setGain(s->voice, AttenuationGain(att));
}

void ApplyPan(SoundObject* s) {
    float left = 1, right = 1;
    PanGains(s->pan.load(), &left, &right);
    platform::Audio().setPan(s->voice, left, right);
}

void ApplyFrequency(SoundObject* s) {
    double rate = s->format.samplesPerSecond;
    if (rate <= 0) return;
    double hz = s->frequency.load() * rate / 1000.0;
    if (hz < 4) hz = 4;
    platform::Audio().setPitch(s->voice, static_cast<float>(hz / rate));
}

void SetSoundVolume(SoundObject* s, int32_t volume) {
    if (!s) return;
    std::lock_guard<std::mutex> lock(s->control);
    EndFade(s, kFadeVolume);
    s->volume.store(std::clamp(volume, 0, 1000));
    ApplyVolume(s);
    if (s->volume.load() == 0 && s->state.load() == kStatePlaying) StopLocked(s);
}

void SetSoundPan(SoundObject* s, int32_t pan) {
    if (!s) return;
    std::lock_guard<std::mutex> lock(s->control);
    EndFade(s, kFadePan);
    s->pan.store(std::clamp(pan, -10000, 10000));
    ApplyPan(s);
}

void SetSoundFrequency(SoundObject* s, int32_t frequency) {
    if (!s) return;
    std::lock_guard<std::mutex> lock(s->control);
    EndFade(s, kFadeFrequency);
    s->frequency.store(std::max(frequency, 0));
    ApplyFrequency(s);
}

void SetSoundLoop(SoundObject* s, int32_t count) {
    if (s) s->loopCount.store(count);
}

void SetSoundLoopPoints(SoundObject* s, uint32_t startMs, uint32_t endMs) {
    if (!s || !s->blockSize) return;
    auto toBytes = [s](uint32_t ms) {
        return static_cast<uint64_t>(ms) * s->format.samplesPerSecond / 1000u * s->blockSize;
    };
    uint64_t start = toBytes(startMs);
    uint64_t end = toBytes(endMs);
    if (start > s->dataLength) start = 0;
    // An end past the data, or less than a millisecond before its end, is
    // the end of the data.
    if (end > s->dataLength || end + s->bytesPerMs > s->dataLength) end = s->dataLength;
    s->loopStart.store(static_cast<uint32_t>(start));
    s->loopEnd.store(static_cast<uint32_t>(end));
}

void SetSoundPosition(SoundObject* s, uint32_t ms) {
    if (!s || ms >= s->lengthMs) return;
    // Whole seconds at the byte rate plus the fraction, in whole frames.
    uint64_t frames = static_cast<uint64_t>(ms / 1000u) * s->format.samplesPerSecond +
                      static_cast<uint64_t>(ms % 1000u) * s->format.samplesPerSecond / 1000u;
    uint64_t bytes = frames * s->blockSize;
    if (bytes >= s->dataLength) return;
    std::lock_guard<std::mutex> lock(s->control);
    uint8_t state = s->state.load();
    if (state == kStatePlaying || state == kStatePaused || state == kStateSuspended) {
        s->seekRequest.store(static_cast<int64_t>(bytes));
        platform::SetEvent(s->notify);
    } else {
        // The next play starts there.
        s->readPosition.store(static_cast<uint32_t>(bytes));
        s->seekRequest.store(static_cast<int64_t>(bytes));
    }
}

uint32_t BlockAmplitude(const uint8_t* pcm, size_t bytes, const PcmFormat& f) {
    if (!pcm || !f.blockAlign || bytes < f.blockAlign) return 0;
    size_t frames = bytes / f.blockAlign;
    size_t at[4] = {0, frames / 4, frames / 2, frames - 1};
    uint32_t sum = 0;
    for (size_t i : at) {
        const uint8_t* frame = pcm + i * f.blockAlign;
        for (int c = 0; c < f.channels; ++c) {
            int v = f.bitsPerSample == 8 ? frame[c] - 128
                                         : static_cast<int16_t>(frame[2 * c] | (frame[2 * c + 1] << 8));
            sum += static_cast<uint32_t>(v < 0 ? -v : v);
        }
    }
    return sum / (f.channels == 2 ? 8u : 4u);
}

}  // namespace sound
