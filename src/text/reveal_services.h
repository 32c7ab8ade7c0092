// What the reveal asks of others: the text icons shown at click stops, the
// backlog's append seam, voices of text and inline code. Icons are drawn by
// the text layer itself; the rest goes through TextHooks (text/state.h),
// wired once by the shell. Every hook may be missing: the reveal then goes
// on without it.
#pragma once
#include <cstdint>

namespace text {

struct TextPayload;
struct VoiceRecord;
struct CharAttributes;

enum TextIconKind : int32_t { kIconNone = 0, kIconPage = 1, kIconLine = 2, kIconAuto = 3 };

// Shows the icon of `kind` beside the last revealed glyph of `t` (or at
// the system position when both SYSTEM_position_*_text_icon are set).
void ShowTextIcon(TextPayload* t, int32_t kind);
void HideTextIcon(TextPayload* t);

// Appends a character code (10: a line break) to the backlog.
void BacklogAppend(uint32_t code);
// Records a voice of text in the backlog (its class and file).
void BacklogVoice(const VoiceRecord& voice);

// Voices of text: plays the record's sound as the text's voice (stopping
// the one before), whether it still plays, its length in ms, and stopping
// (stop 1) or forgetting it.
void PlayTextVoice(TextPayload* t, const VoiceRecord& voice);
bool TextVoicePlaying(TextPayload* t);
int32_t TextVoiceLength(TextPayload* t);
void StopTextVoice(TextPayload* t, bool stop);

// Starts the inline code of slot `at` as a script process (the block that
// made the text lends it its object prefix); true when it runs, and the
// reveal then waits for it. Code that cannot start is skipped with a
// message on stderr (false).
bool RunInlineCode(TextPayload* t, const CharAttributes& at);
// Whether the text's inline code still runs; false once it has ended.
bool InlineCodeRunning(TextPayload* t);

}  // namespace text
