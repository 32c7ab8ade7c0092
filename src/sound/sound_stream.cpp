// The stream thread of one sound: keeps a few buffers of decoded PCM queued
// on the voice, follows loops and loop points, keeps the volume in step with
// the category factor, waits while paused, and ends when the data has played
// out, when the sound is stopped or when the engine quits.
#include <algorithm>
#include <vector>

#include "core/engine.h"
#include "sound/sound_internal.h"

namespace sound {

namespace {

struct Pass {
    int32_t plays = 1;   // passes begun, this one included
    bool ended = false;  // nothing more will be queued
};

// Reads up to `capacity` bytes of PCM into `buffer`, looping back to the
// loop start (or the data start) at the loop end (or the data end) while the
// loop count allows. Returns the bytes read; 0 once the sound has no more.
size_t DecodeChunk(SoundObject* s, Pass* pass, uint8_t* buffer, size_t capacity) {
    Decoder* d = &s->decoder;
    size_t got = 0;
    int emptyPasses = 0;
    while (got < capacity) {
        uint32_t loopStart = s->loopStart.load(), loopEnd = s->loopEnd.load();
        bool points = loopStart != loopEnd;
        uint32_t limit = points ? std::min(loopEnd, s->dataLength) : s->dataLength;
        uint32_t position = s->readPosition.load();
        if (position < limit) {
            size_t want = std::min<size_t>(capacity - got, limit - position);
            size_t n = d->read(d, buffer + got, want);
            got += n;
            s->readPosition.store(position + static_cast<uint32_t>(n));
            if (n > 0) {
                emptyPasses = 0;
                continue;
            }
            // The decoder gave out before the end it announced: that is the end.
        }
        int32_t count = s->loopCount.load();
        if (count != -1 && pass->plays >= count) break;
        // A pass that yields nothing would loop without end.
        if (++emptyPasses > 1) break;
        uint32_t to = points && loopStart < limit ? loopStart : 0;
        if (!d->seek(d, to)) break;
        s->readPosition.store(to);
        pass->plays += 1;
    }
    if (got > 0) s->amplitude.store(BlockAmplitude(buffer, got, s->format));
    return got;
}

// Queues buffers until kQueuedBuffers are pending or the data is done.
void Refill(SoundObject* s, Pass* pass, std::vector<uint8_t>& buffer) {
    const platform::AudioDevice& device = platform::Audio();
    device.consumed(s->voice);  // lets the device reuse what has played
    int pending = device.pending(s->voice);
    while (!pass->ended && pending < kQueuedBuffers) {
        size_t n = DecodeChunk(s, pass, buffer.data(), buffer.size());
        if (n == 0) {
            pass->ended = true;
            break;
        }
        device.queue(s->voice, buffer.data(), n);
        pending += 1;
    }
}

// Moves the decoder to `bytes` and starts the queue afresh from there.
void Restart(SoundObject* s, Pass* pass, std::vector<uint8_t>& buffer, uint32_t bytes) {
    platform::Audio().stop(s->voice);
    bytes = std::min(bytes, s->dataLength);
    bytes -= bytes % std::max<uint32_t>(s->blockSize, 1);
    if (!s->decoder.seek(&s->decoder, bytes)) {
        bytes = 0;
        s->decoder.seek(&s->decoder, 0);
    }
    s->readPosition.store(bytes);
    pass->ended = false;
    Refill(s, pass, buffer);
    SyncVoiceTransport(s);
}

// Reapplies the volume when the category factor changed.
void FollowCategory(SoundObject* s) {
    float factor = CategoryFactor(s->category);
    if (factor != s->categoryFactor.load()) {
        s->categoryFactor.store(factor);
        ApplyVolume(s);
    }
}

// Milliseconds between passes: a quarter of one queued buffer, 5..25 ms.
int PollMs(const SoundObject* s) {
    uint32_t ms = s->bytesPerMs ? ChunkBytes(s) / s->bytesPerMs / 4 : 20;
    return static_cast<int>(std::clamp<uint32_t>(ms, 5, 25));
}

void Cycled(SoundObject* s) {
    s->streamCycles.fetch_add(1);
    platform::SetEvent(s->cycled);
}

}  // namespace

uint32_t ChunkBytes(const SoundObject* s) {
    uint32_t chunk = s->halfBufferSize / 2;
    chunk -= chunk % std::max<uint32_t>(s->blockSize, 1);
    return std::max<uint32_t>(chunk, std::max<uint32_t>(s->blockSize, 1));
}

void StreamMain(void* argument) {
    SoundObject* s = static_cast<SoundObject*>(argument);
    std::vector<uint8_t> buffer(ChunkBytes(s));
    Pass pass;
    // Where to start: a position asked for while stopped, else the loop
    // start when the last position lay past it, else the beginning.
    uint32_t start = 0;
    int64_t asked = s->seekRequest.exchange(-1);
    uint32_t loopStart = s->loopStart.load();
    if (asked >= 0) start = static_cast<uint32_t>(asked);
    else if (loopStart != s->loopEnd.load() && s->readPosition.load() > loopStart) start = loopStart;
    FollowCategory(s);
    Restart(s, &pass, buffer, start);
    platform::Event* const stopEvents[2] = {s->stopEvent, core::Current().quitEvent};
    for (;;) {
        if (platform::IsEventSet(s->stopEvent) || core::Quitting()) break;
        uint8_t state = s->state.load();
        if (state == kStateStopped) break;
        if (state == kStatePaused || state == kStateSuspended) {
            Cycled(s);
            platform::Event* const waits[3] = {s->stopEvent, core::Current().quitEvent, s->run};
            platform::WaitAny(waits, 3, PollMs(s));
            continue;
        }
        int64_t seek = s->seekRequest.exchange(-1);
        if (seek >= 0) Restart(s, &pass, buffer, static_cast<uint32_t>(seek));
        FollowCategory(s);
        Refill(s, &pass, buffer);
        if (pass.ended && platform::Audio().pending(s->voice) == 0) break;  // played out
        Cycled(s);
        platform::Event* const waits[3] = {stopEvents[0], stopEvents[1], s->notify};
        platform::WaitAny(waits, 3, PollMs(s));
    }
    {
        std::lock_guard<std::mutex> lock(s->transport);
        platform::Audio().stop(s->voice);
        s->readPosition.store(0);
        s->amplitude.store(0);
        s->state.store(kStateStopped);
    }
    Cycled(s);
}

}  // namespace sound
