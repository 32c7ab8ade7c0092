// The backlog: the engine-wide record of the text that has been shown, one
// stream of 16-bit units that the reveal and SetBacklog append to, read back
// by the backlog object (backlog_object.h) and saved with the game.
//
// Stream units: a character code (single byte, or lead byte x 256 + trail
// byte); 9 a soft row break (a bad_start character moved up, or a bad_end
// character pushed down); 10 a line break; 13 a row break from wrapping at
// the row width; a voice marker 16, 17, class bytes, 17, file bytes, 16 (one
// unit per byte; names never hold a byte below 0x20, so a marker holds no
// other 16 and can be skipped whole from either end).
//
// Locking: every field below `lock` is guarded by it. It is a leaf lock held
// only for the few instructions of one append, clear, copy or restore: the
// reveal (composer thread), SetBacklog (script threads), the grid drawing
// (composer thread), input (main thread) and a load all meet here, and none
// of them calls out while holding it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "text/font.h"

namespace core {
struct Engine;
}
namespace scene {
struct SceneObject;
}
namespace render {
struct Image;
struct Drawable;
}  // namespace render

namespace text {

// Units the stream holds at most; appending stops when it is full.
constexpr size_t kBacklogUnits = 4193280;
// Row width bound of the settings (word_in_row is kept in 1 ... 32).
constexpr int kBacklogMaxWordInRow = 32;
// Rows a backlog object shows at most, and the default.
constexpr int kBacklogMaxRows = 32;
constexpr int kBacklogDefaultRows = 17;
// Bytes of a voice class and file name kept in a marker.
constexpr int kBacklogVoiceClassSize = 64;
constexpr int kBacklogVoiceFileSize = 260;

enum BacklogUnit : uint16_t {
    kUnitSoftBreak = 9,
    kUnitLineBreak = 10,
    kUnitRowBreak = 13,
    kUnitVoiceEdge = 16,
    kUnitVoiceSplit = 17,
};

// The voice of one shown row (filled by the grid drawing).
struct BacklogRowVoice {
    bool hasVoice = false;
    int32_t iconState = 0;  // 0 normal, 1 hover, 2 pressed
    bool clicked = false;   // released over the icon: replay at the next step
    char voiceClass[kBacklogVoiceClassSize] = {};
    char file[kBacklogVoiceFileSize] = {};
};

// A character's coverage for drawing straight into the frame.
struct BacklogGlyph {
    bool ok = false;       // false: nothing to draw (a space, a failed fetch)
    GlyphMetrics glyph{};  // box and origin
    std::vector<uint8_t> coverage;  // 0..255, rows padded to 4 bytes
};
// Glyphs of one font: dropped whole when the default font changes.
struct BacklogGlyphCache {
    DefaultFont font;  // what the glyphs were made with
    bool valid = false;
    bool haveMetrics = false;
    TextMetrics metrics{};
    std::unordered_map<uint16_t, BacklogGlyph> byCode;
};

// Display settings read when a backlog object is created.
struct BacklogLayout {
    int32_t rowMax = kBacklogDefaultRows;
    int32_t iconX = 82;
    int32_t positionX = 120;
    int32_t positionY = 100;
    int32_t rowPitch = 24;
    int32_t characterWidth = 19;
    int32_t iconShiftY = 0;
};

struct Backlog {
    std::mutex lock;
    bool ready = false;    // the stream exists (allocated on first use)
    bool changed = false;  // set by every append
    bool shown = false;    // a backlog object is on screen
    int32_t column = 0;    // characters in the current row
    int32_t scroll = 0;    // rows back from the newest
    int32_t rows = 0;      // row ends in the stream
    int32_t dragX = -32768, dragY = -32768;
    size_t end = 0;                        // units in use
    std::unique_ptr<uint16_t[]> stream;    // kBacklogUnits units once ready
    BacklogLayout layout;  // written with the SceneLock held as well
    BacklogRowVoice rowVoices[kBacklogMaxRows];
    int32_t iconWidth = 0, iconHeight = 0;  // the voice icon's first frame
    // Row width and the wrapping lists, taken from the settings on first use
    // and by BacklogReadSettings.
    int32_t wordInRow = kBacklogMaxWordInRow;
    std::vector<uint16_t> badStart, badEnd;
    bool settingsRead = false;

    // ---- Guarded by the SceneLock, not by `lock` -------------------------
    scene::SceneObject* object = nullptr;  // the shown backlog object
    scene::SceneObject* bar = nullptr;     // its linked scrollbar
    bool barSyncing = false;               // the backlog itself moves the thumb
    int32_t hoverRow = -1;                 // the row whose icon the mouse is over
    void* replay = nullptr;                // the last replayed voice (text hooks' handle)
    int32_t replayRow = -1;
    // The voice icon frames (normal, hover, pressed) and their drawing record.
    render::Image* icons[3] = {};
    int32_t iconCount = 0;
    bool iconsLoaded = false;
    render::Drawable* iconDraw = nullptr;
    std::vector<uint16_t> drawCopy;  // the shown units of the current drawing

    // ---- Guarded by the glyph lock (core::kLockText) ---------------------
    // Coverage of the characters drawn so far in the default font.
    BacklogGlyphCache glyphs;
};

// ---- Appending (backlog_stream.cpp) ----------------------------------------

// Appends one character (10: a line break) by the wrapping rules. Pair codes
// go in as their two characters; 0 and other control codes are dropped.
// Nothing while a system script runs or once the stream is full.
void BacklogAppendCode(uint32_t code);
// Appends a voice marker, whole or not at all.
void BacklogAppendVoice(const char* voiceClass, const char* file);
// Appends each character of a Shift-JIS text, then a line break.
void BacklogAppendText(const char* text);
// Empties the stream and forgets the rows' voices and scroll (the replay
// sound is released by ClearBacklogAll, backlog_object.h).
void BacklogClear();
// Reads word_in_row (kept in 1 ... 32), bad_start and bad_end.
void BacklogReadSettings();

// ---- Saving (backlog_stream.cpp) --------------------------------------------

// The backlog's save record: "CVSB", 0xF1F1FAC4, size, rows, scroll, then
// the units up to the end. Little-endian.
std::vector<uint8_t> BacklogSerialize(core::Engine& engine);
// Replaces the stream with a record made by BacklogSerialize. The unit count
// must fit the stream and every unit must be a character, a line unit or
// part of a whole voice marker; on any fault nothing changes and false is
// returned. Rows and column are counted from the units themselves.
bool BacklogRestore(core::Engine& engine, const uint8_t* data, size_t size);
// The checks of BacklogRestore without restoring: whether it would accept
// the record. Any thread; touches no state.
bool BacklogRecordValid(const uint8_t* data, size_t size);

// Checks a unit sequence; `rows` and `column` receive its row count and the
// characters in its last row. False on a stray control unit or a broken
// voice marker.
bool BacklogCheckUnits(const uint16_t* units, size_t count, int32_t* rows, int32_t* column);

// ---- Walking the stream (backlog_stream.cpp) ----------------------------------

// Where a grid that shows `rowMax` rows, `scroll` rows back from the newest,
// starts: the first unit of its top row.
size_t BacklogFirstShownUnit(const uint16_t* units, size_t end, int32_t rowMax, int32_t scroll);
// The unit after a voice marker starting at `at` (`at` when none starts there).
size_t BacklogSkipVoice(const uint16_t* units, size_t end, size_t at);

}  // namespace text
