// Finding a game's loose file on a Linux disk. Games spell names in
// Shift-JIS and never cared about letter case; on Linux the same files
// usually carry UTF-8 names, in whatever case they were unpacked with.
#pragma once
#include <string>

namespace files {

// The path of the existing loose file or folder the game's name means: the
// name as written (with '/' separators), else its UTF-8 form, else a match
// that ignores ASCII letter case, folder by folder. Empty when none exists.
std::string ResolveLooseName(const char* name);
// How a game's name finds a loose file: as written or as its UTF-8 form
// (exact), only by ignoring letter case, or not at all. `found` receives the
// path on disk when there is one.
enum class LooseMatch { kNone, kExact, kOtherCase };
LooseMatch MatchLooseName(const char* name, std::string* found);

// Where a file of that name is written: the existing file it resolves to,
// else the UTF-8 form of the name (the name as written when it is not valid
// Shift-JIS), with each existing folder in its spelling on disk.
std::string LooseWritePath(const char* name);

// Whether `name` may be written by a game: it must lie inside the game
// folder (the current folder) or the save folder once made absolute, with
// "." and ".." resolved. Names leaving both are refused: a game is content,
// not a program.
bool MayWriteLooseFile(const char* name);

}  // namespace files
