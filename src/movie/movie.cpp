// The movie player: the decoding thread, the movie clock and the controls.
#include "core/warnings.h"
#include "platform/encoding.h"
#include "movie/movie.h"

#include <string>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "files/file_handle.h"
#include "platform/audio.h"
#include "core/clock.h"
#include "platform/movie_source.h"
#include "platform/thread.h"

namespace movie {

namespace {

uint32_t Now() { return core::NowMs(); }

// Audio kept queued ahead of the speaker, in device buffers.
constexpr int kAudioAhead = 8;
// How long the thread waits before looking at the clock again while a frame
// is not yet due (it is woken at once by every control).
constexpr auto kClockPoll = std::chrono::milliseconds(2);

}  // namespace

struct Movie {
    scene::SceneObject* owner = nullptr;  // set once, before the object is shown
    MovieSettings settings;
    platform::MovieSource* source = nullptr;
    platform::MovieInfo info;
    platform::AudioVoice* voice = nullptr;
    platform::Thread* thread = nullptr;

    std::mutex lock;
    std::condition_variable wake;
    bool quit = false;
    int32_t state = kMovieStopped;
    bool clockRunning = false;
    uint32_t origin = 0;    // clock value at movie time 0 while running
    uint32_t heldAt = 0;    // the position while the clock stands
    int64_t seekTo = -1;    // a seek the thread has still to make
    bool atEnd = false;     // the decoder has nothing more until a seek
    uint32_t loopStart = 0, loopEnd = 0;

    // The unit read but not yet handed on (only the thread touches these).
    platform::MovieUnit unit;
    bool haveUnit = false;

    std::vector<uint8_t> latest;  // newest due frame, BGRA at the movie's size
    uint32_t latestTime = 0;
    bool newFrame = false;
};

namespace {

uint32_t PositionLocked(const Movie* m) { return m->clockRunning ? Now() - m->origin : m->heldAt; }

void HoldClock(Movie* m) {
    m->heldAt = PositionLocked(m);
    m->clockRunning = false;
}
void RunClock(Movie* m) {
    m->origin = Now() - m->heldAt;
    m->clockRunning = true;
}
void SetPositionLocked(Movie* m, uint32_t ms) {
    m->heldAt = ms;
    if (m->clockRunning) m->origin = Now() - ms;
}

// Where the movie ends for looping and stopping.
uint32_t EndLocked(const Movie* m) {
    uint32_t end = m->info.durationMs;
    if (m->loopEnd && (!end || m->loopEnd < end)) end = m->loopEnd;
    return end;
}

void ResetVoice(Movie* m) {
    if (!m->voice) return;
    platform::Audio().stop(m->voice);
    platform::Audio().consumed(m->voice);
    if (m->state == kMoviePlaying) platform::Audio().play(m->voice);
}

// One turn of the thread with the lock held; false when it should wait.
bool Turn(Movie* m, std::unique_lock<std::mutex>& l) {
    if (m->seekTo >= 0) {
        uint32_t to = static_cast<uint32_t>(m->seekTo);
        m->seekTo = -1;
        m->haveUnit = false;
        m->atEnd = false;
        l.unlock();
        platform::SeekMovie(m->source, to);
        l.lock();
        return true;
    }
    if (m->state != kMoviePlaying) return false;
    if (!m->haveUnit && !m->atEnd) {
        l.unlock();
        platform::MovieUnit u = platform::ReadMovieUnit(m->source);
        l.lock();
        if (m->seekTo >= 0) return true;  // a seek came meanwhile: this unit is stale
        m->unit = u;
        m->haveUnit = u.kind == platform::kMovieUnitVideo || u.kind == platform::kMovieUnitAudio;
        m->atEnd = !m->haveUnit;
        if (m->haveUnit && m->unit.kind == platform::kMovieUnitVideo && m->loopEnd && m->unit.timeMs >= m->loopEnd) {
            m->haveUnit = false;
            m->atEnd = true;
        }
        return true;
    }
    uint32_t position = PositionLocked(m);
    if (m->atEnd) {
        // The last frame stays until the movie's time has run out.
        uint32_t end = EndLocked(m);
        if (position < end) return false;
        if (m->settings.loop) {
            uint32_t start = m->loopStart < end ? m->loopStart : 0;
            m->origin += end - start;  // exact: no drift over many loops
            m->heldAt = start;
            m->seekTo = start;
            ResetVoice(m);
        } else {
            // The sound already queued plays out.
            HoldClock(m);
            m->state = kMovieStopped;
            m->wake.notify_all();  // a WaitMovieFrame sees the end
        }
        return true;
    }
    const platform::MovieUnit& u = m->unit;
    if (u.kind == platform::kMovieUnitVideo) {
        if (u.timeMs > position) return false;  // not due yet
        m->latest.assign(u.data, u.data + u.bytes);
        m->latestTime = u.timeMs;
        m->newFrame = true;
        m->haveUnit = false;
        m->wake.notify_all();  // OpenMovie may wait for the first frame
        return true;
    }
    if (m->voice) {
        platform::Audio().consumed(m->voice);
        if (platform::Audio().pending(m->voice) >= kAudioAhead) return false;
        platform::Audio().queue(m->voice, u.data, u.bytes);
    }
    m->haveUnit = false;
    return true;
}

void ThreadMain(void* argument) {
    auto* m = static_cast<Movie*>(argument);
    std::unique_lock<std::mutex> l(m->lock);
    while (!m->quit) {
        if (!Turn(m, l)) {
            // Playing: look at the clock again soon; otherwise sleep until told.
            if (m->state == kMoviePlaying) m->wake.wait_for(l, kClockPoll);
            else m->wake.wait(l);
        }
    }
}

// The file layer as the decoder's byte source.
struct FileBytes {
    files::FileHandle handle{};
};
int ReadFileBytes(void* c, uint8_t* dest, int bytes) {
    auto* f = static_cast<FileBytes*>(c);
    size_t n = f->handle.ops.read(&f->handle, dest, 1, static_cast<size_t>(bytes));
    return static_cast<int>(n);
}
int64_t SeekFileBytes(void* c, int64_t offset, int origin) {
    auto* f = static_cast<FileBytes*>(c);
    if (offset < -2147483647 || offset > 2147483647) return -1;
    if (f->handle.ops.seek(&f->handle, static_cast<long>(offset), origin) != 0) return -1;
    return f->handle.ops.tell(&f->handle);
}
void CloseFileBytes(void* c) {
    auto* f = static_cast<FileBytes*>(c);
    f->handle.ops.close(&f->handle);
    f->handle.ops.release(&f->handle);
    delete f;
}

FileBytes* OpenFileBytes(const char* name) {
    auto* f = new FileBytes;
    if (files::BindFile(&f->handle, name) && f->handle.ops.open(&f->handle)) return f;
    f->handle.ops.release(&f->handle);
    delete f;
    return nullptr;
}

}  // namespace

float MovieGain(int32_t volume) {
    if (volume <= 0) return 0;
    volume = std::min(volume, 1000);
    double db = std::max(-10000.0, 3322.0 * std::log10(volume / 1000.0));
    return static_cast<float>(std::pow(10.0, db / 2000.0));
}

Movie* OpenMovie(const char* name, const MovieSettings& settings) {
    if (!name || !*name) return nullptr;
    FileBytes* f = nullptr;
    if (std::strncmp(name, "file:", 5) == 0) {
        f = OpenFileBytes(name + 5);
    } else if (!settings.dataPrefix) {
        f = OpenFileBytes(name);
    } else {
        char prefix[260];
        files::GetDataPrefix(prefix);
        char path[files::kNameSize];
        if (prefix[0] && std::snprintf(path, sizeof(path), "%s%s", prefix, name) < static_cast<int>(sizeof(path)))
            f = OpenFileBytes(path);
        if (!f) f = OpenFileBytes(name);
    }
    if (!f) {
        std::fprintf(stderr, "movie %s: not found\n", name);
        core::Warn("no movie file \"" + platform::SjisToUtf8(name) + "\" in any archive or folder");
        return nullptr;
    }
    platform::MovieByteSource bytes;
    bytes.context = f;
    bytes.read = ReadFileBytes;
    bytes.seek = SeekFileBytes;
    bytes.size = f->handle.size >= 0 ? f->handle.size : -1;
    bytes.close = CloseFileBytes;
    auto* m = new Movie;
    m->settings = settings;
    m->source = platform::OpenMovieSource(bytes, name, &m->info);
    if (!m->source) {
        core::Warn("the movie \"" + platform::SjisToUtf8(name) + "\" cannot be decoded");
        delete m;
        return nullptr;
    }
    if (m->settings.alpha && m->info.height < 2) m->settings.alpha = false;
    if (m->info.hasAudio) {
        platform::AudioFormat format;
        format.channels = m->info.audioChannels;
        format.samplesPerSecond = m->info.audioRate;
        format.bitsPerSample = 16;
        m->voice = platform::Audio().createVoice(format);
        if (m->voice) platform::Audio().setGain(m->voice, MovieGain(settings.volume));
    }
    m->state = kMoviePlaying;
    m->clockRunning = true;
    m->origin = Now();
    if (m->voice) platform::Audio().play(m->voice);
    m->thread = platform::StartThread(ThreadMain, m, true);
    if (!m->thread) {
        std::fprintf(stderr, "movie %s: no thread to play it\n", name);
        DestroyMovie(m);
        return nullptr;
    }
    // The picture starts with the first frame when it comes soon; a movie
    // slower than that starts black.
    {
        std::unique_lock<std::mutex> l(m->lock);
        m->wake.wait_for(l, std::chrono::milliseconds(1000),
                         [m] { return !m->latest.empty() || m->atEnd || m->state != kMoviePlaying; });
    }
    return m;
}

bool WaitMovieFrame(Movie* m, int timeoutMs) {
    if (!m) return false;
    std::unique_lock<std::mutex> l(m->lock);
    return m->wake.wait_for(l, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                            [m] { return m->newFrame || m->state == kMovieStopped; }) &&
           m->newFrame;
}

void DestroyMovie(Movie* m) {
    if (!m) return;
    if (m->thread) {
        {
            std::lock_guard<std::mutex> g(m->lock);
            m->quit = true;
        }
        m->wake.notify_all();
        platform::JoinThread(m->thread, -1);
    }
    if (m->voice) platform::Audio().destroyVoice(m->voice);
    platform::CloseMovieSource(m->source);
    delete m;
}

void PlayMovie(Movie* m) {
    if (!m) return;
    {
        std::lock_guard<std::mutex> g(m->lock);
        m->state = kMoviePlaying;
        m->heldAt = 0;
        RunClock(m);
        m->seekTo = 0;
        ResetVoice(m);
    }
    m->wake.notify_all();
}

void StopMovie(Movie* m) {
    if (!m) return;
    {
        std::lock_guard<std::mutex> g(m->lock);
        if (m->state != kMoviePlaying) return;
        m->state = kMovieStopped;
        m->clockRunning = false;
        m->heldAt = 0;
        m->seekTo = 0;
        if (m->voice) platform::Audio().stop(m->voice);
    }
    m->wake.notify_all();
}

namespace {
void Hold(Movie* m, int32_t from, int32_t to) {
    if (!m) return;
    std::lock_guard<std::mutex> g(m->lock);
    if (m->state != from) return;
    HoldClock(m);
    m->state = to;
    if (m->voice) platform::Audio().pause(m->voice);
}
void Release(Movie* m, bool onlyEngineHeld) {
    if (!m) return;
    {
        std::lock_guard<std::mutex> g(m->lock);
        if (m->state != kMovieEnginePaused && (onlyEngineHeld || m->state != kMoviePaused)) return;
        RunClock(m);
        m->state = kMoviePlaying;
        if (m->voice) platform::Audio().play(m->voice);
    }
    m->wake.notify_all();
}
}  // namespace

void PauseMovie(Movie* m) { Hold(m, kMoviePlaying, kMoviePaused); }
void ResumeMovie(Movie* m) { Release(m, false); }
void SuspendMovie(Movie* m) { Hold(m, kMoviePlaying, kMovieEnginePaused); }
void ResumeSuspendedMovie(Movie* m) { Release(m, true); }

void SeekMovieTo(Movie* m, uint32_t ms) {
    if (!m) return;
    {
        std::lock_guard<std::mutex> g(m->lock);
        if (m->info.durationMs && ms >= m->info.durationMs) return;
        SetPositionLocked(m, ms);
        m->seekTo = ms;
        ResetVoice(m);
    }
    m->wake.notify_all();
}

void SetMovieLoop(Movie* m, uint32_t startMs, uint32_t endMs) {
    if (!m) return;
    std::lock_guard<std::mutex> g(m->lock);
    m->loopStart = startMs;
    m->loopEnd = endMs > startMs ? endMs : 0;
}

void SetMovieOwner(Movie* m, scene::SceneObject* owner) {
    if (m) m->owner = owner;
}
scene::SceneObject* MovieOwnerOf(const Movie* m) { return m ? m->owner : nullptr; }

int32_t MovieState(Movie* m) {
    if (!m) return kMovieStopped;
    std::lock_guard<std::mutex> g(m->lock);
    return m->state;
}

uint32_t MoviePosition(Movie* m) {
    if (!m) return 0;
    std::lock_guard<std::mutex> g(m->lock);
    return PositionLocked(m);
}

uint32_t MovieDuration(const Movie* m) { return m ? m->info.durationMs : 0; }
int MovieWidth(const Movie* m) { return m ? m->info.width : 0; }
int MovieHeight(const Movie* m) { return m ? (m->settings.alpha ? m->info.height / 2 : m->info.height) : 0; }

int CopyMovieFrame(Movie* m, uint8_t* pixels, int width, int height, size_t stride, uint32_t* shownTimeMs) {
    if (!m || !pixels || width <= 0 || height <= 0) return 0;
    std::lock_guard<std::mutex> g(m->lock);
    if (!m->newFrame || m->latest.empty()) return 0;
    const int w = m->info.width;
    const int h = MovieHeight(m);
    const int cols = std::min(width, w), rows = std::min(height, h);
    for (int r = 0; r < rows; ++r) {
        const uint8_t* colour = m->latest.data() + static_cast<size_t>(r) * w * 4;
        uint8_t* out = pixels + static_cast<size_t>(r) * stride;
        if (!m->settings.alpha) {
            std::memcpy(out, colour, static_cast<size_t>(cols) * 4);
            continue;
        }
        // The lower half's green gives the alpha of the same place above.
        const uint8_t* mask = m->latest.data() + static_cast<size_t>(r + h) * w * 4;
        for (int c = 0; c < cols; ++c) {
            out[c * 4 + 0] = colour[c * 4 + 0];
            out[c * 4 + 1] = colour[c * 4 + 1];
            out[c * 4 + 2] = colour[c * 4 + 2];
            out[c * 4 + 3] = mask[c * 4 + 1];
        }
    }
    m->newFrame = false;
    if (shownTimeMs) *shownTimeMs = m->latestTime;
    return 1;
}

}  // namespace movie
