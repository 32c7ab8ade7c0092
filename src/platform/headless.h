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
    uint32_t timeMs = 0;  // since the driver was selected
    Message message;      // code kMsgNone for an answer
    int answer = 0;       // kId* value for "answer" lines
};

// Parses the input-file format:
//   T key NAME down|up | T click X Y | T rclick X Y | T move X Y |
//   T press X Y | T release X Y | T wheel up|down | T close | T answer WORD
// A click is a press and a release 50 ms later; a move between a press and
// its release drags (carries the left button). Blank lines and lines
// starting with '#' are ignored. On a malformed line
// returns false with `error` naming the line.
bool ParseHeadlessInput(const std::string& text, std::vector<TimedInput>* out, std::string* error);
// Reads and parses a file and hands its events to the headless driver.
bool LoadHeadlessInput(const char* path, std::string* error);
// Replaces the pending timed events (times relative to the driver's start).
void SetHeadlessInput(std::vector<TimedInput> events);
// Counts the timed events' times from now on. The runner calls it when the
// game has started, so that a slow start-up (a loaded machine, a sanitizer
// build) does not make input arrive before the game can take it.
void RestartHeadlessInputClock();

const VideoDriver& HeadlessVideoDriver();
// Headless message box: the next due answer, else the first button.
int HeadlessMessageBox(const char* textSjis, const char* captionSjis, uint32_t style);

}  // namespace platform
