// The headless backend: no window, frames kept in memory, input from a timed
// event list (velmoor-tool run --input), message boxes answered from it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/video.h"

namespace platform {

// One line of an input file, already turned into a message (or an answer).
struct TimedInput {
    uint32_t timeMs = 0;  // since its segment began (the start, or its wait line)
    Message message;      // code kMsgNone for an answer
    int answer = 0;       // kId* value for "answer" lines
    int segment = 0;      // how many wait lines come before it
    bool lineStart = true;  // the first event of its line (a click's release is not)
};

// A line that waits for the game ("wait-input", "wait-idle"): the events
// after it count their times from when the game got there.
enum class GameGate : uint8_t {
    kInput,  // a script begins to wait for a key, a click or a choice
    kIdle,   // a frame passes in which no action runs and no text is revealed
};
struct InputGate {
    GameGate kind = GameGate::kInput;
    uint32_t notBeforeMs = 0;  // the line's own time, within the segment before it
};

// What the gates ask the game, installed by the runner (null: a gate never
// opens). Each reads counters the engine keeps; any thread may call them.
struct HeadlessGameProbe {
    uint32_t (*inputWaits)() = nullptr;  // input waits begun so far
    uint32_t (*frames)() = nullptr;      // frames stepped so far
    int (*lastFrameBusy)() = nullptr;    // actions and reveals in the last one
};
void SetHeadlessGameProbe(const HeadlessGameProbe& probe);

// Parses the input-file format:
//   T key NAME down|up | T click X Y | T rclick X Y | T move X Y |
//   T press X Y | T release X Y | T wheel up|down | T close | T answer WORD |
//   [T] wait-input | [T] wait-idle
// A click is a press and a release 50 ms later; a move between a press and
// its release drags (carries the left button). A wait line holds the lines
// after it until the game gets there (no earlier than T after the segment
// before it began); their times count from then. Blank lines and lines
// starting with '#' are ignored. On a malformed line returns false with
// `error` naming the line. `gates` (may be null) receives the wait lines.
bool ParseHeadlessInput(const std::string& text, std::vector<TimedInput>* out, std::string* error,
                        std::vector<InputGate>* gates = nullptr);
// Reads and parses a file and hands its events to the headless driver.
bool LoadHeadlessInput(const char* path, std::string* error);
// Replaces the pending timed events (times relative to their segment's
// start; segment 0 starts with the driver) and the wait lines between them.
void SetHeadlessInput(std::vector<TimedInput> events, std::vector<InputGate> gates = {});
// Counts the timed events' times from now on. The runner calls it when the
// game has started, so that a slow start-up (a loaded machine, a sanitizer
// build) does not make input arrive before the game can take it.
void RestartHeadlessInputClock();

const VideoDriver& HeadlessVideoDriver();
// Headless message box: the next due answer, else the first button.
int HeadlessMessageBox(const char* textSjis, const char* captionSjis, uint32_t style);

}  // namespace platform
