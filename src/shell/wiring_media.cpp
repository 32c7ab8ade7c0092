// Part of the engine's wiring: what sounds and movies share. One script
// command (SetStream) moves both; a system screen holds both and lets both
// play on; the composer's rebase reaches the movies.
#include <cstdio>

#include "movie/full_window.h"
#include "movie/movie_commands.h"
#include "scene/composer.h"
#include "script/command_table.h"
#include "script/system_variables.h"
#include "shell/input.h"
#include "shell/wiring_internal.h"
#include "sound/sound_commands.h"
#include "sound/sound_object.h"
#include "text/state.h"

namespace shell {

namespace {

void SetStream(script::CommandCall& call) {
    sound::SetStreamOfSounds(call);
    movie::SetStreamOfMovies(call);
}

void SuspendSceneMedia() {
    sound::SuspendAllSounds();
    movie::SuspendAllMovies();
}

void ResumeSceneMedia() {
    sound::ResumeAllSounds();
    movie::ResumeAllMovies();
}

// Voices of text: a VOICE sound per voice record. A file that cannot be
// opened leaves the text running and is reported once.
void* PlayTextVoice(const char* source, const char*) {
    sound::SoundObject* s = sound::CreateSound(sound::CategoryFromName("VOICE"), source);
    if (!s) {
        bool& told = text::State().voiceMissingTold;
        if (!told) std::fprintf(stderr, "velmoor: voice file not found: %s\n", source);
        told = true;
        return nullptr;
    }
    sound::PlaySound(s);
    return s;
}

int TextVoicePlaying(void* voice) {
    return sound::SoundPlaying(static_cast<sound::SoundObject*>(voice)) ? 1 : 0;
}

int32_t TextVoiceLength(void* voice) {
    return static_cast<int32_t>(static_cast<sound::SoundObject*>(voice)->lengthMs);
}

void StopTextVoice(void* voice, int) {
    sound::DestroySound(static_cast<sound::SoundObject*>(voice));
}

// A full-window movie: the window's message phases follow it, and the
// prompts of the movie phase reach its controls.
void MovieInputMode(int mode) {
    switch (mode) {
        case movie::kMovieInputStarting:
            SetWindowPhase(kPhaseStartup);
            break;
        case movie::kMovieInputPlaying:
            SetWindowPhase(kPhaseMovie);
            break;
        default:
            SetWindowPhase(kPhaseRunning);
            break;
    }
}

int MovieInterruptible() {
    return script::GetSystemValues().breakPlayMovie || movie::FullWindowMovieInterruptible() ? 1 : 0;
}

void MovieControl(int operation) { movie::ControlFullWindowMovie(operation); }

}  // namespace

void WireMedia() {
    text::TextHooks& voices = text::State().hooks;
    voices.playVoice = PlayTextVoice;
    voices.voicePlaying = TextVoicePlaying;
    voices.voiceLength = TextVoiceLength;
    voices.stopVoice = StopTextVoice;
    script::InstallCommandHandler("SetStream", SetStream);
    InputHooks& input = GetInputHooks();
    input.suspendScene = SuspendSceneMedia;
    input.resumeScene = ResumeSceneMedia;
    scene::ComposerHooksTable().rebaseOther = movie::RebaseMovies;
    movie::GetFullWindowHooks().inputMode = MovieInputMode;
    input.movieInterruptible = MovieInterruptible;
    input.movieControl = MovieControl;
}

}  // namespace shell
