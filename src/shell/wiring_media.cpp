// Part of the engine's wiring: what sounds and movies share. One script
// command (SetStream) moves both; a system screen holds both and lets both
// play on; the composer's rebase reaches the movies.
#include "movie/movie_commands.h"
#include "scene/composer.h"
#include "script/command_table.h"
#include "shell/input.h"
#include "shell/wiring_internal.h"
#include "sound/sound_commands.h"
#include "sound/sound_object.h"

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

}  // namespace

void WireMedia() {
    script::InstallCommandHandler("SetStream", SetStream);
    InputHooks& input = GetInputHooks();
    input.suspendScene = SuspendSceneMedia;
    input.resumeScene = ResumeSceneMedia;
    scene::ComposerHooksTable().rebaseOther = movie::RebaseMovies;
}

}  // namespace shell
