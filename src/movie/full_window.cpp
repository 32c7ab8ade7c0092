// The full-window movie player and its command, MoviePlay.
#include "movie/full_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/engine.h"
#include "movie/movie.h"
#include "movie/state.h"
#include "platform/video.h"
#include "scene/composer.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/sjis.h"
#include "script/system_variables.h"

namespace movie {

namespace {

// The band a movie takes in the window: the whole width, 608 rows from 4
// above the client's top.
constexpr int kBandTop = -4;
constexpr int kBandHeight = 608;
// How long the player waits for a frame before it looks at the controls,
// the engine's state and the end again.
constexpr int kFrameWaitMs = 20;

void InputMode(int mode) {
    if (auto set = State().fullWindowHooks.inputMode) set(mode);
}

// Marks the player busy for the life of one MoviePlay; false when another
// one holds it.
class PlayerClaim {
public:
    explicit PlayerClaim(bool interruptible) {
        FullWindowPlayer& p = State().fullWindow;
        std::lock_guard<std::mutex> g(p.lock);
        if (p.active) return;
        p.active = true;
        p.movie = nullptr;
        p.mark = 0;
        p.interruptible = interruptible;
        held_ = true;
    }
    ~PlayerClaim() {
        if (!held_) return;
        FullWindowPlayer& p = State().fullWindow;
        std::lock_guard<std::mutex> g(p.lock);
        p.active = false;
        p.movie = nullptr;
        p.mark = 0;
    }
    PlayerClaim(const PlayerClaim&) = delete;
    PlayerClaim& operator=(const PlayerClaim&) = delete;
    bool held() const { return held_; }

private:
    bool held_ = false;
};

// Shows the movie's newest frame over the window, when one came.
void ShowNewFrame(Movie* m, std::vector<uint32_t>& picture, int width, int height) {
    if (!CopyMovieFrame(m, reinterpret_cast<uint8_t*>(picture.data()), width, height,
                        static_cast<size_t>(width) * 4))
        return;
    const platform::VideoDriver& video = platform::Video();
    int cw = 0, ch = 0;
    video.clientSize(&cw, &ch);
    platform::Rect area = FullWindowMovieArea(video.displayMode() != platform::kWindowed, cw, ch);
    video.presentMovie(picture.data(), width, height, width, area);
}

// Plays until the movie ends, the player stops it, or the engine quits or
// leaves its running states (a reset).
void PlayToTheEnd(Movie* m) {
    FullWindowPlayer& p = State().fullWindow;
    const int width = MovieWidth(m), height = MovieHeight(m);
    std::vector<uint32_t> picture(static_cast<size_t>(width) * height);
    for (;;) {
        if (core::Quitting() || !core::IsRunningState(core::Current().state.load())) return;
        {
            std::lock_guard<std::mutex> g(p.lock);
            if (p.mark == 0) return;  // stopped by the player
        }
        if (platform::VideoSelected()) ShowNewFrame(m, picture, width, height);
        // The last frame was shown above before the end is taken.
        if (MovieState(m) == kMovieStopped) {
            std::lock_guard<std::mutex> g(p.lock);
            if (p.mark == 1) return;  // it ended by itself
        }
        WaitMovieFrame(m, kFrameWaitMs);
    }
}

// TRUE (any case) or a number other than 0.
bool SwitchOn(const char* text) {
    if (!text) return false;
    while (*text == ' ' || *text == '\t') ++text;
    if (script::EqualsNoCase(text, "TRUE")) return true;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    return end != text && v != 0;
}

void CommandMoviePlay(script::CommandCall& call) {
    call.result = PlayFullWindowMovie(call.args[0], SwitchOn(call.args[1]));
}

}  // namespace

FullWindowHooks& GetFullWindowHooks() { return State().fullWindowHooks; }

platform::Rect FullWindowMovieArea(bool fullScreen, int clientWidth, int clientHeight) {
    if (fullScreen) return platform::Rect{0, 0, clientWidth, clientHeight};
    return platform::Rect{0, kBandTop, clientWidth, kBandTop + kBandHeight};
}

int PlayFullWindowMovie(const char* name, bool interruptible) {
    if (!name || !*name) {
        std::fprintf(stderr, "MoviePlay: no movie named\n");
        return 0;
    }
    PlayerClaim claim(interruptible);
    if (!claim.held()) {
        std::fprintf(stderr, "MoviePlay: %s is not played: another movie is playing\n", name);
        return 0;
    }
    InputMode(kMovieInputStarting);
    MovieSettings settings;
    settings.loop = false;
    settings.alpha = false;
    settings.volume = std::clamp(script::GetSystemValues().movieAudioVolume, 0, 1000);
    settings.dataPrefix = false;
    Movie* m = OpenMovie(name, settings);  // says why on stderr when it fails
    if (!m) {
        InputMode(kMovieInputNormal);
        return 0;
    }
    {
        scene::ComposerPause still;  // the whole frame is drawn again at its end
        {
            FullWindowPlayer& p = State().fullWindow;
            std::lock_guard<std::mutex> g(p.lock);
            p.movie = m;
            p.mark = 1;
        }
        InputMode(kMovieInputPlaying);
        PlayToTheEnd(m);
        {
            FullWindowPlayer& p = State().fullWindow;
            std::lock_guard<std::mutex> g(p.lock);
            p.movie = nullptr;
            p.mark = 0;
        }
        DestroyMovie(m);
        if (platform::VideoSelected()) platform::Video().presentMovie(nullptr, 0, 0, 0, platform::Rect{});
    }
    InputMode(kMovieInputNormal);
    return 1;
}

int ControlFullWindowMovie(int operation) {
    FullWindowPlayer& p = State().fullWindow;
    std::lock_guard<std::mutex> g(p.lock);
    if (!p.movie) return 0;
    switch (operation) {
        case 0:
            StopMovie(p.movie);
            p.mark = 0;
            return 1;
        case 1:
            PauseMovie(p.movie);
            p.mark = 256;
            return 1;
        case 2:
            ResumeMovie(p.movie);
            p.mark = 1;
            return 1;
        default:
            return 0;
    }
}

int FullWindowMovieInterruptible() {
    FullWindowPlayer& p = State().fullWindow;
    std::lock_guard<std::mutex> g(p.lock);
    return p.movie && p.interruptible ? 1 : 0;
}

int FullWindowMovieActive() {
    FullWindowPlayer& p = State().fullWindow;
    std::lock_guard<std::mutex> g(p.lock);
    return p.active ? 1 : 0;
}

void InstallFullWindowCommand() { script::InstallCommandHandler("MoviePlay", CommandMoviePlay); }

}  // namespace movie
