// The full-window movie (MoviePlay): a movie played over the game window
// while the calling script waits. The scene stands still meanwhile (the
// composer is paused) and is drawn again, whole, when the movie is over.
//
// Threading: PlayFullWindowMovie runs on the calling script's thread and
// owns the movie; ControlFullWindowMovie and FullWindowMovieInterruptible
// are the input layer's, on the main thread. The player record's mutex
// (movie::State().fullWindow) joins them; callers take no lock.
#pragma once
#include <cstdint>

#include "platform/video.h"

namespace movie {

// The input layer's modes around a full-window movie.
enum FullWindowInputMode : int {
    kMovieInputStarting = 0,  // the movie is being opened: only the window's own upkeep
    kMovieInputPlaying = 1,   // close, Enter and clicks ask to quit or to stop the movie
    kMovieInputNormal = 2,    // back to the running game
};

// What the player needs from the layers above. The engine's wiring fills it;
// the default does nothing.
struct FullWindowHooks {
    void (*inputMode)(int mode);  // a FullWindowInputMode
};
FullWindowHooks& GetFullWindowHooks();

// Plays `name` over the window and returns when it ended, was stopped, or
// the engine quits or restarts: 1 then. 0 (with a line on stderr) when it
// could not start: another full-window movie plays, or the file is missing
// or is not a movie. The name is read through the file layer as written (no
// data-folder prefix; "file:" names a host path). The sound plays at
// SYSTEM_movie_audio_volume. `interruptible`: the player may stop it with
// Enter or a click (SYSTEM_break_play_movie allows it for every movie).
int PlayFullWindowMovie(const char* name, bool interruptible);

// Controls of the movie playing: 0 stop, 1 pause, 2 run. Returns 1, 0 when
// no full-window movie plays (or the operation is unknown).
int ControlFullWindowMovie(int operation);
// 1 while a full-window movie plays that its MoviePlay allows the player to
// interrupt.
int FullWindowMovieInterruptible();
// 1 while a MoviePlay is under way (from its start to its return).
int FullWindowMovieActive();

// Where the movie is shown, in client coordinates, for a client area of
// clientWidth x clientHeight: all of it in full screen (whose modes always
// scale the picture), otherwise a band 608 high from 4 above the top.
platform::Rect FullWindowMovieArea(bool fullScreen, int clientWidth, int clientHeight);

// Puts MoviePlay into the command table (the engine's wiring calls it
// once, through InstallMovieCommands).
void InstallFullWindowCommand();

}  // namespace movie
