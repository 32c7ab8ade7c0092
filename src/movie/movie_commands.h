// Movie objects in the scene: CreateMovie, the movie payload and mask
// movies, and the movie halves of what sounds and movies share (SetStream,
// holding the scene's media while a system screen shows, the composer's
// rebase), which the engine's wiring joins with the sound halves.
#pragma once
#include <cstdint>

namespace script {
struct CommandCall;
}

namespace movie {

// Fills the movie's entries of the scene's payload and hook tables and
// installs CreateMovie and MoviePlay. Writes the same entries every time; the engine's
// wiring calls it once.
void InstallMovieCommands();

// The movie half of SetStream: the named movie objects seek to the given
// position (ignored at or beyond a movie's duration). Takes the SceneLock.
void SetStreamOfMovies(script::CommandCall& call);
// Holds every playing movie of every tree while a system screen shows, and
// lets exactly those play on afterwards. Take the SceneLock.
void SuspendAllMovies();
void ResumeAllMovies();
// The composer's rebase of other timers (render::ComposerHooks::rebaseOther):
// with `resume` 0, the movies the engine held play on. Caller holds the
// SceneLock.
void RebaseMovies(uint32_t now, int resume);

}  // namespace movie
